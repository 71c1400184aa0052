#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "Commands.h"
#include "ExitCodes.h"
#include "RefusalReport.h"
#include "StudentImport.h"
#include "StudentSheet.h"
#include "StudentTimetables.h"
#include "WholeFile.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/DatabaseFile.h"
#include "accessdb/SystemErrors.h"

namespace admin {

namespace {

std::size_t RefusedRows(const ImportPlan& plan) {
    std::set<std::size_t> lines;
    for (const RowFault& fault : plan.faults) {
        lines.insert(fault.line);
    }
    return lines.size() + plan.registered.size();  // registered rows are good rows of the sheet
}

std::string Students(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " alumno" : " alumnos");
}

}  // namespace

int ImportCommand(const Invocation& invocation, const Target& target, AdminSession& session) {
    const std::string& file = invocation.target;
    std::string reason;
    const auto bytes = ReadWholeFile(file, reason);
    if (!bytes) {
        session.Err() << "tarvo-admin: no se puede leer " << file << ": " << reason << '\n';
        return kExitFailed;
    }
    StudentSheet sheet = ReadStudentSheet(*bytes, invocation.update);
    if (sheet.rows.empty() && !sheet.faults.empty()) {
        TellRefusals(file, sheet.faults, session.Err());
        session.Err() << "tarvo-admin: no se ha importado nada.\n";
        return kExitRefusedRows;
    }
    // A new site may be enrolled before its console first ran; but an import run in the wrong
    // folder must not pass for one into the site's database, so a file made here is told.
    const bool newFile =
        !target.location.IsServer() && !accessdb::FindDatabaseFile(target.location.File());
    auto tables = session.OpenAdmin(target.location, accessdb::OpenMode::CreateIfMissing);
    if (newFile) {
        std::error_code error;
        session.Err() << "tarvo-admin: no había base de datos en "
                      << std::filesystem::absolute(target.location.File(), error).string()
                      << ": se ha creado una nueva.\n";
    }
    std::unique_ptr<accessdb::TimetableTables> timetables;
    if (sheet.hasTimetables) {
        timetables = session.OpenTimetables(target.location, accessdb::OpenMode::ExistingOnly);
        std::set<std::string> names;
        for (const accessdb::Timetable& timetable : timetables->Store().List()) {
            names.insert(timetable.nombre);
        }
        RefuseUnknownTimetables(sheet, names);
    }
    const ImportPlan plan = PlanImport(sheet, RegisteredAmong(*tables, sheet), invocation.update);
    TellRefusals(file, plan.faults, session.Err());
    // Usually the first chunks of an import that stopped midway: told once, not row by row.
    if (!plan.registered.empty()) {
        session.Err() << file << ": " << AlreadyRegisteredText(plan.registered, invocation.skipBad)
                      << '\n';
    }
    const std::size_t refused = RefusedRows(plan);
    if (refused > 0 && !invocation.skipBad) {
        session.Err() << "tarvo-admin: no se ha importado nada: " << refused
                      << (refused == 1 ? " fila rechazada" : " filas rechazadas")
                      << ". Corrija la hoja, o importe solo las filas buenas con --skip-bad.\n";
        return kExitRefusedRows;
    }
    if (!plan.students.empty()) {
        const auto progress =
            MakeProgress(session.Err(), session.ErrorIsTerminal(), "Importando alumnos");
        WriteStudents(*tables, plan.students, invocation.update, target.pacing, *progress);
    }
    std::size_t withTimetable = 0;
    if (timetables) {
        try {
            withTimetable = WriteStudentTimetables(timetables->Store(), sheet, plan.students,
                                                   timetables->Session());
        } catch (const accessdb::DatabaseError& error) {
            throw accessdb::DatabaseError(
                error.Code(), error.Description() +
                                  " Los alumnos se han guardado, pero sus horarios no: vuelva "
                                  "a importar la hoja con --update.");
        }
    }
    session.Out() << "Importados " << Students(plan.students.size()) << " (" << plan.added
                  << (plan.added == 1 ? " nuevo, " : " nuevos, ") << plan.updated
                  << (plan.updated == 1 ? " actualizado)" : " actualizados)");
    if (timetables) {
        session.Out() << ", " << withTimetable << " con horario";
    }
    session.Out() << ".\n";
    if (refused > 0) {
        session.Err() << "tarvo-admin: " << refused
                      << (refused == 1 ? " fila rechazada (arriba) no se ha importado.\n"
                                       : " filas rechazadas (arriba) no se han importado.\n");
        return kExitRefusedRows;
    }
    return kExitDone;
}

}  // namespace admin
