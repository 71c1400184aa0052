#include "AttemptSource.h"

namespace mireval {

accessdb::AttemptPage DatabaseAttempts::ListAttempts(const accessdb::AttemptQuery& query) {
    accessdb::Connection db = m_database.Open();
    return db.ListAttempts(query);
}

std::vector<accessdb::AttemptDayCount> DatabaseAttempts::CountAttempts(
    const accessdb::AttemptQuery& query) {
    accessdb::Connection db = m_database.Open();
    return db.CountAttempts(query);
}

}  // namespace mireval
