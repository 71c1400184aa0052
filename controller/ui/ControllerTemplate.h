#pragma once

#include <span>

namespace tarvo {

// A dialog template as data: every control with its identifier, kind, text and rectangle in
// dialog units, in template order.
enum class ControlKind {
    Static,  // a text label
    Edit,    // a single-line edit field
    MultiLineEdit,
    RadioButton,  // an auto radio button
    GroupBox,
    Picture,  // a bitmap from the resources
    Icon,     // the application icon
    PushButton,
};

// Styles beyond what the kind implies.
enum ControlStyle : unsigned {
    kNoStyle = 0,
    kReadOnly = 1u << 0,
    kCentreImage = 1u << 1,
    kDefaultButton = 1u << 2,
};

struct DialogRect {
    int x;
    int y;
    int width;
    int height;
};

struct ControlTemplate {
    int id;  // -1 for an unnamed static control
    ControlKind kind;
    const char* text;  // UTF-8; for a picture the resource path of its bitmap
    DialogRect rect;
    unsigned style;
};

struct FormTemplate {
    int id;
    int width;  // dialog units
    int height;
    const char* caption;  // for dialog boxes; empty for a child form
    const char* fontFace;
    int pointSize;
    std::span<const ControlTemplate> controls;
};

// The controller form (template 101) and the about box (template 100).
const FormTemplate& ControllerForm();
const FormTemplate& AboutBoxForm();

}  // namespace tarvo
