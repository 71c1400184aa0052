#pragma once

// The PostgreSQL server the server benchmarks run on: TARVO_BENCH_PG (a libpq connection string
// or URI) when set, else a private cluster scripts/pg-cluster.sh starts on first use in a
// temporary folder and destroys when the program ends; and libpq handles for the floors.

#include <libpq-fe.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

#include "SourceTree.h"

namespace bench {

struct PgCloser {
    void operator()(PGconn* connection) const noexcept { PQfinish(connection); }
};
using PgConnection = std::unique_ptr<PGconn, PgCloser>;

struct ResultCloser {
    void operator()(PGresult* result) const noexcept { PQclear(result); }
};
using PgResult = std::unique_ptr<PGresult, ResultCloser>;

// Connects as the engine does: the site's string, with the text encoding fixed to UTF-8.
inline PgConnection PgConnect(const std::string& conninfo) {
    const char* const keywords[] = {"fallback_application_name", "dbname", "client_encoding",
                                    nullptr};
    const char* const values[] = {"tarvo-bench", conninfo.c_str(), "UTF8", nullptr};
    PgConnection connection(PQconnectdbParams(keywords, values, 1));
    if (!connection || PQstatus(connection.get()) != CONNECTION_OK) {
        throw std::runtime_error(std::string("connect: ") +
                                 (connection ? PQerrorMessage(connection.get()) : "no memory"));
    }
    return connection;
}

// A path of the benchmark's own in single quotes, for the shell (it holds no quote).
inline std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// A value in a libpq connection string, quoted as libpq reads it.
inline std::string ConninfoValue(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\\' || c == '\'') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "'";
}

class BenchServer {
  public:
    BenchServer() = default;
    BenchServer(const BenchServer&) = delete;
    BenchServer& operator=(const BenchServer&) = delete;
    ~BenchServer() {
        if (!m_folder.empty()) {
            const std::string command =
                Quoted(ClusterScript().string()) + " destroy " + Quoted(m_folder) + " >&2";
            if (std::system(command.c_str()) != 0) {
                std::fprintf(stderr, "the benchmark's cluster in %s was not destroyed\n",
                             m_folder.c_str());
            }
        }
    }

    const std::string& ConnectionString() {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_conninfo.empty()) {
            Start();
        }
        return m_conninfo;
    }

    // The same server, database `name`.
    std::string Database(const std::string& name) {
        const std::string base = ConnectionString();
        char* error = nullptr;
        PQconninfoOption* options = PQconninfoParse(base.c_str(), &error);
        if (options == nullptr) {
            const std::string message = error ? error : "unreadable";
            PQfreemem(error);
            throw std::runtime_error("TARVO_BENCH_PG: " + message);
        }
        std::string conninfo;
        for (PQconninfoOption* option = options; option->keyword != nullptr; ++option) {
            if (option->val != nullptr && std::string(option->keyword) != "dbname") {
                conninfo += std::string(option->keyword) + "=" + ConninfoValue(option->val) + " ";
            }
        }
        PQconninfoFree(options);
        return conninfo + "dbname=" + name;
    }

  private:
    void Start() {
        if (const char* named = std::getenv("TARVO_BENCH_PG"); named != nullptr && *named) {
            m_conninfo = named;
            return;
        }
        char folder[] = "/tmp/tarvo-bench-pg-XXXXXX";  // the server's user must reach it
        if (mkdtemp(folder) == nullptr) {
            throw std::runtime_error("no temporary folder for the cluster");
        }
        m_folder = folder;
        const std::string command = Quoted(ClusterScript().string()) + " start " +
                                    Quoted(m_folder) + " -c max_connections=1100 >/dev/null";
        if (std::system(command.c_str()) != 0) {
            throw std::runtime_error("the benchmark's cluster did not start");
        }
        std::ifstream connection(m_folder + "/connection");
        std::getline(connection, m_conninfo);
        if (m_conninfo.empty()) {
            throw std::runtime_error("the cluster wrote no connection string");
        }
    }

    std::mutex m_mutex;
    std::string m_conninfo;
    std::string m_folder;
};

inline BenchServer& TheServer() {
    static BenchServer server;
    return server;
}

}  // namespace bench
