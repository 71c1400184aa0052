#include "controller/ui/CAboutDlg.h"

#include <array>

namespace tarvo {

namespace {

using common::ControlTemplate;
using K = common::ControlKind;
constexpr int kUnnamed = common::kUnnamedControl;

constexpr std::array kControls{
    ControlTemplate{kUnnamed, K::Icon, ":/tarvo/tarvo.png", {11, 14, 21, 20}, common::kStyleNone},
    ControlTemplate{kUnnamed,
                    K::Label,
                    "Controlador de accesos. Version 1.0",
                    {40, 10, 135, 8},
                    common::kStyleNone},
    ControlTemplate{
        kUnnamed, K::Label, "Puertas del centro escolar", {40, 25, 135, 8}, common::kStyleNone},
    ControlTemplate{common::kIdOk,
                    K::PushButton,
                    "Aceptar",
                    {178, 7, 50, 14},
                    common::kStyleDefaultButton | common::kStyleTabStop},
};

constexpr common::FormTemplate kAboutBox{
    100, 235, 55, "Acerca del control de presencia", "MS Shell Dlg", 8, kControls};

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : common::TemplateDialog(parent, kAboutBox) {}

}  // namespace tarvo
