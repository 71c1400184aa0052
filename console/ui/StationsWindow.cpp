#include "StationsWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>

#include "MakeOwned.h"
#include "QtUserMessages.h"
#include "StationsTexts.h"
#include "common/widgets/QtText.h"

namespace mireval {

namespace texts = ui::texts;
using common::FromUtf8;
using ui::MakeOwned;

namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

QPushButton* Button(QWidget* window, const char* text, const char* name = nullptr) {
    auto* button = MakeOwned<QPushButton>(window, Text(text));
    button->setAutoDefault(false);
    button->setAccessibleName(name != nullptr ? Text(name) : Text(text).remove(QLatin1Char('&')));
    return button;
}

}  // namespace

StationsWindow::StationsWindow(DatabaseLocation database, QWidget* parent)
    : StationsWindow(std::make_unique<DatabaseStations>(std::move(database)), LocalNow, parent) {}

StationsWindow::StationsWindow(std::unique_ptr<StationSource> source, StationBoard::Clock now,
                               QWidget* parent)
    : QDialog(parent),
      m_messages(std::make_unique<ui::QtUserMessages>(this)),
      m_source(std::move(source)) {
    m_board = std::make_unique<StationBoard>(*m_source, *m_messages, std::move(now));
    setWindowTitle(Text(texts::kStationsCaption));
    setObjectName(QStringLiteral("stationsWindow"));
    setSizeGripEnabled(true);
    BuildControls();
}

StationsWindow::~StationsWindow() = default;

// Created in the order Tab visits them: the list, then its commands.
void StationsWindow::BuildControls() {
    m_table = MakeOwned<QTableWidget>(this, 0, static_cast<int>(kStationColumns.size()));
    QStringList headers;
    for (std::string_view column : kStationColumns) {
        headers << FromUtf8(column);
    }
    m_table->setHorizontalHeaderLabels(headers);
    m_table->setAccessibleName(Text(texts::kStationListName));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setTabKeyNavigation(false);  // Tab leaves the list; the arrows move within it
    m_table->verticalHeader()->setVisible(false);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWordWrap(false);
    auto* caption = MakeOwned<QLabel>(this, Text(texts::kStationListLabel));
    caption->setBuddy(m_table);

    m_summary = MakeOwned<QLabel>(this);
    m_summary->setAccessibleName(Text(texts::kStationSummaryName));
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_summary->setWordWrap(true);
    m_refresh = Button(this, texts::kRefreshButton);
    m_forget = Button(this, texts::kForgetButton, texts::kForgetName);
    m_forget->setAccessibleDescription(Text(texts::kForgetDescription));
    m_close = Button(this, texts::kStationsCloseButton);

    auto buttons = std::make_unique<QHBoxLayout>();
    buttons->addWidget(m_refresh);
    buttons->addWidget(m_forget);
    buttons->addStretch(1);
    buttons->addWidget(m_close);
    auto* whole = MakeOwned<QVBoxLayout>(static_cast<QWidget*>(this));
    whole->addWidget(caption);
    whole->addWidget(m_table, 1);
    whole->addWidget(m_summary);
    whole->addLayout(buttons.release());  // the window's layout owns the row

    setTabOrder(m_table, m_refresh);
    setTabOrder(m_refresh, m_forget);
    setTabOrder(m_forget, m_close);

    m_timer = MakeOwned<QTimer>(this);
    m_timer->setInterval(std::chrono::milliseconds(StationBoard::kRefreshEvery));
    connect(m_timer, &QTimer::timeout, this, [this] { OnRefresh(false); });
    connect(m_refresh, &QPushButton::clicked, this, [this] { OnRefresh(true); });
    connect(m_forget, &QPushButton::clicked, this, &StationsWindow::OnForget);
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &StationsWindow::UpdateForget);
    UpdateForget();

    resize(fontMetrics().averageCharWidth() * 130, fontMetrics().height() * 24);
}

// Shown again, it reads at once what the stations have written meanwhile; hidden, it reads no
// more.
void StationsWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    OnRefresh(false);
    m_timer->start();
}

void StationsWindow::hideEvent(QHideEvent* event) {
    m_timer->stop();
    QDialog::hideEvent(event);
}

void StationsWindow::OnRefresh(bool askedByUser) {
    m_board->Refresh(askedByUser);
    ShowRows();
}

void StationsWindow::OnForget() {
    const int row = m_table->currentRow();
    if (row < 0 || m_table->item(row, 0) == nullptr || !m_table->item(row, 0)->isSelected()) {
        return;
    }
    // The name, not the row: a refresh while the box is open may move the rows.
    const std::string name = common::ToUtf8(m_table->item(row, 0)->data(Qt::UserRole).toString());
    m_board->Forget(name);
    ShowRows();
    m_table->setFocus();
}

void StationsWindow::ShowRows() {
    // The selection follows its station across a refresh.
    QString selected;
    if (const int row = m_table->currentRow(); row >= 0 && m_table->item(row, 0) != nullptr) {
        selected = m_table->item(row, 0)->data(Qt::UserRole).toString();
    }
    const std::vector<StationRow>& rows = m_board->Rows();
    m_table->clearContents();
    m_table->setRowCount(static_cast<int>(rows.size()));
    int reselect = -1;
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        const StationRow& station = rows[static_cast<std::size_t>(row)];
        const QString spoken = FromUtf8(station.spoken);
        for (int column = 0; column < static_cast<int>(station.cells.size()); ++column) {
            auto item = std::make_unique<QTableWidgetItem>(
                FromUtf8(station.cells[static_cast<std::size_t>(column)]));
            item->setData(Qt::UserRole, FromUtf8(station.name));
            // A screen reader on any cell can tell the whole station.
            item->setData(Qt::AccessibleDescriptionRole, spoken);
            if (station.stale) {
                // The words say it; the colour and the icon make it stand out.
                item->setBackground(QColor(0xff, 0xe6, 0xb3));
                item->setForeground(QColor(Qt::black));
                if (column == static_cast<int>(kStateColumn)) {
                    item->setIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
                }
            }
            m_table->setItem(row, column, item.release());  // the table owns its items
        }
        if (FromUtf8(station.name) == selected) {
            reselect = row;
        }
    }
    for (int column = 0; column + 1 < m_table->columnCount(); ++column) {
        m_table->resizeColumnToContents(column);
    }
    if (reselect >= 0) {
        m_table->setCurrentCell(reselect, 0);
    } else {
        m_table->clearSelection();
        m_table->setCurrentCell(-1, -1);
    }
    m_summary->setText(FromUtf8(m_board->Summary()));
    m_table->setAccessibleDescription(FromUtf8(m_board->Summary()));
    UpdateForget();
}

void StationsWindow::UpdateForget() {
    const bool chosen = !m_table->selectedItems().isEmpty();
    if (!chosen && m_forget->hasFocus()) {
        m_table->setFocus();  // never leave the focus on a control that no longer works
    }
    m_forget->setEnabled(chosen);
}

}  // namespace mireval
