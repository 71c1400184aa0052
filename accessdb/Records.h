#pragma once

#include <cstdint>
#include <string>

namespace accessdb {

// One row of Alumnos, every value as the text the programs exchange with the table.
struct StudentRecord {
    std::string dni;
    std::string nombre;
    std::string apellido1;
    std::string apellido2;
    std::string puerta;
    std::string agosto;
    std::string finDeSemana;
    std::string periodoTemporal;
    std::string fechaA;
    std::string fechaB;
};

// One row of Picadas: a granted access.
struct AccessRecord {
    std::string dni;
    std::string fecha;
    std::string hora;
    std::string puerta;
};

// One row of Intentos: a card whose DNI the controller read, and what became of it. Kept beside
// Picadas, which holds the grants only.
struct AttemptRecord {
    std::string dni;        // the eight characters read from the card, as read
    std::string fecha;      // the access date, as in Picadas ("DD/MM/YYYY", day space-padded)
    std::string hora;       // "HH:MM:SS"
    std::string puerta;     // the selected door digit, "0" when none was selected
    std::string puesto;     // the station that read the card
    std::string resultado;  // one of the kOutcome texts
    std::string motivo;     // why: one of the kReason texts, or an error's description
};

// One row of Puestos: how a door station last told the site it was. Times are the station's
// "YYYY-MM-DD HH:MM:SS", empty when not so (sinServidorDesde: working with its server).
struct StationReport {
    std::string nombre;            // the station's name, as its attempts carry it
    std::string usuario;           // the login that wrote the row (empty on the file)
    std::string ultimoContacto;    // when it last reached the database
    std::string sinServidorDesde;  // since when it decides without its server
    std::int64_t pendientes = 0;   // records in its journal that the database has not taken
    std::string copiaDe;           // when its copy of the students was last current
};

// Outcomes and reasons as stored, for filters and exports.
inline constexpr const char* kOutcomeGranted = "concedido";
inline constexpr const char* kOutcomeDenied = "denegado";
inline constexpr const char* kOutcomeUnregistered = "no registrado";
inline constexpr const char* kOutcomeError = "error";
inline constexpr const char* kReasonNoDoor = "sin puerta elegida";
inline constexpr const char* kReasonDoorNotPermitted = "puerta no permitida";
inline constexpr const char* kReasonAugust = "agosto";
inline constexpr const char* kReasonWeekend = "fin de semana";
inline constexpr const char* kReasonPeriod = "periodo";
// Followed by the timetable's name ("horario Alumnos"), or by ": " and the day's description
// ("día sin clase: Navidad").
inline constexpr const char* kReasonTimetable = "horario";
inline constexpr const char* kReasonDayWithoutSchool = "día sin clase";

}  // namespace accessdb
