#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <iostream>

#include "Commands.h"
#include "Confirmation.h"
#include "ExitCodes.h"
#include "Purge.h"
#include "SheetExport.h"
#include "accessdb/FileRestore.h"
#include "accessdb/SystemErrors.h"

namespace admin {

namespace {

constexpr std::size_t kPurgeChunk = 1000;

std::string Records(std::int64_t count) {
    return std::to_string(count) + (count == 1 ? " registro" : " registros");
}

// Why the folder of `file` cannot take a new file, as an errno; 0 when it can. Tried before the
// copy starts: the engine, failing to make its work file there, names only the database.
int FolderRefusesNewFile(const std::filesystem::path& file) {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::absolute(file, error).parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        return errno;
    }
    if (!S_ISDIR(info.st_mode)) {
        return ENOTDIR;
    }
    // A file made and removed at once: the permission bits alone say nothing of a read-only
    // disk, nor of an administrator's account.
    std::string probe = (folder / ".tarvo-admin-prueba-XXXXXX").string();
    const int fd = ::mkostemp(probe.data(), O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return 0;
}

}  // namespace

int ExportCommand(const Invocation& invocation, const Target& target, AdminSession& session) {
    auto tables = session.OpenAdmin(target.location, accessdb::OpenMode::ExistingOnly);
    std::ostream& out = session.Out();
    std::size_t rows = 0;
    const char* what = "";
    switch (invocation.table) {
        case ExportedTable::Students:
            rows = ExportStudents(
                *tables,
                session.OpenTimetables(target.location, accessdb::OpenMode::ExistingOnly)
                    ->Store()
                    .StudentTimetables(),
                out);
            what = rows == 1 ? "alumno" : "alumnos";
            break;
        case ExportedTable::Accesses:
            rows = ExportAccesses(*tables, invocation.from, invocation.to, out);
            what = rows == 1 ? "acceso" : "accesos";
            break;
        case ExportedTable::Attempts:
            rows = ExportAttempts(*tables, invocation.from, invocation.to, out);
            what = rows == 1 ? "intento" : "intentos";
            break;
    }
    out.flush();
    if (!out) {
        session.Err() << "tarvo-admin: no se pudo escribir la salida entera (¿disco lleno o "
                         "tubería cerrada?).\n";
        return kExitFailed;
    }
    session.Err() << "Exportados " << rows << ' ' << what << ".\n";
    return kExitDone;
}

int PurgeCommand(const Invocation& invocation, const Target& target, AdminSession& session) {
    if (!invocation.yes && !session.InputIsTerminal()) {
        session.Err() << "tarvo-admin: purge borra para siempre; sin un terminal que lo "
                         "confirme, añada --yes.\n";
        return kExitUsage;
    }
    auto tables = session.OpenAdmin(target.location, accessdb::OpenMode::ExistingOnly);
    const Day before = DaysBefore(session.Today(), invocation.days);
    if (!invocation.yes) {
        const PurgeCount count = CountBefore(*tables, before);
        if (count.accesses + count.attempts > 0 &&
            !ConfirmDeletion(session, "¿Borrar para siempre " +
                                          Records(count.accesses + count.attempts) + " (" +
                                          std::to_string(count.accesses) +
                                          (count.accesses == 1 ? " acceso y " : " accesos y ") +
                                          std::to_string(count.attempts) +
                                          (count.attempts == 1 ? " intento" : " intentos") +
                                          ") anteriores al " + ShownDay(before) + "?")) {
            return kExitFailed;
        }
    }
    ChunkPacing pacing = target.pacing;
    pacing.rows = kPurgeChunk;
    const std::int64_t deleted = PurgeBefore(*tables, IsoDay(before), pacing);
    session.Out() << "Borrados " << Records(deleted) << " de accesos e intentos anteriores al "
                  << ShownDay(before) << " (de hace más de " << invocation.days
                  << (invocation.days == 1 ? " día" : " días") << ").\n";
    return kExitDone;
}

int CheckCommand(const Target& target, AdminSession& session) {
    auto tables = session.OpenAdmin(target.location, accessdb::OpenMode::ExistingOnly);
    session.Out() << "Versión del esquema: " << tables->SchemaVersion() << '\n';
    const std::vector<std::string> problems = tables->CheckIntegrity();
    if (problems.empty()) {
        session.Out() << "Integridad: correcta.\n";
        return kExitDone;
    }
    session.Out() << "Integridad: " << problems.size()
                  << (problems.size() == 1 ? " problema" : " problemas") << '\n';
    for (const std::string& problem : problems) {
        session.Out() << "  " << problem << '\n';
    }
    session.Err() << "tarvo-admin: la base de datos tiene problemas de integridad: cierre Tarvo "
                     "y Mireval y restaure la última copia de seguridad buena con «tarvo-admin "
                     "restore COPIA».\n";
    return kExitFailed;
}

int BackupCommand(const Invocation& invocation, const Target& target, AdminSession& session) {
    const std::filesystem::path file = invocation.target;
    std::error_code error;
    if (!target.location.IsServer() && std::filesystem::symlink_status(file, error).type() !=
                                           std::filesystem::file_type::not_found) {
        session.Err() << "tarvo-admin: " << file.string()
                      << " ya existe: la copia de seguridad no se escribe encima. Elija un "
                         "nombre nuevo.\n";
        return kExitTargetHasData;
    }
    if (!target.location.IsServer()) {
        if (const int refused = FolderRefusesNewFile(file); refused != 0) {
            session.Err() << "tarvo-admin: no se puede escribir la copia de seguridad "
                          << file.string() << ": " << accessdb::SystemErrorText(refused) << '\n';
            return kExitFailed;
        }
    }
    auto tables = session.OpenAdmin(target.location, accessdb::OpenMode::ExistingOnly);
    tables->Backup(file);
    session.Out() << "Copia de seguridad escrita en " << file.string() << ".\n";
    return kExitDone;
}

int RestoreCommand(const Invocation& invocation, const Target& target, AdminSession& session) {
    if (target.location.IsServer()) {
        session.Err() << "tarvo-admin: la base de datos está en un servidor PostgreSQL: restaure "
                         "su copia con la herramienta de PostgreSQL (pg_restore -d BASE "
                         "COPIA.dump), o vuelva a copiar los datos de un archivo con "
                         "tarvo-admin copy.\n";
        return kExitFailed;
    }
    const accessdb::RestoreOutcome outcome =
        accessdb::RestoreBackup(invocation.target, target.location.File());
    session.Out() << "Restaurada la copia " << invocation.target << " en "
                  << outcome.database.string() << ": " << outcome.students
                  << (outcome.students == 1 ? " alumno, " : " alumnos, ") << outcome.accesses
                  << (outcome.accesses == 1 ? " acceso y " : " accesos y ") << outcome.attempts
                  << (outcome.attempts == 1 ? " intento.\n" : " intentos.\n");
    if (outcome.setAside) {
        session.Out() << "La base de datos que había se ha guardado como "
                      << outcome.setAside->string() << "; bórrela cuando ya no la necesite.\n";
    }
    return kExitDone;
}

}  // namespace admin
