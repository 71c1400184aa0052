#include "LockIndicators.h"

#include <QGuiApplication>

#ifdef MIREVAL_HAVE_X11
#include <QtGui/qguiapplication_platform.h>
// Xlib's macros (None, Bool, Status) clash with Qt: it comes last and stays in this file.
#include <X11/XKBlib.h>
#endif

namespace mireval::ui {

#ifdef MIREVAL_HAVE_X11
namespace {
std::optional<bool> Indicator(Display* display, const char* name) {
    const Atom atom = XInternAtom(display, name, True);
    if (atom == 0) {
        return std::nullopt;
    }
    Bool on = False;
    if (!XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr)) {
        return std::nullopt;
    }
    return on == True;
}
}  // namespace

std::optional<KeyboardLocks> ReadKeyboardLocks() {
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                                   : nullptr;
    Display* display = x11 != nullptr ? x11->display() : nullptr;
    if (display == nullptr) {
        return std::nullopt;
    }
    const auto caps = Indicator(display, "Caps Lock");
    const auto num = Indicator(display, "Num Lock");
    const auto scroll = Indicator(display, "Scroll Lock");
    if (!caps || !num || !scroll) {
        return std::nullopt;
    }
    return KeyboardLocks{*caps, *num, *scroll};
}
#else
std::optional<KeyboardLocks> ReadKeyboardLocks() { return std::nullopt; }
#endif

}  // namespace mireval::ui
