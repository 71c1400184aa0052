#pragma once

#include "DatabaseLocation.h"
#include "accessdb/AttemptListing.h"

namespace mireval {

// Where the attempts window reads its pages: the site's database, or whatever tests put there.
class AttemptSource {
  public:
    virtual ~AttemptSource() = default;
    // One page; throws accessdb::DatabaseError when it cannot be read.
    virtual accessdb::AttemptPage ListAttempts(const accessdb::AttemptQuery& query) = 0;
    // The query's matches by day and outcome; throws as ListAttempts.
    virtual std::vector<accessdb::AttemptDayCount> CountAttempts(
        const accessdb::AttemptQuery& query) = 0;
};

// The console's database, on a connection of its own for each page, as every command of the
// console opens and closes one: a page always shows what the stations have written by then.
class DatabaseAttempts : public AttemptSource {
  public:
    explicit DatabaseAttempts(DatabaseLocation database) : m_database(std::move(database)) {}
    accessdb::AttemptPage ListAttempts(const accessdb::AttemptQuery& query) override;
    std::vector<accessdb::AttemptDayCount> CountAttempts(
        const accessdb::AttemptQuery& query) override;

  private:
    DatabaseLocation m_database;
};

}  // namespace mireval
