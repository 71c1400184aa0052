#include "SqlSession.h"

namespace accessdb {

std::int64_t QueryNumber(SqlSession& session, std::string_view sql, const SqlValues& values) {
    const std::unique_ptr<SqlRows> rows = session.Query(sql, values);
    return rows->Next() ? rows->Integer(0) : 0;
}

}  // namespace accessdb
