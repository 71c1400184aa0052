#include "FormBuilder.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "controller/ui/TarvoResources.h"

namespace tarvo {

namespace {

// Tab stops of a multi-line field, in dialog units.
constexpr int kTabStopUnits = 32;

QString Text(const ControlTemplate& control) { return QString::fromUtf8(control.text); }

std::unique_ptr<QWidget> MakeControl(QWidget& parent, const ControlTemplate& control,
                                     BaseUnits base) {
    switch (control.kind) {
        case ControlKind::Static: {
            auto label = std::make_unique<QLabel>(Text(control), &parent);
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
        case ControlKind::Edit: {
            auto edit = std::make_unique<QLineEdit>(&parent);
            edit->setReadOnly((control.style & kReadOnly) != 0);
            return edit;
        }
        case ControlKind::MultiLineEdit: {
            auto edit = std::make_unique<QPlainTextEdit>(&parent);
            edit->setReadOnly((control.style & kReadOnly) != 0);
            // Lines scroll sideways instead of wrapping; only the vertical bar is shown.
            edit->setLineWrapMode(QPlainTextEdit::NoWrap);
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            edit->setTabStopDistance(kTabStopUnits * base.x / 4.0);
            return edit;
        }
        case ControlKind::RadioButton:
            return std::make_unique<QRadioButton>(Text(control), &parent);
        case ControlKind::GroupBox: {
            auto box = std::make_unique<QGroupBox>(Text(control), &parent);
            // A frame drawn behind the controls it surrounds; clicks go through to them.
            box->setAttribute(Qt::WA_TransparentForMouseEvents);
            return box;
        }
        case ControlKind::Picture:
        case ControlKind::Icon: {
            auto picture = std::make_unique<QLabel>(&parent);
            picture->setPixmap(QPixmap(Text(control)));
            picture->setAlignment((control.style & kCentreImage) != 0
                                      ? Qt::AlignCenter
                                      : Qt::AlignLeft | Qt::AlignTop);
            return picture;
        }
        case ControlKind::PushButton: {
            auto button = std::make_unique<QPushButton>(Text(control), &parent);
            button->setDefault((control.style & kDefaultButton) != 0);
            return button;
        }
    }
    return std::make_unique<QWidget>(&parent);
}

}  // namespace

BuiltForm::BuiltForm(QWidget& parent, const FormTemplate& form)
    : m_base(BaseUnitsOf(FormFont(form))), m_size(ToPixels(form.width, form.height, m_base)) {
    LoadTarvoResources();
    parent.setFont(FormFont(form));
    for (const ControlTemplate& control : form.controls) {
        Add(MakeControl(parent, control, m_base), control);
    }
    // Frames and pictures lie beneath the controls whatever their place in the template.
    for (const auto& widget : m_widgets) {
        if (qobject_cast<QGroupBox*>(widget.get()) != nullptr) {
            widget->lower();
        }
    }
    for (const auto& widget : m_widgets) {
        auto* label = qobject_cast<QLabel*>(widget.get());
        if (label != nullptr && !label->pixmap().isNull()) {
            label->lower();
        }
    }
}

QWidget& BuiltForm::Add(std::unique_ptr<QWidget> widget, const ControlTemplate& control) {
    QRect place = ToPixels(control.rect, m_base);
    if (control.kind == ControlKind::Static) {
        // The stand-in face runs a little wider than the original one: a label whose longest
        // word would be cut grows to the right instead ("DNI:" keeps its colon).
        int longestWord = 0;
        for (const QString& word : Text(control).split(QLatin1Char(' '))) {
            longestWord = std::max(longestWord, widget->fontMetrics().horizontalAdvance(word));
        }
        place.setWidth(std::max(place.width(), longestWord + 1));
    }
    widget->setGeometry(place);
    if (control.id != -1) {
        widget->setObjectName(QString::number(control.id));
        m_byId[control.id] = widget.get();
    }
    m_widgets.push_back(std::move(widget));
    return *m_widgets.back();
}

QWidget* BuiltForm::Item(int id) const {
    const auto found = m_byId.find(id);
    return found != m_byId.end() ? found->second : nullptr;
}

}  // namespace tarvo
