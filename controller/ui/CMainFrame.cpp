#include "CMainFrame.h"

#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <algorithm>

#include "common/widgets/FixedFrame.h"
#include "common/widgets/QtText.h"
#include "controller/ui/CTarvoView.h"
#include "controller/ui/ControlIds.h"
#include "controller/ui/StringTable.h"

namespace tarvo {

namespace {

constexpr int kStatusTextLimit = 255;
// The station's state takes at most this share of the window's width; the message pane keeps the
// rest.
constexpr int kStationStateShare = 2;

}  // namespace

CMainFrame::CMainFrame() {
    PreCreateWindow();
    OnCreate();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::PreCreateWindow() {
    // Fixed size, no maximise button, and the title alone as the caption.
    setWindowFlags(common::FixedFrameFlags());
    setWindowTitle(strings::DocumentTitle());
}

void CMainFrame::OnCreate() {
    QMenu& file = *menuBar()->addMenu(QStringLiteral("&Archivo"));
    file.setSeparatorsCollapsible(false);
    file.addSeparator();
    file.addSeparator();
    QAction* exit = AddCommand(file, QStringLiteral("&Salir"), ids::kAppExit);
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu& view = *menuBar()->addMenu(QStringLiteral("&Ver"));
    m_statusBarAction = AddCommand(view, QStringLiteral("&Barra de estado"), ids::kViewStatusBar);
    m_statusBarAction->setCheckable(true);
    m_statusBarAction->setChecked(true);
    connect(m_statusBarAction, &QAction::toggled, this,
            [this](bool shown) { statusBar()->setVisible(shown); });

    QMenu& help = *menuBar()->addMenu(QStringLiteral("Ay&uda"));
    QAction* about = AddCommand(help, QStringLiteral("&Acerca de Tarvo..."), ids::kAppAbout);
    connect(about, &QAction::triggered, this, &CMainFrame::AboutRequested);

    // The message pane, and at the right end the station's state, hidden until there is
    // something to say: no keyboard indicators, no size grip on a fixed window.
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(&m_messagePane, 1);
    m_stationState.setAccessibleName(QStringLiteral("Estado del puesto"));
    m_stationState.setTextFormat(Qt::PlainText);
    statusBar()->addPermanentWidget(&m_stationState);
    m_stationState.hide();
}

QAction* CMainFrame::AddCommand(QMenu& menu, const QString& text, int commandId) {
    QAction* action = menu.addAction(text);
    action->setData(commandId);
    action->setStatusTip(strings::Prompt(commandId));
    m_promptIds[action->statusTip()] = commandId;
    return action;
}

void CMainFrame::SetView(std::unique_ptr<QWidget> view) {
    m_view = std::move(view);
    setCentralWidget(m_view.get());
    common::ShrinkToForm(*this);
}

void CMainFrame::ShowStatus(std::string_view text) {
    const QString shown = common::FromUtf8(text).left(kStatusTextLimit);
    m_lastStatus = shown;
    OnSetMessageString(0, &shown);
}

void CMainFrame::ShowStationState(std::string_view text) {
    const QString state = common::FromUtf8(text);
    m_stationState.setToolTip(state);
    m_stationState.setAccessibleDescription(state);
    if (state.isEmpty()) {
        m_stationState.clear();
        m_stationState.hide();
        return;
    }
    const int room = std::max(width() / kStationStateShare, 1);
    m_stationState.setText(m_stationState.fontMetrics().elidedText(state, Qt::ElideRight, room));
    m_stationState.show();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    auto* view = qobject_cast<CTarvoView*>(m_view.get());
    if (view != nullptr && view->InTick()) {
        // The view must outlive the step it is running: its card is finished (door, record,
        // log) and the window closes right after.
        event->ignore();
        if (!m_closePending) {
            m_closePending = true;
            view->StopCycle();
            connect(
                view, &CTarvoView::TickEnded, this, &QWidget::close,
                static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
            emit CloseDeferred();
        }
        return;
    }
    m_closePending = false;
    QMainWindow::closeEvent(event);
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        // A highlighted menu item sends its prompt; leaving the menu sends an empty tip, the
        // moment the idle message is due.
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        const auto prompt = m_promptIds.find(tip);
        if (tip.isEmpty()) {
            OnSetMessageString(ids::kIdleMessage, nullptr);
        } else if (prompt != m_promptIds.end()) {
            OnSetMessageString(prompt->second, nullptr);
        } else {
            m_messagePane.setText(tip);
        }
        return true;
    }
    return QMainWindow::event(event);
}

int CMainFrame::OnSetMessageString(int id, const QString* text) {
    const int previous = m_lastMessageId;
    if (!statusBar()->isHidden()) {
        if (text != nullptr) {
            m_lastStatus = *text;
            m_messagePane.setText(*text);
        } else if (id == ids::kIdleMessage) {
            m_messagePane.setText(m_lastStatus);
        } else if (id != 0) {
            m_messagePane.setText(strings::Prompt(id));
        } else {
            m_messagePane.clear();
        }
    }
    m_lastMessageId = id;
    return previous;
}

}  // namespace tarvo
