#include "CTarvoApp.h"

#include <QIcon>

#include "common/widgets/SpanishTranslations.h"
#include "controller/ui/CAboutDlg.h"

namespace tarvo {

CTarvoApp::CTarvoApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Tarvo"));
    setWindowIcon(QIcon(QStringLiteral(":/tarvo/tarvo.png")));
}

// The window goes before the devices its view drives.
CTarvoApp::~CTarvoApp() {
    m_about.reset();
    m_frame.reset();
    m_document.reset();
    m_station.reset();
}

bool CTarvoApp::InitInstance() {
    common::InstallSpanishTranslations(m_translator);
    m_station = std::make_unique<SystemStation>();
    m_document = std::make_unique<CTarvoDoc>();
    m_frame = std::make_unique<CMainFrame>();
    auto view = std::make_unique<CTarvoView>(m_station->Devices());
    CTarvoView& shownView = *view;
    m_frame->SetView(std::move(view));
    connect(m_frame.get(), &CMainFrame::AboutRequested, this, &CTarvoApp::OnAppAbout);
    connect(m_frame.get(), &CMainFrame::CloseDeferred, this, [this] { m_station->EndPauses(); });
    shownView.OnInitialUpdate();
    m_frame->show();
    return true;
}

void CTarvoApp::OnAppAbout() {
    // Modal for the window, but the call returns at once: a box waiting in its own event loop
    // would hold a step of the cycle inside its pause, and the doors with it, until answered.
    m_about = std::make_unique<CAboutDlg>(m_frame.get());
    m_about->open();
}

CTarvoView* CTarvoApp::View() const {
    return m_frame ? qobject_cast<CTarvoView*>(m_frame->View()) : nullptr;
}

}  // namespace tarvo
