#pragma once

#include <QMainWindow>

#include "CMirevalDoc.h"
#include "console/commands/DatabaseLocation.h"

class QAction;
class QLabel;
class QTimer;

namespace mireval {

class CAttemptsWindow;
class CMirevalView;
class StationsWindow;
class TimetablesWindow;

// The console's main window: fixed size, shrunk to the form, with the "Ver", "Intentos" and
// "Ayuda" menus and a status bar of four panes (message, "MAY", "NUM", "DESP").
class CMainFrame : public QMainWindow {
    Q_OBJECT

  public:
    CMainFrame(DatabaseLocation database, int currentYear, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The form writes its members to its controls; the first time, the frame shrinks to it.
    void InitialUpdateFrame();

    CMirevalView* View() const { return m_view; }
    const CMirevalDoc& Document() const { return m_document; }

    // Document commands, on Ctrl+N, Ctrl+O and Ctrl+S.
    void OnFileNew();
    void OnFileOpen();
    void OnFileSave();
    bool OpenDocumentFile(const QString& file);
    bool SaveDocumentFile(const QString& file);
    void OnAppAbout();
    // The attempts window, not modal: every attempt, or those of the student the form shows.
    void OnViewAttempts();
    void OnStudentAttempts();
    // The window once it has been opened, else null.
    CAttemptsWindow* AttemptsWindow() const { return m_attempts; }
    // The door stations' window, not modal; brought to the front when already open.
    void OnViewStations();
    StationsWindow* StationsView() const { return m_stations; }
    // The timetables window, not modal, following the student the form shows.
    void OnViewTimetables();
    TimetablesWindow* TimetablesView() const { return m_timetables; }

  private:
    void CreateMenus();
    void CreateStatusBar();
    void CreateAccelerators();
    void UpdateTitle();
    void UpdateLockIndicators();
    void ShowError(const std::string& text);
    // Opens the attempts window, or brings it to the front; true when it was not shown before.
    bool RaiseAttemptsWindow();
    // "Intentos de este alumno" is there only while the form shows a student; the timetables
    // window shows that student's timetable.
    void UpdateStudentAttempts();

    DatabaseLocation m_database;
    CMirevalDoc m_document;
    CMirevalView* m_view = nullptr;
    QLabel* m_capsLock = nullptr;
    QLabel* m_numLock = nullptr;
    QLabel* m_scrollLock = nullptr;
    QTimer* m_lockTimer = nullptr;
    QAction* m_studentAttempts = nullptr;
    CAttemptsWindow* m_attempts = nullptr;     // made at its first opening; kept when closed
    StationsWindow* m_stations = nullptr;      // likewise
    TimetablesWindow* m_timetables = nullptr;  // likewise
    bool m_sizedToForm = false;
};

}  // namespace mireval
