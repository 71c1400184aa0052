#include "TarvoResources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE declares the registration function where it is used: keep it at global scope.
static bool RegisterTarvoResources() {
    Q_INIT_RESOURCE(tarvo);
    return true;
}

namespace tarvo {

void LoadTarvoResources() {
    static const bool registered = RegisterTarvoResources();
    (void)registered;
}

}  // namespace tarvo
