#pragma once

#include <cstddef>
#include <string_view>

// The console's own texts, exactly as its users have always read them.
namespace mireval::texts {

inline constexpr std::string_view kWrongDni =
    "DNI incorrecto. El DNI consta de 8 digitos sin letra.\nIntroduzca de nuevo los datos.";
inline constexpr std::string_view kNotRegistered =
    "El DNI introducido no esta registrado en la base de datos";
inline constexpr std::string_view kCancelNotRegistered =
    "[CHANGE DATA] El DNI introducido no esta registrado en la base de datos";
inline constexpr std::string_view kNoHistory =
    "Este usuario no tiene accesos registrados en su historial";

inline constexpr std::string_view kHistorySeparator = "  ";
inline constexpr std::string_view kHistoryDoor = "Acceso a entrada nº ";
inline constexpr std::string_view kHistoryLineEnd = "\r\n";

inline constexpr std::string_view kAlreadyRegistered =
    "Error al generar nuevo registro.\nYa existe registro con  DNI: ";
inline constexpr std::string_view kDatabaseProblem = "Algun problema en BBDD";
inline constexpr std::string_view kAddedHeader =
    " Nuevo registro añadido con clave principal:\n DNI: ";
inline constexpr std::string_view kAddedNombre = "\n Nombre: ";
inline constexpr std::string_view kAddedApellido1 = "\n Apellido1: ";
inline constexpr std::string_view kAddedApellido2 = "\n Apellido2: ";
inline constexpr std::string_view kAddedFooter =
    "\n Acceso permitido a entradas: <NINGUNA>\n Para dar permisos de acceso a este usuario "
    "pulse\n [Buscar Registro] y [Modificar Datos de Registro]";

inline constexpr std::string_view kEditModeNotice =
    "Usted ha pulsado [Modificar Datos].\nSi desea cambiar el estado de este registro, realice "
    "dichos cambios y pulse [GUARDAR].\nSi no desea guardar los cambios pulse [CANCELAR].";
inline constexpr std::string_view kInvalidPeriod =
    "Imposible guardar datos. Periodos de intervalo de restricción mal definidos.\n";

inline constexpr std::string_view kConfirmDeleteHistory =
    "Está usted seguro de querer eliminar el historial de accesos de este usuario manera "
    "permanente";
inline constexpr std::string_view kConfirmDeleteRecord =
    "Está usted seguro de querer eliminar este registro de manera permanente";
inline constexpr std::string_view kDeletedHeader = "El registro con DNI= ";
inline constexpr std::string_view kDeletedFooter = " ha sido eliminado permanentemente.";

inline constexpr std::string_view kAddButton = "Añadir Registro";
inline constexpr std::string_view kSaveButton = "GUARDAR";
inline constexpr std::string_view kModifyButton = "Modificar Datos de Registro";
inline constexpr std::string_view kCancelButton = "CANCELAR";

// A DNI is eight characters; the length is the form's only check before the database's own.
inline constexpr std::size_t kDniLength = 8;

}  // namespace mireval::texts
