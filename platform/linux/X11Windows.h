// CX11Windows: the top-level windows of an X11 display (or XWayland), through Xlib.
//
// The connection is opened on first use and kept; without a display every call does
// nothing and reports no windows. Window handles are X11 window ids (32 bits). X
// errors caused by a window that went away, or by a number that names no window, are
// caught and ignored, never fatal.
#pragma once

#include <cstdint>
#include <string>

struct _XDisplay;

class CX11Windows {
public:
    // displayName: as for XOpenDisplay; empty means $DISPLAY.
    explicit CX11Windows(std::string displayName);
    ~CX11Windows();
    CX11Windows(const CX11Windows&) = delete;
    CX11Windows& operator=(const CX11Windows&) = delete;

    bool Available();

    // The top-level client windows, topmost first: the window manager's stacking list
    // when an EWMH window manager runs, else the root's children in stacking order
    // (the client inside each frame, or a mapped window without window manager).
    int Collect(uint32_t* list, int capacity);
    // The process that owns the window: _NET_WM_PID when set by a client of this
    // machine, else what the X server knows of the client (X-Resource); 0 if unknown.
    uint32_t OwnerProcess(uint32_t window);
    // _NET_WM_NAME, else WM_NAME, as UTF-8.
    std::string TitleUtf8(uint32_t window);
    // Asks the window to close: _NET_CLOSE_WINDOW to an EWMH window manager, else
    // WM_DELETE_WINDOW to a window that takes it.
    void Close(uint32_t window);
    // _NET_WM_WINDOW_OPACITY: alpha 255 is opaque (0xFFFFFFFF), 0 fully transparent.
    void SetOpacity(uint32_t window, uint8_t alpha);
    // Withdraws the window, or maps it normally, raised and activated.
    void Show(uint32_t window, bool show);

private:
    struct CAtoms;
    bool EwmhActive();
    bool EwmhSupports(unsigned long atom);
    void SendToRoot(uint32_t window, unsigned long type, long l0, long l1);

    std::string m_strDisplayName;
    _XDisplay* m_pDisplay = nullptr;
    bool m_bTried = false;
    bool m_bHaveXRes = false;
    CAtoms* m_pAtoms = nullptr;
    std::string m_strHostName;
};
