#pragma once

#include <QDialog>
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "console/commands/DatabaseLocation.h"
#include "console/commands/TimetableBoard.h"
#include "console/commands/TimetableSource.h"

class QCalendarWidget;
class QCheckBox;
class QComboBox;
class QDate;
class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace mireval {

namespace ui {
class QtUserMessages;
}

// The timetables window: the timetables on a week grid (created, saved, renamed, deleted), the
// school calendar's days without school, each door's timetable and that of the student the
// form shows. Not modal; read again each time it is shown. The logic lives in TimetableBoard;
// this only shows it and passes the user's commands on.
class TimetablesWindow : public QDialog {
    Q_OBJECT

  public:
    explicit TimetablesWindow(DatabaseLocation database, QWidget* parent = nullptr);
    explicit TimetablesWindow(std::unique_ptr<TimetableSource> source, QWidget* parent = nullptr);
    ~TimetablesWindow() override;

    // The student the form shows now, or none; his timetable is read at once while shown.
    void ShowStudent(std::optional<std::string> dni);
    // Reads everything again, keeping the timetable selected.
    void OnRefresh();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BuildControls();
    QWidget* BuildTimetables();
    QWidget* BuildCalendar();
    QWidget* BuildDoors();
    QWidget* BuildStudent();
    void SetTabOrder();

    void OnSelect();
    void OnNew();
    void OnSave();
    void OnRename();
    void OnDelete();
    void OnDayChosen(const QDate& day);
    void OnAddRange();
    void OnRemoveRange();
    void OnDoorChosen(int door);
    void OnStudentChosen();

    // Shows what the board holds; `selected` the timetable to select in the list. The grid is
    // written again only when asked: a door's change must not undo a week being typed.
    void ShowAll(const std::string& selected, bool showWeek);
    void ShowWeek(const accessdb::Timetable* timetable);
    void ShowCalendar();
    void ShowChoices();
    std::string SelectedTimetable() const;
    void UpdateButtons();

    std::unique_ptr<ui::QtUserMessages> m_messages;
    std::unique_ptr<TimetableSource> m_source;
    std::unique_ptr<TimetableBoard> m_board;
    bool m_showing = false;  // the controls are being filled: their signals are not the user's

    QListWidget* m_list = nullptr;
    QLineEdit* m_name = nullptr;
    std::array<QLineEdit*, accessdb::kDaysPerWeek> m_days{};
    QCheckBox* m_noSchoolDays = nullptr;
    QPushButton* m_new = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_rename = nullptr;
    QPushButton* m_delete = nullptr;

    QCalendarWidget* m_calendar = nullptr;
    QDateEdit* m_from = nullptr;
    QDateEdit* m_to = nullptr;
    QLineEdit* m_description = nullptr;
    QPushButton* m_addRange = nullptr;
    QListWidget* m_ranges = nullptr;
    QPushButton* m_removeRange = nullptr;

    std::array<QComboBox*, kDoorCount> m_doors{};
    QLabel* m_studentShown = nullptr;
    QComboBox* m_studentTimetable = nullptr;
    QPushButton* m_close = nullptr;
};

}  // namespace mireval
