#pragma once

#include "accessdb/SiteTables.h"

namespace admin {

// Every page read while it lives sees one state of the tables, while door stations go on
// appending.
class ReadSnapshot {
  public:
    explicit ReadSnapshot(accessdb::SiteTables& tables) : m_tables(tables) { m_tables.BeginRead(); }
    ~ReadSnapshot() { m_tables.EndRead(); }
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

  private:
    accessdb::SiteTables& m_tables;
};

}  // namespace admin
