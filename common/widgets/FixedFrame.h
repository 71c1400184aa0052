#pragma once

#include <QMainWindow>

namespace common {

// The main windows' frame: moved, minimised and closed, but neither resized nor maximised.
Qt::WindowFlags FixedFrameFlags();

// The frame shrinks to fit the form in its centre and keeps that size from then on.
void ShrinkToForm(QMainWindow& frame);

}  // namespace common
