#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "accessdb/Connection.h"

// Ana Pérez Gil, DNI 12345678, with the doors and restriction columns the rules read.
inline accessdb::StudentRecord Student(std::string puerta = "", std::string agosto = "0",
                                       std::string finDeSemana = "0", std::string periodo = "0",
                                       std::string fechaA = "", std::string fechaB = "") {
    return {"12345678", "Ana",       "Pérez", "Gil",  puerta,
            agosto,     finDeSemana, periodo, fechaA, fechaB};
}

// Registers the students as the console does: added by DNI and names, then saved whole.
inline void Register(const std::filesystem::path& file,
                     const std::vector<accessdb::StudentRecord>& students) {
    auto db = accessdb::Connection::Open(file, accessdb::OpenMode::CreateIfMissing);
    for (const auto& student : students) {
        db.AddStudent(student);
        db.SaveStudent(student);
    }
}

using Rows = std::vector<std::string>;

// Runs the statements on the file through a connection of its own, as another program would
// (waiting for the programs' writers as they wait for each other):
// the rows they give, their values joined by "|" (NULL as ""), and a failure as "error: ...".
inline Rows Sql(const std::filesystem::path& file, const std::string& statements) {
    Rows rows;
    sqlite3* db = nullptr;
    char* error = nullptr;
    if (sqlite3_open(file.c_str(), &db) != SQLITE_OK ||
        sqlite3_busy_timeout(db, 8000) != SQLITE_OK ||
        sqlite3_exec(
            db, statements.c_str(),
            [](void* out, int count, char** values, char**) {
                std::string row;
                for (int i = 0; i < count; ++i) {
                    row += (i > 0 ? "|" : "") + std::string(values[i] ? values[i] : "");
                }
                static_cast<Rows*>(out)->push_back(row);
                return 0;
            },
            &rows, &error) != SQLITE_OK) {
        rows.push_back("error: " + std::string(error ? error : sqlite3_errmsg(db)));
    }
    sqlite3_free(error);
    sqlite3_close(db);
    return rows;
}
