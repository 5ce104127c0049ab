// The environment check against fake systems: a folder tree made here stands for "/",
// and a fake probe gives the answers no file holds.
#include "Doctor.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>

#include "TestSupport.h"

namespace fs = std::filesystem;
using doctor::CFinding;
using doctor::Verdict;

namespace {

class CFakeProbe final : public doctor::CDoctorProbe {
public:
    // Writes a file of the fake tree (a path from its root), making its folders.
    void Write(const std::string& path, const std::string& text, unsigned mode = 0644,
               unsigned gid = 0)
    {
        fs::create_directories(fs::path(root + path).parent_path());
        WriteFile(root + path, text);
        chmod((root + path).c_str(), mode);
        if (gid != 0 && chown((root + path).c_str(), 0, gid) != 0)
            ADD_FAILURE() << "chown " << path;
    }
    void Link(const std::string& path, const std::string& target)
    {
        fs::create_directories(fs::path(root + path).parent_path());
        fs::create_symlink(target, root + path);
    }

    std::string Root() const override { return root; }
    std::string Env(const std::string& name) const override
    {
        auto found = env.find(name);
        return found == env.end() ? std::string() : found->second;
    }
    int IoPermErrno() override { return ioperm; }
    int OpenErrno(const std::string& path) override
    {
        auto found = openErrors.find(path);
        if (found != openErrors.end()) return found->second;
        return access((root + path).c_str(), F_OK) == 0 ? 0 : ENOENT;
    }
    std::string LoadError(const std::string& library) override
    {
        auto found = loadErrors.find(library);
        return found == loadErrors.end() ? std::string() : found->second;
    }
    doctor::CX11Answer AskX11(const std::string& display) override
    {
        asked = display;
        return x11;
    }
    doctor::CLogindAnswer AskLogind() override { return logind; }
    unsigned Uid() const override { return 1000; }
    std::vector<unsigned> Groups() const override { return {1000}; }

    CTempDir folder;
    const std::string root = folder.Path();
    std::map<std::string, std::string> env{{"PATH", "/usr/bin"}};
    int ioperm = ENOSYS;
    std::map<std::string, int> openErrors;
    std::map<std::string, std::string> loadErrors;
    doctor::CX11Answer x11;
    doctor::CLogindAnswer logind{true, "", "yes"};
    std::string asked;
};

// An X server with openbox and no compositor.
doctor::CX11Answer Openbox()
{
    doctor::CX11Answer x;
    x.connected = true;
    x.hasSupported = true;
    x.supported = {"_NET_SUPPORTED", "_NET_CLIENT_LIST_STACKING", "_NET_CLOSE_WINDOW",
                   "_NET_WM_PID"};
    x.wmName = "Openbox";
    return x;
}

doctor::CDoctorSetup MachineSetup()
{
    doctor::CDoctorSetup setup;
    setup.portsLibrary = "/opt/tavimore/lib/libtavimore-winio.so";
    setup.ftdiLibrary = "/opt/tavimore/lib/libtavimore-d2xx.so";
    setup.executable = "/opt/tavimore/bin/tavimore-run";
    setup.executableFolder = "/opt/tavimore/bin";
    setup.installLibDir = "/opt/tavimore/lib";
    setup.installDataDir = "/opt/tavimore/share/tavimore";
    setup.version = "1.0.1";
    return setup;
}

// The text report of the findings, summary line included, against doctor/NAME.out.
void ExpectReport(const std::vector<CFinding>& findings, const std::string& name)
{
    const std::string text = doctor::FormatText(findings);
    EXPECT_EQ(text, GoldenText(TAVIMORE_TEST_SOURCE_DIR "/unit/doctor/" + name + ".out", text));
}

// ---- Ports and memory

// Without the capability the fix is the setcap command, and it says what that grants.
// Lockdown refuses every way but the printer port, and names itself as the cause: no
// setcap advice, since the capability is held and cannot help. Without lockdown, ioperm
// and /dev/port are enough.
TEST(DoctorPorts, TheCapabilityLockdownAndTheWaysThatAreEnough)
{
    CFakeProbe probe;
    probe.Write("/proc/self/status", "CapEff:\t0000000000000000\n");
    ExpectReport(doctor::CheckPorts(probe, MachineSetup()), "ports-no-capability");

    probe.Write("/sys/kernel/security/lockdown", "none [integrity] confidentiality\n");
    probe.Write("/proc/self/status", "Name:\ttavimore-run\nCapEff:\t000001ffffffffff\n");
    probe.Write("/dev/port", "");
    probe.ioperm = EPERM;
    probe.openErrors["/dev/port"] = EPERM;
    ExpectReport(doctor::CheckPorts(probe, MachineSetup()), "ports-lockdown");
    // The same refusals do not count when the scripts use the simulated ports.
    doctor::CDoctorSetup sim = MachineSetup();
    sim.portsChoice = "sim";
    EXPECT_TRUE(doctor::AllNeededOk(doctor::CheckPorts(probe, sim)));

    probe.Write("/sys/kernel/security/lockdown", "[none] integrity confidentiality\n");
    probe.Write("/proc/self/status", "CapEff:\t0000000000020000\n"); // CAP_SYS_RAWIO alone
    probe.Write("/dev/mem", "");
    probe.Write("/proc/sys/kernel/osrelease", "6.1.0-test\n");
    probe.Write("/boot/config-6.1.0-test", "CONFIG_STRICT_DEVMEM=y\nCONFIG_IO_STRICT_DEVMEM=y\n");
    probe.ioperm = 0;
    probe.openErrors.clear();
    ExpectReport(doctor::CheckPorts(probe, MachineSetup()), "ports-ioperm-strict-devmem");
    probe.Write("/proc/cmdline", "BOOT_IMAGE=/vmlinuz root=/dev/sda1 iomem=relaxed\n");
    ExpectReport(doctor::CheckPorts(probe, MachineSetup()), "ports-ioperm-iomem-relaxed");
}

// Held by lp; released but the user is not in the group lp; in the group but this
// session started before; open.
TEST(DoctorPorts, ParallelPortHeldByLpThenOpen)
{
    CFakeProbe probe;
    probe.Write("/etc/passwd",
                "root:x:0:0::/root:/bin/sh\nalice:x:1000:1000::/home/alice:/bin/sh\n");
    probe.Write("/etc/group", "root:x:0:\nlp:x:7:\nalice:x:1000:\n");
    probe.Write("/sys/class/parport/parport0/uevent", "");
    probe.Write("/dev/parport0", "", 0660, 7);
    probe.Write("/proc/modules",
                "ppdev 24576 0 - Live\nlp 20480 0 - Live\nparport_pc 40960 1 - Live\n");
    probe.Write("/proc/sys/dev/parport/parport0/devices/active", "lp\n");
    probe.Write("/proc/sys/dev/parport/parport0/devices/lp/timeslice", "200\n");
    probe.Write("/proc/ioports", "0000-0cf7 : PCI Bus 0000:00\n  0378-037a : parport0\n");
    ExpectReport(doctor::CheckPorts(probe, MachineSetup()), "parport-held-by-lp");
    probe.Write("/proc/sys/dev/parport/parport0/devices/active", "none\n");
    probe.openErrors["/dev/parport0"] = EACCES;
    ExpectReport(doctor::CheckPorts(probe, MachineSetup()), "parport-not-in-group");
    probe.Write("/etc/group", "root:x:0:\nlp:x:7:alice\nalice:x:1000:\n");
    ExpectReport(doctor::CheckPorts(probe, MachineSetup()), "parport-group-not-yet-in-session");
    probe.openErrors.clear();
    ExpectReport(doctor::CheckPorts(probe, MachineSetup()), "parport-open");
}

TEST(DoctorPorts, BaseAddressAgainstTheKernelsList)
{
    CFakeProbe probe;
    probe.Write("/proc/ioports", "  d010-d012 : parport0\n  d000-d007 : parport0\n");
    ExpectReport(doctor::CheckPorts(probe, MachineSetup()), "base-not-listed");
    probe.env["TAVIMORE_PARPORT_BASE"] = "0xd010";
    ExpectReport(doctor::CheckPorts(probe, MachineSetup()), "base-from-environment");
}

// ---- FT245RL

void AddFtdiDevice(CFakeProbe& probe, bool boundToSio)
{
    const std::string dir = "/sys/bus/usb/devices/1-1";
    probe.Write(dir + "/idVendor", "0403\n");
    probe.Write(dir + "/idProduct", "6001\n");
    probe.Write(dir + "/serial", "A9ABCDEF\n");
    probe.Write(dir + "/product", "FT245R USB FIFO\n");
    probe.Write(dir + "/busnum", "1\n");
    probe.Write(dir + "/devnum", "5\n");
    probe.Write("/sys/bus/usb/devices/1-1:1.0/bInterfaceNumber", "00\n");
    if (boundToSio) {
        probe.Link("/sys/bus/usb/devices/1-1:1.0/driver", "../../../../bus/usb/drivers/ftdi_sio");
        probe.Write("/sys/bus/usb/devices/1-1:1.0/ttyUSB0/uevent", "");
        probe.Write("/sys/bus/usb-serial/devices/ttyUSB0/latency_timer", "16\n");
    }
    probe.Write("/dev/bus/usb/001/005", "", 0664);
}

// The adapter over libftdi1 detaches ftdi_sio itself; FTDI's own library needs the device
// unbound from ftdi_sio, a udev rule for access and a low latency timer. A library that
// does not load counts; a missing device does not.
TEST(DoctorFtdi, TheAdapterOrTheVendorLibraryWithTheDeviceBoundToFtdiSio)
{
    CFakeProbe probe;
    AddFtdiDevice(probe, true);
    ExpectReport(doctor::CheckFtdi(probe, MachineSetup()), "ftdi-adapter-ready");
    probe.Write("/etc/passwd",
                "root:x:0:0::/root:/bin/sh\nalice:x:1000:1000::/home/alice:/bin/sh\n");
    probe.openErrors["/dev/bus/usb/001/005"] = EACCES;
    doctor::CDoctorSetup setup = MachineSetup();
    setup.ftdiLibrary = setup.ftdiVendorLibrary = "/usr/local/lib/libftd2xx.so";
    ExpectReport(doctor::CheckFtdi(probe, setup), "ftdi-vendor-library-root-only");
    CFakeProbe empty;
    empty.loadErrors["/opt/tavimore/lib/libtavimore-d2xx.so"] =
        "libftdi1.so.2: cannot open shared object file";
    ExpectReport(doctor::CheckFtdi(empty, MachineSetup()), "ftdi-adapter-does-not-load");
}

// ---- Desktop

TEST(DoctorDesktop, WaylandAloneFailsXWaylandWarnsAndX11CountsWhatItLacks)
{
    CFakeProbe probe;
    probe.env["XDG_SESSION_TYPE"] = "wayland";
    probe.env["WAYLAND_DISPLAY"] = "wayland-0";
    ExpectReport(doctor::CheckDesktop(probe, MachineSetup()), "wayland-alone");
    probe.env["DISPLAY"] = ":0";
    probe.x11 = Openbox();
    ExpectReport(doctor::CheckDesktop(probe, MachineSetup()), "wayland-with-xwayland");
    EXPECT_EQ(probe.asked, ":0");

    // X11: a window manager without _NET_WM_PID counts; logind's "challenge" fails power-off.
    probe.env.erase("XDG_SESSION_TYPE");
    probe.env.erase("WAYLAND_DISPLAY");
    probe.env["DISPLAY"] = ":1";
    probe.x11 = Openbox();
    probe.x11.supported.pop_back(); // no _NET_WM_PID
    probe.x11.dpms = 1;
    probe.logind = {true, "", "challenge"};
    ExpectReport(doctor::CheckDesktop(probe, MachineSetup()), "desktop-lacking");

    probe.x11 = Openbox();
    probe.x11.compositor = true;
    probe.logind = {true, "", "yes"};
    probe.Write("/usr/bin/xterm", "", 0755);
    probe.env["XDG_RUNTIME_DIR"] = "/run/user/1000";
    probe.Write("/run/user/1000/pulse/native", "");
    for (const char* plugin :
         {"libgstogg.so", "libgsttheora.so", "libgstvorbis.so", "libgstplayback.so"})
        probe.Write(std::string("/usr/lib/x86_64-linux-gnu/gstreamer-1.0/") + plugin, "");
    ExpectReport(doctor::CheckDesktop(probe, MachineSetup()), "desktop-complete");
}

// ---- The program

// Nothing installed; then a build tree: libraries in devices/ beside bin/, help in
// docs/, the sound in sounds/.
TEST(DoctorProgram, ShippedLibrariesHelpAndSound)
{
    CFakeProbe probe;
    ExpectReport(doctor::CheckProgram(probe, MachineSetup()), "program-missing");
    probe.Write("/opt/tavimore/bin/tavimore-run", "", 0755);
    for (const char* library : {"libtavimore-winio.so", "libtavimore-winio-sim.so",
                                "libtavimore-d2xx.so", "libtavimore-d2xx-sim.so"})
        probe.Write(std::string("/opt/tavimore/devices/") + library, "");
    probe.Write("/opt/tavimore/docs/language.md", "");
    probe.Write("/opt/tavimore/share/tavimore/sounds/ding.wav", "");
    ExpectReport(doctor::CheckProgram(probe, MachineSetup()), "program-build-tree");
}

// ---- Output: a machine like our build machine (no ports, no device, X11 with openbox)

TEST(DoctorOutput, TextAndJsonMatchTheirGoldenFiles)
{
    CFakeProbe probe;
    probe.Write("/proc/self/status", "CapEff:\t000001ffffffffff\n");
    probe.env["DISPLAY"] = ":99";
    probe.x11 = Openbox();
    probe.logind = {false, "Could not connect: No such file or directory", ""};
    probe.Write("/opt/tavimore/docs/language.md", "");
    for (const char* library : {"libtavimore-winio.so", "libtavimore-winio-sim.so",
                                "libtavimore-d2xx.so", "libtavimore-d2xx-sim.so"})
        probe.Write(std::string("/opt/tavimore/bin/") + library, "");
    const auto findings = doctor::CheckAll(probe, MachineSetup());
    ExpectReport(findings, "no-ports");
    const std::string json = doctor::FormatJson(findings);
    EXPECT_EQ(json, GoldenText(TAVIMORE_TEST_SOURCE_DIR "/unit/doctor/no-ports.json", json));
}

} // namespace
