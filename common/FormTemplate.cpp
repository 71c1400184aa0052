#include "common/FormTemplate.h"

namespace common {

const ControlTemplate* FormTemplate::Find(int controlId) const {
    for (const ControlTemplate& control : controls) {
        if (control.id == controlId) {
            return &control;
        }
    }
    return nullptr;
}

}  // namespace common
