#include "CMirevalApp.h"

int main(int argc, char** argv) {
    CMirevalApp app(argc, argv);
    if (!app.InitInstance()) {
        return 1;
    }
    return app.exec();
}
