#include "Dpms.h"

#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>

#include <cstdlib>

namespace {

// Errors the server reports for our requests are recorded, never fatal.
int g_errors = 0;
extern "C" int RecordError(Display*, XErrorEvent*)
{
    ++g_errors;
    return 0;
}

// The display named by $DISPLAY when it has the DPMS extension; closed with the object.
class CDpmsDisplay {
public:
    CDpmsDisplay()
    {
        const char* name = std::getenv("DISPLAY");
        if (name == nullptr || *name == '\0') return;
        m_pDisplay = XOpenDisplay(name);
        int event = 0, error = 0;
        if (m_pDisplay != nullptr && !DPMSQueryExtension(m_pDisplay, &event, &error)) {
            XCloseDisplay(m_pDisplay);
            m_pDisplay = nullptr;
        }
    }
    ~CDpmsDisplay()
    {
        if (m_pDisplay != nullptr) XCloseDisplay(m_pDisplay);
    }
    CDpmsDisplay(const CDpmsDisplay&) = delete;
    CDpmsDisplay& operator=(const CDpmsDisplay&) = delete;

    Display* Get() const { return m_pDisplay; }

private:
    Display* m_pDisplay = nullptr;
};

} // namespace

namespace dpms {

bool GetLowPowerTimeout(uint32_t& seconds)
{
    CDpmsDisplay display;
    if (display.Get() == nullptr) return false;
    CARD16 standby = 0, suspend = 0, off = 0;
    if (!DPMSGetTimeouts(display.Get(), &standby, &suspend, &off)) return false;
    seconds = standby;
    return true;
}

void SetLowPowerTimeout(uint32_t seconds)
{
    CDpmsDisplay display;
    if (display.Get() == nullptr) return;
    CARD16 standby = 0, suspend = 0, off = 0;
    if (!DPMSGetTimeouts(display.Get(), &standby, &suspend, &off)) return;
    standby = static_cast<CARD16>(seconds > 0xFFFF ? 0xFFFF : seconds);
    // A standby time-out above a set suspend time-out is refused by the server; the
    // refusal is recorded and the setting stays as it was.
    XErrorHandler previous = XSetErrorHandler(RecordError);
    DPMSSetTimeouts(display.Get(), standby, suspend, off);
    XSync(display.Get(), False);
    XSetErrorHandler(previous);
}

} // namespace dpms
