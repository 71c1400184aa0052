#include "RegistrationTemplate.h"

#include <array>

#include "ControlIds.h"

namespace mireval {

namespace {

using common::ControlTemplate;
using common::kStyleAutoCheck;
using common::kStyleAutoHScroll;
using common::kStyleBorder;
using common::kStyleDisabled;
using common::kStyleNone;
using common::kStyleReadOnly;
using common::kStyleSorted;
using common::kStyleTabStop;
using common::kStyleVScroll;
using K = common::ControlKind;

constexpr unsigned kEditStyle = kStyleBorder | kStyleAutoHScroll | kStyleTabStop;
// The names are typed with the DNI before a record is shown, so that "Añadir Registro" stores
// them; the commands make them read-only while a record is shown.
constexpr unsigned kNameStyle = kEditStyle;
constexpr unsigned kCheckStyle = kStyleAutoCheck | kStyleTabStop | kStyleDisabled;
constexpr unsigned kListStyle = kStyleSorted | kStyleVScroll | kStyleTabStop | kStyleDisabled;
constexpr unsigned kButtonStyle = kStyleTabStop;
constexpr unsigned kOff = kStyleDisabled;

constexpr std::array kControls = {
    ControlTemplate{ids::kNombreLabel, K::Label, "Nombre", {18, 38, 30, 8}, kStyleNone},
    ControlTemplate{ids::kApellido1Label, K::Label, "Apellido 1 ", {18, 54, 39, 11}, kStyleNone},
    ControlTemplate{ids::kNombre, K::Edit, "", {58, 34, 75, 15}, kNameStyle},
    ControlTemplate{ids::kApellido2Label, K::Label, "Apellido 2", {18, 71, 31, 8}, kStyleNone},
    ControlTemplate{ids::kDniLabel, K::Label, "DNI", {18, 21, 27, 8}, kStyleNone},
    ControlTemplate{ids::kDni, K::Edit, "", {58, 18, 75, 14}, kEditStyle},
    ControlTemplate{ids::kApellido1, K::Edit, "", {58, 51, 75, 14}, kNameStyle},
    ControlTemplate{ids::kApellido2, K::Edit, "", {58, 67, 75, 14}, kNameStyle},
    ControlTemplate{
        ids::kPersonalGroup, K::GroupBox, "Datos personales  ", {7, 7, 149, 79}, kStyleNone},
    ControlTemplate{
        ids::kRestrictionsGroup, K::GroupBox, "Periodos restringidos  ", {159, 7, 154, 117}, kOff},
    ControlTemplate{
        ids::kFinDeSemana, K::CheckBox, "Fines de semana", {194, 22, 68, 10}, kCheckStyle},
    ControlTemplate{ids::kAgosto, K::CheckBox, "Agosto", {194, 33, 38, 10}, kCheckStyle},
    ControlTemplate{
        ids::kIntervalo, K::CheckBox, "Intervalo temporal", {194, 44, 70, 10}, kCheckStyle},
    ControlTemplate{ids::kAnioA, K::DropDownList, "", {260, 68, 25, 30}, kListStyle},
    ControlTemplate{ids::kDiaALabel, K::Label, "Dia", {196, 69, 12, 11}, kOff},
    ControlTemplate{ids::kMesALabel, K::Label, "Mes", {242, 69, 14, 11}, kOff},
    ControlTemplate{ids::kAnioALabel, K::Label, "Año", {285, 69, 13, 11}, kOff},
    ControlTemplate{
        ids::kStartDateGroup, K::GroupBox, "Inicio de restricción", {166, 59, 138, 25}, kOff},
    ControlTemplate{ids::kDiaB, K::DropDownList, "", {170, 97, 25, 30}, kListStyle},
    ControlTemplate{ids::kMesB, K::DropDownList, "", {216, 97, 25, 30}, kListStyle},
    ControlTemplate{ids::kAnioB, K::DropDownList, "", {260, 97, 25, 30}, kListStyle},
    ControlTemplate{ids::kDiaBLabel, K::Label, "Dia", {197, 97, 12, 11}, kOff},
    ControlTemplate{ids::kMesBLabel, K::Label, "Mes", {241, 97, 14, 11}, kOff},
    ControlTemplate{ids::kAnioBLabel, K::Label, "Año", {285, 97, 13, 11}, kOff},
    ControlTemplate{
        ids::kEndDateGroup, K::GroupBox, "Fin de restricción ", {165, 88, 139, 25}, kOff},
    ControlTemplate{ids::kDiaA, K::DropDownList, "", {170, 68, 25, 30}, kListStyle},
    ControlTemplate{ids::kMesA, K::DropDownList, "", {216, 68, 25, 30}, kListStyle},
    ControlTemplate{
        ids::kClearForm, K::PushButton, "Limpiar Formulario", {13, 132, 95, 20}, kButtonStyle},
    ControlTemplate{
        ids::kSearch, K::PushButton, "Buscar Registro", {111, 132, 95, 20}, kButtonStyle},
    ControlTemplate{ids::kDeleteHistory,
                    K::PushButton,
                    "Eliminar Historial",
                    {13, 154, 95, 20},
                    kButtonStyle | kOff},
    ControlTemplate{ids::kDeleteRecord,
                    K::PushButton,
                    "Eliminar Registro",
                    {111, 154, 95, 20},
                    kButtonStyle | kOff},
    ControlTemplate{
        ids::kAddOrSave, K::PushButton, "Añadir Registro", {209, 132, 97, 20}, kButtonStyle},
    ControlTemplate{ids::kModifyOrCancel,
                    K::PushButton,
                    "Modificar Datos de Registro",
                    {209, 154, 97, 20},
                    kButtonStyle | kOff},
    ControlTemplate{
        ids::kHistory,
        K::MultiLineEdit,
        "",
        {15, 193, 289, 62},
        kStyleReadOnly | kStyleVScroll | kStyleBorder | kStyleAutoHScroll | kStyleTabStop | kOff},
    ControlTemplate{
        ids::kHistoryGroup, K::GroupBox, "Historial de Accesos ", {7, 182, 306, 80}, kOff},
    ControlTemplate{ids::kDoorsGroup, K::GroupBox, " Entradas: ", {7, 88, 149, 37}, kOff},
    ControlTemplate{1048, K::CheckBox, "P1", {21, 100, 24, 10}, kCheckStyle},
    ControlTemplate{1049, K::CheckBox, "P2", {21, 110, 24, 10}, kCheckStyle},
    ControlTemplate{1050, K::CheckBox, "P3", {52, 100, 24, 10}, kCheckStyle},
    ControlTemplate{1051, K::CheckBox, "P4", {52, 110, 24, 10}, kCheckStyle},
    ControlTemplate{1052, K::CheckBox, "P5", {87, 100, 24, 10}, kCheckStyle},
    ControlTemplate{1053, K::CheckBox, "P6", {87, 110, 24, 10}, kCheckStyle},
    ControlTemplate{1054, K::CheckBox, "P7", {118, 100, 24, 10}, kCheckStyle},
    ControlTemplate{1055, K::CheckBox, "P8", {118, 110, 24, 10}, kCheckStyle},
};

constexpr common::FormTemplate kRegistrationForm{ids::kFormTemplate,     320, 269,      "",
                                                 "Microsoft Sans Serif", 10,  kControls};

}  // namespace

const common::FormTemplate& RegistrationFormTemplate() { return kRegistrationForm; }

}  // namespace mireval
