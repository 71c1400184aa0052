#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "console/commands/AttemptBrowser.h"
#include "console/commands/DatabaseLocation.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QTabWidget;
class QToolButton;

namespace mireval {

namespace ui {
class AttemptChartPanel;
class QtUserMessages;
}  // namespace ui

// The attempts window: the stations' attempts filtered by DNI, door, outcome and days, a page
// at a time, ordered by day, DNI or outcome; the selected attempt whole below the list; a chart
// of the filter's attempts per day and outcome; the filter's attempts exported as a sheet. Not
// modal: the administrator keeps it beside the form, "Intentos de este alumno" fills it again
// for each student looked up there, and a row opens its student on the form. The listing
// itself lives in AttemptBrowser; this only shows it.
class CAttemptsWindow : public QDialog {
    Q_OBJECT

  public:
    // Shows a DNI on the registration form; false when the form cannot look it up now.
    using StudentOpener = std::function<bool(const std::string& dni)>;

    CAttemptsWindow(DatabaseLocation database, QWidget* parent = nullptr);
    ~CAttemptsWindow() override;

    void SetStudentOpener(StudentOpener opener) { m_openStudent = std::move(opener); }

    // The first page for the filters as they stand ("Buscar").
    void OnSearch();
    // The student's attempts: the DNI filter holds the DNI, the other filters are emptied.
    void ShowStudent(const std::string& dni);
    void OnFirst();
    void OnPrevious();
    void OnNext();
    void OnLast();
    // Empties the filters and lists what that matches: never the rows of the filters before.
    void OnClearFilters();
    // The days that end today: 1 ("Hoy"), 7 or 30.
    void OnLastDays(int days);
    // Orders by the column (a header click): its other direction when it is the one ordered by.
    void OnHeaderClicked(int column);
    // Asks for a file and writes the filter's attempts there.
    void OnExport();
    // Writes the attempts the last search matched into the file; false when it could not (told).
    bool ExportTo(const QString& file);
    // Shows the selected row's student on the form.
    void OnOpenStudent();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    QLayout* BuildFilters();
    QWidget* BuildListPage();
    AttemptFilters Filters() const;
    void ShowPage();
    void ShowSelected();
    void ShowOrder();
    void ChooseDay(QLineEdit* field, QToolButton* button);

    QLineEdit* m_dni = nullptr;
    QComboBox* m_door = nullptr;
    QComboBox* m_outcome = nullptr;
    QLineEdit* m_from = nullptr;
    QToolButton* m_fromCalendar = nullptr;
    QLineEdit* m_to = nullptr;
    QToolButton* m_toCalendar = nullptr;
    QPushButton* m_today = nullptr;
    QPushButton* m_week = nullptr;
    QPushButton* m_month = nullptr;
    QPushButton* m_search = nullptr;
    QPushButton* m_clear = nullptr;
    QComboBox* m_order = nullptr;
    QPushButton* m_export = nullptr;
    QTabWidget* m_tabs = nullptr;
    QTableWidget* m_table = nullptr;
    QPlainTextEdit* m_detail = nullptr;
    ui::AttemptChartPanel* m_chart = nullptr;
    QLabel* m_summary = nullptr;
    QPushButton* m_first = nullptr;
    QPushButton* m_previous = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_last = nullptr;
    QPushButton* m_close = nullptr;

    std::unique_ptr<ui::QtUserMessages> m_messages;
    DatabaseAttempts m_source;
    std::unique_ptr<AttemptBrowser> m_browser;
    StudentOpener m_openStudent;
};

}  // namespace mireval
