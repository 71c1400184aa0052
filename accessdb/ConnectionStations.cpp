// The door stations' reports and the site's settings, on either engine.
#include <charconv>

#include "Connection.h"
#include "TableColumns.h"

namespace accessdb {

namespace {

constexpr const char* kOfflineLimitSetting = "horas_sin_servidor";

}  // namespace

void Connection::ReportStation(const StationReport& report) {
    // The login fills Usuario itself on a server (its default); the update leaves it alone, so
    // that a row stays its first writer's.
    m_session->Execute(
        "INSERT INTO Puestos (Nombre, Ultimo_contacto, Sin_servidor_desde, Pendientes, Copia_de)"
        " VALUES (?, ?, ?, ?, ?) ON CONFLICT (Nombre) DO UPDATE SET"
        " Ultimo_contacto = excluded.Ultimo_contacto,"
        " Sin_servidor_desde = excluded.Sin_servidor_desde,"
        " Pendientes = excluded.Pendientes, Copia_de = excluded.Copia_de",
        {report.nombre, report.ultimoContacto, report.sinServidorDesde, report.pendientes,
         report.copiaDe});
}

std::vector<StationReport> Connection::ListStations() {
    const std::unique_ptr<SqlRows> rows = m_session->Query(
        std::string("SELECT ") + kStationColumns + " FROM Puestos ORDER BY Nombre", {});
    std::vector<StationReport> stations;
    while (rows->Next()) {
        stations.push_back({rows->Text(0), rows->Text(1), rows->Text(2), rows->Text(3),
                            rows->Integer(4), rows->Text(5)});
    }
    return stations;
}

bool Connection::ForgetStation(std::string_view name) {
    return m_session->Execute("DELETE FROM Puestos WHERE Nombre = ?", {std::string(name)}) > 0;
}

int Connection::OfflineLimitHours() {
    const std::unique_ptr<SqlRows> rows =
        m_session->Query("SELECT Valor FROM Ajustes WHERE Nombre = ?", {kOfflineLimitSetting});
    if (!rows->Next()) {
        return kDefaultOfflineHours;
    }
    const std::string text = rows->Text(0);
    int hours = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), hours);
    if (failure != std::errc() || end != text.data() + text.size() || hours < 0) {
        return kDefaultOfflineHours;
    }
    return hours;
}

void Connection::SetOfflineLimitHours(int hours) {
    m_session->Execute(
        "INSERT INTO Ajustes (Nombre, Valor) VALUES (?, ?) ON CONFLICT (Nombre) DO UPDATE SET "
        "Valor = excluded.Valor",
        {kOfflineLimitSetting, std::to_string(hours)});
}

std::vector<StudentRecord> Connection::AllStudents() {
    const std::unique_ptr<SqlRows> rows = m_session->Query(
        std::string("SELECT ") + kStudentColumns + " FROM Alumnos ORDER BY DNI", {});
    std::vector<StudentRecord> students;
    while (rows->Next()) {
        students.push_back(ReadStudent(*rows));
    }
    return students;
}

std::int64_t Connection::StudentChanges() {
    return QueryNumber(*m_session, "SELECT numero FROM cambios_alumnos");
}

}  // namespace accessdb
