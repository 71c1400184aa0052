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
    shownView.OnInitialUpdate();
    m_frame->show();
    return true;
}

void CTarvoApp::OnAppAbout() {
    CAboutDlg about(m_frame.get());
    about.DoModal();
}

CTarvoView* CTarvoApp::View() const {
    return m_frame ? qobject_cast<CTarvoView*>(m_frame->View()) : nullptr;
}

}  // namespace tarvo
