#include "PersonReport.h"

#include <algorithm>
#include <vector>

#include "accessdb/Encodings.h"
#include "accessdb/StudentTerms.h"

namespace admin {

namespace {

using Table = std::vector<std::vector<std::string>>;

// Characters, not bytes, so that accented names keep the columns straight.
std::size_t Width(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string Columns(const Table& rows) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], Width(row[i]));
        }
    }
    std::string text;
    for (const auto& row : rows) {
        std::string line = " ";
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += " " + row[i];
            if (i + 1 < row.size()) {
                line += std::string(widths[i] - Width(row[i]) + 1, ' ');
            }
        }
        text += line + "\n";
    }
    return text;
}

std::string YesNo(const std::string& flag) {
    return accessdb::StudentTerms::IsSet(accessdb::Marks(flag)) ? "sí" : "no";
}

std::string Doors(const std::string& list) {
    const accessdb::DoorSet doors = accessdb::StudentTerms::DoorsOf(accessdb::Marks(list));
    std::string text;
    for (int door = 1; door <= accessdb::kDoorCount; ++door) {
        if (doors[door - 1]) {
            text += (text.empty() ? "" : ", ") + std::to_string(door);
        }
    }
    return text.empty() ? "ninguna" : text;
}

std::string Period(const accessdb::StudentRecord& s) {
    if (!accessdb::StudentTerms::IsSet(accessdb::Marks(s.periodoTemporal))) {
        return s.fechaA.empty() && s.fechaB.empty()
                   ? "no"
                   : "no (fechas guardadas: " + s.fechaA + " y " + s.fechaB + ")";
    }
    return "sí, del " + s.fechaA + " al " + s.fechaB;
}

}  // namespace

std::string PersonReport(const accessdb::PersonRecord& person, Day today) {
    const accessdb::StudentRecord& s = person.student;
    std::string text = "DATOS DEL CONTROL DE ACCESOS SOBRE UN ALUMNO\n";
    text += "Informe del " + ShownDay(today) +
            ": todo lo que la base de datos del centro guarda sobre el alumno con DNI " + s.dni +
            ".\n\n";
    if (person.registered) {
        text += "ALUMNO\n";
        text += Columns({{"DNI:", s.dni},
                         {"Nombre:", s.nombre},
                         {"Primer apellido:", s.apellido1},
                         {"Segundo apellido:", s.apellido2},
                         {"Puertas permitidas:", Doors(s.puerta)},
                         {"Sin paso en agosto:", YesNo(s.agosto)},
                         {"Sin paso en fin de semana:", YesNo(s.finDeSemana)},
                         {"Periodo sin paso:", Period(s)},
                         {"Horario:", person.horario.empty() ? "ninguno" : person.horario}});
    } else {
        text += "ALUMNO\n  El DNI " + s.dni +
                " ya no está registrado como alumno; se guardan aún los registros de abajo.\n";
    }
    text += "\nACCESOS CONCEDIDOS (" + std::to_string(person.accesses.size()) + ")\n";
    if (person.accesses.empty()) {
        text += "  ninguno\n";
    } else {
        Table rows{{"Fecha", "Hora", "Puerta"}};
        for (const auto& access : person.accesses) {
            rows.push_back({access.fecha, access.hora, access.puerta});
        }
        text += Columns(rows);
    }

    text += "\nINTENTOS DE PASO (" + std::to_string(person.attempts.size()) +
            "): cada tarjeta leída en una puerta y lo que se decidió\n";
    if (person.attempts.empty()) {
        text += "  ninguno\n";
    } else {
        Table rows{{"Fecha", "Hora", "Puerta", "Puesto", "Resultado", "Motivo"}};
        for (const auto& attempt : person.attempts) {
            rows.push_back({attempt.fecha, attempt.hora, attempt.puerta, attempt.puesto,
                            attempt.resultado, attempt.motivo});
        }
        text += Columns(rows);
    }
    return text;
}

}  // namespace admin
