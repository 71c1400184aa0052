#pragma once

#include <span>
#include <string_view>

// Dialog template 101, the registration form, as data: every control with its identifier,
// kind, text, rectangle in dialog units and style, in template (and tab) order.
namespace mireval {

enum class ControlKind {
    Label,
    Edit,           // single line
    MultiLineEdit,  // the history box
    GroupBox,
    CheckBox,
    DropDownList,
    PushButton,
};

// Style bits of a control as the template gives them.
enum ControlStyle : unsigned {
    kStyleNone = 0,
    kStyleDisabled = 1u << 0,  // disabled at creation
    kStyleReadOnly = 1u << 1,
    kStyleBorder = 1u << 2,
    kStyleAutoHScroll = 1u << 3,
    kStyleVScroll = 1u << 4,
    kStyleSorted = 1u << 5,
    kStyleTabStop = 1u << 6,
    kStyleAutoCheck = 1u << 7,
};

struct DialogRect {
    int x;
    int y;
    int width;
    int height;
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    std::string_view text;
    DialogRect rect;
    unsigned style;

    bool Has(ControlStyle bit) const { return (style & bit) != 0; }
};

struct FormTemplate {
    int id;
    std::string_view fontFace;
    int pointSize;
    int width;  // dialog units
    int height;
    std::span<const ControlTemplate> controls;

    const ControlTemplate* Find(int controlId) const;
};

const FormTemplate& RegistrationFormTemplate();

}  // namespace mireval
