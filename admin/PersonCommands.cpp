#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "Commands.h"
#include "Confirmation.h"
#include "ExitCodes.h"
#include "PersonReport.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/SystemErrors.h"

namespace admin {

namespace {

// The report holds personal data: a new file only its owner may read, never one written over.
// Returns the failure's errno, 0 when written.
int WriteNewPrivateFile(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return errno;
    }
    std::size_t written = 0;
    int failure = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            failure = n < 0 ? errno : EIO;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && failure == 0) {
        failure = errno;
    }
    if (failure != 0) {
        ::unlink(path.c_str());
    }
    return failure;
}

accessdb::DatabaseError NothingKept(const std::string& dni) {
    return accessdb::DatabaseError(
        accessdb::kNoCurrentRow,
        "no hay nada guardado del DNI " + dni + ": ni alumno, ni accesos, ni intentos.");
}

// The student, or a failure that says no student has this DNI.
accessdb::PersonRecord FindPerson(accessdb::AdminTables& tables, const std::string& dni) {
    std::optional<accessdb::PersonRecord> person = tables.Person(std::stoll(dni));
    if (!person) {
        throw NothingKept(dni);
    }
    return std::move(*person);
}

std::string Count(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

int PersonCommand(const Invocation& invocation, const Target& target, AdminSession& session) {
    auto tables = session.OpenAdmin(target.location, accessdb::OpenMode::ExistingOnly);
    const accessdb::PersonRecord person = FindPerson(*tables, invocation.dni);
    const std::string report = PersonReport(person, session.Today());
    if (invocation.target.empty()) {
        session.Out() << report << std::flush;
        return kExitDone;
    }
    if (const int failure = WriteNewPrivateFile(invocation.target, report); failure != 0) {
        session.Err() << "tarvo-admin: no se puede escribir " << invocation.target << ": "
                      << (failure == EEXIST
                              ? "ya existe, y no se escribe encima. Elija un nombre nuevo."
                              : accessdb::SystemErrorText(failure))
                      << '\n';
        return failure == EEXIST ? kExitTargetHasData : kExitFailed;
    }
    session.Out() << "Datos del alumno " << invocation.dni << " escritos en " << invocation.target
                  << " (" << Count(person.accesses.size(), "acceso", "accesos") << ", "
                  << Count(person.attempts.size(), "intento", "intentos") << ").\n";
    return kExitDone;
}

int EraseCommand(const Invocation& invocation, const Target& target, AdminSession& session) {
    if (!invocation.yes && !session.InputIsTerminal()) {
        session.Err() << "tarvo-admin: erase borra para siempre; sin un terminal que lo "
                         "confirme, añada --yes.\n";
        return kExitUsage;
    }
    auto tables = session.OpenAdmin(target.location, accessdb::OpenMode::ExistingOnly);
    const accessdb::PersonRecord person = FindPerson(*tables, invocation.dni);
    if (!invocation.yes) {
        const accessdb::StudentRecord& s = person.student;
        const std::string records = Count(person.accesses.size(), "acceso", "accesos") + " y " +
                                    Count(person.attempts.size(), "intento", "intentos");
        const std::string question =
            person.registered
                ? "¿Borrar para siempre al alumno " + s.dni + " (" + s.nombre + ' ' + s.apellido1 +
                      (s.apellido2.empty() ? "" : " ") + s.apellido2 + ") con sus " + records + "?"
                : "¿Borrar para siempre lo que queda del DNI " + s.dni +
                      ", que ya no es un alumno registrado: " + records + "?";
        if (!ConfirmDeletion(session, question)) {
            return kExitFailed;
        }
    }
    if (!tables->Erase(std::stoll(invocation.dni))) {
        throw NothingKept(invocation.dni);  // another administrator erased it meanwhile
    }
    session.Out() << "Borrado " << (person.registered ? "el alumno " : "lo que quedaba del DNI ")
                  << invocation.dni << " con todos sus accesos e intentos.\n";
    return kExitDone;
}

}  // namespace admin
