#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QString>
#include <map>
#include <memory>
#include <string_view>

class QAction;
class QCloseEvent;

namespace tarvo {

// The controller's main window: fixed size, caption "Control de presencia", the menu and a status
// bar with the message pane and, when there is something to say, the station's state. The message
// pane keeps the last status text the controller showed: after a menu has been browsed it comes
// back, never the idle message "Listo".
class CMainFrame : public QMainWindow {
    Q_OBJECT

  public:
    CMainFrame();
    ~CMainFrame() override;

    // Puts the view in the frame and shrinks the frame to fit it, fixed from then on.
    void SetView(std::unique_ptr<QWidget> view);
    QWidget* View() const { return m_view.get(); }

    // The controller's way into the status bar; a text is kept to its first 255 characters.
    void ShowStatus(std::string_view text);
    QString MessagePaneText() const { return m_messagePane.text(); }
    // How the station stands with its database, in its own pane at the bar's right end; an empty
    // text hides the pane. A text too long for the pane is cut short there and read whole in
    // its tooltip and by screen readers.
    void ShowStationState(std::string_view text);
    const QLabel& StationStatePane() const { return m_stationState; }
    const QString& LastStatusText() const { return m_lastStatus; }
    QAction* StatusBarAction() const { return m_statusBarAction; }

  signals:
    void AboutRequested();
    // The window was asked to close while a step of the cycle was under way: it closes once
    // that step has ended, and the step's pauses should end now.
    void CloseDeferred();

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void PreCreateWindow();
    void OnCreate();
    QAction* AddCommand(QMenu& menu, const QString& text, int commandId);
    // The message pane's rules: a given text becomes the last status text and is shown; the idle
    // message shows the last status text; another identifier shows its prompt; 0 empties the
    // pane. Returns the identifier shown until now.
    int OnSetMessageString(int id, const QString* text);

    QLabel m_messagePane;
    QLabel m_stationState;
    bool m_closePending = false;
    QString m_lastStatus;
    int m_lastMessageId = 0;
    std::map<QString, int> m_promptIds;
    QAction* m_statusBarAction = nullptr;
    std::unique_ptr<QWidget> m_view;
};

}  // namespace tarvo
