#pragma once

#include <QMainWindow>

#include "CMirevalDoc.h"
#include "console/commands/DatabaseLocation.h"

class QAction;
class QLabel;
class QTimer;

namespace mireval {

class CMirevalView;

// The console's main window: fixed size, shrunk to the form, with the "Ver" and "Ayuda" menus
// and a status bar of four panes (message, "MAY", "NUM", "DESP").
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

  private:
    void CreateMenus();
    void CreateStatusBar();
    void CreateAccelerators();
    void UpdateTitle();
    void UpdateLockIndicators();
    void ShowError(const std::string& text);

    DatabaseLocation m_database;
    CMirevalDoc m_document;
    CMirevalView* m_view = nullptr;
    QLabel* m_capsLock = nullptr;
    QLabel* m_numLock = nullptr;
    QLabel* m_scrollLock = nullptr;
    QTimer* m_lockTimer = nullptr;
    bool m_sizedToForm = false;
};

}  // namespace mireval
