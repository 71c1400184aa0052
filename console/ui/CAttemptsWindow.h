#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "console/commands/AttemptBrowser.h"
#include "console/commands/DatabaseLocation.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace mireval {

namespace ui {
class QtUserMessages;
}

// The attempts window: the stations' attempts, newest first, filtered by DNI, door, outcome
// and days, a page at a time. Not modal: the administrator keeps it beside the form, and
// "Intentos de este alumno" fills it again for each student looked up there. The listing
// itself lives in AttemptBrowser; this only shows it.
class CAttemptsWindow : public QDialog {
    Q_OBJECT

  public:
    CAttemptsWindow(DatabaseLocation database, QWidget* parent = nullptr);
    ~CAttemptsWindow() override;

    // The newest page for the filters as they stand ("Buscar").
    void OnSearch();
    // The student's attempts: the DNI filter holds the DNI, the other filters are emptied.
    void ShowStudent(const std::string& dni);
    void OnOlder();
    void OnNewer();
    void OnClearFilters();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    AttemptFilters Filters() const;
    void ShowPage();

    QLineEdit* m_dni = nullptr;
    QComboBox* m_door = nullptr;
    QComboBox* m_outcome = nullptr;
    QLineEdit* m_from = nullptr;
    QLineEdit* m_to = nullptr;
    QPushButton* m_search = nullptr;
    QPushButton* m_clear = nullptr;
    QTableWidget* m_table = nullptr;
    QLabel* m_summary = nullptr;
    QPushButton* m_newer = nullptr;
    QPushButton* m_older = nullptr;
    QPushButton* m_close = nullptr;

    std::unique_ptr<ui::QtUserMessages> m_messages;
    DatabaseAttempts m_source;
    std::unique_ptr<AttemptBrowser> m_browser;
};

}  // namespace mireval
