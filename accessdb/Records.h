#pragma once

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

}  // namespace accessdb
