#include "CMainFrame.h"

#include <QAbstractButton>
#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

#include "AttemptsTexts.h"
#include "CAboutDlg.h"
#include "CAttemptsWindow.h"
#include "CMirevalView.h"
#include "LockIndicators.h"
#include "MakeOwned.h"
#include "QtUserMessages.h"
#include "ShellTexts.h"
#include "StationsTexts.h"
#include "StationsWindow.h"
#include "TimetablesTexts.h"
#include "TimetablesWindow.h"
#include "common/widgets/FixedFrame.h"

namespace mireval {

namespace texts = ui::texts;
using ui::MakeOwned;

namespace {
constexpr int kLockPollMs = 250;

QLabel* IndicatorPane(QStatusBar& bar, const char* text, const char* name) {
    auto* pane = MakeOwned<QLabel>(&bar, QString::fromUtf8(text));
    pane->setObjectName(QString::fromUtf8(name));
    pane->setAlignment(Qt::AlignCenter);
    pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // Wide enough for its text whether lit or not.
    pane->setMinimumWidth(pane->sizeHint().width() + pane->fontMetrics().averageCharWidth() * 2);
    bar.addPermanentWidget(pane);
    return pane;
}
}  // namespace

CMainFrame::CMainFrame(DatabaseLocation database, int currentYear, QWidget* parent)
    : QMainWindow(parent), m_database(database) {
    setWindowFlags(common::FixedFrameFlags());
    setWindowIcon(QIcon(QStringLiteral(":/mireval/mireval.png")));
    m_view = MakeOwned<CMirevalView>(this, std::move(database), currentYear);
    setCentralWidget(m_view);
    CreateMenus();
    CreateStatusBar();
    CreateAccelerators();
    m_document.OnNewDocument();
    UpdateTitle();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::CreateMenus() {
    QMenu* view = menuBar()->addMenu(QString::fromUtf8(texts::kViewMenu));
    QAction* statusBarItem = view->addAction(QString::fromUtf8(texts::kStatusBarItem));
    statusBarItem->setObjectName(QStringLiteral("viewStatusBar"));
    statusBarItem->setStatusTip(QString::fromUtf8(texts::kStatusBarPrompt));
    statusBarItem->setCheckable(true);
    statusBarItem->setChecked(true);
    connect(statusBarItem, &QAction::toggled, this,
            [this](bool shown) { statusBar()->setVisible(shown); });
    QAction* stations = view->addAction(QString::fromUtf8(texts::kStationsItem));
    stations->setObjectName(QStringLiteral("viewStations"));
    stations->setStatusTip(QString::fromUtf8(texts::kStationsPrompt));
    connect(stations, &QAction::triggered, this, &CMainFrame::OnViewStations);
    QAction* timetables = view->addAction(QString::fromUtf8(texts::kTimetablesItem));
    timetables->setObjectName(QStringLiteral("viewTimetables"));
    timetables->setStatusTip(QString::fromUtf8(texts::kTimetablesPrompt));
    connect(timetables, &QAction::triggered, this, &CMainFrame::OnViewTimetables);

    QMenu* attempts = menuBar()->addMenu(QString::fromUtf8(texts::kAttemptsMenu));
    QAction* allAttempts = attempts->addAction(QString::fromUtf8(texts::kAttemptsItem));
    allAttempts->setObjectName(QStringLiteral("viewAttempts"));
    allAttempts->setStatusTip(QString::fromUtf8(texts::kAttemptsPrompt));
    allAttempts->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(allAttempts, &QAction::triggered, this, &CMainFrame::OnViewAttempts);
    m_studentAttempts = attempts->addAction(QString::fromUtf8(texts::kStudentAttemptsItem));
    m_studentAttempts->setObjectName(QStringLiteral("studentAttempts"));
    m_studentAttempts->setStatusTip(QString::fromUtf8(texts::kStudentAttemptsPrompt));
    m_studentAttempts->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));
    connect(m_studentAttempts, &QAction::triggered, this, &CMainFrame::OnStudentAttempts);
    // Only the form's commands change which student it shows; each runs on a button's click,
    // and this connection comes after the form's own, so it sees the command's outcome.
    for (auto* button : m_view->findChildren<QAbstractButton*>()) {
        connect(button, &QAbstractButton::clicked, this, &CMainFrame::UpdateStudentAttempts);
    }
    connect(attempts, &QMenu::aboutToShow, this, &CMainFrame::UpdateStudentAttempts);
    UpdateStudentAttempts();

    QMenu* help = menuBar()->addMenu(QString::fromUtf8(texts::kHelpMenu));
    QAction* about = help->addAction(QString::fromUtf8(texts::kAboutItem));
    about->setObjectName(QStringLiteral("appAbout"));
    about->setStatusTip(QString::fromUtf8(texts::kAboutPrompt));
    connect(about, &QAction::triggered, this, &CMainFrame::OnAppAbout);
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(false);
    // A normal widget: the prompt of a highlighted menu item covers it, and it shows again
    // when the prompt is gone.
    auto* ready = MakeOwned<QLabel>(bar, QString::fromUtf8(texts::kReady));
    ready->setObjectName(QStringLiteral("messagePane"));
    bar->addWidget(ready, 1);
    m_capsLock = IndicatorPane(*bar, texts::kCapsLock, "indicatorCaps");
    m_numLock = IndicatorPane(*bar, texts::kNumLock, "indicatorNum");
    m_scrollLock = IndicatorPane(*bar, texts::kScrollLock, "indicatorScroll");
    m_lockTimer = MakeOwned<QTimer>(this);
    connect(m_lockTimer, &QTimer::timeout, this, &CMainFrame::UpdateLockIndicators);
    m_lockTimer->start(kLockPollMs);
    UpdateLockIndicators();
}

// Only new, open and save have handlers. The edit keys (Ctrl+Z, Ctrl+X, Ctrl+C, Ctrl+V and
// their alternatives) are left to the edit boxes, which handle them themselves; F6 and
// Shift+F6 have no second pane to move to.
void CMainFrame::CreateAccelerators() {
    auto accelerator = [this](QKeySequence keys, const char* name, void (CMainFrame::*command)()) {
        auto* action = MakeOwned<QAction>(this);
        action->setObjectName(QString::fromUtf8(name));
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, command);
        addAction(action);
    };
    accelerator(QKeySequence(Qt::CTRL | Qt::Key_N), "fileNew", &CMainFrame::OnFileNew);
    accelerator(QKeySequence(Qt::CTRL | Qt::Key_O), "fileOpen", &CMainFrame::OnFileOpen);
    accelerator(QKeySequence(Qt::CTRL | Qt::Key_S), "fileSave", &CMainFrame::OnFileSave);
}

void CMainFrame::InitialUpdateFrame() {
    m_view->OnInitialUpdate();
    if (!m_sizedToForm) {
        m_sizedToForm = true;
        common::ShrinkToForm(*this);
    }
}

void CMainFrame::UpdateTitle() {
    setWindowTitle(QString::fromStdString(m_document.GetTitle()) +
                   QString::fromUtf8(texts::kTitleSeparator) +
                   QString::fromUtf8(texts::kWindowTitle));
}

void CMainFrame::UpdateLockIndicators() {
    const std::optional<ui::KeyboardLocks> locks = ui::ReadKeyboardLocks();
    auto show = [&](QLabel* pane, const char* text, bool known, bool lit) {
        // Unknown: dimmed rather than wrong. Known: the name while lit, an empty pane when not.
        pane->setEnabled(known);
        pane->setText(!known || lit ? QString::fromUtf8(text) : QString());
    };
    show(m_capsLock, texts::kCapsLock, locks.has_value(), locks && locks->capsLock);
    show(m_numLock, texts::kNumLock, locks.has_value(), locks && locks->numLock);
    show(m_scrollLock, texts::kScrollLock, locks.has_value(), locks && locks->scrollLock);
}

void CMainFrame::ShowError(const std::string& text) { ui::QtUserMessages(this).ShowMessage(text); }

void CMainFrame::OnFileNew() {
    m_document.OnNewDocument();
    UpdateTitle();
    InitialUpdateFrame();
}

void CMainFrame::OnFileOpen() {
    const QString file = QFileDialog::getOpenFileName(this, QString::fromUtf8(texts::kOpenCaption));
    if (!file.isEmpty()) {
        OpenDocumentFile(file);
    }
}

bool CMainFrame::OpenDocumentFile(const QString& file) {
    std::string error;
    if (!m_document.OnOpenDocument(file.toStdString(), error)) {
        ShowError(error);
        return false;
    }
    UpdateTitle();
    InitialUpdateFrame();
    return true;
}

void CMainFrame::OnFileSave() {
    QString file;
    if (const auto& path = m_document.GetPathName()) {
        file = QString::fromStdString(path->string());
    } else {
        file = QFileDialog::getSaveFileName(this, QString::fromUtf8(texts::kSaveCaption),
                                            QString::fromUtf8(texts::kNewFileName));
    }
    if (!file.isEmpty()) {
        SaveDocumentFile(file);
    }
}

bool CMainFrame::SaveDocumentFile(const QString& file) {
    std::string error;
    if (!m_document.OnSaveDocument(file.toStdString(),
                                   m_database.PathFor(accessdb::kDatabaseFileName), error)) {
        ShowError(error);
        return false;
    }
    UpdateTitle();
    return true;
}

void CMainFrame::OnAppAbout() {
    CAboutDlg about(this);
    about.exec();
}

bool CMainFrame::RaiseAttemptsWindow() {
    if (m_attempts == nullptr) {
        m_attempts = MakeOwned<CAttemptsWindow>(this, m_database);
        // A row of the list opens its student here, in front.
        m_attempts->SetStudentOpener([this](const std::string& dni) {
            if (!m_view->SearchStudent(dni)) {
                return false;
            }
            UpdateStudentAttempts();
            raise();
            activateWindow();
            return true;
        });
    }
    const bool opening = !m_attempts->isVisible();
    m_attempts->show();
    m_attempts->raise();
    m_attempts->activateWindow();
    return opening;
}

void CMainFrame::OnViewAttempts() {
    // Opened again, it lists what the stations have written meanwhile.
    if (RaiseAttemptsWindow()) {
        m_attempts->OnSearch();
    }
}

void CMainFrame::OnStudentAttempts() {
    const std::optional<std::string> dni = m_view->Form().ShownStudent();
    if (!dni) {
        return;
    }
    RaiseAttemptsWindow();
    m_attempts->ShowStudent(*dni);
}

void CMainFrame::OnViewStations() {
    if (m_stations == nullptr) {
        m_stations = MakeOwned<StationsWindow>(this, m_database);
    }
    // Shown, it reads the list at once (its showEvent).
    m_stations->show();
    m_stations->raise();
    m_stations->activateWindow();
}

void CMainFrame::OnViewTimetables() {
    if (m_timetables == nullptr) {
        m_timetables = MakeOwned<TimetablesWindow>(this, m_database);
    }
    m_timetables->ShowStudent(m_view->Form().ShownStudent());
    // Shown, it reads everything at once (its showEvent).
    m_timetables->show();
    m_timetables->raise();
    m_timetables->activateWindow();
}

void CMainFrame::UpdateStudentAttempts() {
    const std::optional<std::string> shown = m_view->Form().ShownStudent();
    m_studentAttempts->setEnabled(shown.has_value());
    if (m_timetables != nullptr && m_timetables->isVisible()) {
        m_timetables->ShowStudent(shown);
    }
}

}  // namespace mireval
