#include "Commands.h"
#include "ExitCodes.h"
#include "LocationArgument.h"
#include "SiteCopy.h"
#include "TimetableCopy.h"
#include "accessdb/DatabaseError.h"

namespace admin {

int CopyCommand(const Invocation& invocation, AdminSession& session) {
    const accessdb::StorageLocation source = LocationArgument(invocation.source, "el origen");
    const accessdb::StorageLocation target = LocationArgument(invocation.target, "el destino");
    auto sourceTables = session.OpenSite(source, accessdb::OpenMode::ExistingOnly);
    auto targetTables = session.OpenSite(target, accessdb::OpenMode::CreateIfMissing);
    std::ostream& err = session.Err();
    const CopyCount count = CopySite(*sourceTables, *targetTables,
                                     [&err](const std::string& step) { err << step << '\n'; });
    // The connection strings are not repeated: they may hold a password.
    session.Out() << "Copiados " << count.students << " alumnos, " << count.accesses
                  << " accesos y " << count.attempts
                  << " intentos; la copia coincide fila a fila con el origen.\n";
    // The timetables follow in a change of their own: the students' copy above is already kept.
    TimetableCount timetables;
    try {
        auto from = session.OpenTimetables(source, accessdb::OpenMode::ExistingOnly);
        auto to = session.OpenTimetables(target, accessdb::OpenMode::ExistingOnly);
        timetables = CopyTimetables(*from, *to);
    } catch (const accessdb::DatabaseError& error) {
        session.Err() << "tarvo-admin: " << error.Description()
                      << " Los alumnos, accesos e intentos sí se han copiado; los horarios y el "
                         "calendario escolar, no: créelos de nuevo en el destino, o vacíe el "
                         "destino y repita la copia.\n";
        return kExitFailed;
    }
    session.Out() << "Copiados " << timetables.timetables << " horarios (" << timetables.students
                  << " alumnos y " << timetables.doors << " puertas con horario) y "
                  << timetables.calendar << " periodos sin clase.\n";
    return kExitDone;
}

}  // namespace admin
