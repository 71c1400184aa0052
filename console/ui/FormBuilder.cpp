#include "FormBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "MakeOwned.h"
#include "console/commands/ControlIds.h"

namespace mireval::ui {

namespace {

QString Text(const ControlTemplate& control) {
    return QString::fromUtf8(control.text.data(), static_cast<qsizetype>(control.text.size()));
}

// Fields whose caption is a label beside them, with the frame around them where two fields
// share a caption ("Dia" of the start and of the end of a period).
struct LabelledField {
    int field;
    int label;
    int group;  // 0: none
};

constexpr LabelledField kLabelledFields[] = {
    {ids::kDni, ids::kDniLabel, 0},
    {ids::kNombre, ids::kNombreLabel, 0},
    {ids::kApellido1, ids::kApellido1Label, 0},
    {ids::kApellido2, ids::kApellido2Label, 0},
    {ids::kDiaA, ids::kDiaALabel, ids::kStartDateGroup},
    {ids::kMesA, ids::kMesALabel, ids::kStartDateGroup},
    {ids::kAnioA, ids::kAnioALabel, ids::kStartDateGroup},
    {ids::kDiaB, ids::kDiaBLabel, ids::kEndDateGroup},
    {ids::kMesB, ids::kMesBLabel, ids::kEndDateGroup},
    {ids::kAnioB, ids::kAnioBLabel, ids::kEndDateGroup},
    {ids::kHistory, ids::kHistoryGroup, 0},
};

QString CaptionOf(const FormTemplate& formTemplate, int id) {
    const ControlTemplate* control = formTemplate.Find(id);
    return control != nullptr ? Text(*control).trimmed() : QString();
}

// Buttons and check boxes carry their captions already; the fields get their labels' texts,
// so that screen readers and test tools find every control by what the form shows beside it.
void NameLabelledFields(const std::map<int, QWidget*>& widgets, const FormTemplate& formTemplate) {
    for (const LabelledField& entry : kLabelledFields) {
        const auto found = widgets.find(entry.field);
        if (found == widgets.end()) {
            continue;
        }
        found->second->setAccessibleName(CaptionOf(formTemplate, entry.label));
        if (auto* label = qobject_cast<QLabel*>(widgets.at(entry.label))) {
            label->setBuddy(found->second);  // the label relation, as Linux readers use it
        }
        if (entry.group != 0) {
            found->second->setAccessibleDescription(CaptionOf(formTemplate, entry.group));
        }
    }
}

QWidget* Create(QWidget& form, const ControlTemplate& control) {
    switch (control.kind) {
        case ControlKind::Label: {
            auto* label = MakeOwned<QLabel>(&form, Text(control));
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setTextFormat(Qt::PlainText);
            return label;
        }
        case ControlKind::Edit: {
            auto* edit = MakeOwned<QLineEdit>(&form);
            edit->setFrame(control.Has(kStyleBorder));
            edit->setReadOnly(control.Has(kStyleReadOnly));
            return edit;
        }
        case ControlKind::MultiLineEdit: {
            auto* box = MakeOwned<QPlainTextEdit>(&form);
            box->setReadOnly(control.Has(kStyleReadOnly));
            // Lines scroll sideways rather than wrap; the vertical bar is always there.
            box->setLineWrapMode(QPlainTextEdit::NoWrap);
            box->setVerticalScrollBarPolicy(control.Has(kStyleVScroll) ? Qt::ScrollBarAlwaysOn
                                                                       : Qt::ScrollBarAsNeeded);
            box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            return box;
        }
        case ControlKind::GroupBox:
            return MakeOwned<QGroupBox>(&form, Text(control));
        case ControlKind::CheckBox:
            return MakeOwned<QCheckBox>(&form, Text(control));
        case ControlKind::DropDownList: {
            auto* list = MakeOwned<QComboBox>(&form);
            list->setEditable(false);
            return list;
        }
        case ControlKind::PushButton: {
            auto* button = MakeOwned<QPushButton>(&form, Text(control));
            button->setAutoDefault(false);
            return button;
        }
    }
    return nullptr;
}

}  // namespace

std::map<int, QWidget*> BuildForm(QWidget& form, const FormTemplate& formTemplate,
                                  const BaseUnits& units) {
    std::map<int, QWidget*> widgets;
    QWidget* previousTabStop = nullptr;
    for (const ControlTemplate& control : formTemplate.controls) {
        QWidget* widget = Create(form, control);
        PixelRect rect = ToPixels(control.rect, units);
        if (control.kind == ControlKind::DropDownList) {
            // The template's height includes the dropped list; the closed box is as tall as
            // its font needs.
            rect.height = widget->sizeHint().height();
        }
        widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
        widget->setEnabled(!control.Has(kStyleDisabled));
        if (control.Has(kStyleTabStop)) {
            widget->setFocusPolicy(Qt::StrongFocus);
            if (previousTabStop != nullptr) {
                QWidget::setTabOrder(previousTabStop, widget);
            }
            previousTabStop = widget;
        } else {
            widget->setFocusPolicy(Qt::NoFocus);
        }
        widgets.emplace(control.id, widget);
    }
    // Group boxes only frame their neighbours: they lie beneath them and take no clicks.
    for (const ControlTemplate& control : formTemplate.controls) {
        if (control.kind == ControlKind::GroupBox) {
            widgets.at(control.id)->lower();
            widgets.at(control.id)->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
    }
    NameLabelledFields(widgets, formTemplate);
    return widgets;
}

}  // namespace mireval::ui
