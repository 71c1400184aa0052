#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "SqlSession.h"
#include "StorageLocation.h"

namespace accessdb {

enum class OpenMode {
    CreateIfMissing,  // the console: a missing file is created with all its tables
    ExistingOnly,     // the controller: a missing file is an open failure
};

// A session on an engine opened as the programs open it (tables at kSchemaVersion), with the
// engine's own care for a school's bulk jobs: what only the file or only the server can do.
class EngineSession : public SqlSession {
  public:
    // The schema version the database is at.
    virtual int SchemaVersion() = 0;
    // Damage and shape problems only the engine can see (its integrity check, missing indexes,
    // an old version it cannot upgrade); none when sound.
    virtual std::vector<std::string> EngineProblems() = 0;
    // A consistent copy while stations keep writing, written to a new file: an existing `file`
    // fails with kTargetNotEmpty. On a server it fails with a description that points to
    // pg_dump.
    virtual void Backup(const std::filesystem::path& file) = 0;
    // A bulk job's statements may read a whole table: a longer deadline where there is one.
    virtual void AllowLongStatements() {}
    // A door station's card never waits long: a statement not answered within `limit` (the
    // file locked by another program's writer, a server that does not answer) fails instead.
    virtual void AnswerWithin(std::chrono::milliseconds limit) = 0;
};

// The one place an engine is chosen: the file (SQLite) or a server (PostgreSQL).
std::unique_ptr<EngineSession> OpenSession(const StorageLocation& location, OpenMode mode);

}  // namespace accessdb
