#include "FormTemplate.h"

#include <array>

#include "controller/ui/ControlIds.h"

namespace tarvo {

namespace {

using K = ControlKind;

constexpr std::array kControllerControls{
    ControlTemplate{ids::kUnnamed, K::Static, "DNI:", {159, 147, 13, 10}, kNoStyle},
    ControlTemplate{ids::kNameField, K::Edit, "", {200, 163, 137, 12}, kReadOnly},
    ControlTemplate{ids::kUnnamed, K::Static, "Nombre:", {151, 164, 37, 8}, kNoStyle},
    ControlTemplate{ids::kDniField, K::Edit, "", {200, 143, 135, 12}, kReadOnly},
    ControlTemplate{ids::kLogField, K::MultiLineEdit, "", {102, 207, 292, 42}, kReadOnly},
    ControlTemplate{1010, K::RadioButton, "Puerta1", {119, 84, 41, 10}, kNoStyle},
    ControlTemplate{1011, K::RadioButton, "Puerta2", {119, 100, 41, 10}, kNoStyle},
    ControlTemplate{1012, K::RadioButton, "Puerta3", {180, 84, 41, 10}, kNoStyle},
    ControlTemplate{1013, K::RadioButton, "Puerta4", {180, 100, 41, 10}, kNoStyle},
    ControlTemplate{1014, K::RadioButton, "Puerta5", {240, 84, 41, 10}, kNoStyle},
    ControlTemplate{1015, K::RadioButton, "Puerta6", {240, 100, 41, 10}, kNoStyle},
    ControlTemplate{1016, K::RadioButton, "Puerta7", {300, 84, 41, 10}, kNoStyle},
    ControlTemplate{1017, K::RadioButton, "Puerta8", {300, 100, 41, 10}, kNoStyle},
    ControlTemplate{ids::kUnnamed,
                    K::GroupBox,
                    "  Seleccione puerta de acceso:  ",
                    {90, 68, 314, 53},
                    kNoStyle},
    ControlTemplate{
        ids::kUnnamed, K::GroupBox, "  Datos de usuario:  ", {90, 135, 313, 49}, kNoStyle},
    ControlTemplate{ids::kUnnamed, K::GroupBox, " Registro  ", {90, 193, 314, 64}, kNoStyle},
    ControlTemplate{ids::kBanner, K::Picture, ":/tarvo/banner.png", {74, 0, 342, 65}, kCentreImage},
    ControlTemplate{ids::kUnnamed, K::Picture, ":/tarvo/strip.png", {0, 0, 86, 270}, kNoStyle},
};

constexpr std::array kAboutControls{
    ControlTemplate{ids::kUnnamed, K::Icon, ":/tarvo/tarvo.png", {11, 14, 21, 20}, kNoStyle},
    ControlTemplate{ids::kUnnamed,
                    K::Static,
                    "Controlador de accesos. Version 1.0",
                    {40, 10, 135, 8},
                    kNoStyle},
    ControlTemplate{
        ids::kUnnamed, K::Static, "Puertas del centro escolar", {40, 25, 135, 8}, kNoStyle},
    ControlTemplate{ids::kOk, K::PushButton, "Aceptar", {178, 7, 50, 14}, kDefaultButton},
};

}  // namespace

const FormTemplate& ControllerForm() {
    static constexpr FormTemplate form{101, 416, 268, "", "MS Shell Dlg", 8, kControllerControls};
    return form;
}

const FormTemplate& AboutBoxForm() {
    static constexpr FormTemplate form{
        100, 235, 55, "Acerca del control de presencia", "MS Shell Dlg", 8, kAboutControls};
    return form;
}

}  // namespace tarvo
