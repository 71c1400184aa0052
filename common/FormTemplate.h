#pragma once

#include <span>
#include <string_view>

namespace common {

// A dialog template as data: the form's size, caption and font, and every control with its
// identifier, kind, text, rectangle in dialog units and style, in template order, which is
// also the tab order. Each program keeps its own tables of these.
enum class ControlKind {
    Label,          // static text
    Edit,           // single line
    MultiLineEdit,  // a log or history box
    PushButton,
    CheckBox,     // automatic
    RadioButton,  // automatic
    GroupBox,
    DropDownList,
    Picture,  // a bitmap; the text is its resource path
    Icon,     // an icon; the text is its resource path
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
    kStyleCentreImage = 1u << 8,
    kStyleDefaultButton = 1u << 9,
};

// The identifier of a control that nothing addresses, such as most labels.
inline constexpr int kUnnamedControl = -1;

struct DialogRect {
    int x;
    int y;
    int width;
    int height;
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    std::string_view text;  // UTF-8
    DialogRect rect;
    unsigned style;

    bool Has(ControlStyle bit) const { return (style & bit) != 0; }
};

struct FormTemplate {
    int id;
    int width;  // dialog units
    int height;
    std::string_view caption;  // dialog boxes; empty for a form inside a frame
    std::string_view fontFace;
    int pointSize;
    std::span<const ControlTemplate> controls;

    // The control with this identifier; null when there is none.
    const ControlTemplate* Find(int controlId) const;
};

}  // namespace common
