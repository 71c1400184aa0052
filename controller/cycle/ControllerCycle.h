#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "accessdb/Connection.h"
#include "accessdb/StationDatabase.h"
#include "controller/cycle/AccessLog.h"
#include "controller/cycle/CardSession.h"
#include "controller/cycle/CycleScreen.h"
#include "controller/cycle/StationDevices.h"
#include "controller/cycle/Verdict.h"
#include "controller/journal/StationJournal.h"
#include "controller/offline/CopyKeeper.h"

namespace tarvo {

// What one tick reaches out to: the window's fields and message boxes, and the station's
// devices.
struct CycleServices {
    CycleScreen& screen;
    MessageBox& messages;
    StationDevices devices;
};

// The controller's main loop, one step per timer tick: poll the reader once and, by the event
// and the handled flag, prompt, or carry one card through reading, decision, door command,
// access record and log line. Everything runs inside the tick on the caller's thread.
class ControllerCycle {
  public:
    explicit ControllerCycle(CycleServices services);

    // One step. doorDigit is the station's selected door, '1' to '8', or '0' for none.
    void OnTimer(char doorDigit);

    int CardHandled() const { return m_cardHandled; }
    int TickCount() const { return m_tickCount; }
    const AccessLog& Log() const { return m_log; }
    // The copy of the students the station decides on without its server, and its reports.
    CopyKeeper& Keeper() { return m_keeper; }

  private:
    void ActOnEvent(ReaderEvent event, CardSession& reader, char doorDigit);
    void ProcessCard(CardSession& reader, char doorDigit);
    void DecideAndRecord(const std::string& dni, char doorDigit, std::time_t moment);
    // Nothing decided: the database failed before the card could be looked up.
    void RefuseUndecided(const std::string& dni, char doorDigit, const ClockFields& now,
                         const std::string& description);
    void OpenDoor(char doorDigit);
    void AppendAccessRecord(accessdb::Connection* db, const OwedRecord& access, bool kept);
    void RecordAttempt(accessdb::Connection* db, std::string_view dni, const ClockFields& now,
                       char doorDigit, const Verdict& verdict, const std::string& offlineReason);
    void AddLogLine(const ClockFields& now, char doorDigit, std::string_view dni,
                    std::string_view displayName, bool doorPermitted, bool unregistered);
    // Writes what the journal owes, in order, until the database refuses one (false) or the
    // tick's slice of time is spent.
    bool WriteOwed(accessdb::Connection& db);
    // Keeps a record the database could not take (false when even the journal failed).
    bool Owe(const OwedRecord& record);
    // No longer owed (false when even the journal could not say so).
    bool Forget(const std::string& key);
    // Runs a change of the journal; false, and the caretaker told, when it failed.
    bool Journaled(const std::function<void()>& change, const char* what);
    std::string NewKey();
    void Write(std::string_view text);
    // Whether a failure means the server cannot be reached, so that the copy may decide.
    bool ServerAway(const accessdb::DatabaseError& error) const;
    void WentOffline(std::time_t moment);
    void BackOnline();
    // At a tick: the owed records written once the database is reachable again, and the
    // station's standing shown and told to its keeper.
    void CatchUp();
    void ShowStanding();

    CycleServices m_services;
    // Each card's connection: its own on the file, the station's kept session on a server.
    accessdb::StationDatabase m_database;
    // The records the database has not taken yet; written at the first tick and at each card.
    StationJournal m_journal;
    bool m_owedTried = false;
    std::chrono::steady_clock::time_point m_lastOwedTry;
    // The last try wrote all it had time for: the next tick goes on without a pause.
    bool m_owedFlowing = false;
    // Since when the station decides without its server; none while it has it.
    std::optional<std::time_t> m_offlineSince;
    std::string m_shownStanding;
    // Each record's key: the station, this run and a number.
    std::string m_keyPrefix;
    std::uint64_t m_nextKey = 0;
    // 1 once the card now in the reader has been dealt with; 0 again when the slot is empty.
    int m_cardHandled = 0;
    // Ticks since the verdict fields were last blanked or a card was processed.
    int m_tickCount = 0;
    AccessLog m_log;
    // The station's copy of the students and its reports to the site; its thread stops first.
    CopyKeeper m_keeper;
};

}  // namespace tarvo
