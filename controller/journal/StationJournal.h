#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "accessdb/Records.h"

namespace tarvo {

// A record the door station owes the database: a grant's access or an attempt, with the key
// that lets the database refuse it a second time (Connection::AppendAccessOnce).
struct OwedRecord {
    std::string key;
    std::optional<accessdb::AccessRecord> access;  // set for a grant's access
    accessdb::AttemptRecord attempt;               // otherwise the attempt
};

// The station's journal of the records it owes, kept in its state folder so that none is lost
// when the database cannot take it at once (a server that does not answer, a file locked,
// read-only or full) nor when the station dies between the door and the record: each record
// is written and synced before it is relied on, and the next program to open the journal owes
// whatever was not marked written. Failures to write it throw std::system_error.
class StationJournal {
  public:
    // The journal "diario" in `folder`, made readable by this user only; an empty folder keeps
    // it in memory only (tests of other things).
    explicit StationJournal(std::filesystem::path folder);

    // Durable when it returns.
    void Owe(const OwedRecord& record);
    // The database has it: no longer owed.
    void Written(const std::string& key);
    // What is owed, in the order it was owed.
    const std::vector<OwedRecord>& Owed() const { return m_owed; }

  private:
    void Append(const std::string& line, bool sync);

    std::filesystem::path m_file;
    std::vector<OwedRecord> m_owed;
};

// Where a door station keeps its state: $XDG_STATE_HOME/tarvo, else /var/lib/tarvo for a
// system account (root, or no home), else ~/.local/state/tarvo.
std::filesystem::path StateFolder();

}  // namespace tarvo
