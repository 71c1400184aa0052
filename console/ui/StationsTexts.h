#pragma once

// The stations window's own texts, and those of the menu item that opens it.
namespace mireval::ui::texts {

inline constexpr char kStationsItem[] = "&Puestos de las puertas...";
inline constexpr char kStationsPrompt[] =
    "Mostrar cómo está cada puesto de puerta: su último aviso, si decide sin servidor y lo que "
    "tiene pendiente";

inline constexpr char kStationsCaption[] = "Puestos de las puertas";
inline constexpr char kStationListLabel[] = "&Puestos:";
inline constexpr char kStationListName[] = "Puestos de las puertas";
inline constexpr char kStationSummaryName[] = "Estado de la lista";
inline constexpr char kRefreshButton[] = "&Actualizar";
inline constexpr char kForgetButton[] = "&Olvidar puesto...";
inline constexpr char kForgetName[] = "Olvidar puesto";
inline constexpr char kForgetDescription[] =
    "Borra de la lista el puesto seleccionado, para un puesto retirado";
inline constexpr char kStationsCloseButton[] = "&Cerrar";

}  // namespace mireval::ui::texts
