#include "CMirevalApp.h"

#include "CMainFrame.h"
#include "QtUserMessages.h"
#include "ShellTexts.h"
#include "SpanishTexts.h"
#include "accessdb/DatabaseError.h"
#include "console/commands/DatabaseLocation.h"

CMirevalApp::CMirevalApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromUtf8(mireval::ui::texts::kCaption));
}

CMirevalApp::~CMirevalApp() = default;

bool CMirevalApp::InitInstance() {
    // Without the translations the toolkit speaks English; the console still works.
    mireval::ui::LoadSpanishToolkitTexts(m_translator);

    // "Alumnos.mdb" in the working directory, as the controller expects it, unless
    // TARVO_DATABASE names the site's server.
    const mireval::DatabaseLocation database = mireval::DatabaseLocation::FromEnvironment();
    try {
        database.EnsureExists();
    } catch (const accessdb::DatabaseError& error) {
        // Each command will report it again when it opens the file.
        mireval::ui::QtUserMessages(nullptr).ShowMessage(error.Description());
    }

    m_frame = std::make_unique<CMainFrame>(database, mireval::ui::CurrentYear());
    m_frame->InitialUpdateFrame();
    m_frame->show();
    return true;
}
