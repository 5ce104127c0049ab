#include "X11Windows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <vector>

struct CX11Windows::CAtoms {
    Atom netSupported, netSupportingWmCheck, netClientListStacking, netWmPid, netWmName, utf8String,
        netCloseWindow, netWmWindowOpacity, netActiveWindow, wmState, wmProtocols, wmDeleteWindow,
        wmClientMachine;
};

namespace {

// Xlib reports errors through one process-wide handler. While a trap is set, errors
// are counted instead of ending the program; the previous handler (the toolkit's, in
// the editor) comes back when the trap ends, after the requests made under it have
// been answered.
int g_nErrors = 0;
int CountError(Display*, XErrorEvent*)
{
    ++g_nErrors;
    return 0;
}

class CErrorTrap {
public:
    explicit CErrorTrap(Display* display) : m_pDisplay(display)
    {
        XSync(m_pDisplay, False);
        g_nErrors = 0;
        m_pPrevious = XSetErrorHandler(CountError);
    }
    ~CErrorTrap()
    {
        XSync(m_pDisplay, False);
        XSetErrorHandler(m_pPrevious);
    }
    CErrorTrap(const CErrorTrap&) = delete;
    CErrorTrap& operator=(const CErrorTrap&) = delete;

private:
    Display* m_pDisplay;
    XErrorHandler m_pPrevious;
};

// One property of 32-bit items (longs, as Xlib hands them out), or none.
std::vector<unsigned long> ReadLongs(Display* display, Window window, Atom property, Atom type)
{
    std::vector<unsigned long> items;
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, LONG_MAX / 4, False, type, &actualType,
                           &format, &count, &after, &data) == Success &&
        data != nullptr && format == 32 && actualType == type) {
        auto* longs = reinterpret_cast<unsigned long*>(data);
        items.assign(longs, longs + count);
    }
    if (data != nullptr) XFree(data);
    return items;
}

// One property of 8-bit items of the given type (AnyPropertyType: any), or none.
bool ReadBytes(Display* display, Window window, Atom property, Atom type, std::string& out,
               Atom* actual = nullptr)
{
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool ok = XGetWindowProperty(display, window, property, 0, LONG_MAX / 4, False, type,
                                 &actualType, &format, &count, &after, &data) == Success &&
              data != nullptr && format == 8 && actualType != None;
    if (ok) {
        out.assign(reinterpret_cast<char*>(data), count);
        if (actual) *actual = actualType;
    }
    if (data != nullptr) XFree(data);
    return ok;
}

std::string Latin1ToUtf8(const std::string& latin1)
{
    std::string out;
    for (unsigned char c : latin1) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// A title ends at its first NUL, as a C string would.
std::string CutAtNul(std::string text)
{
    size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    return text;
}

} // namespace

CX11Windows::CX11Windows(std::string displayName) : m_strDisplayName(std::move(displayName)) {}

CX11Windows::~CX11Windows()
{
    if (m_pDisplay != nullptr) XCloseDisplay(m_pDisplay);
    delete m_pAtoms;
}

bool CX11Windows::Available()
{
    if (m_bTried) return m_pDisplay != nullptr;
    m_bTried = true;
    m_pDisplay = XOpenDisplay(m_strDisplayName.empty() ? nullptr : m_strDisplayName.c_str());
    if (m_pDisplay == nullptr) return false;

    const char* names[] = {"_NET_SUPPORTED",
                           "_NET_SUPPORTING_WM_CHECK",
                           "_NET_CLIENT_LIST_STACKING",
                           "_NET_WM_PID",
                           "_NET_WM_NAME",
                           "UTF8_STRING",
                           "_NET_CLOSE_WINDOW",
                           "_NET_WM_WINDOW_OPACITY",
                           "_NET_ACTIVE_WINDOW",
                           "WM_STATE",
                           "WM_PROTOCOLS",
                           "WM_DELETE_WINDOW",
                           "WM_CLIENT_MACHINE"};
    Atom atoms[std::size(names)];
    XInternAtoms(m_pDisplay, const_cast<char**>(names), static_cast<int>(std::size(names)), False,
                 atoms);
    m_pAtoms = new CAtoms{atoms[0], atoms[1], atoms[2], atoms[3],  atoms[4],  atoms[5], atoms[6],
                          atoms[7], atoms[8], atoms[9], atoms[10], atoms[11], atoms[12]};

    int eventBase = 0, errorBase = 0;
    m_bHaveXRes = XResQueryExtension(m_pDisplay, &eventBase, &errorBase);
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) == 0) m_strHostName = host;
    return true;
}

// An EWMH window manager runs when the root names a check window that names itself.
bool CX11Windows::EwmhActive()
{
    Window root = DefaultRootWindow(m_pDisplay);
    CErrorTrap trap(m_pDisplay);
    std::vector<unsigned long> check =
        ReadLongs(m_pDisplay, root, m_pAtoms->netSupportingWmCheck, XA_WINDOW);
    if (check.size() != 1 || check[0] == 0) return false;
    std::vector<unsigned long> self =
        ReadLongs(m_pDisplay, check[0], m_pAtoms->netSupportingWmCheck, XA_WINDOW);
    return self.size() == 1 && self[0] == check[0];
}

bool CX11Windows::EwmhSupports(unsigned long atom)
{
    std::vector<unsigned long> supported =
        ReadLongs(m_pDisplay, DefaultRootWindow(m_pDisplay), m_pAtoms->netSupported, XA_ATOM);
    return std::find(supported.begin(), supported.end(), atom) != supported.end();
}

int CX11Windows::Collect(uint32_t* list, int capacity)
{
    if (!Available() || capacity <= 0) return 0;
    Window root = DefaultRootWindow(m_pDisplay);
    int count = 0;
    if (EwmhActive()) {
        std::vector<unsigned long> stacking =
            ReadLongs(m_pDisplay, root, m_pAtoms->netClientListStacking, XA_WINDOW);
        for (auto it = stacking.rbegin(); it != stacking.rend() && count < capacity; ++it)
            list[count++] = static_cast<uint32_t>(*it);
        return count;
    }

    // No EWMH window manager: the root's children, bottom first as XQueryTree gives
    // them. Behind a frame the client is the window that carries WM_STATE.
    CErrorTrap trap(m_pDisplay);
    Window rootReturn = 0, parent = 0;
    Window* children = nullptr;
    unsigned int childCount = 0;
    if (!XQueryTree(m_pDisplay, root, &rootReturn, &parent, &children, &childCount)) return 0;
    auto hasState = [&](Window w) {
        Atom type = None;
        int format = 0;
        unsigned long n = 0, after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(m_pDisplay, w, m_pAtoms->wmState, 0, 0, False, AnyPropertyType, &type,
                           &format, &n, &after, &data);
        if (data) XFree(data);
        return type != None;
    };
    auto findClient = [&](Window frame, auto& self, int depth) -> Window {
        if (hasState(frame)) return frame;
        if (depth == 0) return 0;
        Window r = 0, p = 0, *inner = nullptr;
        unsigned int n = 0;
        Window found = 0;
        if (XQueryTree(m_pDisplay, frame, &r, &p, &inner, &n)) {
            for (unsigned int i = 0; i < n && found == 0; ++i)
                found = self(inner[i], self, depth - 1);
            if (inner) XFree(inner);
        }
        return found;
    };
    for (unsigned int i = childCount; i-- > 0 && count < capacity;) {
        Window client = findClient(children[i], findClient, 3);
        if (client == 0) {
            XWindowAttributes attributes;
            if (!XGetWindowAttributes(m_pDisplay, children[i], &attributes) ||
                attributes.map_state != IsViewable || attributes.override_redirect)
                continue;
            client = children[i];
        }
        list[count++] = static_cast<uint32_t>(client);
    }
    if (children) XFree(children);
    return count;
}

uint32_t CX11Windows::OwnerProcess(uint32_t window)
{
    if (!Available() || window == 0) return 0;
    CErrorTrap trap(m_pDisplay);
    std::vector<unsigned long> pid = ReadLongs(m_pDisplay, window, m_pAtoms->netWmPid, XA_CARDINAL);
    if (pid.size() == 1 && pid[0] != 0) {
        // The number is a process of the client's machine; another machine's is no use.
        std::string machine;
        if (!ReadBytes(m_pDisplay, window, m_pAtoms->wmClientMachine, AnyPropertyType, machine) ||
            CutAtNul(machine) == m_strHostName)
            return static_cast<uint32_t>(pid[0]);
    }
    if (!m_bHaveXRes) return 0;
    XResClientIdSpec clientId{static_cast<XID>(window), XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* ids = nullptr;
    uint32_t owner = 0;
    if (XResQueryClientIds(m_pDisplay, 1, &clientId, &count, &ids) == Success) {
        for (long i = 0; i < count && owner == 0; ++i) {
            pid_t p = XResGetClientPid(&ids[i]);
            if (p > 0) owner = static_cast<uint32_t>(p);
        }
        XResClientIdsDestroy(count, ids);
    }
    // The server answers for the client that holds the window id's connection slot now,
    // without asking whether the window still exists: once its client has gone, the slot
    // may be another program's. A window that exists after the answer was its client's
    // all along (its client cannot have gone while it lived).
    XWindowAttributes attributes;
    if (owner != 0 && !XGetWindowAttributes(m_pDisplay, static_cast<Window>(window), &attributes))
        owner = 0;
    return owner;
}

std::string CX11Windows::TitleUtf8(uint32_t window)
{
    if (!Available() || window == 0) return {};
    CErrorTrap trap(m_pDisplay);
    std::string title;
    if (ReadBytes(m_pDisplay, window, m_pAtoms->netWmName, m_pAtoms->utf8String, title))
        return CutAtNul(title);
    Atom type = None;
    if (!ReadBytes(m_pDisplay, window, XA_WM_NAME, AnyPropertyType, title, &type)) return {};
    if (type == XA_STRING) return Latin1ToUtf8(CutAtNul(title));
    if (type == m_pAtoms->utf8String) return CutAtNul(title);
    // COMPOUND_TEXT and the like: Xlib converts them.
    XTextProperty property{reinterpret_cast<unsigned char*>(title.data()), type, 8, title.size()};
    char** lines = nullptr;
    int lineCount = 0;
    std::string converted;
    if (Xutf8TextPropertyToTextList(m_pDisplay, &property, &lines, &lineCount) >= Success &&
        lines) {
        for (int i = 0; i < lineCount; ++i)
            converted += lines[i];
        XFreeStringList(lines);
    }
    return converted;
}

void CX11Windows::SendToRoot(uint32_t window, unsigned long type, long l0, long l1)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    event.xclient.data.l[0] = l0;
    event.xclient.data.l[1] = l1;
    XSendEvent(m_pDisplay, DefaultRootWindow(m_pDisplay), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

void CX11Windows::Close(uint32_t window)
{
    if (!Available() || window == 0) return;
    if (EwmhActive() && EwmhSupports(m_pAtoms->netCloseWindow)) {
        CErrorTrap trap(m_pDisplay);
        SendToRoot(window, m_pAtoms->netCloseWindow, CurrentTime, 2 /* a user's tool asks */);
        return;
    }
    CErrorTrap trap(m_pDisplay);
    Atom* protocols = nullptr;
    int count = 0;
    bool takesDelete = false;
    if (XGetWMProtocols(m_pDisplay, window, &protocols, &count)) {
        takesDelete =
            std::find(protocols, protocols + count, m_pAtoms->wmDeleteWindow) != protocols + count;
        XFree(protocols);
    }
    if (!takesDelete) return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = m_pAtoms->wmProtocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(m_pAtoms->wmDeleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_pDisplay, window, False, NoEventMask, &event);
}

void CX11Windows::SetOpacity(uint32_t window, uint8_t alpha)
{
    if (!Available() || window == 0) return;
    CErrorTrap trap(m_pDisplay);
    unsigned long value = 0x01010101ul * alpha;
    XChangeProperty(m_pDisplay, window, m_pAtoms->netWmWindowOpacity, XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&value), 1);
}

void CX11Windows::Show(uint32_t window, bool show)
{
    if (!Available() || window == 0) return;
    bool ewmh = EwmhActive();
    CErrorTrap trap(m_pDisplay);
    if (!show) {
        XWithdrawWindow(m_pDisplay, window, DefaultScreen(m_pDisplay));
        return;
    }
    XMapRaised(m_pDisplay, window);
    if (ewmh) SendToRoot(window, m_pAtoms->netActiveWindow, 2, CurrentTime);
}
