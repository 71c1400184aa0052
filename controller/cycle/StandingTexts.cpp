#include "StandingTexts.h"

namespace tarvo {

namespace {

std::string Pending(std::size_t pending) {
    return pending == 1 ? "1 registro pendiente de anotar"
                        : std::to_string(pending) + " registros pendientes de anotar";
}

std::string CopyState(const StudentCopy* copy, std::time_t now) {
    if (copy == nullptr) {
        return "sin copia de los alumnos: no abre hasta que vuelva";
    }
    if (copy->limitHours == 0) {
        return "el centro no permite decidir sin servidor: no abre hasta que vuelva";
    }
    if (!copy->UsableAt(now)) {
        return "la copia de los alumnos, del " + ShownTime(copy->currentAt) +
               ", pasa del límite de " + std::to_string(copy->limitHours) +
               " h: no abre hasta que vuelva";
    }
    return "decide con la copia de los alumnos del " + ShownTime(copy->currentAt);
}

}  // namespace

std::string StandingText(std::optional<std::time_t> offlineSince, const StudentCopy* copy,
                         std::time_t now, std::size_t pending) {
    if (!offlineSince) {
        return pending == 0 ? "" : Pending(pending) + " en la base de datos";
    }
    return "Sin servidor desde el " + ShownTime(*offlineSince) + "; " + CopyState(copy, now) +
           "; " + Pending(pending) + ".";
}

std::string WentOfflineLine(std::time_t since, const StudentCopy* copy, std::time_t now) {
    return "\nSin conexión con el servidor desde el " + ShownTime(since) + ": " +
           CopyState(copy, now) + ".\n";
}

std::string BackOnlineLine(std::time_t since, std::size_t pending) {
    return "\nConexión con el servidor recuperada (sin ella desde el " + ShownTime(since) + "); " +
           Pending(pending) + ".\n";
}

std::string DecidedOfflineLine(const StudentCopy& copy, std::size_t pending) {
    return "\nDecidido sin servidor con la copia de los alumnos del " + ShownTime(copy.currentAt) +
           "; " + Pending(pending) + ".\n";
}

std::string OfflineReason(const StudentCopy& copy) {
    return "sin servidor, copia del " + ReportedTime(copy.currentAt);
}

std::string NoOfflineDecision(const StudentCopy* copy) {
    if (copy == nullptr) {
        return "El puesto no tiene copia de los alumnos para decidir sin el servidor: la hace en "
               "cuanto lo alcanza.";
    }
    if (copy->limitHours == 0) {
        return "El centro no permite que los puestos decidan sin el servidor (límite de 0 horas).";
    }
    return "La copia de los alumnos del puesto es del " + ShownTime(copy->currentAt) +
           " y pasa del límite de " + std::to_string(copy->limitHours) +
           " horas que fija el centro: el puesto no abre hasta recuperar el servidor.";
}

}  // namespace tarvo
