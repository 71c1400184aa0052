#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AttemptListing.h"
#include "Records.h"
#include "SiteTables.h"
#include "StorageLocation.h"

namespace accessdb {

// Everything the database holds on one student.
struct PersonRecord {
    // False when Alumnos no longer has the student but accesses or attempts of the DNI remain
    // (the console's delete keeps the attempts): `student` then holds the DNI alone.
    bool registered = true;
    StudentRecord student;
    std::string horario;                  // the timetable the student keeps to; empty: none
    std::vector<AccessRecord> accesses;   // in the order written
    std::vector<AttemptRecord> attempts;  // in the order written
};

// The jobs a school runs in bulk or from a timer (tarvo-admin), on either engine. Dates are
// ISO days ("2026-03-01"): the tables' own date texts ("DD/MM/YYYY", day space-padded) do not
// sort, so the engines compare by the day they denote. A day that is not "YYYY-MM-DD" fails
// with kInvalidDay before anything is read or written. Failures throw DatabaseError.
class AdminTables : public SiteTables {
  public:
    // The schema version the database is at (the engines upgrade older ones when they open;
    // kSchemaVersion of SchemaVersion.h is the program's own).
    virtual int SchemaVersion() = 0;
    // The engine's own integrity check: the problems it reports, none when sound.
    virtual std::vector<std::string> CheckIntegrity() = 0;

    // Every access (or attempt) whose day lies in [from, to] (either bound may be empty), in
    // the order written, handed over in pages.
    virtual void ForEachAccess(const std::string& from, const std::string& to,
                               const std::function<void(const AccessRecord&)>& row) = 0;
    virtual void ForEachAttempt(const std::string& from, const std::string& to,
                                const std::function<void(const AttemptRecord&)>& row) = 0;

    // Adds the students that are new (all ten columns as given; DNI as eight digits) and, when
    // `update` is set, replaces the nine columns of those already there; otherwise an existing
    // DNI fails the whole call with kDuplicateKey, naming the DNI.
    // One all-or-nothing change per call (joining a write transaction the caller has open):
    // the caller sends chunks small enough that a door station's append never waits long.
    virtual void ImportStudents(const std::vector<StudentRecord>& students, bool update) = 0;
    // Deletes up to `chunk` rows of days before `before`: access rows first, then attempt rows
    // when no old access is left, then the keys of the stations' records of those days, in one
    // short change; returns how many accesses and attempts went (0 when nothing old is left).
    // Call it until it returns 0.
    virtual std::int64_t PurgeChunk(const std::string& before, std::size_t chunk) = 0;

    // The student, the accesses and the attempts of this DNI, read in one snapshot; none when
    // the database holds nothing at all on it.
    virtual std::optional<PersonRecord> Person(std::int64_t dni) = 0;
    // The student, the accesses and the attempts, all or nothing; false when there was nothing
    // to erase. Leftover accesses or attempts of a student already deleted are erased too.
    virtual bool Erase(std::int64_t dni) = 0;
    // A consistent copy while stations keep writing (the file's online backup), written to a
    // new file: an existing `file` (or the database itself) fails with kTargetNotEmpty and is
    // left alone. On a server it fails with a description that points to pg_dump.
    virtual void Backup(const std::filesystem::path& file) = 0;
};

std::unique_ptr<AdminTables> OpenAdminTables(const StorageLocation& location, OpenMode mode);

}  // namespace accessdb
