#include "controller/ui/ControllerTemplate.h"

#include <array>

#include "controller/ui/ControlIds.h"

namespace tarvo {

namespace {

using common::ControlTemplate;
using K = common::ControlKind;

constexpr unsigned kField = common::kStyleReadOnly | common::kStyleBorder |
                            common::kStyleAutoHScroll | common::kStyleTabStop;
constexpr unsigned kLog = common::kStyleReadOnly | common::kStyleVScroll |
                          common::kStyleAutoHScroll | common::kStyleTabStop;
constexpr unsigned kDoor = common::kStyleTabStop;
constexpr unsigned kPlain = common::kStyleNone;
constexpr int kUnnamed = common::kUnnamedControl;

constexpr std::array kControls{
    ControlTemplate{kUnnamed, K::Label, "DNI:", {159, 147, 13, 10}, kPlain},
    ControlTemplate{ids::kNameField, K::Edit, "", {200, 163, 137, 12}, kField},
    ControlTemplate{kUnnamed, K::Label, "Nombre:", {151, 164, 37, 8}, kPlain},
    ControlTemplate{ids::kDniField, K::Edit, "", {200, 143, 135, 12}, kField},
    ControlTemplate{ids::kLogField, K::MultiLineEdit, "", {102, 207, 292, 42}, kLog},
    ControlTemplate{1010, K::RadioButton, "Puerta1", {119, 84, 41, 10}, kDoor},
    ControlTemplate{1011, K::RadioButton, "Puerta2", {119, 100, 41, 10}, kDoor},
    ControlTemplate{1012, K::RadioButton, "Puerta3", {180, 84, 41, 10}, kDoor},
    ControlTemplate{1013, K::RadioButton, "Puerta4", {180, 100, 41, 10}, kDoor},
    ControlTemplate{1014, K::RadioButton, "Puerta5", {240, 84, 41, 10}, kDoor},
    ControlTemplate{1015, K::RadioButton, "Puerta6", {240, 100, 41, 10}, kDoor},
    ControlTemplate{1016, K::RadioButton, "Puerta7", {300, 84, 41, 10}, kDoor},
    ControlTemplate{1017, K::RadioButton, "Puerta8", {300, 100, 41, 10}, kDoor},
    ControlTemplate{
        kUnnamed, K::GroupBox, "  Seleccione puerta de acceso:  ", {90, 68, 314, 53}, kPlain},
    ControlTemplate{kUnnamed, K::GroupBox, "  Datos de usuario:  ", {90, 135, 313, 49}, kPlain},
    ControlTemplate{kUnnamed, K::GroupBox, " Registro  ", {90, 193, 314, 64}, kPlain},
    ControlTemplate{ids::kBanner,
                    K::Picture,
                    ":/tarvo/banner.png",
                    {74, 0, 342, 65},
                    common::kStyleCentreImage},
    ControlTemplate{kUnnamed, K::Picture, ":/tarvo/strip.png", {0, 0, 86, 270}, kPlain},
};

}  // namespace

const common::FormTemplate& ControllerFormTemplate() {
    static constexpr common::FormTemplate form{101, 416, 268, "", "MS Shell Dlg", 8, kControls};
    return form;
}

}  // namespace tarvo
