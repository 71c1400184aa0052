#include "SiteCopy.h"

#include <optional>
#include <vector>

#include "accessdb/DatabaseError.h"

namespace admin {

namespace {

// Rows per page: enough to keep the statements cheap, little enough to keep memory flat.
constexpr std::size_t kPage = 2000;

// Every column, and a NULL is not the empty text the programs read it as.
bool SameStudent(const accessdb::StoredStudent& a, const accessdb::StoredStudent& b) {
    return a.dni == b.dni && a.nombre == b.nombre && a.apellido1 == b.apellido1 &&
           a.apellido2 == b.apellido2 && a.puerta == b.puerta && a.agosto == b.agosto &&
           a.finDeSemana == b.finDeSemana && a.periodoTemporal == b.periodoTemporal &&
           a.fechaA == b.fechaA && a.fechaB == b.fechaB && a.nulls == b.nulls;
}

// Every column but the position, which differs between databases.
bool SameAccess(const accessdb::PositionedAccess& x, const accessdb::PositionedAccess& y) {
    const accessdb::AccessRecord& a = x.access;
    const accessdb::AccessRecord& b = y.access;
    return a.dni == b.dni && a.fecha == b.fecha && a.hora == b.hora && a.puerta == b.puerta &&
           x.nulls == y.nulls;
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

// A table kept in the order written (Picadas, Intentos): how to read a page of it, how to
// append rows, and how to compare two of them.
template <typename Positioned>
struct OrderedTable {
    const char* name;  // for the mismatch text
    std::vector<Positioned> (accessdb::SiteTables::*page)(std::optional<std::int64_t>, std::size_t);
    void (accessdb::SiteTables::*insert)(const std::vector<Positioned>&);
    bool (*same)(const Positioned&, const Positioned&);
};

// Every column but the position and the day, which the engine derives from the date.
bool SameAttempt(const accessdb::PositionedAttempt& x, const accessdb::PositionedAttempt& y) {
    const accessdb::AttemptRecord& a = x.attempt;
    const accessdb::AttemptRecord& b = y.attempt;
    return a.dni == b.dni && a.fecha == b.fecha && a.hora == b.hora && a.puerta == b.puerta &&
           a.puesto == b.puesto && a.resultado == b.resultado && a.motivo == b.motivo &&
           x.nulls == y.nulls;
}

const OrderedTable<accessdb::PositionedAccess> kAccesses{
    "acceso", &accessdb::SiteTables::AccessesAfter, &accessdb::SiteTables::InsertAccesses,
    SameAccess};
const OrderedTable<accessdb::PositionedAttempt> kAttempts{
    "intento", &accessdb::SiteTables::AttemptsAfter, &accessdb::SiteTables::InsertAttempts,
    SameAttempt};

template <typename Positioned>
std::int64_t CopyInOrder(const OrderedTable<Positioned>& table, accessdb::SiteTables& source,
                         accessdb::SiteTables& target) {
    std::int64_t copied = 0;
    std::optional<std::int64_t> after;
    for (;;) {
        const auto page = (source.*table.page)(after, kPage);
        if (page.empty()) {
            return copied;
        }
        (target.*table.insert)(page);
        copied += static_cast<std::int64_t>(page.size());
        after = page.back().position;
    }
}

// Positions differ between the two databases; the order and every column must not.
template <typename Positioned>
void CompareInOrder(const OrderedTable<Positioned>& table, accessdb::SiteTables& source,
                    accessdb::SiteTables& target) {
    std::optional<std::int64_t> sourceAfter;
    std::optional<std::int64_t> targetAfter;
    std::int64_t number = 0;
    for (;;) {
        const auto expected = (source.*table.page)(sourceAfter, kPage);
        const auto actual = (target.*table.page)(targetAfter, kPage);
        if (expected.size() != actual.size()) {
            Mismatch(std::string(table.name) + "s");
        }
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ++number;
            if (!table.same(expected[i], actual[i])) {
                Mismatch(std::string(table.name) + " número " + std::to_string(number));
            }
        }
        if (expected.empty()) {
            return;
        }
        sourceAfter = expected.back().position;
        targetAfter = actual.back().position;
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

}  // namespace

CopyCount CopySite(accessdb::SiteTables& source, accessdb::SiteTables& target,
                   const std::function<void(const std::string&)>& progress) {
    auto tell = [&](const std::string& text) {
        if (progress) {
            progress(text);
        }
    };
    accessdb::Transaction snapshot(source.Transactions(), accessdb::TransactionKind::Read);
    accessdb::Transaction change(target.Transactions(), accessdb::TransactionKind::Write);
    if (target.CountStudents() != 0 || target.CountAccesses() != 0 || target.CountAttempts() != 0) {
        throw accessdb::DatabaseError(
            accessdb::kTargetNotEmpty,
            "El destino ya tiene alumnos, accesos o intentos: no se copia encima de datos que "
            "existen. Use una base de datos vacía.");
    }
    CopyCount count;
    tell("Copiando alumnos...");
    count.students = CopyStudents(source, target);
    tell("Copiando accesos...");
    count.accesses = CopyInOrder(kAccesses, source, target);
    tell("Copiando intentos...");
    count.attempts = CopyInOrder(kAttempts, source, target);
    tell("Comprobando la copia fila a fila...");
    for (accessdb::SiteTables* tables : {&source, &target}) {
        if (tables->CountStudents() != count.students ||
            tables->CountAccesses() != count.accesses ||
            tables->CountAttempts() != count.attempts) {
            Mismatch("número de filas");
        }
    }
    CompareStudents(source, target);
    CompareInOrder(kAccesses, source, target);
    CompareInOrder(kAttempts, source, target);
    change.Commit();
    return count;
}

}  // namespace admin
