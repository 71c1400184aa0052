#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "TestServer.h"
#include "accessdb/StorageLocation.h"
#include "support/StudentDatabase.h"
#include "support/TempFolder.h"

// The places a test can keep the tables, one per engine, for the suites that check a promise
// on both: the SQLite file in a temp folder and a schema of its own on the test run's server.
namespace testsites {

// One place where an engine keeps the tables, with a way around the storage interface.
class Site {
  public:
    virtual ~Site() = default;
    virtual accessdb::StorageLocation Location() const = 0;
    // Runs SQL as another program would; rows joined by "|".
    virtual Rows Run(const std::string& statements) const = 0;
    // From now on every `event` ("INSERT", "DELETE") on `table` fails inside the engine with
    // the text "fallo provocado".
    virtual void FailOn(const std::string& table, const std::string& event) = 0;
    // Every fault made by FailOn is gone.
    virtual void ClearFaults() = 0;
    virtual bool HasTables() const = 0;
};

class FileSite : public Site {
  public:
    accessdb::StorageLocation Location() const override { return m_file; }
    Rows Run(const std::string& statements) const override { return Sql(m_file, statements); }
    void FailOn(const std::string& table, const std::string& event) override {
        Run("CREATE TRIGGER fault_" + table + event + " BEFORE " + event + " ON " + table +
            " BEGIN SELECT RAISE(ABORT, 'fallo provocado'); END");
    }
    void ClearFaults() override {
        for (const std::string& trigger :
             Run("SELECT name FROM sqlite_master WHERE type = 'trigger' AND name LIKE 'fault_%'")) {
            Run("DROP TRIGGER " + trigger);
        }
    }
    bool HasTables() const override { return std::filesystem::exists(m_file); }
    const std::filesystem::path& File() const { return m_file; }

  private:
    TempFolder m_folder;
    std::filesystem::path m_file = m_folder / "Alumnos.mdb";
};

class ServerSite : public Site {
  public:
    accessdb::StorageLocation Location() const override { return m_schema.Location(); }
    Rows Run(const std::string& statements) const override { return m_schema.Run(statements); }
    void FailOn(const std::string& table, const std::string& event) override {
        Run("CREATE OR REPLACE FUNCTION fault() RETURNS trigger LANGUAGE plpgsql AS"
            " $$BEGIN RAISE EXCEPTION 'fallo provocado'; END$$;"
            "CREATE TRIGGER fault_" +
            table + event + " BEFORE " + event + " ON " + table +
            " FOR EACH ROW EXECUTE FUNCTION fault()");
    }
    void ClearFaults() override { Run("DROP FUNCTION IF EXISTS fault() CASCADE"); }
    bool HasTables() const override {
        return Run("SELECT to_regclass('alumnos') IS NOT NULL") == Rows{"t"};
    }

  private:
    testserver::PrivateSchema m_schema;
};

struct Engine {
    const char* name;
    std::function<std::unique_ptr<Site>()> make;
};
inline void PrintTo(const Engine& engine, std::ostream* os) { *os << engine.name; }

// For INSTANTIATE_TEST_SUITE_P: every engine, named "File" and "Server" in the test names.
inline auto BothEngines() {
    return ::testing::Values(
        Engine{"File", []() -> std::unique_ptr<Site> { return std::make_unique<FileSite>(); }},
        Engine{"Server", []() -> std::unique_ptr<Site> { return std::make_unique<ServerSite>(); }});
}
inline std::string EngineName(const ::testing::TestParamInfo<Engine>& engine) {
    return engine.param.name;
}

}  // namespace testsites
