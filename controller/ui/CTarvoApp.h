#pragma once

#include <QApplication>
#include <QDialog>
#include <QTranslator>
#include <memory>

#include "controller/ui/CMainFrame.h"
#include "controller/ui/CTarvoDoc.h"
#include "controller/ui/CTarvoView.h"
#include "controller/ui/SystemStation.h"

namespace tarvo {

// The controller program: the empty document, the main frame and the form view on the station's
// real devices. It takes no command-line options of its own.
class CTarvoApp : public QApplication {
    Q_OBJECT

  public:
    CTarvoApp(int& argc, char** argv);
    ~CTarvoApp() override;

    // Creates document, frame and view, starts the cycle's timer and shows the window.
    bool InitInstance();
    void OnAppAbout();

    CMainFrame* MainFrame() const { return m_frame.get(); }
    CTarvoView* View() const;

  private:
    QTranslator m_translator;
    std::unique_ptr<SystemStation> m_station;
    std::unique_ptr<CTarvoDoc> m_document;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<QDialog> m_about;
};

}  // namespace tarvo
