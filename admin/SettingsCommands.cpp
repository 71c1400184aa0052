// The site's settings that every door station reads from the database.
#include "Commands.h"
#include "ExitCodes.h"

namespace admin {

namespace {

std::string Hours(int hours) { return std::to_string(hours) + (hours == 1 ? " hora" : " horas"); }

// What the limit means at a door, in the caretaker's terms.
std::string Meaning(int hours) {
    if (hours == 0) {
        return "Los puestos de puerta nunca deciden sin su servidor: mientras no llegan a él, no "
               "usan su copia de los alumnos.\n";
    }
    return "Un puesto de puerta que no llega a su servidor decide con su copia de los alumnos "
           "durante " +
           Hours(hours) +
           " como mucho; después deja de decidir hasta volver a llegar al servidor.\n";
}

}  // namespace

int OfflineLimitCommand(const Invocation& invocation, const Target& target, AdminSession& session) {
    accessdb::Connection db =
        session.OpenConnection(target.location, accessdb::OpenMode::ExistingOnly);
    const int before = db.OfflineLimitHours();
    if (!invocation.hours) {
        session.Out() << "Límite sin servidor: " << Hours(before) << ".\n" << Meaning(before);
        return kExitDone;
    }
    const int hours = *invocation.hours;
    db.SetOfflineLimitHours(hours);
    session.Out() << "Límite sin servidor: " << Hours(hours) << " (antes " << Hours(before)
                  << ").\n"
                  << Meaning(hours)
                  << "Los puestos toman el valor nuevo al renovar su copia, en unos minutos.\n";
    if (hours > 0) {
        session.Out() << "Atención: un alumno dado de baja, o al que se quita una puerta, "
                         "mientras un puesto está sin servidor puede seguir pasando por esa "
                         "puerta hasta que caduque la copia del puesto (hasta "
                      << Hours(hours) << ").\n";
    }
    return kExitDone;
}

}  // namespace admin
