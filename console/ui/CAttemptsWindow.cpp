#include "CAttemptsWindow.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "AttemptsTexts.h"
#include "MakeOwned.h"
#include "QtUserMessages.h"
#include "common/widgets/QtText.h"
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

QLineEdit* DayField(QWidget* window, const char* name) {
    auto* field = MakeOwned<QLineEdit>(window);
    field->setPlaceholderText(Text(texts::kDayPlaceholder));
    field->setAccessibleName(Text(name));
    field->setAccessibleDescription(Text(texts::kDayDescription));
    // Room for the day and a little more, not for a paragraph.
    field->setMaximumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) *
                           2);
    return field;
}

QPushButton* Button(QWidget* window, const char* text, const char* name = nullptr) {
    auto* button = MakeOwned<QPushButton>(window, Text(text));
    if (name != nullptr) {
        button->setAccessibleName(Text(name));
    }
    return button;
}

std::string ValueOf(const QComboBox& list) { return common::ToUtf8(list.currentData().toString()); }

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

// Created in the order Tab visits them: the filters as they read from left to right, the
// search, the list, then the pages and closing.
void CAttemptsWindow::BuildControls() {
    m_dni = MakeOwned<QLineEdit>(this);
    m_dni->setAccessibleName(Text(texts::kDniName));
    m_dni->setAccessibleDescription(Text(texts::kDniDescription));
    m_door = ChoiceList(this, DoorChoices(), texts::kDoorName);
    m_outcome = ChoiceList(this, OutcomeChoices(), texts::kOutcomeName);
    m_from = DayField(this, texts::kFromName);
    m_to = DayField(this, texts::kToName);
    m_search = Button(this, texts::kSearchButton);
    m_search->setDefault(true);  // Enter in a filter lists what it asks for
    m_clear = Button(this, texts::kClearButton);

    m_table = MakeOwned<QTableWidget>(this, 0, static_cast<int>(kAttemptColumns.size()));
    QStringList headers;
    for (std::string_view column : kAttemptColumns) {
        headers << FromUtf8(column);
    }
    m_table->setHorizontalHeaderLabels(headers);
    m_table->setAccessibleName(Text(texts::kListName));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    // Tab leaves the list for the buttons; the arrows move within it.
    m_table->setTabKeyNavigation(false);
    m_table->setAlternatingRowColors(true);
    m_table->verticalHeader()->setVisible(false);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWordWrap(false);
    m_table->installEventFilter(this);

    m_summary = MakeOwned<QLabel>(this);
    m_summary->setAccessibleName(Text(texts::kSummaryName));
    m_summary->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    m_newer = Button(this, texts::kNewerButton, texts::kNewerName);
    m_older = Button(this, texts::kOlderButton, texts::kOlderName);
    m_close = Button(this, texts::kCloseButton);

    auto filters = std::make_unique<QGridLayout>();
    filters->addWidget(Caption(this, texts::kDniLabel, m_dni), 0, 0);
    filters->addWidget(m_dni, 0, 1);
    filters->addWidget(Caption(this, texts::kDoorLabel, m_door), 0, 2);
    filters->addWidget(m_door, 0, 3);
    filters->addWidget(Caption(this, texts::kOutcomeLabel, m_outcome), 0, 4);
    filters->addWidget(m_outcome, 0, 5);
    filters->addWidget(Caption(this, texts::kFromLabel, m_from), 1, 0);
    filters->addWidget(m_from, 1, 1);
    filters->addWidget(Caption(this, texts::kToLabel, m_to), 1, 2);
    filters->addWidget(m_to, 1, 3);
    filters->addWidget(m_search, 1, 4);
    filters->addWidget(m_clear, 1, 5);
    filters->setColumnStretch(6, 1);

    auto pages = std::make_unique<QHBoxLayout>();
    pages->addWidget(m_summary, 1);
    pages->addWidget(m_newer);
    pages->addWidget(m_older);
    pages->addWidget(m_close);

    auto* whole = MakeOwned<QVBoxLayout>(this);
    whole->addLayout(filters.release());  // the window's layout owns the rows
    whole->addWidget(Caption(this, texts::kListLabel, m_table));
    whole->addWidget(m_table, 1);
    whole->addLayout(pages.release());

    QWidget* order[] = {m_dni,   m_door,  m_outcome, m_from,  m_to,    m_search,
                        m_clear, m_table, m_summary, m_newer, m_older, m_close};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }

    connect(m_search, &QPushButton::clicked, this, &CAttemptsWindow::OnSearch);
    connect(m_clear, &QPushButton::clicked, this, &CAttemptsWindow::OnClearFilters);
    connect(m_newer, &QPushButton::clicked, this, &CAttemptsWindow::OnNewer);
    connect(m_older, &QPushButton::clicked, this, &CAttemptsWindow::OnOlder);
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);

    // Wide enough for a row of seven columns with a reason of some length, without scrolling.
    const QFontMetrics metrics = fontMetrics();
    resize(metrics.averageCharWidth() * 150, metrics.height() * 32);
}

// Enter in a filter searches (the default button); in the list it would search again too and
// leave the page being read, so there it does nothing.
bool CAttemptsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
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

void CAttemptsWindow::OnOlder() {
    if (m_browser->Older()) {
        ShowPage();
    }
}

void CAttemptsWindow::OnNewer() {
    if (m_browser->Newer()) {
        ShowPage();
    }
}

void CAttemptsWindow::OnClearFilters() {
    m_dni->clear();
    m_door->setCurrentIndex(0);
    m_outcome->setCurrentIndex(0);
    m_from->clear();
    m_to->clear();
    m_dni->setFocus();
}

void CAttemptsWindow::ShowPage() {
    const auto& attempts = m_browser->Attempts();
    m_table->clearContents();
    m_table->setRowCount(static_cast<int>(attempts.size()));
    for (int row = 0; row < static_cast<int>(attempts.size()); ++row) {
        const auto& attempt = attempts[static_cast<std::size_t>(row)];
        const AttemptCells cells = CellsOf(attempt);
        // A screen reader on any cell can tell the whole attempt.
        const QString spoken = FromUtf8(SpokenRow(attempt));
        for (int column = 0; column < static_cast<int>(cells.size()); ++column) {
            auto item = std::make_unique<QTableWidgetItem>(
                FromUtf8(cells[static_cast<std::size_t>(column)]));
            item->setData(Qt::AccessibleDescriptionRole, spoken);
            // An error's description may be longer than its column.
            if (column == static_cast<int>(cells.size()) - 1) {
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
    const QString summary = FromUtf8(m_browser->Summary());
    m_summary->setText(summary);
    m_table->setAccessibleDescription(summary);
    m_newer->setEnabled(m_browser->HasNewer());
    m_older->setEnabled(m_browser->HasOlder());
}

}  // namespace mireval
