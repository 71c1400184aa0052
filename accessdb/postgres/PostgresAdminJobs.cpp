// The bulk jobs of a school's administrator on the site's server: import, export by day, purge,
// a person's data and the check of the tables. The server's rows are versions: deleting old
// ones and updating students never holds up a door station's lookup or append.
#include <algorithm>
#include <limits>
#include <string>

#include "DayOf.h"
#include "PostgresSiteTables.h"
#include "ServerErrors.h"
#include "accessdb/AttemptListingSql.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/Encodings.h"
#include "accessdb/InputChecks.h"
#include "accessdb/OwnedTransaction.h"
#include "accessdb/SchemaVersion.h"

namespace accessdb::postgres {

namespace {

using namespace std::chrono_literals;

// A bulk statement's own limits: the server's a little inside the client's.
constexpr std::chrono::milliseconds kBulkStatementDeadline = 120s;
constexpr int kBulkServerTimeoutMs = 115000;
// Rows per statement when rows go in or come out in pages.
constexpr std::size_t kPageRows = 1000;

const std::string kAccessDay = DayOf("fecha");

std::int64_t Number(const PGresult* result, int row, int column) {
    const std::string text = Value(result, row, column);
    return text.empty() ? 0 : std::stoll(text);
}

std::string StoredDni(const PGresult* result, int row, int column) {
    return PQgetisnull(result, row, column) ? std::string()
                                            : FormatDni(Number(result, row, column));
}

// Day bounds as SQL conditions on `day` after the parameters already in `values`. A row whose
// date cannot be read ("" as its day) lies in no range, only in the whole table.
std::string DayBounds(const std::string& day, const std::string& from, const std::string& to,
                      Parameters& values) {
    if (from.empty() && to.empty()) {
        return "";
    }
    std::string where = " AND " + day + " <> ''";
    if (!from.empty()) {
        values.Text(from);
        where += " AND " + day + " >= $" + std::to_string(values.Count());
    }
    if (!to.empty()) {
        values.Text(to);
        where += " AND " + day + " <= $" + std::to_string(values.Count());
    }
    return where;
}

// How a job's own transaction begins.
enum class Begin {
    LockedWrite,  // a console's change: after any other console's (the write lock)
    Write,        // a change no console's check-then-write can meet (old rows)
    Snapshot,     // reads that must agree with one another
};

// A transaction of its own, or a part of the caller's when one is open.
class OwnTransaction : public OwnedTransaction {
  public:
    OwnTransaction(PostgresEngine& engine, Begin begin) : OwnedTransaction(engine) {
        if (engine.Link().TransactionStatus() != PQTRANS_IDLE) {
            return;
        }
        switch (begin) {
            case Begin::LockedWrite:
                engine.BeginWrite();
                break;
            case Begin::Write:
                engine.Link().Run("BEGIN");
                break;
            case Begin::Snapshot:
                engine.Link().Run("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
                break;
        }
        Began();
    }
};

[[noreturn]] void NothingHeld(std::int64_t dni) {
    throw DatabaseError(kNoCurrentRow,
                        "No hay ningún dato del DNI " + FormatDni(dni) + " en la base de datos.");
}

// What each table must hold for the programs, as a statement that fails if it does not.
struct ExpectedTable {
    const char* name;
    const char* columns;
};
constexpr ExpectedTable kTables[] = {
    {"alumnos",
     "dni, nombre, apellido1, apellido2, puerta, agosto, fin_de_semana, periodo_temporal, "
     "fechaa, fechab"},
    {"picadas", "orden, dni, fecha, hora, puerta"},
    {"intentos", "orden, dni, fecha, hora, puerta, puesto, resultado, motivo, dia"},
    {"esquema", "version"},
};
constexpr const char* kIndexes[] = {"alumnos_pkey",       "picadas_pkey", "picadas_dni",
                                    "intentos_pkey",      "intentos_dia", "intentos_dni",
                                    "intentos_resultado", "esquema_pkey"};

}  // namespace

void PostgresSiteTables::AllowLongStatements() {
    Link().Run(("SET statement_timeout = " + std::to_string(kBulkServerTimeoutMs)).c_str());
    Link().SetStatementDeadline(kBulkStatementDeadline);
}

int PostgresSiteTables::SchemaVersion() {
    return static_cast<int>(Number(Link().Run("SELECT max(version) FROM esquema").get(), 0, 0));
}

// The server keeps its own files sound (checksums, write-ahead log); what a site can get wrong
// is the tables' shape: a table, a column or an index missing or left invalid by an
// interrupted build, or a version older than the programs'. Where the administrator has
// installed the amcheck extension and lets this role use it, every index is verified against
// its table as well.
std::vector<std::string> PostgresSiteTables::CheckIntegrity() {
    std::vector<std::string> problems;
    for (const ExpectedTable& table : kTables) {
        try {
            Link().Run((std::string("SELECT ") + table.columns + " FROM " + table.name + " LIMIT 0")
                           .c_str());
        } catch (const DatabaseError& error) {
            problems.push_back("La tabla " + std::string(table.name) +
                               " no está como la usan los programas: " + error.Description());
        }
    }
    const int version = SchemaVersion();
    if (version != kSchemaVersion) {
        problems.push_back("Las tablas están en la versión " + std::to_string(version) +
                           " y este programa usa la " + std::to_string(kSchemaVersion) + ".");
    }
    std::vector<std::string> indexes;
    for (const char* index : kIndexes) {
        const ResultHandle state = Link().Run(
            "SELECT i.indisvalid AND i.indisready FROM pg_index i"
            " WHERE i.indexrelid = to_regclass($1)",
            Parameters().Text(index));
        if (PQntuples(state.get()) == 0) {
            problems.push_back("Falta el índice " + std::string(index) +
                               ": vuelva a ejecutar tarvo-setup-server.");
        } else if (Value(state.get(), 0, 0) != "t") {
            problems.push_back("El índice " + std::string(index) +
                               " no es válido (una creación interrumpida): bórrelo y vuelva a "
                               "ejecutar tarvo-setup-server.");
        } else {
            indexes.emplace_back(index);
        }
    }
    const ResultHandle amcheck = Link().Run(
        "SELECT EXISTS (SELECT 1 FROM pg_extension WHERE extname = 'amcheck')"
        " AND has_function_privilege('bt_index_check(regclass)', 'EXECUTE')");
    if (Value(amcheck.get(), 0, 0) == "t") {
        for (const std::string& index : indexes) {
            try {
                Link().Run("SELECT bt_index_check(to_regclass($1))", Parameters().Text(index));
            } catch (const DatabaseError& error) {
                problems.push_back("El índice " + index +
                                   " no concuerda con su tabla: " + error.Description());
            }
        }
    }
    const ResultHandle undated =
        Link().Run(("SELECT (SELECT count(*) FROM picadas WHERE " + kAccessDay +
                    " = ''), (SELECT count(*) FROM intentos WHERE dia = '')")
                       .c_str());
    const std::pair<std::int64_t, const char*> counts[] = {
        {Number(undated.get(), 0, 0), " acceso(s) de picadas"},
        {Number(undated.get(), 0, 1), " intento(s) de intentos"}};
    for (const auto& [count, what] : counts) {
        if (count > 0) {
            problems.push_back(std::to_string(count) + what +
                               " con una fecha que no es DD/MM/AAAA: ni la purga ni la "
                               "exportación por fechas los alcanzan.");
        }
    }
    return problems;
}

std::vector<PositionedAttempt> PostgresSiteTables::AttemptsAfter(std::optional<std::int64_t> after,
                                                                 std::size_t limit) {
    const ResultHandle rows =
        Link().Run((std::string("SELECT ") + kAttemptColumns +
                    " FROM intentos WHERE orden > $1 ORDER BY orden LIMIT $2")
                       .c_str(),
                   Parameters()
                       .Number(after.value_or(std::numeric_limits<std::int64_t>::min()))
                       .Number(static_cast<std::int64_t>(limit)));
    std::vector<PositionedAttempt> attempts;
    for (int row = 0; row < PQntuples(rows.get()); ++row) {
        attempts.push_back(ReadAttempt(rows.get(), row));
    }
    return attempts;
}

void PostgresSiteTables::ForEachAccess(const std::string& from, const std::string& to,
                                       const std::function<void(const AccessRecord&)>& row) {
    CheckDay(from, "El primer día", true);
    CheckDay(to, "El último día", true);
    for (std::int64_t last = std::numeric_limits<std::int64_t>::min();;) {
        Parameters values;
        values.Number(last);
        const std::string sql =
            "SELECT orden, dni, fecha, hora, puerta FROM picadas"
            " WHERE orden > $1" +
            DayBounds(kAccessDay, from, to, values) + " ORDER BY orden LIMIT " +
            std::to_string(kPageRows);
        const ResultHandle page = Link().Run(sql.c_str(), values);
        const PGresult* result = page.get();
        for (int r = 0; r < PQntuples(result); ++r) {
            row({StoredDni(result, r, 1), Value(result, r, 2), Value(result, r, 3),
                 Value(result, r, 4)});
            last = Number(result, r, 0);
        }
        if (static_cast<std::size_t>(PQntuples(result)) < kPageRows) {
            return;
        }
    }
}

void PostgresSiteTables::ForEachAttempt(const std::string& from, const std::string& to,
                                        const std::function<void(const AttemptRecord&)>& row) {
    CheckDay(from, "El primer día", true);
    CheckDay(to, "El último día", true);
    for (std::int64_t last = std::numeric_limits<std::int64_t>::min();;) {
        Parameters values;
        values.Number(last);
        const std::string sql = std::string("SELECT ") + kAttemptColumns +
                                " FROM intentos WHERE orden > $1" +
                                DayBounds("dia", from, to, values) + " ORDER BY orden LIMIT " +
                                std::to_string(kPageRows);
        const ResultHandle page = Link().Run(sql.c_str(), values);
        for (int r = 0; r < PQntuples(page.get()); ++r) {
            const PositionedAttempt attempt = ReadAttempt(page.get(), r);
            row(attempt.attempt);
            last = attempt.position;
        }
        if (static_cast<std::size_t>(PQntuples(page.get())) < kPageRows) {
            return;
        }
    }
}

void PostgresSiteTables::ImportStudents(const std::vector<StudentRecord>& students, bool update) {
    std::vector<std::int64_t> keys;
    for (const StudentRecord& s : students) {
        keys.push_back(DniKey(s.dni));
    }
    OwnTransaction change(m_engine, Begin::LockedWrite);
    for (std::size_t first = 0; first < students.size(); first += kPageRows) {
        const std::size_t count = std::min(kPageRows, students.size() - first);
        if (!update) {
            // Under the consoles' lock, so no console registers one of them meanwhile; the
            // DNI is named, which the key's own refusal would not do.
            std::string list = "{";
            for (std::size_t i = first; i < first + count; ++i) {
                list += (i == first ? "" : ",") + std::to_string(keys[i]);
            }
            const ResultHandle taken =
                Link().Run("SELECT min(dni) FROM alumnos WHERE dni = ANY($1::bigint[])",
                           Parameters().Text(list + "}"));
            if (!PQgetisnull(taken.get(), 0, 0)) {
                throw DatabaseError(kServerDuplicateKey, "Ya hay un alumno registrado con el DNI " +
                                                             FormatDni(Number(taken.get(), 0, 0)) +
                                                             ".");
            }
        }
        Parameters values;
        for (std::size_t i = first; i < first + count; ++i) {
            const StudentRecord& s = students[i];
            values.Number(keys[i])
                .Text(s.nombre)
                .Text(s.apellido1)
                .Text(s.apellido2)
                .Text(s.puerta)
                .Text(s.agosto)
                .Text(s.finDeSemana)
                .Text(s.periodoTemporal)
                .Text(s.fechaA)
                .Text(s.fechaB);
        }
        std::string sql =
            "INSERT INTO alumnos (dni, nombre, apellido1, apellido2, puerta, agosto,"
            " fin_de_semana, periodo_temporal, fechaa, fechab) VALUES " +
            ValueRows(count, 10);
        if (update) {
            sql +=
                " ON CONFLICT (dni) DO UPDATE SET nombre = excluded.nombre,"
                " apellido1 = excluded.apellido1, apellido2 = excluded.apellido2,"
                " puerta = excluded.puerta, agosto = excluded.agosto,"
                " fin_de_semana = excluded.fin_de_semana,"
                " periodo_temporal = excluded.periodo_temporal, fechaa = excluded.fechaa,"
                " fechab = excluded.fechab";
        }
        Link().Run(sql.c_str(), values);
    }
    change.Commit();
}

std::int64_t PostgresSiteTables::PurgeChunk(const std::string& before, std::size_t chunk) {
    CheckDay(before, "El día límite de la purga", false);
    chunk = std::max<std::size_t>(chunk, 1);
    if (before != m_purgeBefore) {
        m_purgeBefore = before;
        m_purgeScanned = std::numeric_limits<std::int64_t>::min();
        m_accessesPurged = false;
    }
    for (;;) {
        // Picadas has no day of its own to index: the scan goes on from where the last chunk
        // stopped, so the table is read once over the whole purge.
        std::int64_t found = 0;
        std::int64_t deleted = 0;
        // Not the consoles' lock: old rows are no console's check-then-write, and a station
        // appending new rows never meets these.
        try {
            OwnTransaction change(m_engine, Begin::Write);
            if (!m_accessesPurged) {
                const ResultHandle accesses = Link().Run(
                    ("WITH viejos AS (SELECT orden FROM picadas WHERE orden > $1 AND " +
                     kAccessDay + " <> '' AND " + kAccessDay +
                     " < $2 ORDER BY orden LIMIT $3),"
                     " borrados AS (DELETE FROM picadas WHERE orden IN"
                     " (SELECT orden FROM viejos) RETURNING 1)"
                     " SELECT (SELECT count(*) FROM viejos), (SELECT max(orden) FROM viejos),"
                     " (SELECT count(*) FROM borrados)")
                        .c_str(),
                    Parameters()
                        .Number(m_purgeScanned)
                        .Text(before)
                        .Number(static_cast<std::int64_t>(chunk)));
                found = Number(accesses.get(), 0, 0);
                deleted = Number(accesses.get(), 0, 2);
                if (found > 0) {
                    m_purgeScanned = Number(accesses.get(), 0, 1);
                }
            }
            if (static_cast<std::size_t>(found) < chunk) {
                const ResultHandle attempts = Link().Run(
                    "WITH borrados AS (DELETE FROM intentos WHERE orden IN (SELECT orden FROM"
                    " intentos WHERE dia > '' AND dia < $1 ORDER BY dia LIMIT $2) RETURNING 1)"
                    " SELECT count(*) FROM borrados",
                    Parameters().Text(before).Number(static_cast<std::int64_t>(chunk) - found));
                deleted += Number(attempts.get(), 0, 0);
            }
            change.Commit();
        } catch (...) {
            m_purgeBefore.clear();  // the scan's place is not known to hold any more
            throw;
        }
        if (static_cast<std::size_t>(found) < chunk) {
            m_accessesPurged = true;
        }
        // Old rows another program deleted first leave this chunk empty, not the purge done.
        if (deleted > 0 || m_accessesPurged) {
            return deleted;
        }
    }
}

PersonRecord PostgresSiteTables::Person(std::int64_t dni) {
    OwnTransaction snapshot(m_engine, Begin::Snapshot);
    PersonRecord person;
    person.student.dni = FormatDni(dni);
    const ResultHandle student = Link().Run(
        "SELECT nombre, apellido1, apellido2, puerta, agosto, fin_de_semana,"
        " periodo_temporal, fechaa, fechab FROM alumnos WHERE dni = $1",
        Parameters().Number(dni));
    person.registered = PQntuples(student.get()) == 1;
    if (person.registered) {
        const auto text = [&](int column) { return Value(student.get(), 0, column); };
        person.student = {FormatDni(dni), text(0), text(1), text(2), text(3),
                          text(4),        text(5), text(6), text(7), text(8)};
    }
    const ResultHandle accesses =
        Link().Run("SELECT fecha, hora, puerta FROM picadas WHERE dni = $1 ORDER BY orden",
                   Parameters().Number(dni));
    for (int r = 0; r < PQntuples(accesses.get()); ++r) {
        person.accesses.push_back({FormatDni(dni), Value(accesses.get(), r, 0),
                                   Value(accesses.get(), r, 1), Value(accesses.get(), r, 2)});
    }
    const ResultHandle attempts = Link().Run(
        (std::string("SELECT ") + kAttemptColumns + " FROM intentos WHERE dni = $1 ORDER BY orden")
            .c_str(),
        Parameters().Text(FormatDni(dni)));
    for (int r = 0; r < PQntuples(attempts.get()); ++r) {
        person.attempts.push_back(ReadAttempt(attempts.get(), r).attempt);
    }
    if (!person.registered && person.accesses.empty() && person.attempts.empty()) {
        NothingHeld(dni);
    }
    return person;
}

void PostgresSiteTables::Erase(std::int64_t dni) {
    OwnTransaction change(m_engine, Begin::LockedWrite);
    std::size_t erased = 0;
    // Attempts carry the DNI as the card gave it: a student's are those read as their number.
    erased += ChangedRows(
        Link().Run("DELETE FROM intentos WHERE dni = $1", Parameters().Text(FormatDni(dni))).get());
    erased += ChangedRows(
        Link().Run("DELETE FROM picadas WHERE dni = $1", Parameters().Number(dni)).get());
    erased += ChangedRows(
        Link().Run("DELETE FROM alumnos WHERE dni = $1", Parameters().Number(dni)).get());
    if (erased == 0) {
        NothingHeld(dni);
    }
    change.Commit();
}

void PostgresSiteTables::Backup(const std::filesystem::path&) {
    throw DatabaseError(kServerError,
                        "La base de datos está en un servidor PostgreSQL: su copia de seguridad "
                        "se hace en el servidor con pg_dump (por ejemplo, pg_dump -Fc escuela > "
                        "escuela.dump), que copia un estado coherente mientras los puestos "
                        "siguen anotando. Véase el README.");
}

}  // namespace accessdb::postgres
