#include "controller/ui/CTarvoApp.h"

int main(int argc, char** argv) {
    CTarvoApp app(argc, argv);
    if (!app.InitInstance()) {
        return 1;
    }
    return CTarvoApp::exec();
}
