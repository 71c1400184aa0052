#include "CMirevalApp.h"

int main(int argc, char** argv) {
    mireval::CMirevalApp app(argc, argv);
    if (!app.InitInstance()) {
        return 1;
    }
    return mireval::CMirevalApp::exec();
}
