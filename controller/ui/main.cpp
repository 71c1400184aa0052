#include "controller/ui/CTarvoApp.h"

int main(int argc, char** argv) {
    tarvo::CTarvoApp app(argc, argv);
    if (!app.InitInstance()) {
        return 1;
    }
    return tarvo::CTarvoApp::exec();
}
