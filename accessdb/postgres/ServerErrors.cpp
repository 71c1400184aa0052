#include "ServerErrors.h"

#include <cctype>

#include "accessdb/SchemaVersion.h"

namespace accessdb::postgres {

namespace {

// The first line of a libpq or server text, for a message box.
std::string FirstLine(std::string_view text) {
    const std::size_t end = text.find('\n');
    std::string line(text.substr(0, end));
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) {
        line.pop_back();
    }
    return line;
}

std::string Quoted(const std::string& detail) {
    return detail.empty() ? std::string() : " (" + detail + ")";
}

// The state Schema.sql raises on a database that a newer version has upgraded.
constexpr std::string_view kNewerSchemaState = "TV001";

const std::string kCheckServer =
    " Compruebe la red y que el servidor esté en marcha, y vuelva a intentarlo.";

DatabaseError Unreachable(const std::string& detail, const std::string& origin) {
    return DatabaseError(kServerUnreachable,
                         "No se puede conectar con el servidor de base de datos que indica " +
                             origin + Quoted(detail) + "." + kCheckServer);
}

DatabaseError LoginRefused(const std::string& detail, const std::string& origin) {
    return DatabaseError(kServerLoginRefused,
                         "El servidor de base de datos ha rechazado el usuario o la contraseña "
                         "que indica " +
                             origin + Quoted(detail) + ". Revise el usuario en " + origin +
                             " y su contraseña en el archivo ~/.pgpass de este equipo.");
}

DatabaseError PermissionDenied(const std::string& detail, const std::string& origin) {
    return DatabaseError(kServerPermissionDenied,
                         "El usuario de la base de datos que indica " + origin +
                             " no tiene permiso para esta operación" + Quoted(detail) +
                             ". Los puestos de puerta solo pueden leer los alumnos y anotar "
                             "accesos: registre, modifique y borre desde la consola, con el "
                             "usuario de las consolas.");
}

bool StartsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::string SqlStateOfConnectMessage(std::string_view message) {
    // Verbose texts put the code after the severity: "...failed: FATAL:  28P01: password ...".
    for (std::size_t at = message.find(":  "); at != std::string_view::npos;
         at = message.find(":  ", at + 1)) {
        const std::string_view code = message.substr(at + 3, 7);
        if (code.size() == 7 && code[5] == ':' && code[6] == ' ') {
            bool valid = true;
            for (char c : code.substr(0, 5)) {
                valid = valid && (std::isdigit(static_cast<unsigned char>(c)) ||
                                  std::isupper(static_cast<unsigned char>(c)));
            }
            if (valid) {
                return std::string(code.substr(0, 5));
            }
        }
    }
    return {};
}

DatabaseError AddressError(std::string_view parserMessage, const std::string& origin) {
    return DatabaseError(kServerAddressInvalid,
                         "El valor de " + origin + " no es una dirección de base de datos válida" +
                             Quoted(FirstLine(parserMessage)) +
                             ". Escríbala como postgresql://usuario@servidor/"
                             "base o service=nombre, o deje " +
                             origin + " sin valor para usar el archivo Alumnos.mdb de la carpeta.");
}

DatabaseError ConnectError(const PGconn* connection, const std::string& origin) {
    const std::string message = PQerrorMessage(connection);
    const std::string detail = FirstLine(message);
    const std::string state = SqlStateOfConnectMessage(message);
    if (PQconnectionNeedsPassword(connection)) {
        return DatabaseError(kServerLoginRefused,
                             "El servidor de base de datos pide una contraseña para el usuario "
                             "que indica " +
                                 origin +
                                 " y no se ha dado ninguna. Escríbala en el archivo ~/.pgpass "
                                 "del usuario de este equipo.");
    }
    if (StartsWith(state, "28")) {
        return LoginRefused(detail, origin);
    }
    if (state == "42501") {  // no CONNECT privilege on the database
        return PermissionDenied(detail, origin);
    }
    if (!state.empty() && state != "57P03" && state != "53300") {
        // Reached, but refused for another reason (the database does not exist, ...).
        return DatabaseError(kServerError, "El servidor de base de datos que indica " + origin +
                                               " ha rechazado la conexión" + Quoted(detail) +
                                               ". Revise el nombre de la base de datos en " +
                                               origin + ".");
    }
    // Not reached at all, starting up or shutting down, or full: worth trying again.
    return Unreachable(detail, origin);
}

DatabaseError LostError(const PGconn* connection, const std::string& origin) {
    return DatabaseError(kServerUnreachable,
                         "Se ha perdido la conexión con el servidor de base de datos que indica " +
                             origin + Quoted(FirstLine(PQerrorMessage(connection))) + "." +
                             kCheckServer);
}

DatabaseError StatementError(const PGconn* connection, const PGresult* result,
                             const std::string& origin) {
    const char* field = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    const std::string state = field ? field : "";
    const char* primary = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
    const std::string detail = FirstLine(primary ? primary : PQresultErrorMessage(result));
    if (state.empty() || StartsWith(state, "08") || StartsWith(state, "57P")) {
        // No answer from the server itself, a broken link, or the server shutting down.
        if (state.empty() && PQstatus(connection) == CONNECTION_OK) {
            return DatabaseError(kServerError,
                                 "Error en la base de datos del servidor" + Quoted(detail) + ".");
        }
        return DatabaseError(kServerUnreachable,
                             "Se ha perdido la conexión con el servidor de base de datos que "
                             "indica " +
                                 origin + Quoted(detail) + "." + kCheckServer);
    }
    if (StartsWith(state, "28")) {
        return LoginRefused(detail, origin);
    }
    if (state == "42501") {
        return PermissionDenied(detail, origin);
    }
    if (state == "42P01") {
        return TablesMissingError(origin);
    }
    if (state == "55P03") {
        return DatabaseError(kServerWriteLocked,
                             "Otra consola está modificando los datos en este momento. Vuelva a "
                             "intentarlo en unos segundos.");
    }
    if (state == "57014") {
        return DatabaseError(kServerNoAnswer,
                             "El servidor de base de datos no ha terminado la operación a tiempo" +
                                 Quoted(detail) +
                                 ". Puede estar sobrecargado: vuelva a intentarlo; si se repite, "
                                 "avise al administrador del servidor.");
    }
    if (state == kNewerSchemaState) {  // raised by Schema.sql
        return NewerError(origin, 0);
    }
    if (state == "23505") {
        return DatabaseError(kDuplicateKey,
                             "Ya hay un alumno registrado con ese DNI" + Quoted(detail) + ".");
    }
    return DatabaseError(
        kServerError, "El servidor de base de datos ha devuelto un error" + Quoted(detail) + ".");
}

DatabaseError NoAnswerError(std::chrono::milliseconds waited, const std::string& origin) {
    return DatabaseError(kServerNoAnswer, "El servidor de base de datos que indica " + origin +
                                              " no ha respondido en " +
                                              std::to_string(waited.count() / 1000) + " segundos." +
                                              kCheckServer);
}

DatabaseError TablesMissingError(const std::string& origin) {
    return DatabaseError(kTablesMissing,
                         "La base de datos que indica " + origin +
                             " no tiene las tablas Alumnos y Picadas. Prepare el servidor con la "
                             "orden de instalación del centro (tarvo-setup-server) y vuelva a "
                             "intentarlo.");
}

DatabaseError OutdatedError(const std::string& origin, int version) {
    return DatabaseError(kTablesMissing,
                         "Las tablas de la base de datos que indica " + origin +
                             " son de una versión anterior de Tarvo y Mireval (versión " +
                             std::to_string(version) + "; este programa necesita la " +
                             std::to_string(kSchemaVersion) +
                             ", con la tabla Intentos) y este usuario no puede actualizarlas. "
                             "Actualice el servidor con la orden de instalación del centro "
                             "(tarvo-setup-server), que conserva los datos, y vuelva a "
                             "intentarlo.");
}

DatabaseError VersionHiddenError(const std::string& origin) {
    return DatabaseError(kServerPermissionDenied,
                         "El usuario de la base de datos que indica " + origin +
                             " no tiene permiso para leer la versión de las tablas (tabla "
                             "esquema): el servidor no se ha preparado para esta versión de "
                             "Tarvo y Mireval. Ejecute de nuevo en el servidor la orden de "
                             "instalación del centro (tarvo-setup-server), que da a cada "
                             "usuario sus permisos, y vuelva a intentarlo.");
}

DatabaseError NewerError(const std::string& origin, int version) {
    const std::string which =
        version > 0 ? " (versión " + std::to_string(version) + " de sus tablas; este programa " +
                          "conoce hasta la " + std::to_string(kSchemaVersion) + ")"
                    : std::string();
    return DatabaseError(kDatabaseTooNew, "La base de datos que indica " + origin +
                                              " es de una versión más nueva de Tarvo y Mireval" +
                                              which +
                                              ". No se ha modificado. Instale en este equipo la "
                                              "versión de Tarvo y Mireval que usan los demás "
                                              "equipos del centro.");
}

DatabaseError NotStoredError() {
    return DatabaseError(kServerError,
                         "El cambio no se ha guardado: una operación anterior falló y el servidor "
                         "lo ha deshecho entero. Vuelva a intentarlo.");
}

}  // namespace accessdb::postgres
