#pragma once

#include <optional>
#include <string>
#include <vector>

namespace admin {

enum class CommandKind {
    Help,
    Copy,
    Import,
    Export,
    Purge,
    Person,
    Erase,
    Check,
    Backup,
    Restore,
    OfflineLimit,
    Calendar,
    Timetables
};
enum class CalendarAction { Import, Export };
enum class ExportedTable { Students, Accesses, Attempts };

// One run of tarvo-admin as the command line asks for it, checked but not yet carried out.
struct Invocation {
    CommandKind kind = CommandKind::Help;
    std::optional<std::string> database;  // --database FILE|CONNINFO; else as the programs read it
    std::string source;                   // copy
    std::string target;                   // copy; the file of import, backup, restore, person --out
    bool update = false;                  // import
    bool skipBad = false;                 // import
    ExportedTable table = ExportedTable::Students;
    std::string from;                                  // export: ISO day, or empty
    std::string to;                                    // export: ISO day, or empty
    int days = 0;                                      // purge --older-than
    std::string dni;                                   // person, erase
    bool yes = false;                                  // erase, purge: without asking
    CalendarAction calendar = CalendarAction::Import;  // calendario import FILE | export
    bool csv = false;                                  // calendario export --csv
    std::optional<int> hours;  // offline-limit: the new limit; none to show the current one
};

// The most a site may let its stations decide without their server: 30 days.
inline constexpr int kMaxOfflineHours = 720;

struct ParsedCommandLine {
    std::optional<Invocation> invocation;
    std::string fault;  // what is wrong with the command line, when there is no invocation
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

}  // namespace admin
