#include "Failures.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <vector>

#include "LockHolders.h"

namespace accessdb::sqlite {

namespace {

namespace fs = std::filesystem;

// SQLite's lock bytes: in the WAL index, the writer's, the checkpointer's and recovery's; in the
// file itself (rollback journal), a writer's pending and reserved locks, then the readers'.
constexpr std::uint64_t kWalWriteLock = 120;
constexpr std::uint64_t kWalRecoverLock = 122;
constexpr std::uint64_t kPendingByte = 0x40000000;
constexpr std::uint64_t kReservedByte = kPendingByte + 1;
constexpr std::uint64_t kSharedFirst = kPendingByte + 2;
constexpr std::uint64_t kSharedLast = kSharedFirst + 509;

// Below this the disk counts as full even when SQLite only reports an I/O error.
constexpr unsigned long long kNearlyFullBytes = 256 * 1024;

fs::path Sibling(const fs::path& file, const char* suffix) { return file.string() + suffix; }

fs::path FolderOf(const fs::path& file) {
    std::error_code ec;
    const fs::path folder = fs::absolute(file, ec).parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

// Appended piece by piece: GCC 12 at -O3 warns falsely about "'" + a temporary string.
std::string Quoted(const fs::path& path) {
    std::string text(1, '\'');
    text += path.string();
    text += '\'';
    return text;
}

std::string Capitalized(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') {
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    }
    return text;
}

std::string UserName() {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(4096);
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr) {
        return found->pw_name;
    }
    return std::to_string(geteuid());
}

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

bool Allowed(const fs::path& path, int what) {
    return faccessat(AT_FDCWD, path.c_str(), what, AT_EACCESS) == 0;
}

bool NearlyFull(const fs::path& folder) {
    struct statvfs disk {};
    return statvfs(folder.c_str(), &disk) == 0 &&
           static_cast<unsigned long long>(disk.f_bavail) * disk.f_frsize < kNearlyFullBytes;
}

// What could not be done, as the description's opening words.
std::string Attempt(Intent intent, const fs::path& file) {
    switch (intent) {
        case Intent::Open:
            return "No se puede abrir " + DatabaseAt(file);
        case Intent::Read:
            return "No se puede leer " + DatabaseAt(file);
        case Intent::Write:
            break;
    }
    return "No se han podido guardar los cambios en " + DatabaseAt(file);
}

std::string Busy(const fs::path& file) {
    // The writer that holds the file; in rollback-journal mode the readers block a writer too.
    std::vector<LockHolder> holders = OtherLockHolders({
        {Sibling(file, "-shm"), kWalWriteLock, kWalRecoverLock},
        {file, kPendingByte, kReservedByte},
    });
    if (holders.empty() && !Exists(Sibling(file, "-wal"))) {
        holders = OtherLockHolders({{file, kSharedFirst, kSharedLast}});
    }
    const std::string who = Named(holders);
    std::string text = Capitalized(DatabaseAt(file)) + " está ocupada: ";
    if (holders.empty()) {
        text +=
            "otro programa de este equipo (Mireval, Tarvo o sqlite3) la tiene bloqueada y no "
            "la ha liberado mientras este programa esperaba. ";
    } else if (holders.size() == 1) {
        text += "el programa " + who +
                " la tiene bloqueada y no la ha liberado mientras este programa "
                "esperaba. ";
    } else {
        text += "los programas " + who +
                " la tienen bloqueada y no la han liberado mientras este "
                "programa esperaba. ";
    }
    return text +
           "Espere a que termine y vuelva a intentarlo; si sigue ocupada, cierre ese programa.";
}

std::string ReadOnlyFolder(const fs::path& file, Intent intent) {
    std::string text = Attempt(intent, file) + ": la carpeta " + Quoted(FolderOf(file)) +
                       " es de solo lectura para el usuario «" + UserName() + "»";
    if (intent != Intent::Write) {
        text += ", y la base de datos necesita crear en ella sus archivos de trabajo (" +
                Quoted(Sibling(file.filename(), "-wal")) + " y " +
                Quoted(Sibling(file.filename(), "-shm")) + ")";
    }
    return text + ". Pida al administrador del equipo permiso de escritura en esa carpeta para " +
           "este usuario.";
}

std::string ReadOnly(const fs::path& file, const EngineFailure& failure, Intent intent) {
    if (failure.extendedCode == SQLITE_READONLY_DIRECTORY) {
        return ReadOnlyFolder(file, intent);
    }
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        const fs::path part = Sibling(file, suffix);
        if (Exists(part) && !Allowed(part, W_OK)) {
            std::string text = Attempt(intent, file) + ": el archivo " + Quoted(part.filename()) +
                               " es de solo lectura para el usuario «" + UserName() + "»";
            if (*suffix == '\0') {
                text += "; se puede consultar, pero no modificar";
            }
            return text + ". Pida al administrador del equipo permiso de escritura en ese " +
                   "archivo (por ejemplo, para el grupo users).";
        }
    }
    if (!Allowed(FolderOf(file), W_OK)) {
        return ReadOnlyFolder(file, intent);
    }
    return Attempt(intent, file) + ": se ha abierto solo para consulta. Cierre el programa y " +
           "vuelva a abrirlo; si se repite, avise al servicio técnico.";
}

std::string CannotOpen(const fs::path& file, const EngineFailure& failure, Intent intent) {
    const fs::path folder = FolderOf(file);
    const std::string user = "«" + UserName() + "»";
    if (failure.systemErrno == ENOENT && !Exists(folder)) {
        return Attempt(intent, file) + ": la carpeta no existe. Compruebe que el programa se " +
               "inicia en la carpeta de datos del centro.";
    }
    if (failure.systemErrno == EISDIR) {
        return Attempt(intent, file) + ": " + Quoted(file.filename()) + " es una carpeta, no " +
               "un archivo. Cámbiele el nombre o retírela y ponga en su lugar el archivo de la " +
               "base de datos.";
    }
    if (failure.systemErrno == EACCES || failure.systemErrno == EPERM) {
        if (!Allowed(folder, X_OK)) {
            return Attempt(intent, file) + ": el usuario " + user + " no tiene permiso para " +
                   "entrar en la carpeta " + Quoted(folder) + ". Pida al administrador del " +
                   "equipo permiso en esa carpeta para este usuario.";
        }
        if (Exists(file) && !Allowed(file, R_OK)) {
            return Attempt(intent, file) + ": el usuario " + user + " no tiene permiso para " +
                   "leer el archivo. Pida al administrador del equipo permiso de lectura y " +
                   "escritura en ese archivo (por ejemplo, para el grupo users).";
        }
        if (!Allowed(folder, W_OK)) {
            return ReadOnlyFolder(file, intent);
        }
    }
    return Attempt(intent, file) + ": el sistema no deja abrir el archivo. Compruebe que existe " +
           "y que el usuario " + user + " puede leerlo y escribirlo.";
}

std::string DiskFull(const fs::path& file, Intent intent) {
    return Attempt(intent, file) + ": el disco donde está la carpeta " + Quoted(FolderOf(file)) +
           " está lleno. Libere espacio en ese disco (borre o mueva archivos que no necesite) y " +
           "vuelva a intentarlo; lo que no se ha guardado no consta en la base de datos.";
}

// SQLite names what is missing after a colon: "no such table: Picadas".
std::optional<std::string> Missing(const std::string& text, const std::string& prefix) {
    if (text.rfind(prefix, 0) != 0) {
        return std::nullopt;
    }
    return text.substr(prefix.size());
}

std::string RefusedStatement(const fs::path& file, const EngineFailure& failure, Intent intent) {
    if (auto table = Missing(failure.text, "no such table: ")) {
        return Capitalized(DatabaseAt(file)) + " no tiene la tabla " + *table +
               ". Restaure la copia de seguridad " +
               "con «tarvo-admin restore COPIA» (con Tarvo y Mireval cerrados), o abra Mireval " +
               "en esa carpeta para que añada la tabla que falta (vacía).";
    }
    if (auto column = Missing(failure.text, "no such column: ")) {
        return Capitalized(DatabaseAt(file)) + " no tiene la columna " + *column +
               " que usan los programas. Revise con el programa sqlite3 los nombres de las " +
               "columnas de sus tablas, o restaure la copia de seguridad con «tarvo-admin "
               "restore " +
               "COPIA».";
    }
    return Attempt(intent, file) + ": la base de datos ha rechazado la orden (" + failure.text +
           "). Avise al servicio técnico con este mensaje.";
}

std::string Constraint(const fs::path& file, const EngineFailure& failure) {
    // A rule the site added to its tables (a trigger's RAISE) speaks in the site's own words.
    if (failure.extendedCode == SQLITE_CONSTRAINT_TRIGGER) {
        return failure.text;
    }
    if (failure.text.find("UNIQUE") != std::string::npos &&
        failure.text.find("DNI") != std::string::npos) {
        return "Ya hay un alumno con ese DNI en " + DatabaseAt(file) +
               ". Búsquelo con «Buscar Registro».";
    }
    return Attempt(Intent::Write, file) + ": la tabla no admite el registro (" + failure.text +
           "). Revise la definición de la tabla con el programa sqlite3, o restaure la copia " +
           "de seguridad con «tarvo-admin restore COPIA».";
}

}  // namespace

std::string DatabaseAt(const std::filesystem::path& file) {
    return "la base de datos " + Quoted(file.filename()) + " de la carpeta " +
           Quoted(FolderOf(file));
}

DatabaseError Describe(const std::filesystem::path& file, const EngineFailure& failure,
                       Intent intent) {
    const int code = failure.code & 0xFF;
    switch (code) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return {code, Busy(file)};
        case SQLITE_READONLY:
            return {code, ReadOnly(file, failure, intent)};
        case SQLITE_CANTOPEN:
            return {code, CannotOpen(file, failure, intent)};
        case SQLITE_FULL:
            return {code, DiskFull(file, intent)};
        case SQLITE_IOERR:
            if (failure.systemErrno == ENOSPC || failure.systemErrno == EDQUOT ||
                NearlyFull(FolderOf(file))) {
                return {code, DiskFull(file, intent)};
            }
            return {code,
                    Attempt(intent, file) + ": el disco ha dado un error de lectura o " +
                        "escritura. Vuelva a intentarlo; si se repite, compruebe el disco y " +
                        "avise al servicio técnico."};
        case SQLITE_CORRUPT:
            return {
                code,
                Capitalized(DatabaseAt(file)) + " está dañada. Deje de usarla: cierre " +
                    "Tarvo y Mireval, guarde una copia del archivo tal como está y " +
                    "restaure la última copia de seguridad con «tarvo-admin restore COPIA» (el " +
                    "programa sqlite3 puede " +
                    "intentar recuperar los datos con su orden .recover)."};
        case SQLITE_NOTADB:
            return {code,
                    "El archivo " + Quoted(file.filename()) + " de la carpeta " +
                        Quoted(FolderOf(file)) + " no es una base de datos de Tarvo y " +
                        "Mireval: no tiene el formato de SQLite. Restaure la copia de " +
                        "seguridad de la base de datos con «tarvo-admin restore COPIA»; si no la "
                        "tiene, cambie el nombre de " +
                        "ese archivo para conservarlo y Mireval creará una base de datos vacía."};
        case SQLITE_ERROR:
            return {code, RefusedStatement(file, failure, intent)};
        case SQLITE_CONSTRAINT:
            // A row whose key is taken is the layer's duplicate on either engine; a site's own
            // rule (a trigger) or another constraint keeps the engine's code.
            return {failure.extendedCode == SQLITE_CONSTRAINT_UNIQUE ||
                            failure.extendedCode == SQLITE_CONSTRAINT_PRIMARYKEY
                        ? kDuplicateKey
                        : code,
                    Constraint(file, failure)};
        default:
            return {code, Attempt(intent, file) + " (código " + std::to_string(code) + ": " +
                              failure.text + "). Vuelva a intentarlo; si se repite, avise al " +
                              "servicio técnico con este mensaje."};
    }
}

EngineFailure FailureOf(sqlite3* db, int rc) {
    EngineFailure failure;
    failure.code = rc;
    failure.extendedCode = db != nullptr ? sqlite3_extended_errcode(db) : rc;
    failure.systemErrno = db != nullptr ? sqlite3_system_errno(db) : 0;
    const char* text = db != nullptr ? sqlite3_errmsg(db) : nullptr;
    failure.text = text != nullptr ? text : sqlite3_errstr(rc);
    return failure;
}

DatabaseError Describe(sqlite3* db, int rc, Intent intent) {
    const char* file = db != nullptr ? sqlite3_db_filename(db, "main") : nullptr;
    return Describe(file != nullptr ? fs::path(file) : fs::path(), FailureOf(db, rc), intent);
}

}  // namespace accessdb::sqlite
