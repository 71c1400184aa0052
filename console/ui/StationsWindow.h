#pragma once

#include <QDialog>
#include <memory>

#include "console/commands/DatabaseLocation.h"
#include "console/commands/StationBoard.h"
#include "console/commands/StationSource.h"

class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

namespace mireval {

namespace ui {
class QtUserMessages;
}

// The stations window: each door station's last report (when, whether it decides without its
// server, what it has not written yet, how old its copy of the students is), read again on
// "Actualizar" and every half minute while shown, and forgetting a retired station. Not modal.
// The list itself lives in StationBoard; this only shows it.
class StationsWindow : public QDialog {
    Q_OBJECT

  public:
    explicit StationsWindow(DatabaseLocation database, QWidget* parent = nullptr);
    // Any source and clock; the one above reads the database by the console's clock.
    StationsWindow(std::unique_ptr<StationSource> source, StationBoard::Clock now,
                   QWidget* parent = nullptr);
    ~StationsWindow() override;

    // Reads the list again; `askedByUser` as StationBoard::Refresh.
    void OnRefresh(bool askedByUser = true);
    // Asks, then forgets the selected station.
    void OnForget();
    // The timer that reads the list while the window is shown.
    const QTimer& RefreshTimer() const { return *m_timer; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void BuildControls();
    void ShowRows();
    void UpdateForget();

    std::unique_ptr<ui::QtUserMessages> m_messages;
    std::unique_ptr<StationSource> m_source;
    std::unique_ptr<StationBoard> m_board;
    QTableWidget* m_table = nullptr;
    QLabel* m_summary = nullptr;
    QPushButton* m_refresh = nullptr;
    QPushButton* m_forget = nullptr;
    QPushButton* m_close = nullptr;
    QTimer* m_timer = nullptr;
};

}  // namespace mireval
