#include "LockKeys.h"

#include <QGuiApplication>

#if TAVIMORE_HAVE_XKB
#include <X11/XKBlib.h>
#endif

unsigned LockKeyState()
{
    unsigned state = 0;
#if TAVIMORE_HAVE_XKB
    if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
        // The usual indicator order of X keyboards: Caps Lock, Num Lock, Scroll Lock.
        if (Display* display = x11->display()) XkbGetIndicatorState(display, XkbUseCoreKbd, &state);
    }
#endif
    return state & 7u;
}
