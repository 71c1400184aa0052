#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "Days.h"
#include "accessdb/AdminTables.h"
#include "accessdb/Connection.h"
#include "accessdb/StorageLocation.h"
#include "accessdb/Timetables.h"

namespace admin {

// What a run of tarvo-admin reaches outside its own logic: the streams and the terminal, the
// clock, the database. The program gives the real ones; tests give their own.
class AdminSession {
  public:
    virtual ~AdminSession() = default;

    virtual std::ostream& Out() = 0;
    virtual std::ostream& Err() = 0;
    // Whether standard input and standard error are a terminal (a person, not a script).
    virtual bool InputIsTerminal() = 0;
    virtual bool ErrorIsTerminal() = 0;
    // One line typed on standard input; none at its end.
    virtual std::optional<std::string> ReadAnswer() = 0;
    // The local date, by which access records are dated.
    virtual Day Today() = 0;
    virtual void Sleep(std::chrono::milliseconds pause) = 0;

    // The database the programs use when none is named: TARVO_DATABASE, else Alumnos.mdb here.
    virtual accessdb::StorageLocation DefaultLocation() = 0;
    virtual std::unique_ptr<accessdb::AdminTables> OpenAdmin(const accessdb::StorageLocation& at,
                                                             accessdb::OpenMode mode) = 0;
    virtual std::unique_ptr<accessdb::SiteTables> OpenSite(const accessdb::StorageLocation& at,
                                                           accessdb::OpenMode mode) = 0;
    // A connection as the programs open one, for the site's settings.
    virtual accessdb::Connection OpenConnection(const accessdb::StorageLocation& at,
                                                accessdb::OpenMode mode) {
        return accessdb::Connection::Open(at, mode);
    }
    // The timetables and the school calendar there, on a session of their own.
    virtual std::unique_ptr<accessdb::TimetableTables> OpenTimetables(
        const accessdb::StorageLocation& at, accessdb::OpenMode mode) {
        return std::make_unique<accessdb::TimetableTables>(at, mode);
    }
};

}  // namespace admin
