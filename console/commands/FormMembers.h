#pragma once

#include <array>
#include <string>

namespace mireval {

// The values of the registration form's data controls, in the order they are exchanged.
struct FormMembers {
    std::string m_anioA;
    std::string m_diaA;
    std::string m_mesA;
    std::string m_diaB;
    std::string m_mesB;
    std::string m_anioB;
    int m_periodoTemporal = 0;
    std::string m_dni;
    std::string m_nombre;
    std::string m_apellido1;
    std::string m_apellido2;
    std::string m_historial;
    int m_agosto = 0;
    int m_finDeSemana = 0;
    bool m_modoEdicion = false;      // not exchanged: true while the form is in edit mode
    std::array<int, 8> m_puertas{};  // entry i is door i + 1
};

}  // namespace mireval
