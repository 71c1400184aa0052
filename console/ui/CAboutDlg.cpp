#include "CAboutDlg.h"

#include <array>

#include "ShellTexts.h"

namespace mireval {

namespace {

using common::ControlTemplate;
using K = common::ControlKind;
constexpr int kUnnamed = common::kUnnamedControl;

constexpr std::array kControls{
    ControlTemplate{
        kUnnamed, K::Icon, ":/mireval/mireval.png", {11, 17, 20, 20}, common::kStyleNone},
    ControlTemplate{
        kUnnamed, K::Label, ui::texts::kAboutVersion, {40, 10, 119, 8}, common::kStyleNone},
    ControlTemplate{common::kIdOk,
                    K::PushButton,
                    ui::texts::kAboutOk,
                    {178, 7, 50, 14},
                    common::kStyleDefaultButton | common::kStyleTabStop},
};

constexpr common::FormTemplate kAboutBox{
    100, 235, 55, ui::texts::kAboutCaption, "MS Shell Dlg", 8, kControls};

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : common::TemplateDialog(parent, kAboutBox) {}

}  // namespace mireval
