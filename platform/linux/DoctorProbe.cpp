// The environment check's probe of this system: files from "/", and the answers of
// the kernel (ioperm, open), the loader, the X server and logind.
#include "Doctor.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
#include <dbus/dbus.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define TAVIMORE_HAS_IOPERM 1
#endif

#include "DlLoader.h"
#include "Platform.h"

#ifndef TAVIMORE_INSTALL_LIBDIR
#define TAVIMORE_INSTALL_LIBDIR "/usr/local/lib/tavimore"
#endif
#ifndef TAVIMORE_INSTALL_DATADIR
#define TAVIMORE_INSTALL_DATADIR "/usr/local/share/tavimore"
#endif
#ifndef TAVIMORE_VERSION
#define TAVIMORE_VERSION "1.0.1"
#endif

namespace doctor {
namespace {

int IgnoreXError(Display*, XErrorEvent*)
{
    return 0;
}

// Reads a window property of type WINDOW or ATOM as a list of 32-bit items.
std::vector<unsigned long> ListProperty(Display* display, Window window, Atom property, Atom type)
{
    std::vector<unsigned long> items;
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 4096, False, type, &actualType, &format,
                           &count, &after, &data) == Success &&
        data != nullptr && format == 32) {
        auto* values = reinterpret_cast<unsigned long*>(data);
        items.assign(values, values + count);
    }
    if (data != nullptr) XFree(data);
    return items;
}

class CSystemProbe final : public CDoctorProbe {
public:
    std::string Root() const override { return "/"; }
    std::string Env(const std::string& name) const override
    {
        const char* value = std::getenv(name.c_str());
        return value ? value : "";
    }
    int IoPermErrno() override
    {
#ifdef TAVIMORE_HAS_IOPERM
        // The POST diagnostic port: nothing listens to it, and it is given back at once.
        if (ioperm(0x80, 1, 1) == 0) {
            ioperm(0x80, 1, 0);
            return 0;
        }
        return errno;
#else
        return -1;
#endif
    }
    int OpenErrno(const std::string& path) override
    {
        const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) return errno;
        close(fd);
        return 0;
    }
    std::string LoadError(const std::string& library) override
    {
        dlerror();
        void* handle = dlopen(library.c_str(), RTLD_LAZY | RTLD_LOCAL);
        if (handle == nullptr) {
            const char* why = dlerror();
            return why ? why : "cannot be loaded";
        }
        dlclose(handle);
        return {};
    }
    CX11Answer AskX11(const std::string& name) override
    {
        CX11Answer answer;
        Display* display = XOpenDisplay(name.c_str());
        if (display == nullptr) {
            answer.error = "XOpenDisplay refused " + name;
            return answer;
        }
        answer.connected = true;
        XErrorHandler previous = XSetErrorHandler(IgnoreXError);
        const Window root = DefaultRootWindow(display);
        const Atom supported = XInternAtom(display, "_NET_SUPPORTED", True);
        if (supported != None) {
            const std::vector<unsigned long> atoms =
                ListProperty(display, root, supported, XA_ATOM);
            answer.hasSupported = !atoms.empty();
            for (unsigned long atom : atoms)
                if (char* atomName = XGetAtomName(display, atom)) {
                    answer.supported.emplace_back(atomName);
                    XFree(atomName);
                }
        }
        // The window manager's name, from the window its _NET_SUPPORTING_WM_CHECK names.
        const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
        if (check != None) {
            const std::vector<unsigned long> windows =
                ListProperty(display, root, check, XA_WINDOW);
            const Atom wmName = XInternAtom(display, "_NET_WM_NAME", False);
            const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
            if (!windows.empty()) {
                Atom type = None;
                int format = 0;
                unsigned long count = 0, after = 0;
                unsigned char* data = nullptr;
                if (XGetWindowProperty(display, windows.front(), wmName, 0, 256, False, utf8, &type,
                                       &format, &count, &after, &data) == Success &&
                    data != nullptr && format == 8)
                    answer.wmName.assign(reinterpret_cast<char*>(data), count);
                if (data != nullptr) XFree(data);
            }
        }
        const Atom cm = XInternAtom(display, "_NET_WM_CM_S0", False);
        answer.compositor = XGetSelectionOwner(display, cm) != None;
        int event = 0, error = 0;
        if (DPMSQueryExtension(display, &event, &error) && DPMSCapable(display)) {
            CARD16 level = 0;
            BOOL enabled = False;
            answer.dpms = DPMSInfo(display, &level, &enabled) && enabled ? 1 : 0;
        }
        XSync(display, False);
        XSetErrorHandler(previous);
        XCloseDisplay(display);
        return answer;
    }
    CLogindAnswer AskLogind() override
    {
        CLogindAnswer answer;
        DBusError error;
        dbus_error_init(&error);
        // The system bus, or the one DBUS_SYSTEM_BUS_ADDRESS names.
        DBusConnection* bus = dbus_bus_get_private(DBUS_BUS_SYSTEM, &error);
        if (bus == nullptr) {
            answer.error = error.message ? error.message : "no system bus";
            dbus_error_free(&error);
            return answer;
        }
        dbus_connection_set_exit_on_disconnect(bus, FALSE);
        DBusMessage* call =
            dbus_message_new_method_call("org.freedesktop.login1", "/org/freedesktop/login1",
                                         "org.freedesktop.login1.Manager", "CanPowerOff");
        DBusMessage* reply =
            call ? dbus_connection_send_with_reply_and_block(bus, call, 3000, &error) : nullptr;
        const char* text = nullptr;
        if (reply != nullptr &&
            dbus_message_get_args(reply, &error, DBUS_TYPE_STRING, &text, DBUS_TYPE_INVALID)) {
            answer.reached = true;
            answer.answer = text;
        } else {
            answer.error = error.message ? error.message : "no answer";
        }
        if (reply != nullptr) dbus_message_unref(reply);
        if (call != nullptr) dbus_message_unref(call);
        dbus_error_free(&error);
        dbus_connection_close(bus);
        dbus_connection_unref(bus);
        return answer;
    }
    unsigned Uid() const override
    {
        return getuid();
    }
    std::vector<unsigned> Groups() const override
    {
        std::vector<gid_t> ids(static_cast<size_t>(getgroups(0, nullptr)) + 1);
        ids.resize(
            static_cast<size_t>(std::max(0, getgroups(static_cast<int>(ids.size()), ids.data()))));
        ids.push_back(getgid());
        return {ids.begin(), ids.end()};
    }
};

} // namespace

std::unique_ptr<CDoctorProbe> CreateDoctorProbe()
{
    return std::make_unique<CSystemProbe>();
}

CDoctorSetup DoctorSetup(const std::string& portsChoice, const std::string& ftdiChoice)
{
    CDoctorSetup setup;
    setup.portsChoice = portsChoice;
    setup.ftdiChoice = ftdiChoice;
    setup.portsLibrary = ResolveDeviceLibrary(DeviceLibrary::Ports, portsChoice);
    setup.ftdiLibrary = ResolveDeviceLibrary(DeviceLibrary::Ftdi, ftdiChoice);
    for (const std::string& vendor : FtdiVendorLibraryCandidates())
        if (vendor == setup.ftdiLibrary) setup.ftdiVendorLibrary = vendor;
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n > 0) setup.executable.assign(path, static_cast<size_t>(n));
    setup.executableFolder = ::ExecutableFolder();
    setup.installLibDir = TAVIMORE_INSTALL_LIBDIR;
    setup.installDataDir = TAVIMORE_INSTALL_DATADIR;
    setup.version = TAVIMORE_VERSION;
    return setup;
}

} // namespace doctor
