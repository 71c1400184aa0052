#include "StationSource.h"

namespace mireval {

std::vector<accessdb::StationReport> DatabaseStations::ListStations() {
    accessdb::Connection db = m_database.Open();
    return db.ListStations();
}

bool DatabaseStations::ForgetStation(const std::string& name) {
    accessdb::Connection db = m_database.Open();
    return db.ForgetStation(name);
}

}  // namespace mireval
