#include "TimetablesWindow.h"

#include <QAbstractItemView>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextCharFormat>
#include <QVBoxLayout>

#include "MakeOwned.h"
#include "QtUserMessages.h"
#include "TimetablesTexts.h"
#include "common/widgets/QtText.h"

namespace mireval {

namespace texts = ui::texts;
using common::FromUtf8;
using common::ToUtf8;
using ui::MakeOwned;

namespace {

constexpr int kLongestRangeMarked = 400;  // days; beyond that, a typing slip, not a holiday
const QString kIsoDay = QStringLiteral("yyyy-MM-dd");

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

QPushButton* Button(QWidget* parent, const char* text, const char* name) {
    auto* button = MakeOwned<QPushButton>(parent, Text(text));
    button->setAutoDefault(false);
    button->setAccessibleName(Text(name));
    return button;
}

// A caption whose Alt key takes the focus to `buddy`.
QLabel* Caption(QWidget* parent, const QString& text, QWidget* buddy) {
    auto* label = MakeOwned<QLabel>(parent, text);
    label->setBuddy(buddy);
    return label;
}

QDateEdit* DayEdit(QWidget* parent, const char* name) {
    auto* edit = MakeOwned<QDateEdit>(parent, QDate::currentDate());
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    edit->setAccessibleName(Text(name));
    return edit;
}

// "(ninguno)" first, then every timetable; the one given chosen.
void FillChoices(QComboBox& combo, const std::vector<accessdb::Timetable>& timetables,
                 const std::optional<std::string>& chosen) {
    combo.clear();
    combo.addItem(Text(texts::kNoTimetable), QString());
    int index = 0;
    for (const accessdb::Timetable& timetable : timetables) {
        combo.addItem(FromUtf8(timetable.nombre), FromUtf8(timetable.nombre));
        if (chosen && timetable.nombre == *chosen) {
            index = combo.count() - 1;
        }
    }
    combo.setCurrentIndex(index);
}

}  // namespace

TimetablesWindow::TimetablesWindow(DatabaseLocation database, QWidget* parent)
    : TimetablesWindow(std::make_unique<DatabaseTimetables>(std::move(database)), parent) {}

TimetablesWindow::TimetablesWindow(std::unique_ptr<TimetableSource> source, QWidget* parent)
    : QDialog(parent),
      m_messages(std::make_unique<ui::QtUserMessages>(this)),
      m_source(std::move(source)) {
    m_board = std::make_unique<TimetableBoard>(*m_source, *m_messages);
    setWindowTitle(Text(texts::kTimetablesCaption));
    setObjectName(QStringLiteral("timetablesWindow"));
    setSizeGripEnabled(true);
    BuildControls();
}

TimetablesWindow::~TimetablesWindow() = default;

void TimetablesWindow::BuildControls() {
    auto* whole = MakeOwned<QGridLayout>(static_cast<QWidget*>(this));
    whole->addWidget(BuildTimetables(), 0, 0);
    whole->addWidget(BuildCalendar(), 0, 1);
    whole->addWidget(BuildDoors(), 1, 0);
    whole->addWidget(BuildStudent(), 1, 1);
    m_close = Button(this, texts::kTimetablesCloseButton, "Cerrar");
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);
    whole->addWidget(m_close, 2, 1, Qt::AlignRight);
    SetTabOrder();
    UpdateButtons();
}

QWidget* TimetablesWindow::BuildTimetables() {
    auto* group = MakeOwned<QGroupBox>(this, Text(texts::kTimetablesGroup));
    m_list = MakeOwned<QListWidget>(group);
    m_list->setAccessibleName(Text(texts::kTimetableListName));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_name = MakeOwned<QLineEdit>(group);
    m_name->setAccessibleName(Text(texts::kNameName));
    m_name->setAccessibleDescription(Text(texts::kNameDescription));

    auto week = std::make_unique<QFormLayout>();
    week->addRow(Caption(group, Text(texts::kNameLabel), m_name), m_name);
    for (std::size_t day = 0; day < m_days.size(); ++day) {
        m_days[day] = MakeOwned<QLineEdit>(group);
        m_days[day]->setAccessibleName(Text(kWeekdayNames[day]));
        m_days[day]->setAccessibleDescription(Text(texts::kWeekDescription));
        m_days[day]->setPlaceholderText(QStringLiteral("08:00-14:30, 16:00-18:00"));
        m_days[day]->setObjectName(QStringLiteral("day%1").arg(day + 1));
        week->addRow(Caption(group, Text(kWeekdayNames[day]) + QLatin1Char(':'), m_days[day]),
                     m_days[day]);
    }
    m_noSchoolDays = MakeOwned<QCheckBox>(group, Text(texts::kNoSchoolDaysCheck));
    m_noSchoolDays->setAccessibleName(Text(texts::kNoSchoolDaysName));
    week->addRow(m_noSchoolDays);

    m_new = Button(group, texts::kNewButton, texts::kNewName);
    m_save = Button(group, texts::kSaveButton, texts::kSaveName);
    m_rename = Button(group, texts::kRenameButton, texts::kRenameName);
    m_rename->setAccessibleDescription(Text(texts::kRenameDescription));
    m_delete = Button(group, texts::kDeleteButton, texts::kDeleteName);
    auto buttons = std::make_unique<QHBoxLayout>();
    for (QPushButton* button : {m_new, m_save, m_rename, m_delete}) {
        buttons->addWidget(button);
    }

    auto* column = MakeOwned<QVBoxLayout>(static_cast<QWidget*>(group));
    column->addWidget(Caption(group, Text(texts::kTimetableListLabel), m_list));
    column->addWidget(m_list, 1);
    column->addLayout(week.release());  // the column owns the grid and the row of buttons
    column->addLayout(buttons.release());

    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_showing) {
            OnSelect();
        }
    });
    connect(m_new, &QPushButton::clicked, this, &TimetablesWindow::OnNew);
    connect(m_save, &QPushButton::clicked, this, &TimetablesWindow::OnSave);
    connect(m_rename, &QPushButton::clicked, this, &TimetablesWindow::OnRename);
    connect(m_delete, &QPushButton::clicked, this, &TimetablesWindow::OnDelete);
    return group;
}

QWidget* TimetablesWindow::BuildCalendar() {
    auto* group = MakeOwned<QGroupBox>(this, Text(texts::kCalendarGroup));
    m_calendar = MakeOwned<QCalendarWidget>(group);
    m_calendar->setAccessibleName(Text(texts::kCalendarName));
    m_calendar->setAccessibleDescription(Text(texts::kCalendarDescription));
    m_calendar->setFirstDayOfWeek(Qt::Monday);
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    // The days' grid takes the focus for the calendar: a screen reader names it as the whole.
    if (auto* days = m_calendar->findChild<QAbstractItemView*>()) {
        days->setAccessibleName(m_calendar->accessibleName());
        days->setAccessibleDescription(m_calendar->accessibleDescription());
    }
    m_from = DayEdit(group, texts::kRangeFromName);
    m_to = DayEdit(group, texts::kRangeToName);
    m_description = MakeOwned<QLineEdit>(group);
    m_description->setAccessibleName(Text(texts::kDescriptionName));
    m_description->setPlaceholderText(QStringLiteral("Navidad"));
    m_addRange = Button(group, texts::kAddRangeButton, texts::kAddRangeName);
    m_ranges = MakeOwned<QListWidget>(group);
    m_ranges->setAccessibleName(Text(texts::kRangesName));
    m_removeRange = Button(group, texts::kRemoveRangeButton, texts::kRemoveRangeName);

    auto range = std::make_unique<QFormLayout>();
    range->addRow(Caption(group, Text(texts::kRangeFromLabel), m_from), m_from);
    range->addRow(Caption(group, Text(texts::kRangeToLabel), m_to), m_to);
    range->addRow(Caption(group, Text(texts::kDescriptionLabel), m_description), m_description);
    range->addRow(m_addRange);
    auto* column = MakeOwned<QVBoxLayout>(static_cast<QWidget*>(group));
    column->addWidget(Caption(group, Text(texts::kCalendarLabel), m_calendar));
    column->addWidget(m_calendar);
    column->addLayout(range.release());  // the column owns the form
    column->addWidget(Caption(group, Text(texts::kRangesLabel), m_ranges));
    column->addWidget(m_ranges, 1);
    column->addWidget(m_removeRange, 0, Qt::AlignLeft);

    // A day chosen by the mouse or the arrows is a one-day range to start from.
    connect(m_calendar, &QCalendarWidget::selectionChanged, this,
            [this] { OnDayChosen(m_calendar->selectedDate()); });
    connect(m_from, &QDateEdit::dateChanged, this, [this](const QDate& day) {
        if (m_to->date() < day) {
            m_to->setDate(day);
        }
    });
    connect(m_addRange, &QPushButton::clicked, this, &TimetablesWindow::OnAddRange);
    connect(m_removeRange, &QPushButton::clicked, this, &TimetablesWindow::OnRemoveRange);
    connect(m_ranges, &QListWidget::itemSelectionChanged, this, &TimetablesWindow::UpdateButtons);
    return group;
}

QWidget* TimetablesWindow::BuildDoors() {
    auto* group = MakeOwned<QGroupBox>(this, Text(texts::kDoorsGroup));
    auto* grid = MakeOwned<QGridLayout>(static_cast<QWidget*>(group));
    for (int door = 1; door <= kDoorCount; ++door) {
        auto* combo = MakeOwned<QComboBox>(group);
        combo->setAccessibleName(Text(texts::kDoorTimetableName) + QString::number(door));
        combo->setObjectName(QStringLiteral("door%1").arg(door));
        m_doors[static_cast<std::size_t>(door - 1)] = combo;
        const int row = (door - 1) % 4;
        const int column = (door - 1) / 4 * 2;
        grid->addWidget(
            Caption(group, Text(texts::kDoorTimetableLabel) + QString::number(door), combo), row,
            column);
        grid->addWidget(combo, row, column + 1);
        // Chosen by the user only: filling the list does not store anything.
        connect(combo, &QComboBox::activated, this, [this, door] { OnDoorChosen(door); });
    }
    return group;
}

QWidget* TimetablesWindow::BuildStudent() {
    auto* group = MakeOwned<QGroupBox>(this, Text(texts::kStudentGroup));
    m_studentShown = MakeOwned<QLabel>(group, Text(texts::kNoStudent));
    m_studentShown->setWordWrap(true);
    m_studentTimetable = MakeOwned<QComboBox>(group);
    m_studentTimetable->setAccessibleName(Text(texts::kStudentName));
    auto* column = MakeOwned<QFormLayout>(static_cast<QWidget*>(group));
    column->addRow(m_studentShown);
    column->addRow(Caption(group, Text(texts::kStudentLabel), m_studentTimetable),
                   m_studentTimetable);
    connect(m_studentTimetable, &QComboBox::activated, this, &TimetablesWindow::OnStudentChosen);
    return group;
}

// Down each section in reading order, then the next section.
void TimetablesWindow::SetTabOrder() {
    std::vector<QWidget*> order{m_list, m_name};
    order.insert(order.end(), m_days.begin(), m_days.end());
    order.insert(order.end(), {m_noSchoolDays, m_new, m_save, m_rename, m_delete, m_calendar,
                               m_from, m_to, m_description, m_addRange, m_ranges, m_removeRange});
    order.insert(order.end(), m_doors.begin(), m_doors.end());
    order.insert(order.end(), {m_studentTimetable, m_close});
    for (std::size_t i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

void TimetablesWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    OnRefresh();
}

void TimetablesWindow::OnRefresh() {
    const std::string selected = SelectedTimetable();
    m_board->Refresh();
    ShowAll(selected, true);
}

void TimetablesWindow::ShowStudent(std::optional<std::string> dni) {
    if (dni == m_board->Student()) {
        return;
    }
    m_board->ShowStudent(std::move(dni));
    ShowChoices();
}

std::string TimetablesWindow::SelectedTimetable() const {
    const QListWidgetItem* item = m_list->currentItem();
    return item != nullptr && item->isSelected() ? ToUtf8(item->text()) : std::string();
}

void TimetablesWindow::ShowAll(const std::string& selected, bool showWeek) {
    m_showing = true;
    m_list->clear();
    for (const accessdb::Timetable& timetable : m_board->Timetables()) {
        m_list->addItem(FromUtf8(timetable.nombre));
        if (timetable.nombre == selected) {
            m_list->setCurrentRow(m_list->count() - 1);
        }
    }
    m_showing = false;
    if (showWeek) {
        ShowWeek(m_board->Find(selected));
    }
    ShowCalendar();
    ShowChoices();
    UpdateButtons();
}

void TimetablesWindow::ShowWeek(const accessdb::Timetable* timetable) {
    const accessdb::Timetable empty;
    const accessdb::Timetable& shown = timetable != nullptr ? *timetable : empty;
    const WeekTexts week = FormatWeek(shown);
    m_name->setText(FromUtf8(shown.nombre));
    for (std::size_t day = 0; day < m_days.size(); ++day) {
        m_days[day]->setText(FromUtf8(week[day]));
    }
    m_noSchoolDays->setChecked(shown.diasSinClase);
}

void TimetablesWindow::ShowCalendar() {
    m_ranges->clear();
    m_calendar->setDateTextFormat(QDate(), QTextCharFormat());  // forget the old marks
    QTextCharFormat marked;
    marked.setFontWeight(QFont::Bold);
    marked.setBackground(QColor(0xff, 0xe6, 0xb3));
    marked.setForeground(QColor(Qt::black));
    for (const accessdb::CalendarRange& range : m_board->Calendar()) {
        auto* item = MakeOwned<QListWidgetItem>(m_ranges, FromUtf8(RangeText(range)));
        item->setData(Qt::UserRole, FromUtf8(range.desde));
        item->setData(Qt::UserRole + 1, FromUtf8(range.hasta));
        const QDate from = QDate::fromString(FromUtf8(range.desde), kIsoDay);
        const QDate to = QDate::fromString(FromUtf8(range.hasta), kIsoDay);
        for (QDate day = from; day.isValid() && day <= to && from.daysTo(day) < kLongestRangeMarked;
             day = day.addDays(1)) {
            m_calendar->setDateTextFormat(day, marked);
        }
    }
}

void TimetablesWindow::ShowChoices() {
    const DoorTimetables& doors = m_board->Doors();
    for (std::size_t door = 0; door < m_doors.size(); ++door) {
        FillChoices(*m_doors[door], m_board->Timetables(), doors[door]);
    }
    FillChoices(*m_studentTimetable, m_board->Timetables(), m_board->StudentTimetable());
    const bool student = m_board->Student().has_value();
    m_studentShown->setText(student ? Text(texts::kStudentShown) + FromUtf8(*m_board->Student())
                                    : Text(texts::kNoStudent));
    m_studentTimetable->setAccessibleDescription(m_studentShown->text());
    if (!student && m_studentTimetable->hasFocus()) {
        m_close->setFocus();  // never leave the focus on a control that no longer works
    }
    m_studentTimetable->setEnabled(student);
}

void TimetablesWindow::UpdateButtons() {
    const bool selected = !SelectedTimetable().empty();
    const bool range = !m_ranges->selectedItems().isEmpty();
    for (QPushButton* button : {m_rename, m_delete, m_removeRange}) {
        if (button->hasFocus() && !(button == m_removeRange ? range : selected)) {
            (button == m_removeRange ? static_cast<QWidget*>(m_ranges) : m_list)->setFocus();
        }
    }
    m_rename->setEnabled(selected);
    m_delete->setEnabled(selected);
    m_removeRange->setEnabled(range);
}

void TimetablesWindow::OnSelect() {
    ShowWeek(m_board->Find(SelectedTimetable()));
    UpdateButtons();
}

void TimetablesWindow::OnNew() {
    m_list->clearSelection();
    m_list->setCurrentRow(-1);
    ShowWeek(nullptr);
    UpdateButtons();
    m_name->setFocus();
}

void TimetablesWindow::OnSave() {
    WeekTexts week;
    for (std::size_t day = 0; day < m_days.size(); ++day) {
        week[day] = ToUtf8(m_days[day]->text());
    }
    const std::string name = ToUtf8(m_name->text());
    if (m_board->Save(name, week, m_noSchoolDays->isChecked(), SelectedTimetable())) {
        ShowAll(ToUtf8(m_name->text().trimmed()), true);
    }
}

void TimetablesWindow::OnRename() {
    const std::string from = SelectedTimetable();
    if (!from.empty() && m_board->Rename(from, ToUtf8(m_name->text()))) {
        ShowAll(ToUtf8(m_name->text().trimmed()), true);
    }
}

void TimetablesWindow::OnDelete() {
    const std::string name = SelectedTimetable();
    if (!name.empty() && m_board->Delete(name)) {
        ShowAll(std::string(), true);
        m_list->setFocus();
    }
}

void TimetablesWindow::OnDayChosen(const QDate& day) {
    m_from->setDate(day);
    m_to->setDate(day);
}

void TimetablesWindow::OnAddRange() {
    if (m_board->AddRange(ToUtf8(m_from->date().toString(kIsoDay)),
                          ToUtf8(m_to->date().toString(kIsoDay)), ToUtf8(m_description->text()))) {
        m_description->clear();
        ShowAll(SelectedTimetable(), false);
    }
}

void TimetablesWindow::OnRemoveRange() {
    const QListWidgetItem* item = m_ranges->currentItem();
    if (item == nullptr || !item->isSelected()) {
        return;
    }
    accessdb::CalendarRange range;
    range.desde = ToUtf8(item->data(Qt::UserRole).toString());
    range.hasta = ToUtf8(item->data(Qt::UserRole + 1).toString());
    if (m_board->RemoveRange(range)) {
        ShowAll(SelectedTimetable(), false);
        m_ranges->setFocus();
    }
}

void TimetablesWindow::OnDoorChosen(int door) {
    QComboBox* combo = m_doors[static_cast<std::size_t>(door - 1)];
    m_board->SetDoor(door, ToUtf8(combo->currentData().toString()));
    // Stored or not, the combos show what the board holds.
    ShowAll(SelectedTimetable(), false);
}

void TimetablesWindow::OnStudentChosen() {
    m_board->SetStudentTimetable(ToUtf8(m_studentTimetable->currentData().toString()));
    ShowAll(SelectedTimetable(), false);
}

}  // namespace mireval
