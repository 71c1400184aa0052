#pragma once

#include <QApplication>
#include <QTranslator>
#include <memory>

namespace mireval {

class CMainFrame;

// The console program: Spanish toolkit texts, the database file in the working directory,
// and the main window with its form.
class CMirevalApp : public QApplication {
    Q_OBJECT

  public:
    CMirevalApp(int& argc, char** argv);
    ~CMirevalApp() override;

    // False when the main window cannot be created; the program then ends.
    bool InitInstance();

  private:
    QTranslator m_translator;
    std::unique_ptr<CMainFrame> m_frame;
};

}  // namespace mireval
