#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "Records.h"

namespace accessdb {

// Which columns of a row read from a table held NULL rather than a text, by the column's place
// in its record (TextColumns below: a student's DNI is 0, Nombre 1, and so on). The programs read
// a NULL as the empty text; a copy of the site must write it back as NULL, and tell the two apart
// when it compares.
class NullColumns {
  public:
    void Mark(std::size_t column) { m_bits |= Bit(column); }
    bool Has(std::size_t column) const { return (m_bits & Bit(column)) != 0; }
    bool operator==(const NullColumns&) const = default;

  private:
    static std::uint32_t Bit(std::size_t column) { return std::uint32_t{1} << column; }
    std::uint32_t m_bits = 0;
};

// A record's texts in its table's column order, for the code that treats every column alike.
inline std::array<const std::string*, 10> TextColumns(const StudentRecord& s) {
    return {&s.dni,    &s.nombre,      &s.apellido1,       &s.apellido2, &s.puerta,
            &s.agosto, &s.finDeSemana, &s.periodoTemporal, &s.fechaA,    &s.fechaB};
}
inline std::array<const std::string*, 4> TextColumns(const AccessRecord& a) {
    return {&a.dni, &a.fecha, &a.hora, &a.puerta};
}
inline std::array<const std::string*, 7> TextColumns(const AttemptRecord& a) {
    return {&a.dni, &a.fecha, &a.hora, &a.puerta, &a.puesto, &a.resultado, &a.motivo};
}

}  // namespace accessdb
