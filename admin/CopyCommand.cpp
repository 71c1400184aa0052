#include "Commands.h"
#include "ExitCodes.h"
#include "LocationArgument.h"
#include "SiteCopy.h"

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
    return kExitDone;
}

}  // namespace admin
