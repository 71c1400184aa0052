#include "common/widgets/FixedFrame.h"

namespace common {

Qt::WindowFlags FixedFrameFlags() {
    return Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
}

void ShrinkToForm(QMainWindow& frame) {
    frame.adjustSize();
    frame.setFixedSize(frame.sizeHint());
}

}  // namespace common
