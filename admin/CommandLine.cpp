#include "CommandLine.h"

#include <map>
#include <set>

#include "Days.h"
#include "LocationArgument.h"
#include "accessdb/Encodings.h"

namespace admin {

namespace {

struct CommandSyntax {
    CommandKind kind;
    std::size_t operands;
    std::set<std::string> flags;   // options without a value
    std::set<std::string> valued;  // options followed by a value
    std::size_t optional = 0;      // operands that may be left out, after the others
};

const std::map<std::string, CommandSyntax>& Syntax() {
    static const std::map<std::string, CommandSyntax> syntax = {
        {"copy", {CommandKind::Copy, 2, {}, {}}},
        {"import", {CommandKind::Import, 1, {"--update", "--skip-bad"}, {"--database"}}},
        {"export", {CommandKind::Export, 1, {}, {"--database", "--from", "--to"}}},
        {"purge", {CommandKind::Purge, 0, {"--yes"}, {"--database", "--older-than"}}},
        {"person", {CommandKind::Person, 1, {}, {"--database", "--out"}}},
        {"erase", {CommandKind::Erase, 1, {"--yes"}, {"--database"}}},
        {"check", {CommandKind::Check, 0, {}, {"--database"}}},
        {"backup", {CommandKind::Backup, 1, {}, {"--database"}}},
        {"restore", {CommandKind::Restore, 1, {}, {"--database"}}},
        {"offline-limit", {CommandKind::OfflineLimit, 0, {}, {"--database"}, 1}},
        {"calendario", {CommandKind::Calendar, 1, {"--csv"}, {"--database"}, 1}},
        {"horarios", {CommandKind::Timetables, 0, {}, {"--database"}}},
    };
    return syntax;
}

ParsedCommandLine Fault(std::string text) { return {std::nullopt, std::move(text)}; }

// An argument repeated in a fault, quoted; a connection string given in the wrong place may
// hold a password, and is never repeated.
std::string Echoed(const std::string& arg) {
    if (NamesServer(arg) || arg.find("://") != std::string::npos ||
        arg.find("password") != std::string::npos) {
        return "(una dirección de base de datos, que no se repite aquí)";
    }
    return "«" + arg + "»";
}

std::optional<std::string> IsoArgument(const std::string& text) {
    const auto day = ReadCommandLineDay(text);
    return day ? std::optional<std::string>(IsoDay(*day)) : std::nullopt;
}

// Whole hours in digits only, within what a site may allow: "24h", "1e2", "+5" and " 5" are
// not taken for a number a script meant otherwise.
std::optional<int> OfflineHours(const std::string& text) {
    if (text.empty() || text.size() > 4 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const int hours = std::stoi(text);
    return hours <= kMaxOfflineHours ? std::optional<int>(hours) : std::nullopt;
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
        return {Invocation{}, {}};
    }
    if (args.empty()) {
        return Fault("falta la orden");
    }
    const auto found = Syntax().find(args[0]);
    if (found == Syntax().end()) {
        return Fault("la orden " + Echoed(args[0]) + " no existe");
    }
    const CommandSyntax& syntax = found->second;
    const std::string& name = found->first;
    Invocation invocation;
    invocation.kind = syntax.kind;
    std::vector<std::string> operands;
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string arg = args[i];
        std::optional<std::string> inlineValue;
        if (const auto equals = arg.find('=');
            arg.starts_with("--") && equals != std::string::npos) {
            inlineValue = arg.substr(equals + 1);
            arg.resize(equals);
        }
        if (syntax.flags.contains(arg) && !inlineValue) {
            flags.insert(arg);
        } else if (syntax.valued.contains(arg)) {
            if (!inlineValue && i + 1 == args.size()) {
                return Fault(arg + " necesita un valor");
            }
            values[arg] = inlineValue ? *inlineValue : args[++i];
        } else if (arg.starts_with("--")) {
            return Fault(name + " no tiene la opción " + arg);
        } else {
            operands.push_back(args[i]);
        }
    }
    if (operands.size() < syntax.operands || operands.size() > syntax.operands + syntax.optional) {
        const std::size_t most = syntax.operands + syntax.optional;
        return Fault(
            name + " lleva " +
            (syntax.optional > 0 ? "como mucho " + std::to_string(most) : std::to_string(most)) +
            (most == 1 ? " argumento" : " argumentos") + " y se han dado " +
            std::to_string(operands.size()));
    }
    if (values.contains("--database")) {
        invocation.database = values["--database"];
    }
    invocation.update = flags.contains("--update");
    invocation.skipBad = flags.contains("--skip-bad");
    invocation.yes = flags.contains("--yes");

    switch (syntax.kind) {
        case CommandKind::Copy:
            invocation.source = operands[0];
            invocation.target = operands[1];
            break;
        case CommandKind::Import:
        case CommandKind::Backup:
        case CommandKind::Restore:
            invocation.target = operands[0];
            break;
        case CommandKind::Export: {
            static const std::map<std::string, ExportedTable> tables = {
                {"students", ExportedTable::Students},
                {"accesses", ExportedTable::Accesses},
                {"attempts", ExportedTable::Attempts}};
            const auto table = tables.find(operands[0]);
            if (table == tables.end()) {
                return Fault("export exporta students, accesses o attempts, no " +
                             Echoed(operands[0]));
            }
            invocation.table = table->second;
            for (const auto& [option, field] :
                 {std::pair{"--from", &invocation.from}, std::pair{"--to", &invocation.to}}) {
                if (!values.contains(option)) {
                    continue;
                }
                if (invocation.table == ExportedTable::Students) {
                    return Fault(std::string(option) +
                                 " elige los días de accesos o intentos; los alumnos no tienen "
                                 "fecha");
                }
                const auto iso = IsoArgument(values[option]);
                if (!iso) {
                    return Fault(std::string(option) + " " + Echoed(values[option]) +
                                 " no es un día DD/MM/AAAA ni AAAA-MM-DD");
                }
                *field = *iso;
            }
            if (!invocation.from.empty() && !invocation.to.empty() &&
                invocation.to < invocation.from) {
                return Fault("--to es anterior a --from");
            }
            break;
        }
        case CommandKind::Purge: {
            if (!values.contains("--older-than")) {
                return Fault("purge necesita --older-than, por ejemplo --older-than 90d");
            }
            const auto days = ReadAge(values["--older-than"]);
            if (!days) {
                return Fault("--older-than " + Echoed(values["--older-than"]) +
                             " no es una edad: escriba días (90d) o semanas (13w)");
            }
            invocation.days = *days;
            break;
        }
        case CommandKind::Person:
        case CommandKind::Erase:
            if (!accessdb::IsValidDni(operands[0])) {
                return Fault("el DNI " + Echoed(operands[0]) + " no tiene ocho cifras");
            }
            invocation.dni = operands[0];
            if (values.contains("--out")) {
                invocation.target = values["--out"];
            }
            break;
        case CommandKind::OfflineLimit:
            if (!operands.empty()) {
                invocation.hours = OfflineHours(operands[0]);
                if (!invocation.hours) {
                    return Fault("offline-limit " + Echoed(operands[0]) +
                                 " no es un número de horas: escriba un número entero de 0 a " +
                                 std::to_string(kMaxOfflineHours) +
                                 " (0: los puestos nunca deciden sin su servidor)");
                }
            }
            break;
        case CommandKind::Calendar:
            if (operands[0] == "import" && operands.size() == 2) {
                invocation.calendar = CalendarAction::Import;
                invocation.target = operands[1];
                if (flags.contains("--csv")) {
                    return Fault(
                        "calendario import reconoce él solo si el archivo es iCalendar "
                        "o una hoja de fechas: sobra --csv");
                }
            } else if (operands[0] == "export" && operands.size() == 1) {
                invocation.calendar = CalendarAction::Export;
                invocation.csv = flags.contains("--csv");
            } else {
                return Fault("calendario lleva «import ARCHIVO» o «export», no " +
                             Echoed(operands[0]) +
                             (operands.size() == 2 ? " " + Echoed(operands[1]) : ""));
            }
            break;
        case CommandKind::Check:
        case CommandKind::Timetables:
        case CommandKind::Help:
            break;
    }
    return {invocation, {}};
}

}  // namespace admin
