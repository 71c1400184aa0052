// tarvo-admin: the jobs a school runs on its database from a terminal or a timer.
#include <unistd.h>

#include <ctime>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "accessdb/AdminTables.h"
#include "accessdb/SiteTables.h"
#include "admin/AdminCommands.h"

namespace {

// The terminal, the local clock and the database the programs use.
class ProcessSession : public admin::AdminSession {
  public:
    std::ostream& Out() override { return std::cout; }
    std::ostream& Err() override { return std::cerr; }
    bool InputIsTerminal() override { return isatty(STDIN_FILENO) == 1; }
    bool ErrorIsTerminal() override { return isatty(STDERR_FILENO) == 1; }
    std::optional<std::string> ReadAnswer() override {
        std::string line;
        if (!std::getline(std::cin, line)) {
            return std::nullopt;
        }
        return line;
    }
    admin::Day Today() override {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        return admin::Day{std::chrono::year(local.tm_year + 1900),
                          std::chrono::month(static_cast<unsigned>(local.tm_mon + 1)),
                          std::chrono::day(static_cast<unsigned>(local.tm_mday))};
    }
    void Sleep(std::chrono::milliseconds pause) override { std::this_thread::sleep_for(pause); }
    accessdb::StorageLocation DefaultLocation() override {
        return accessdb::StorageLocation::FromEnvironment(
            std::filesystem::path(accessdb::kDatabaseFileName));
    }
    std::unique_ptr<accessdb::AdminTables> OpenAdmin(const accessdb::StorageLocation& at,
                                                     accessdb::OpenMode mode) override {
        return accessdb::OpenAdminTables(at, mode);
    }
    std::unique_ptr<accessdb::SiteTables> OpenSite(const accessdb::StorageLocation& at,
                                                   accessdb::OpenMode mode) override {
        return accessdb::OpenSiteTables(at, mode);
    }
};

}  // namespace

int main(int argc, char** argv) {
    ProcessSession session;
    const int code = admin::RunAdmin(std::vector<std::string>(argv + 1, argv + argc), session);
    std::cout.flush();
    return std::cout.fail() && code == 0 ? 1 : code;
}
