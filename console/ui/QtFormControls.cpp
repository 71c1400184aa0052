#include "QtFormControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <stdexcept>

#include "common/DisplayLines.h"
#include "common/widgets/QtText.h"
#include "console/commands/ListEntries.h"

namespace mireval::ui {

using common::FromUtf8;
using common::ToUtf8;

namespace {
std::vector<std::string> Entries(const QComboBox& list) {
    std::vector<std::string> entries;
    for (int i = 0; i < list.count(); ++i) {
        entries.push_back(ToUtf8(list.itemText(i)));
    }
    return entries;
}
}  // namespace

QWidget* QtFormControls::GetDlgItem(int id) const {
    auto found = m_widgets.find(id);
    if (found == m_widgets.end()) {
        throw std::out_of_range("the form has no control " + std::to_string(id));
    }
    return found->second;
}

// A control used in a way its kind does not allow is a programming error, not a user's one.
template <class Widget>
Widget* QtFormControls::As(int id) const {
    auto* widget = qobject_cast<Widget*>(GetDlgItem(id));
    if (widget == nullptr) {
        throw std::logic_error("control " + std::to_string(id) + " is not of the kind used");
    }
    return widget;
}

void QtFormControls::EnableWindow(int id, bool enable) { GetDlgItem(id)->setEnabled(enable); }

bool QtFormControls::IsWindowEnabled(int id) const { return GetDlgItem(id)->isEnabled(); }

std::string QtFormControls::GetWindowText(int id) const {
    QWidget* widget = GetDlgItem(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return ToUtf8(edit->text());
    }
    if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
        return common::FromDisplayLines(ToUtf8(box->toPlainText()));
    }
    if (auto* list = qobject_cast<QComboBox*>(widget)) {
        return list->currentIndex() >= 0 ? ToUtf8(list->currentText()) : std::string();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return ToUtf8(button->text());
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return ToUtf8(label->text());
    }
    if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        return ToUtf8(group->title());
    }
    throw std::logic_error("control " + std::to_string(id) + " has no text");
}

void QtFormControls::SetWindowText(int id, std::string_view text) {
    QWidget* widget = GetDlgItem(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(FromUtf8(text));
    } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
        box->setPlainText(FromUtf8(common::ToDisplayLines(text)));
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(FromUtf8(text));
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(FromUtf8(text));
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(FromUtf8(text));
    } else {
        throw std::logic_error("control " + std::to_string(id) + " has no text");
    }
}

int QtFormControls::GetCheck(int id) const {
    switch (As<QCheckBox>(id)->checkState()) {
        case Qt::Unchecked:
            return kUnchecked;
        case Qt::Checked:
            return kChecked;
        case Qt::PartiallyChecked:
            return 2;
    }
    return kUnchecked;
}

void QtFormControls::SetCheck(int id, int state) {
    // The commands set a box's state to show a record or an empty form: that runs no command,
    // whereas the user's change of the same box does.
    auto* box = As<QCheckBox>(id);
    const QSignalBlocker quiet(box);
    box->setCheckState(state == kChecked ? Qt::Checked : Qt::Unchecked);
}

bool QtFormControls::IsReadOnly(int id) const {
    QWidget* widget = GetDlgItem(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return edit->isReadOnly();
    }
    return As<QPlainTextEdit>(id)->isReadOnly();
}

void QtFormControls::SetReadOnly(int id, bool readOnly) {
    QWidget* widget = GetDlgItem(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setReadOnly(readOnly);
    } else {
        As<QPlainTextEdit>(id)->setReadOnly(readOnly);
    }
}

void QtFormControls::AddString(int id, std::string_view entry) {
    auto* list = As<QComboBox>(id);
    const std::size_t at = SortedInsertPosition(Entries(*list), entry);
    list->insertItem(static_cast<int>(at), FromUtf8(entry));
}

bool QtFormControls::SelectString(int id, std::string_view prefix) {
    auto* list = As<QComboBox>(id);
    if (auto index = FindEntryStartingWith(Entries(*list), prefix)) {
        list->setCurrentIndex(static_cast<int>(*index));
        return true;
    }
    return false;
}

std::vector<std::string> QtFormControls::ListEntries(int id) const {
    return Entries(*As<QComboBox>(id));
}

}  // namespace mireval::ui
