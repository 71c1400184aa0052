#include "common/widgets/FormBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "common/widgets/DialogFont.h"
#include "common/widgets/QtText.h"

namespace common {

namespace {

// Tab stops of a multi-line box, in dialog units.
constexpr int kTabStopUnits = 32;

std::unique_ptr<QWidget> MakeControl(QWidget& parent, const ControlTemplate& control,
                                     BaseUnits base) {
    const QString text = FromUtf8(control.text);
    switch (control.kind) {
        case ControlKind::Label: {
            auto label = std::make_unique<QLabel>(text, &parent);
            label->setTextFormat(Qt::PlainText);
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
        case ControlKind::Edit: {
            auto edit = std::make_unique<QLineEdit>(&parent);
            edit->setFrame(control.Has(kStyleBorder));
            edit->setReadOnly(control.Has(kStyleReadOnly));
            return edit;
        }
        case ControlKind::MultiLineEdit: {
            auto box = std::make_unique<QPlainTextEdit>(&parent);
            box->setReadOnly(control.Has(kStyleReadOnly));
            // Lines scroll sideways rather than wrap; the vertical bar stays where it is asked.
            box->setLineWrapMode(QPlainTextEdit::NoWrap);
            box->setVerticalScrollBarPolicy(control.Has(kStyleVScroll) ? Qt::ScrollBarAlwaysOn
                                                                       : Qt::ScrollBarAsNeeded);
            box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            box->setTabStopDistance(kTabStopUnits * base.averageCharWidth / 4.0);
            return box;
        }
        case ControlKind::PushButton: {
            auto button = std::make_unique<QPushButton>(text, &parent);
            // Only the template's default button answers Enter, wherever the focus is.
            button->setAutoDefault(false);
            button->setDefault(control.Has(kStyleDefaultButton));
            return button;
        }
        case ControlKind::CheckBox:
            return std::make_unique<QCheckBox>(text, &parent);
        case ControlKind::RadioButton:
            return std::make_unique<QRadioButton>(text, &parent);
        case ControlKind::GroupBox: {
            auto box = std::make_unique<QGroupBox>(text, &parent);
            // A frame drawn behind the controls it surrounds; clicks go through to them.
            box->setAttribute(Qt::WA_TransparentForMouseEvents);
            return box;
        }
        case ControlKind::DropDownList: {
            auto list = std::make_unique<QComboBox>(&parent);
            list->setEditable(false);
            return list;
        }
        case ControlKind::Picture:
        case ControlKind::Icon: {
            auto picture = std::make_unique<QLabel>(&parent);
            picture->setPixmap(QPixmap(text));
            picture->setAlignment(control.Has(kStyleCentreImage) ? Qt::AlignCenter
                                                                 : Qt::AlignLeft | Qt::AlignTop);
            return picture;
        }
    }
    return std::make_unique<QWidget>(&parent);
}

bool IsBackdrop(const ControlTemplate& control) {
    return control.kind == ControlKind::Picture || control.kind == ControlKind::Icon;
}

}  // namespace

BuiltForm::BuiltForm(QWidget& parent, const FormTemplate& form)
    : m_base(BaseUnitsOf(DialogFont(form.fontFace, form.pointSize))),
      m_size(ToPixels(form.width, form.height, m_base)) {
    parent.setFont(DialogFont(form.fontFace, form.pointSize));
    parent.setFixedSize(m_size);

    QWidget* previousTabStop = nullptr;
    for (const ControlTemplate& control : form.controls) {
        std::unique_ptr<QWidget> widget = MakeControl(parent, control, m_base);
        Place(*widget, control);
        widget->setEnabled(!control.Has(kStyleDisabled));
        if (control.Has(kStyleTabStop)) {
            widget->setFocusPolicy(Qt::StrongFocus);
            if (previousTabStop != nullptr) {
                QWidget::setTabOrder(previousTabStop, widget.get());
            }
            previousTabStop = widget.get();
        } else {
            widget->setFocusPolicy(Qt::NoFocus);
        }
        if (control.id != kUnnamedControl) {
            widget->setObjectName(QString::number(control.id));
            m_byId[control.id] = widget.get();
        }
        m_widgets.push_back(std::move(widget));
    }
    // Frames, then pictures, lie beneath the controls whatever their place in the template.
    for (std::size_t i = 0; i < m_widgets.size(); ++i) {
        if (form.controls[i].kind == ControlKind::GroupBox) {
            m_widgets[i]->lower();
        }
    }
    for (std::size_t i = 0; i < m_widgets.size(); ++i) {
        if (IsBackdrop(form.controls[i])) {
            m_widgets[i]->lower();
        }
    }
}

void BuiltForm::Place(QWidget& widget, const ControlTemplate& control) const {
    QRect place = ToPixels(control.rect, m_base);
    if (control.kind == ControlKind::Icon) {
        // An icon takes its own size, whatever the template gives.
        place.setSize(widget.sizeHint());
    }
    if (control.kind == ControlKind::DropDownList) {
        // The template's height includes the dropped list; the closed box is as tall as its
        // font needs.
        place.setHeight(widget.sizeHint().height());
    }
    if (control.kind == ControlKind::Label) {
        // The stand-in face may run a little wider than the original one: a label whose longest
        // word would be cut grows to the right instead ("DNI:" keeps its colon).
        int longestWord = 0;
        for (const QString& word : FromUtf8(control.text).split(QLatin1Char(' '))) {
            longestWord = std::max(longestWord, widget.fontMetrics().horizontalAdvance(word));
        }
        place.setWidth(std::max(place.width(), longestWord + 1));
    }
    widget.setGeometry(place);
}

QWidget* BuiltForm::Item(int id) const {
    const auto found = m_byId.find(id);
    return found != m_byId.end() ? found->second : nullptr;
}

}  // namespace common
