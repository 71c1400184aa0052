// The server's own care for a school's bulk jobs: the shape of its tables and the deadlines
// of long statements. The server keeps its own files sound and copies them with pg_dump.
#include <string>

#include "PostgresSession.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/TableColumns.h"

namespace accessdb::postgres {

namespace {

using namespace std::chrono_literals;

// A bulk statement's own limits: the server's a little inside the client's.
constexpr std::chrono::milliseconds kBulkStatementDeadline = 120s;
constexpr int kBulkServerTimeoutMs = 115000;

// What each table must hold for the programs, as a statement that fails if it does not.
struct ExpectedTable {
    const char* name;
    const char* columns;
};
// The server folds the programs' names to lower case.
constexpr ExpectedTable kTables[] = {
    {"alumnos", kStudentColumns},
    {"picadas", "orden, dni, fecha, hora, puerta"},
    {"intentos", kAttemptColumns},
    {"anotados", "clave, dia"},
    {"puestos", kStationColumns},
    {"ajustes", "nombre, valor"},
    {"cambios_alumnos", "numero"},
    {"horarios", "nombre, dias_sin_clase"},
    {"tramos", "horario, dia, desde, hasta"},
    {"calendario", "desde, hasta, descripcion"},
    {"horarios_alumnos", "dni, horario"},
    {"horarios_puertas", "puerta, horario"},
    {"esquema", "version"},
};
constexpr const char* kIndexes[] = {"alumnos_pkey",
                                    "picadas_pkey",
                                    "picadas_dni",
                                    "intentos_pkey",
                                    "intentos_dia",
                                    "intentos_dni",
                                    "intentos_resultado",
                                    "anotados_pkey",
                                    "anotados_dia",
                                    "puestos_pkey",
                                    "ajustes_pkey",
                                    "cambios_alumnos_pkey",
                                    "horarios_pkey",
                                    "tramos_pkey",
                                    "calendario_pkey",
                                    "horarios_alumnos_pkey",
                                    "horarios_alumnos_horario",
                                    "horarios_puertas_pkey",
                                    "esquema_pkey"};

}  // namespace

void PostgresSession::AllowLongStatements() {
    Link().Run(("SET statement_timeout = " + std::to_string(kBulkServerTimeoutMs)).c_str());
    Link().SetStatementDeadline(kBulkStatementDeadline);
}

int PostgresSession::SchemaVersion() {
    return static_cast<int>(QueryNumber(*this, "SELECT max(version) FROM esquema"));
}

// The server keeps its own files sound (checksums, write-ahead log); what a site can get wrong
// is the tables' shape: a table, a column or an index missing or left invalid by an
// interrupted build, or a version older than the programs'. Where the administrator has
// installed the amcheck extension and lets this role use it, every index is verified against
// its table as well.
std::vector<std::string> PostgresSession::EngineProblems() {
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
    return problems;
}

void PostgresSession::Backup(const std::filesystem::path&) {
    throw DatabaseError(kServerError,
                        "La base de datos está en un servidor PostgreSQL: su copia de seguridad "
                        "se hace en el servidor con pg_dump (por ejemplo, pg_dump -Fc escuela > "
                        "escuela.dump), que copia un estado coherente mientras los puestos "
                        "siguen anotando. Véase el README.");
}

}  // namespace accessdb::postgres
