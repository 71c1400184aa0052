#pragma once

#include <libpq-fe.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "accessdb/StorageLocation.h"

// The PostgreSQL cluster the test run started (cluster-fixture.sh, a ctest fixture), reached
// as its superuser over its private socket.
namespace testserver {

using Rows = std::vector<std::string>;

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::string text;
    std::getline(in, text);
    return text;
}

inline std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) {
        throw std::runtime_error(std::string(name) + " is not set: run this test through ctest");
    }
    return value;
}

// The folder of the run's cluster, and the superuser's connection string on it.
inline std::string ClusterFolder() { return ReadFile(Environment("TARVO_TEST_PG_STATE")); }
inline std::string AdminConnection() { return ReadFile(ClusterFolder() + "/connection"); }
inline std::string ScriptsFolder() { return Environment("TARVO_SCRIPTS"); }

// Runs the statements over a connection of their own, as psql would: the last statement's rows
// with their values joined by "|" (NULL as ""), or "error: SQLSTATE" when the server refused.
inline Rows Sql(const std::string& connection, const std::string& statements) {
    PGconn* link = PQconnectdb(connection.c_str());
    Rows rows;
    if (PQstatus(link) != CONNECTION_OK) {
        rows.push_back("error: no connection: " + std::string(PQerrorMessage(link)));
        PQfinish(link);
        return rows;
    }
    PGresult* result = PQexec(link, statements.c_str());
    const ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_TUPLES_OK) {
        for (int row = 0; row < PQntuples(result); ++row) {
            std::string line;
            for (int column = 0; column < PQnfields(result); ++column) {
                line += (column > 0 ? "|" : "") + std::string(PQgetvalue(result, row, column));
            }
            rows.push_back(line);
        }
    } else if (status != PGRES_COMMAND_OK) {
        const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
        rows.push_back("error: " + std::string(state ? state : PQerrorMessage(link)));
    }
    PQclear(result);
    PQfinish(link);
    return rows;
}

// The tables as the previous version of the programs and of the set-up script made them.
inline const std::string kVersionOneTables =
    "CREATE TABLE alumnos (dni bigint PRIMARY KEY, nombre text DEFAULT '',"
    " apellido1 text DEFAULT '', apellido2 text DEFAULT '', puerta text DEFAULT '',"
    " agosto text DEFAULT '0', fin_de_semana text DEFAULT '0',"
    " periodo_temporal text DEFAULT '0', fechaa text DEFAULT '', fechab text DEFAULT '');"
    "CREATE TABLE picadas (orden bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,"
    " dni bigint, fecha text DEFAULT '', hora text DEFAULT '', puerta text DEFAULT '');"
    "CREATE INDEX picadas_dni ON picadas (dni, orden);";

// A database of this test program's own on the cluster: programs running side by side must not
// share the write transactions' lock, which is one per database.
inline std::string ProgramDatabase() {
    static const std::string name = [] {
        std::string database = "test";
        for (const char* c = program_invocation_short_name; *c != '\0'; ++c) {
            database += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        }
        Sql(AdminConnection(), "CREATE DATABASE " + database);  // or it exists already
        return database;
    }();
    return name;
}
inline std::string ProgramDatabaseConnection() {
    return AdminConnection() + " dbname=" + ProgramDatabase();
}

// A schema of its own for one test in the program's database, first on the search path of
// every connection made with Connection(), dropped with all it holds at the end.
class PrivateSchema {
  public:
    PrivateSchema() {
        static std::atomic<int> counter = 0;
        m_name = "t" + std::to_string(getpid()) + "_" + std::to_string(++counter);
        Check(Sql(ProgramDatabaseConnection(), "CREATE SCHEMA " + m_name));
    }
    ~PrivateSchema() { Sql(ProgramDatabaseConnection(), "DROP SCHEMA " + m_name + " CASCADE"); }
    PrivateSchema(const PrivateSchema&) = delete;
    PrivateSchema& operator=(const PrivateSchema&) = delete;

    const std::string& Name() const { return m_name; }
    std::string Connection() const {
        return ProgramDatabaseConnection() + " options='-c search_path=" + m_name + "'";
    }
    accessdb::StorageLocation Location() const {
        return accessdb::StorageLocation::Server(Connection());
    }
    Rows Run(const std::string& statements) const { return Sql(Connection(), statements); }

  private:
    static void Check(const Rows& rows) {
        if (!rows.empty() && rows.front().starts_with("error")) {
            throw std::runtime_error(rows.front());
        }
    }
    std::string m_name;
};

}  // namespace testserver
