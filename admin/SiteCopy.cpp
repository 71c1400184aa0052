#include "SiteCopy.h"

#include <optional>
#include <vector>

#include "ReadSnapshot.h"
#include "accessdb/DatabaseError.h"

namespace admin {

namespace {

// Rows per page: enough to keep the statements cheap, little enough to keep memory flat.
constexpr std::size_t kPage = 2000;

bool SameStudent(const accessdb::StudentRecord& a, const accessdb::StudentRecord& b) {
    return a.dni == b.dni && a.nombre == b.nombre && a.apellido1 == b.apellido1 &&
           a.apellido2 == b.apellido2 && a.puerta == b.puerta && a.agosto == b.agosto &&
           a.finDeSemana == b.finDeSemana && a.periodoTemporal == b.periodoTemporal &&
           a.fechaA == b.fechaA && a.fechaB == b.fechaB;
}

bool SameAccess(const accessdb::AccessRecord& a, const accessdb::AccessRecord& b) {
    return a.dni == b.dni && a.fecha == b.fecha && a.hora == b.hora && a.puerta == b.puerta;
}

[[noreturn]] void Mismatch(const std::string& what) {
    throw accessdb::DatabaseError(
        accessdb::kCopyMismatch,
        "La copia no coincide con el origen (" + what + "); no se ha guardado nada en el destino.");
}

std::int64_t CopyStudents(accessdb::SiteTables& source, accessdb::SiteTables& target) {
    std::int64_t copied = 0;
    std::optional<std::int64_t> after;
    for (;;) {
        const auto page = source.StudentsAfter(after, kPage);
        if (page.empty()) {
            return copied;
        }
        target.InsertStudents(page);
        copied += static_cast<std::int64_t>(page.size());
        after = std::stoll(page.back().dni);
    }
}

std::int64_t CopyAccesses(accessdb::SiteTables& source, accessdb::SiteTables& target) {
    std::int64_t copied = 0;
    std::optional<std::int64_t> after;
    for (;;) {
        const auto page = source.AccessesAfter(after, kPage);
        if (page.empty()) {
            return copied;
        }
        std::vector<accessdb::AccessRecord> rows;
        rows.reserve(page.size());
        for (const auto& row : page) {
            rows.push_back(row.access);
        }
        target.InsertAccesses(rows);
        copied += static_cast<std::int64_t>(page.size());
        after = page.back().position;
    }
}

void CompareStudents(accessdb::SiteTables& source, accessdb::SiteTables& target) {
    std::optional<std::int64_t> after;
    for (;;) {
        const auto expected = source.StudentsAfter(after, kPage);
        const auto actual = target.StudentsAfter(after, kPage);
        if (expected.size() != actual.size()) {
            Mismatch("alumnos");
        }
        for (std::size_t i = 0; i < expected.size(); ++i) {
            if (!SameStudent(expected[i], actual[i])) {
                Mismatch("alumno " + expected[i].dni);
            }
        }
        if (expected.empty()) {
            return;
        }
        after = std::stoll(expected.back().dni);
    }
}

void CompareAccesses(accessdb::SiteTables& source, accessdb::SiteTables& target) {
    std::optional<std::int64_t> sourceAfter;
    std::optional<std::int64_t> targetAfter;
    std::int64_t row = 0;
    for (;;) {
        const auto expected = source.AccessesAfter(sourceAfter, kPage);
        const auto actual = target.AccessesAfter(targetAfter, kPage);
        if (expected.size() != actual.size()) {
            Mismatch("accesos");
        }
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ++row;
            if (!SameAccess(expected[i].access, actual[i].access)) {
                Mismatch("acceso número " + std::to_string(row));
            }
        }
        if (expected.empty()) {
            return;
        }
        sourceAfter = expected.back().position;
        targetAfter = actual.back().position;
    }
}

struct WriteChange {
    explicit WriteChange(accessdb::SiteTables& tables) : m_tables(tables) { m_tables.BeginWrite(); }
    ~WriteChange() {
        if (!m_committed) {
            m_tables.RollbackWrite();
        }
    }
    WriteChange(const WriteChange&) = delete;
    WriteChange& operator=(const WriteChange&) = delete;
    void Commit() {
        m_tables.CommitWrite();
        m_committed = true;
    }
    accessdb::SiteTables& m_tables;
    bool m_committed = false;
};

}  // namespace

CopyCount CopySite(accessdb::SiteTables& source, accessdb::SiteTables& target,
                   const std::function<void(const std::string&)>& progress) {
    auto tell = [&](const std::string& text) {
        if (progress) {
            progress(text);
        }
    };
    ReadSnapshot snapshot(source);
    WriteChange change(target);
    if (target.CountStudents() != 0 || target.CountAccesses() != 0) {
        throw accessdb::DatabaseError(
            accessdb::kTargetNotEmpty,
            "El destino ya tiene alumnos o accesos: no se copia encima de datos que existen. "
            "Use una base de datos vacía.");
    }
    CopyCount count;
    tell("Copiando alumnos...");
    count.students = CopyStudents(source, target);
    tell("Copiando accesos...");
    count.accesses = CopyAccesses(source, target);
    tell("Comprobando la copia fila a fila...");
    if (target.CountStudents() != count.students || target.CountAccesses() != count.accesses ||
        source.CountStudents() != count.students || source.CountAccesses() != count.accesses) {
        Mismatch("número de filas");
    }
    CompareStudents(source, target);
    CompareAccesses(source, target);
    change.Commit();
    return count;
}

}  // namespace admin
