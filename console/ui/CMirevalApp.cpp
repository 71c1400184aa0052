#include "CMirevalApp.h"

#include <ctime>

#include "CMainFrame.h"
#include "QtUserMessages.h"
#include "ShellTexts.h"
#include "accessdb/DatabaseError.h"
#include "common/widgets/SpanishTranslations.h"
#include "console/commands/DatabaseLocation.h"

namespace mireval {

namespace {

// The year of the local clock, from which the date lists reach ahead.
int CurrentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

}  // namespace

CMirevalApp::CMirevalApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromUtf8(ui::texts::kCaption));
}

CMirevalApp::~CMirevalApp() = default;

bool CMirevalApp::InitInstance() {
    // Without the translations the toolkit speaks English; the console still works.
    common::InstallSpanishTranslations(m_translator);

    // "Alumnos.mdb" in the working directory, as the controller expects it, unless
    // TARVO_DATABASE names the site's server.
    const DatabaseLocation database = DatabaseLocation::FromEnvironment();
    try {
        database.EnsureExists();
    } catch (const accessdb::DatabaseError& error) {
        // Each command will report it again when it opens the file.
        ui::QtUserMessages(nullptr).ShowMessage(error.Description());
    }

    m_frame = std::make_unique<CMainFrame>(database, CurrentYear());
    m_frame->InitialUpdateFrame();
    m_frame->show();
    return true;
}

}  // namespace mireval
