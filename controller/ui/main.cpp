#include "accessdb/FileKeeping.h"
#include "common/widgets/QuitOnSignal.h"
#include "controller/ui/CTarvoApp.h"

int main(int argc, char** argv) {
    // Outlives the window, so the file is folded and whole once the program has ended.
    const accessdb::KeepDatabaseFilesOpen keepFiles;
    tarvo::CTarvoApp app(argc, argv);
    const common::QuitOnSignal quitOnSignal;
    if (!app.InitInstance()) {
        return 1;
    }
    return tarvo::CTarvoApp::exec();
}
