#include "CAttemptsWindow.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDate>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "AttemptChartPanel.h"
#include "AttemptsTexts.h"
#include "MakeOwned.h"
#include "QtUserMessages.h"
#include "common/widgets/QtText.h"
#include "console/commands/AttemptChart.h"
#include "console/commands/AttemptExport.h"
#include "console/commands/AttemptPresets.h"
#include "console/commands/AttemptRows.h"

namespace mireval {

namespace texts = ui::texts;
using common::FromUtf8;
using ui::MakeOwned;

namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

// A label whose mnemonic moves the focus to its field, which screen readers announce by it.
QLabel* Caption(QWidget* window, const char* text, QWidget* field) {
    auto* label = MakeOwned<QLabel>(window, Text(text));
    label->setBuddy(field);
    return label;
}

QComboBox* ChoiceList(QWidget* window, std::span<const FilterChoice> choices, const char* name) {
    auto* list = MakeOwned<QComboBox>(window);
    for (const FilterChoice& choice : choices) {
        list->addItem(FromUtf8(choice.label), FromUtf8(choice.value));
    }
    list->setAccessibleName(Text(name));
    return list;
}

// Both day fields alike, as wide as a day and a little more, however narrow the window.
QLineEdit* DayField(QWidget* window, const char* name) {
    auto* field = MakeOwned<QLineEdit>(window);
    field->setPlaceholderText(Text(texts::kDayPlaceholder));
    field->setAccessibleName(Text(name));
    field->setAccessibleDescription(Text(texts::kDayDescription));
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) +
                         field->fontMetrics().averageCharWidth() * 3);
    return field;
}

QPushButton* Button(QWidget* window, const char* text, const char* name = nullptr) {
    auto* button = MakeOwned<QPushButton>(window, Text(text));
    button->setAutoDefault(false);
    // Named as it reads, for a screen reader and the tests alike.
    button->setAccessibleName(name != nullptr ? Text(name) : Text(text).remove(QLatin1Char('&')));
    return button;
}

std::string ValueOf(const QComboBox& list) { return common::ToUtf8(list.currentData().toString()); }

// The row's colour and icon by its outcome: denials and errors stand out.
void MarkRow(QTableWidgetItem& item, OutcomeMark mark, const QStyle& style, bool outcomeCell) {
    switch (mark) {
        case OutcomeMark::Denied:
            item.setBackground(QColor(0xf8, 0xd7, 0xda));
            if (outcomeCell) {
                item.setIcon(style.standardIcon(QStyle::SP_MessageBoxWarning));
            }
            break;
        case OutcomeMark::Error:
            item.setBackground(QColor(0xff, 0xe6, 0xb3));
            if (outcomeCell) {
                item.setIcon(style.standardIcon(QStyle::SP_MessageBoxCritical));
            }
            break;
        case OutcomeMark::Unregistered:
            if (outcomeCell) {
                item.setIcon(style.standardIcon(QStyle::SP_MessageBoxQuestion));
            }
            break;
        case OutcomeMark::Granted:
            if (outcomeCell) {
                item.setIcon(style.standardIcon(QStyle::SP_DialogApplyButton));
            }
            break;
        case OutcomeMark::Other:
            break;
    }
    if (mark == OutcomeMark::Denied || mark == OutcomeMark::Error) {
        item.setForeground(QColor(Qt::black));  // dark on light whatever the theme
    }
}

}  // namespace

CAttemptsWindow::CAttemptsWindow(DatabaseLocation database, QWidget* parent)
    : QDialog(parent),
      m_messages(std::make_unique<ui::QtUserMessages>(this)),
      m_source(std::move(database)) {
    m_browser = std::make_unique<AttemptBrowser>(m_source, *m_messages);
    setWindowTitle(Text(texts::kAttemptsCaption));
    setObjectName(QStringLiteral("attemptsWindow"));
    setSizeGripEnabled(true);
    BuildControls();
    ShowPage();
}

CAttemptsWindow::~CAttemptsWindow() = default;

QLayout* CAttemptsWindow::BuildFilters() {
    m_dni = MakeOwned<QLineEdit>(this);
    m_dni->setAccessibleName(Text(texts::kDniName));
    m_dni->setAccessibleDescription(Text(texts::kDniDescription));
    const QFontMetrics metrics = m_dni->fontMetrics();
    m_dni->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("000000000")) +
                           metrics.averageCharWidth() * 3);
    m_dni->setMaximumWidth(m_dni->minimumWidth() * 2);
    m_door = ChoiceList(this, DoorChoices(), texts::kDoorName);
    m_outcome = ChoiceList(this, OutcomeChoices(), texts::kOutcomeName);
    m_from = DayField(this, texts::kFromName);
    m_fromCalendar = MakeOwned<QToolButton>(this);
    m_to = DayField(this, texts::kToName);
    m_toCalendar = MakeOwned<QToolButton>(this);
    for (auto [button, name] : {std::pair{m_fromCalendar, texts::kFromCalendarName},
                                std::pair{m_toCalendar, texts::kToCalendarName}}) {
        button->setText(Text(texts::kCalendarButton));
        button->setAccessibleName(Text(name));
        button->setToolTip(Text(name));
        button->setFocusPolicy(Qt::StrongFocus);
    }
    m_today = Button(this, texts::kTodayButton);
    m_week = Button(this, texts::kWeekButton);
    m_month = Button(this, texts::kMonthButton);
    m_search = Button(this, texts::kSearchButton);
    m_search->setDefault(true);  // Enter in a filter lists what it asks for
    m_clear = Button(this, texts::kClearButton);
    m_order = MakeOwned<QComboBox>(this);
    for (const OrderChoice& choice : OrderChoices()) {
        m_order->addItem(FromUtf8(choice.label));
    }
    m_order->setAccessibleName(Text(texts::kOrderName));
    m_export = Button(this, texts::kExportButton, texts::kExportName);

    auto first = std::make_unique<QHBoxLayout>();
    first->addWidget(Caption(this, texts::kDniLabel, m_dni));
    first->addWidget(m_dni, 1);
    first->addSpacing(metrics.averageCharWidth() * 2);
    first->addWidget(Caption(this, texts::kDoorLabel, m_door));
    first->addWidget(m_door);
    first->addSpacing(metrics.averageCharWidth() * 2);
    first->addWidget(Caption(this, texts::kOutcomeLabel, m_outcome));
    first->addWidget(m_outcome);
    first->addStretch(2);
    auto second = std::make_unique<QHBoxLayout>();
    second->addWidget(Caption(this, texts::kFromLabel, m_from));
    second->addWidget(m_from);
    second->addWidget(m_fromCalendar);
    second->addSpacing(metrics.averageCharWidth() * 2);
    second->addWidget(Caption(this, texts::kToLabel, m_to));
    second->addWidget(m_to);
    second->addWidget(m_toCalendar);
    second->addSpacing(metrics.averageCharWidth() * 2);
    second->addWidget(m_today);
    second->addWidget(m_week);
    second->addWidget(m_month);
    second->addStretch(1);
    auto third = std::make_unique<QHBoxLayout>();
    third->addWidget(m_search);
    third->addWidget(m_clear);
    third->addSpacing(metrics.averageCharWidth() * 2);
    third->addWidget(Caption(this, texts::kOrderLabel, m_order));
    third->addWidget(m_order);
    third->addStretch(1);
    third->addWidget(m_export);

    auto rows = std::make_unique<QVBoxLayout>();
    rows->addLayout(first.release());  // each layout owns the rows added to it
    rows->addLayout(second.release());
    rows->addLayout(third.release());
    return rows.release();
}

QWidget* CAttemptsWindow::BuildListPage() {
    auto* page = MakeOwned<QWidget>(static_cast<QWidget*>(this));
    m_table = MakeOwned<QTableWidget>(page, 0, static_cast<int>(kAttemptColumns.size()));
    QStringList headers;
    for (std::string_view column : kAttemptColumns) {
        headers << FromUtf8(column);
    }
    m_table->setHorizontalHeaderLabels(headers);
    for (std::size_t column = 0; column < kAttemptColumns.size(); ++column) {
        if (OrderOfColumn(column)) {
            m_table->horizontalHeaderItem(static_cast<int>(column))
                ->setToolTip(Text(texts::kHeaderSortHint));
        }
    }
    m_table->setAccessibleName(Text(texts::kListName));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    // Tab leaves the list for the detail; the arrows move within it.
    m_table->setTabKeyNavigation(false);
    m_table->setAlternatingRowColors(true);
    m_table->verticalHeader()->setVisible(false);
    // Compact rows, a line and the outcome's icon each, so that a page reads at a glance.
    m_table->verticalHeader()->setDefaultSectionSize(std::max(m_table->fontMetrics().height(), 16) +
                                                     6);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setSectionsClickable(true);
    m_table->horizontalHeader()->setSortIndicatorShown(true);
    m_table->setWordWrap(false);
    m_table->installEventFilter(this);

    m_detail = MakeOwned<QPlainTextEdit>(page);
    m_detail->setReadOnly(true);
    m_detail->setTabChangesFocus(true);
    m_detail->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    m_detail->setFocusPolicy(Qt::StrongFocus);
    m_detail->setAccessibleName(Text(texts::kDetailName));
    m_detail->setFixedHeight(m_detail->fontMetrics().lineSpacing() * 4 + 12);

    auto* column = MakeOwned<QVBoxLayout>(page);
    column->addWidget(Caption(page, texts::kListLabel, m_table));
    column->addWidget(m_table, 1);
    column->addWidget(Caption(page, texts::kDetailLabel, m_detail));
    column->addWidget(m_detail);
    return page;
}

// Created in the order Tab visits them: the filters as they read from left to right, the
// search and its tools, the list and the selected attempt, then the pages and closing.
void CAttemptsWindow::BuildControls() {
    QLayout* filters = BuildFilters();
    m_tabs = MakeOwned<QTabWidget>(this);
    m_tabs->setAccessibleName(Text(texts::kViewsName));
    m_tabs->tabBar()->setAccessibleName(Text(texts::kViewsName));
    m_tabs->addTab(BuildListPage(), Text(texts::kListTab));
    m_chart = MakeOwned<ui::AttemptChartPanel>(static_cast<QWidget*>(this));
    m_tabs->addTab(m_chart, Text(texts::kChartTab));

    m_summary = MakeOwned<QLabel>(this);
    m_summary->setAccessibleName(Text(texts::kSummaryName));
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_summary->setWordWrap(true);
    m_first = Button(this, texts::kFirstButton, texts::kFirstName);
    m_previous = Button(this, texts::kPreviousButton, texts::kPreviousName);
    m_next = Button(this, texts::kNextButton, texts::kNextName);
    m_last = Button(this, texts::kLastButton, texts::kLastName);
    m_close = Button(this, texts::kCloseButton);

    auto pages = std::make_unique<QHBoxLayout>();
    pages->addWidget(m_summary, 1);
    pages->addWidget(m_first);
    pages->addWidget(m_previous);
    pages->addWidget(m_next);
    pages->addWidget(m_last);
    pages->addWidget(m_close);

    auto* whole = MakeOwned<QVBoxLayout>(this);
    whole->addLayout(filters);  // the window's layout owns the rows
    whole->addWidget(m_tabs, 1);
    whole->addLayout(pages.release());

    QWidget* order[] = {m_dni,        m_door,   m_outcome, m_from,  m_fromCalendar, m_to,
                        m_toCalendar, m_today,  m_week,    m_month, m_search,       m_clear,
                        m_order,      m_export, m_tabs,    m_table, m_detail,       m_first,
                        m_previous,   m_next,   m_last,    m_close};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }

    connect(m_search, &QPushButton::clicked, this, &CAttemptsWindow::OnSearch);
    connect(m_clear, &QPushButton::clicked, this, &CAttemptsWindow::OnClearFilters);
    connect(m_first, &QPushButton::clicked, this, &CAttemptsWindow::OnFirst);
    connect(m_previous, &QPushButton::clicked, this, &CAttemptsWindow::OnPrevious);
    connect(m_next, &QPushButton::clicked, this, &CAttemptsWindow::OnNext);
    connect(m_last, &QPushButton::clicked, this, &CAttemptsWindow::OnLast);
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_today, &QPushButton::clicked, this, [this] { OnLastDays(1); });
    connect(m_week, &QPushButton::clicked, this, [this] { OnLastDays(7); });
    connect(m_month, &QPushButton::clicked, this, [this] { OnLastDays(30); });
    connect(m_export, &QPushButton::clicked, this, &CAttemptsWindow::OnExport);
    connect(m_fromCalendar, &QToolButton::clicked, this,
            [this] { ChooseDay(m_from, m_fromCalendar); });
    connect(m_toCalendar, &QToolButton::clicked, this, [this] { ChooseDay(m_to, m_toCalendar); });
    connect(m_table->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &CAttemptsWindow::OnHeaderClicked);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &CAttemptsWindow::OnOpenStudent);
    connect(m_table, &QTableWidget::currentCellChanged, this, &CAttemptsWindow::ShowSelected);
    connect(m_order, &QComboBox::activated, this, [this](int index) {
        const OrderChoice& choice = OrderChoices()[static_cast<std::size_t>(index)];
        if (m_browser->SortBy(choice.order, choice.descending)) {
            ShowPage();
        }
    });

    // Wide enough for a row with a reason of some length, high enough for 25 rows of a page
    // at once: the list's own height hint is a fixed small one, so the window makes up the rest.
    const QFontMetrics metrics = fontMetrics();
    const int rowsShown = 25;
    const int listHeight = m_table->horizontalHeader()->sizeHint().height() +
                           m_table->verticalHeader()->defaultSectionSize() * rowsShown +
                           m_table->horizontalScrollBar()->sizeHint().height() +
                           2 * m_table->frameWidth();
    const int height = layout()->sizeHint().height() - m_table->sizeHint().height() + listHeight;
    resize(metrics.averageCharWidth() * 160, height);
}

// Enter on a row shows its student on the form, as a double click does.
bool CAttemptsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OnOpenStudent();
            event->accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

AttemptFilters CAttemptsWindow::Filters() const {
    return {common::ToUtf8(m_dni->text()), ValueOf(*m_door), ValueOf(*m_outcome),
            common::ToUtf8(m_from->text()), common::ToUtf8(m_to->text())};
}

void CAttemptsWindow::OnSearch() {
    if (m_browser->Search(Filters())) {
        m_chart->Show(ChartOf(m_browser->Counts()));
        ShowPage();
    }
}

void CAttemptsWindow::ShowStudent(const std::string& dni) {
    m_dni->setText(FromUtf8(dni));
    m_door->setCurrentIndex(0);
    m_outcome->setCurrentIndex(0);
    m_from->clear();
    m_to->clear();
    OnSearch();
}

void CAttemptsWindow::OnFirst() {
    if (m_browser->First()) {
        ShowPage();
    }
}

void CAttemptsWindow::OnPrevious() {
    if (m_browser->Previous()) {
        ShowPage();
    }
}

void CAttemptsWindow::OnNext() {
    if (m_browser->Next()) {
        ShowPage();
    }
}

void CAttemptsWindow::OnLast() {
    if (m_browser->Last()) {
        ShowPage();
    }
}

void CAttemptsWindow::OnClearFilters() {
    m_dni->clear();
    m_door->setCurrentIndex(0);
    m_outcome->setCurrentIndex(0);
    m_from->clear();
    m_to->clear();
    if (m_browser->Search(Filters())) {
        m_chart->Show(ChartOf(m_browser->Counts()));
    } else {
        // The box said why; the rows of the filters just emptied must not stay as if current.
        m_browser->Reset();
        m_chart->Show(ChartOf({}));
    }
    ShowPage();
    if (!m_browser->Searched()) {
        m_summary->setText(Text(texts::kNotListed));
    }
    m_dni->setFocus();
}

void CAttemptsWindow::OnLastDays(int days) {
    const QDate today = QDate::currentDate();
    const DayRange range = LastDays(days, today.year(), static_cast<unsigned>(today.month()),
                                    static_cast<unsigned>(today.day()));
    m_from->setText(FromUtf8(range.desde));
    m_to->setText(FromUtf8(range.hasta));
    OnSearch();
}

void CAttemptsWindow::OnHeaderClicked(int column) {
    const auto order = OrderOfColumn(static_cast<std::size_t>(column));
    if (!order) {
        ShowOrder();  // the indicator stays on the column ordered by
        return;
    }
    // A new column starts as its list entry first offers it; the same one turns round.
    bool descending = *order == accessdb::AttemptOrder::Day;
    if (*order == m_browser->Order()) {
        descending = !m_browser->Descending();
    }
    if (m_browser->SortBy(*order, descending)) {
        ShowPage();
    } else {
        ShowOrder();
    }
}

void CAttemptsWindow::ShowOrder() {
    const auto choices = OrderChoices();
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (choices[i].order == m_browser->Order() &&
            choices[i].descending == m_browser->Descending()) {
            m_order->setCurrentIndex(static_cast<int>(i));
        }
    }
    m_table->horizontalHeader()->setSortIndicator(
        static_cast<int>(ColumnOfOrder(m_browser->Order())),
        m_browser->Descending() ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void CAttemptsWindow::OnExport() {
    if (!m_browser->Searched()) {
        return;
    }
    const QString file =
        QFileDialog::getSaveFileName(this, Text(texts::kExportCaption),
                                     Text(texts::kExportDefaultName), Text(texts::kExportFilter));
    if (!file.isEmpty()) {
        ExportTo(file);
    }
}

bool CAttemptsWindow::ExportTo(const QString& file) {
    std::string error;
    const auto written = ExportAttemptSheet(m_source, m_browser->Query(),
                                            std::filesystem::path(file.toStdString()), error);
    if (!written) {
        m_messages->ShowMessage(error);
        return false;
    }
    m_summary->setText(FromUtf8(m_browser->Summary() + ". Exportados " +
                                SpanishNumber(static_cast<std::int64_t>(*written)) +
                                " intentos a ") +
                       file);
    return true;
}

void CAttemptsWindow::OnOpenStudent() {
    const int row = m_table->currentRow();
    const auto& attempts = m_browser->Attempts();
    if (row < 0 || row >= static_cast<int>(attempts.size())) {
        return;
    }
    const std::string& dni = attempts[static_cast<std::size_t>(row)].attempt.dni;
    if (!m_openStudent) {
        m_messages->ShowMessage(texts::kNoStudentOpener);
    } else if (!m_openStudent(dni)) {
        m_messages->ShowMessage(texts::kFormBusy);
    }
}

void CAttemptsWindow::ChooseDay(QLineEdit* field, QToolButton* button) {
    // A pop-up of its own each time: it closes on a choice, on Escape or on a click outside.
    auto* calendar = MakeOwned<QCalendarWidget>(static_cast<QWidget*>(this));
    calendar->setWindowFlags(Qt::Popup);
    calendar->setAttribute(Qt::WA_DeleteOnClose);
    calendar->setObjectName(QStringLiteral("dayCalendar"));
    calendar->setAccessibleName(button->accessibleName());
    calendar->setGridVisible(true);
    if (const auto day = IsoDayOf(common::ToUtf8(field->text()))) {
        calendar->setSelectedDate(QDate::fromString(FromUtf8(*day), Qt::ISODate));
    }
    connect(calendar, &QCalendarWidget::activated, this, [field, calendar](QDate day) {
        field->setText(day.toString(QStringLiteral("dd/MM/yyyy")));
        calendar->close();
        field->setFocus();
    });
    connect(calendar, &QCalendarWidget::clicked, calendar, &QCalendarWidget::activated);
    calendar->move(button->mapToGlobal(QPoint(0, button->height())));
    calendar->show();
    calendar->setFocus();
}

void CAttemptsWindow::ShowSelected() {
    const int row = m_table->currentRow();
    const auto& attempts = m_browser->Attempts();
    if (row < 0 || row >= static_cast<int>(attempts.size())) {
        m_detail->clear();
        return;
    }
    const accessdb::PositionedAttempt& attempt = attempts[static_cast<std::size_t>(row)];
    QString detail = FromUtf8(SpokenRow(attempt));
    m_detail->setPlainText(detail);
    m_detail->setAccessibleDescription(detail);
}

void CAttemptsWindow::ShowPage() {
    const auto& attempts = m_browser->Attempts();
    m_table->clearContents();
    m_table->setRowCount(static_cast<int>(attempts.size()));
    for (int row = 0; row < static_cast<int>(attempts.size()); ++row) {
        const auto& attempt = attempts[static_cast<std::size_t>(row)];
        const AttemptCells cells = CellsOf(attempt);
        const OutcomeMark mark = MarkOf(attempt.attempt.resultado);
        // A screen reader on any cell can tell the whole attempt.
        const QString spoken = FromUtf8(SpokenRow(attempt));
        for (int column = 0; column < static_cast<int>(cells.size()); ++column) {
            auto item = std::make_unique<QTableWidgetItem>(
                FromUtf8(cells[static_cast<std::size_t>(column)]));
            item->setData(Qt::AccessibleDescriptionRole, spoken);
            MarkRow(*item, mark, *style(), column == static_cast<int>(kOutcomeColumn));
            if (column == static_cast<int>(kReasonColumn)) {
                item->setToolTip(item->text());
            }
            m_table->setItem(row, column, item.release());  // the table owns its items
        }
    }
    // The reason takes the rest of the width; the other columns fit what they hold.
    for (int column = 0; column + 1 < m_table->columnCount(); ++column) {
        m_table->resizeColumnToContents(column);
    }
    if (!attempts.empty()) {
        m_table->setCurrentCell(0, 0);
        m_table->scrollToTop();
    }
    ShowSelected();
    ShowOrder();
    std::string summary = m_browser->Summary();
    if (!m_browser->Notice().empty()) {
        summary = m_browser->Notice() + " " + summary;
    }
    m_summary->setText(FromUtf8(summary));
    m_table->setAccessibleDescription(FromUtf8(m_browser->Summary()));
    m_first->setEnabled(m_browser->HasPrevious());
    m_previous->setEnabled(m_browser->HasPrevious());
    m_next->setEnabled(m_browser->HasNext());
    m_last->setEnabled(m_browser->HasNext());
    m_export->setEnabled(m_browser->Searched());

    // A student's attempts carry the student's name in the caption.
    QString caption = Text(texts::kAttemptsCaption);
    const std::string& dni = m_browser->Query().dni;
    if (!dni.empty()) {
        std::string student;
        if (!attempts.empty() && attempts.front().attempt.dni == dni) {
            student = attempts.front().student;
        }
        caption += FromUtf8(": " + (student.empty() ? "DNI " + dni : student + " (" + dni + ")"));
    }
    setWindowTitle(caption);
}

}  // namespace mireval
