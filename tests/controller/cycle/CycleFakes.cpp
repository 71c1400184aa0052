#include "CycleFakes.h"

#include <sqlite3.h>

namespace cyclefakes {

std::vector<std::string> AccessRows(const std::filesystem::path& database) {
    std::vector<std::string> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* query = nullptr;
        if (sqlite3_prepare_v2(db,
                               "SELECT printf('%08d', DNI) || '|' || Fecha || '|' || Hora || '|' "
                               "|| Puerta FROM Picadas ORDER BY rowid",
                               -1, &query, nullptr) == SQLITE_OK) {
            while (sqlite3_step(query) == SQLITE_ROW) {
                rows.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(query, 0)));
            }
        }
        sqlite3_finalize(query);
    }
    sqlite3_close(db);
    return rows;
}

}  // namespace cyclefakes
