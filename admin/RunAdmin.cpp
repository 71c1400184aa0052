#include <cerrno>
#include <exception>
#include <new>
#include <system_error>

#include "AdminCommands.h"
#include "Commands.h"
#include "ExitCodes.h"
#include "LocationArgument.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/SystemErrors.h"

namespace admin {

const char* const kUsageText =
    "Uso: tarvo-admin ORDEN [OPCIONES]\n"
    "Los trabajos de un centro sobre su base de datos de alumnos y accesos, desde un terminal\n"
    "o un temporizador.\n"
    "\n"
    "  import ARCHIVO.csv [--update] [--skip-bad]\n"
    "      Registra los alumnos de una hoja de cálculo guardada como CSV (UTF-8 o Windows-1252,\n"
    "      campos separados por ; o por ,). La primera línea nombra las columnas:\n"
    "        DNI;Nombre;Apellido1;Apellido2;Puerta;Agosto;Fin_de_semana;Periodo_temporal;"
    "FechaA;FechaB\n"
    "      DNI: ocho cifras. Puerta: las puertas de 1 a 8, como 1,3. Agosto, Fin_de_semana,\n"
    "      Periodo_temporal: 1 o 0 (o sí y no). FechaA, FechaB: inicio y fin del periodo,\n"
    "      DD/MM/AA. Solo DNI, Nombre y Apellido1 son obligatorias. Una columna Horario, si\n"
    "      está, da a cada alumno el horario de ese nombre (vacía: ninguno); un horario que no\n"
    "      existe es una fila rechazada. Se comprueban todas las\n"
    "      filas antes de escribir nada: si alguna está mal, no se importa ninguna.\n"
    "      --update  reemplaza los datos de los alumnos ya registrados (sin ella, son filas\n"
    "                rechazadas); la hoja debe nombrar entonces las diez columnas.\n"
    "      --skip-bad  importa las filas buenas y lista las rechazadas.\n"
    "  export students|accesses|attempts [--from DÍA] [--to DÍA]\n"
    "      Escribe la tabla como CSV (separado por ;, UTF-8) en la salida estándar. Lo que\n"
    "      escribe export students lo vuelve a leer import. --from y --to eligen los días de\n"
    "      los accesos o intentos (DÍA: DD/MM/AAAA o AAAA-MM-DD, ambos incluidos).\n"
    "  purge --older-than Nd|Nw [--yes]\n"
    "      Borra los accesos y los intentos de hace más de N días (d) o semanas (w), por la\n"
    "      fecha local; nunca un alumno. Dice cuántos registros se han borrado. En un terminal\n"
    "      dice antes cuántos se borrarían y pide confirmación; sin terminal hace falta --yes.\n"
    "  person DNI [--out ARCHIVO]\n"
    "      Todo lo que la base de datos guarda de un alumno (ficha, accesos, intentos), como\n"
    "      un texto para entregar al alumno o a su familia.\n"
    "  erase DNI [--yes]\n"
    "      Borra el alumno, sus accesos y sus intentos: todo o nada. Pide confirmación en un\n"
    "      terminal; sin terminal hace falta --yes.\n"
    "  check\n"
    "      Comprobación de integridad de la base de datos y versión de su esquema.\n"
    "  backup ARCHIVO\n"
    "      Copia de seguridad coherente del archivo mientras las puertas siguen escribiendo.\n"
    "      En un servidor PostgreSQL se usa pg_dump.\n"
    "  restore COPIA\n"
    "      Pone la copia de seguridad COPIA en lugar de la base de datos, con Tarvo y Mireval\n"
    "      cerrados: comprueba la copia, guarda al lado la base de datos que había y comprueba\n"
    "      el resultado. En un servidor PostgreSQL se usa pg_restore.\n"
    "  calendario import ARCHIVO\n"
    "      Añade al calendario escolar los días sin clase de un archivo iCalendar (.ics: los\n"
    "      eventos de día entero; los que tienen hora se dejan fuera y se dice cuáles) o de\n"
    "      una hoja Desde;Hasta;Descripcion (días DD/MM/AAAA o AAAA-MM-DD). En un día sin\n"
    "      clase, un horario no deja pasar a nadie salvo que valga también esos días.\n"
    "  calendario export [--csv]\n"
    "      Escribe los días sin clase como iCalendar (o como hoja, con --csv) en la salida\n"
    "      estándar; calendario import lo vuelve a leer.\n"
    "  horarios\n"
    "      Lista los horarios, sus tramos y quién los usa (puertas y alumnos).\n"
    "  copy ORIGEN DESTINO\n"
    "      Copia todos los alumnos, accesos e intentos de ORIGEN en DESTINO, que debe estar\n"
    "      vacío, y comprueba la copia fila a fila; después, igual, los horarios y el\n"
    "      calendario escolar. ORIGEN y DESTINO son un archivo (Alumnos.mdb) o un servidor\n"
    "      PostgreSQL (postgresql://usuario@servidor/base o \"service=tarvo\").\n"
    "  offline-limit [HORAS]\n"
    "      Sin HORAS, dice cuántas horas como mucho decide un puesto de puerta con su copia de\n"
    "      los alumnos cuando no llega a su servidor (24 si nunca se ha cambiado). Con HORAS,\n"
    "      de 0 a 720, lo cambia para todo el centro; 0: los puestos nunca deciden sin su\n"
    "      servidor. Los puestos toman el valor nuevo al renovar su copia, en unos minutos.\n"
    "      Un alumno dado de baja mientras un puesto está sin servidor puede pasar por esa\n"
    "      puerta hasta que caduque la copia del puesto.\n"
    "\n"
    "La base de datos es la de los programas: el servidor que nombra TARVO_DATABASE o, sin\n"
    "ella, Alumnos.mdb en la carpeta actual. --database ARCHIVO|CONEXIÓN nombra otra.\n"
    "\n"
    "Salida: 0 hecho, 1 error, 2 uso incorrecto, 3 el destino ya tiene datos (copy) o el\n"
    "archivo ya existe (backup, person --out), 4 filas rechazadas (import).\n";

const char* const kUsageHint =
    "Escriba «tarvo-admin --help» para ver las órdenes y sus opciones.\n";

namespace {

// On the file a station waiting for the write lock retries at most every 100 ms: a longer
// pause between chunks lets it in. A server queues the waiting writers itself.
constexpr std::chrono::milliseconds kFilePause{150};

Target TargetOf(const Invocation& invocation, AdminSession& session) {
    Target target{invocation.database ? LocationArgument(*invocation.database, "--database")
                                      : session.DefaultLocation(),
                  {}};
    target.pacing.pause = target.location.IsServer() ? std::chrono::milliseconds(0) : kFilePause;
    target.pacing.sleep = [&session](std::chrono::milliseconds pause) { session.Sleep(pause); };
    return target;
}

int Dispatch(const Invocation& invocation, AdminSession& session) {
    switch (invocation.kind) {
        case CommandKind::Help:
            session.Out() << kUsageText;
            return kExitDone;
        case CommandKind::Copy:
            return CopyCommand(invocation, session);
        case CommandKind::Import:
            return ImportCommand(invocation, TargetOf(invocation, session), session);
        case CommandKind::Export:
            return ExportCommand(invocation, TargetOf(invocation, session), session);
        case CommandKind::Purge:
            return PurgeCommand(invocation, TargetOf(invocation, session), session);
        case CommandKind::Person:
            return PersonCommand(invocation, TargetOf(invocation, session), session);
        case CommandKind::Erase:
            return EraseCommand(invocation, TargetOf(invocation, session), session);
        case CommandKind::Check:
            return CheckCommand(TargetOf(invocation, session), session);
        case CommandKind::Backup:
            return BackupCommand(invocation, TargetOf(invocation, session), session);
        case CommandKind::Restore:
            return RestoreCommand(invocation, TargetOf(invocation, session), session);
        case CommandKind::OfflineLimit:
            return OfflineLimitCommand(invocation, TargetOf(invocation, session), session);
        case CommandKind::Calendar:
            return CalendarCommand(invocation, TargetOf(invocation, session), session);
        case CommandKind::Timetables:
            return TimetablesCommand(TargetOf(invocation, session), session);
    }
    return kExitUsage;
}

}  // namespace

int RunAdmin(const std::vector<std::string>& args, AdminSession& session) {
    const ParsedCommandLine parsed = ParseCommandLine(args);
    if (!parsed.invocation) {
        // The reason and where the help is: the whole help would scroll the reason away.
        session.Err() << "tarvo-admin: " << parsed.fault << '\n' << kUsageHint;
        return kExitUsage;
    }
    try {
        return Dispatch(*parsed.invocation, session);
    } catch (const accessdb::DatabaseError& error) {
        session.Err() << "tarvo-admin: " << error.Description() << '\n';
        return error.Code() == accessdb::kTargetNotEmpty ? kExitTargetHasData : kExitFailed;
    } catch (const std::system_error& error) {
        // A file system refusing a path: told in the user's terms, never the system's English.
        session.Err() << "tarvo-admin: " << accessdb::SystemErrorText(error) << '\n';
        return kExitFailed;
    } catch (const std::bad_alloc&) {
        session.Err() << "tarvo-admin: " << accessdb::SystemErrorText(ENOMEM) << '\n';
        return kExitFailed;
    } catch (const std::exception& error) {
        // A fault of the program itself: still a failure a script can see, its detail for
        // whoever reports it.
        session.Err() << "tarvo-admin: error inesperado del programa (detalle técnico: "
                      << error.what() << "). Anote este mensaje y avise al servicio técnico.\n";
        return kExitFailed;
    }
}

}  // namespace admin
