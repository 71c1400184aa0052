#include "SqlSession.h"

#include "Transaction.h"

namespace accessdb {

std::int64_t QueryNumber(SqlSession& session, std::string_view sql, const SqlValues& values) {
    const std::unique_ptr<SqlRows> rows = session.Query(sql, values);
    return rows->Next() ? rows->Integer(0) : 0;
}

void SqlSession::ExecuteTogether(const std::vector<SqlStatement>& statements) {
    Transaction change(*this, TransactionKind::UnlockedWrite);
    for (const SqlStatement& statement : statements) {
        Execute(statement.sql, statement.values);
    }
    change.Commit();
}

}  // namespace accessdb
