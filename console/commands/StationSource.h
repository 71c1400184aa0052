#pragma once

#include <string>
#include <vector>

#include "DatabaseLocation.h"
#include "accessdb/Records.h"

namespace mireval {

// Where the stations window reads the stations' rows and forgets one: the site's database, or
// whatever tests put there.
class StationSource {
  public:
    virtual ~StationSource() = default;
    // Every station's last report, by name; throws accessdb::DatabaseError when it cannot.
    virtual std::vector<accessdb::StationReport> ListStations() = 0;
    // Deletes the station's row; false when it was already gone. Throws as ListStations.
    virtual bool ForgetStation(const std::string& name) = 0;
};

// The console's database, on a connection of its own for each read, as every command of the
// console opens and closes one.
class DatabaseStations : public StationSource {
  public:
    explicit DatabaseStations(DatabaseLocation database) : m_database(std::move(database)) {}
    std::vector<accessdb::StationReport> ListStations() override;
    bool ForgetStation(const std::string& name) override;

  private:
    DatabaseLocation m_database;
};

}  // namespace mireval
