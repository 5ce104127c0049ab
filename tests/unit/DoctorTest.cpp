// The environment check against fake systems: a folder tree made here stands for "/",
// and a fake probe gives the answers no file holds.
#include "Doctor.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
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

const CFinding& Find(const std::vector<CFinding>& findings, const std::string& area,
                     const std::string& check)
{
    for (const CFinding& finding : findings)
        if (finding.area == area && finding.check == check) return finding;
    static CFinding none{"", "", Verdict::Fails, "(no such finding)", "", false};
    ADD_FAILURE() << "no finding " << area << "." << check;
    return none;
}

// ---- Ports and memory

TEST(DoctorPorts, LockedDownKernelRefusesEveryWayButThePrinterPort)
{
    CFakeProbe probe;
    probe.Write("/sys/kernel/security/lockdown", "none [integrity] confidentiality\n");
    probe.Write("/proc/self/status", "Name:\ttavimore-run\nCapEff:\t000001ffffffffff\n");
    probe.Write("/dev/port", "");
    probe.ioperm = EPERM;
    probe.openErrors["/dev/port"] = EPERM;
    const auto findings = doctor::CheckPorts(probe, MachineSetup());
    EXPECT_EQ(Find(findings, "ports", "lockdown").verdict, Verdict::Fails);
    EXPECT_NE(Find(findings, "ports", "lockdown").cause.find("(integrity)"), std::string::npos);
    EXPECT_EQ(Find(findings, "ports", "capability").verdict, Verdict::Ok);
    EXPECT_NE(Find(findings, "ports", "ioperm").cause.find("locked-down"), std::string::npos);
    // No setcap advice: the capability is held and cannot help under lockdown.
    EXPECT_EQ(Find(findings, "ports", "dev-port").fix, "");
    EXPECT_EQ(Find(findings, "ports", "access").verdict, Verdict::Fails);
    EXPECT_FALSE(doctor::AllNeededOk(findings));
    EXPECT_NE(doctor::FirstFailure(findings).find("locked down"), std::string::npos);

    // The same refusals do not count when the scripts use the simulated ports.
    doctor::CDoctorSetup sim = MachineSetup();
    sim.portsChoice = "sim";
    EXPECT_TRUE(doctor::AllNeededOk(doctor::CheckPorts(probe, sim)));
}

// What a machine without port access reports is compared whole with the golden report
// at the end; this is the one without the capability.
TEST(DoctorPorts, NoCapabilityGivesTheSetcapCommand)
{
    CFakeProbe probe;
    probe.Write("/proc/self/status", "CapEff:\t0000000000000000\n");
    const auto findings = doctor::CheckPorts(probe, MachineSetup());
    const CFinding& cap = Find(findings, "ports", "capability");
    EXPECT_EQ(cap.verdict, Verdict::Fails);
    EXPECT_EQ(cap.fix.rfind("setcap cap_sys_rawio+ep /opt/tavimore/bin/tavimore-run\n", 0), 0u);
    EXPECT_NE(cap.fix.find("as good as root"), std::string::npos); // the consequence is stated
}

TEST(DoctorPorts, GrantedIopermAndDevPortAreEnough)
{
    CFakeProbe probe;
    probe.Write("/sys/kernel/security/lockdown", "[none] integrity confidentiality\n");
    probe.Write("/proc/self/status", "CapEff:\t0000000000020000\n"); // CAP_SYS_RAWIO alone
    probe.Write("/dev/port", "");
    probe.Write("/dev/mem", "");
    probe.Write("/proc/sys/kernel/osrelease", "6.1.0-test\n");
    probe.Write("/boot/config-6.1.0-test", "CONFIG_STRICT_DEVMEM=y\nCONFIG_IO_STRICT_DEVMEM=y\n");
    probe.ioperm = 0;
    auto findings = doctor::CheckPorts(probe, MachineSetup());
    EXPECT_EQ(Find(findings, "ports", "capability").verdict, Verdict::Ok);
    EXPECT_EQ(Find(findings, "ports", "ioperm").verdict, Verdict::Ok);
    EXPECT_EQ(Find(findings, "ports", "dev-port").verdict, Verdict::Ok);
    EXPECT_EQ(Find(findings, "ports", "access").cause, "Scripts reach the ports through ioperm.");
    EXPECT_EQ(Find(findings, "memory", "strict-devmem").verdict, Verdict::Warning);
    EXPECT_NE(Find(findings, "memory", "strict-devmem").fix.find("iomem=relaxed"),
              std::string::npos);
    EXPECT_TRUE(doctor::AllNeededOk(findings));

    probe.Write("/proc/cmdline", "BOOT_IMAGE=/vmlinuz root=/dev/sda1 iomem=relaxed\n");
    findings = doctor::CheckPorts(probe, MachineSetup());
    EXPECT_EQ(Find(findings, "memory", "strict-devmem").verdict, Verdict::Ok);
}

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
    auto findings = doctor::CheckPorts(probe, MachineSetup());
    const CFinding& held = Find(findings, "ports", "parport");
    EXPECT_EQ(held.verdict, Verdict::Fails);
    EXPECT_NE(held.cause.find("lp holds parport0"), std::string::npos);
    EXPECT_EQ(held.fix.rfind("modprobe -r lp\n", 0), 0u);
    EXPECT_EQ(Find(findings, "ports", "base").verdict, Verdict::Ok);

    // Released by lp, but the user is not in the group lp.
    probe.Write("/proc/sys/dev/parport/parport0/devices/active", "none\n");
    probe.openErrors["/dev/parport0"] = EACCES;
    findings = doctor::CheckPorts(probe, MachineSetup());
    EXPECT_NE(Find(findings, "ports", "parport").cause.find("(0660 root:lp) answers EACCES"),
              std::string::npos);
    EXPECT_EQ(Find(findings, "ports", "parport").fix,
              "usermod -aG lp alice   # then log out and in again");
    EXPECT_EQ(Find(findings, "ports", "lp-driver").verdict, Verdict::Warning);

    // Added to the group, but this session started before.
    probe.Write("/etc/group", "root:x:0:\nlp:x:7:alice\nalice:x:1000:\n");
    findings = doctor::CheckPorts(probe, MachineSetup());
    EXPECT_NE(Find(findings, "ports", "parport").fix.find("log out and in again"),
              std::string::npos);

    probe.openErrors.clear();
    findings = doctor::CheckPorts(probe, MachineSetup());
    EXPECT_EQ(Find(findings, "ports", "parport").verdict, Verdict::Ok);
    EXPECT_EQ(Find(findings, "ports", "access").cause,
              "Scripts reach the ports through /dev/parport0.");
    EXPECT_TRUE(doctor::AllNeededOk(findings));
}

TEST(DoctorPorts, BaseAddressAgainstTheKernelsList)
{
    CFakeProbe probe;
    probe.Write("/proc/ioports", "  d010-d012 : parport0\n  d000-d007 : parport0\n");
    auto findings = doctor::CheckPorts(probe, MachineSetup());
    EXPECT_EQ(Find(findings, "ports", "base").verdict, Verdict::Fails);
    EXPECT_EQ(Find(findings, "ports", "base").fix, "export TAVIMORE_PARPORT_BASE=0xd010");
    probe.env["TAVIMORE_PARPORT_BASE"] = "0xd010";
    findings = doctor::CheckPorts(probe, MachineSetup());
    EXPECT_EQ(Find(findings, "ports", "base").verdict, Verdict::Ok);
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

TEST(DoctorFtdi, DeviceBoundToFtdiSioWithRootOnlyPermissions)
{
    CFakeProbe probe;
    probe.Write("/etc/passwd",
                "root:x:0:0::/root:/bin/sh\nalice:x:1000:1000::/home/alice:/bin/sh\n");
    AddFtdiDevice(probe, true);
    probe.openErrors["/dev/bus/usb/001/005"] = EACCES;
    doctor::CDoctorSetup setup = MachineSetup();
    setup.ftdiLibrary = setup.ftdiVendorLibrary = "/usr/local/lib/libftd2xx.so";
    const auto findings = doctor::CheckFtdi(probe, setup);
    EXPECT_EQ(Find(findings, "ftdi", "library").cause,
              "FT245RL instructions use FTDI's libftd2xx.so (/usr/local/lib/libftd2xx.so).");
    EXPECT_EQ(Find(findings, "ftdi", "device-A9ABCDEF").cause,
              "Found 0403:6001 \"FT245R USB FIFO\" serial A9ABCDEF at USB 1-1.");
    const CFinding& driver = Find(findings, "ftdi", "device-A9ABCDEF-driver");
    EXPECT_EQ(driver.verdict, Verdict::Fails);
    EXPECT_EQ(driver.fix.rfind("echo -n 1-1:1.0 > /sys/bus/usb/drivers/ftdi_sio/unbind\n", 0), 0u);
    const CFinding& access = Find(findings, "ftdi", "device-A9ABCDEF-access");
    EXPECT_EQ(access.verdict, Verdict::Fails);
    EXPECT_NE(access.cause.find("(0664 root:0) answers EACCES"), std::string::npos);
    EXPECT_NE(access.fix.find("/etc/udev/rules.d/99-tavimore-ft245rl.rules"), std::string::npos);
    EXPECT_NE(access.fix.find("ATTRS{idVendor}==\"0403\", ATTRS{idProduct}==\"6001\""),
              std::string::npos);
    EXPECT_NE(access.fix.find("usermod -aG plugdev alice"), std::string::npos);
    EXPECT_EQ(Find(findings, "ftdi", "device-A9ABCDEF-latency").fix,
              "echo 1 > /sys/bus/usb-serial/devices/ttyUSB0/latency_timer");
    EXPECT_FALSE(doctor::AllNeededOk(findings));
}

TEST(DoctorFtdi, AdapterOpensADeviceTheUserMayUse)
{
    CFakeProbe probe;
    AddFtdiDevice(probe, true);
    auto findings = doctor::CheckFtdi(probe, MachineSetup());
    EXPECT_EQ(Find(findings, "ftdi", "library").verdict, Verdict::Ok);
    EXPECT_EQ(Find(findings, "ftdi", "device-A9ABCDEF-driver").verdict,
              Verdict::Ok); // libftdi1 detaches it
    EXPECT_EQ(Find(findings, "ftdi", "device-A9ABCDEF-access").verdict, Verdict::Ok);
    EXPECT_TRUE(doctor::AllNeededOk(findings));

    // A library that does not load counts; a missing device does not.
    CFakeProbe empty;
    empty.loadErrors["/opt/tavimore/lib/libtavimore-d2xx.so"] =
        "libftdi1.so.2: cannot open shared object file";
    findings = doctor::CheckFtdi(empty, MachineSetup());
    EXPECT_EQ(Find(findings, "ftdi", "devices").verdict, Verdict::Warning);
    EXPECT_EQ(Find(findings, "ftdi", "library").verdict, Verdict::Fails);
    EXPECT_EQ(doctor::FirstFailure(findings), "the D2XX adapter over libftdi1 does not load: "
                                              "libftdi1.so.2: cannot open shared object file");
}

// ---- Desktop

TEST(DoctorDesktop, WaylandWithoutXWaylandFailsAndXWaylandWarns)
{
    CFakeProbe probe;
    probe.env["XDG_SESSION_TYPE"] = "wayland";
    probe.env["WAYLAND_DISPLAY"] = "wayland-0";
    auto findings = doctor::CheckDesktop(probe, MachineSetup());
    EXPECT_EQ(Find(findings, "desktop", "session").verdict, Verdict::Fails);
    EXPECT_NE(Find(findings, "desktop", "session").cause.find("Wayland session without XWayland"),
              std::string::npos);
    EXPECT_FALSE(doctor::AllNeededOk(findings));

    probe.env["DISPLAY"] = ":0";
    probe.x11 = Openbox();
    findings = doctor::CheckDesktop(probe, MachineSetup());
    EXPECT_EQ(probe.asked, ":0");
    EXPECT_EQ(Find(findings, "desktop", "session").verdict, Verdict::Warning);
    EXPECT_TRUE(doctor::AllNeededOk(findings));
}

TEST(DoctorDesktop, WindowManagerCompositorLogindSoundAndMedia)
{
    CFakeProbe probe;
    probe.env["DISPLAY"] = ":1";
    probe.x11 = Openbox();
    probe.x11.supported.pop_back(); // no _NET_WM_PID
    probe.x11.dpms = 1;
    probe.logind = {true, "", "challenge"};
    auto findings = doctor::CheckDesktop(probe, MachineSetup());
    EXPECT_EQ(Find(findings, "desktop", "session").cause, "X11 on display :1.");
    EXPECT_EQ(Find(findings, "desktop", "window-manager").cause,
              "Openbox does not support _NET_WM_PID.");
    EXPECT_EQ(Find(findings, "desktop", "compositor").verdict, Verdict::Warning);
    EXPECT_EQ(Find(findings, "desktop", "dpms").verdict, Verdict::Ok);
    const CFinding& power = Find(findings, "desktop", "poweroff");
    EXPECT_EQ(power.verdict, Verdict::Fails);
    EXPECT_NE(power.fix.find("org.freedesktop.login1.power-off"), std::string::npos);
    EXPECT_FALSE(doctor::AllNeededOk(findings)); // the window manager counts

    probe.x11 = Openbox();
    probe.x11.compositor = true;
    probe.logind = {true, "", "yes"};
    probe.Write("/usr/bin/xterm", "", 0755);
    probe.env["XDG_RUNTIME_DIR"] = "/run/user/1000";
    probe.Write("/run/user/1000/pulse/native", "");
    for (const char* plugin :
         {"libgstogg.so", "libgsttheora.so", "libgstvorbis.so", "libgstplayback.so"})
        probe.Write(std::string("/usr/lib/x86_64-linux-gnu/gstreamer-1.0/") + plugin, "");
    findings = doctor::CheckDesktop(probe, MachineSetup());
    for (const char* check :
         {"window-manager", "compositor", "poweroff", "terminal", "sound", "media"})
        EXPECT_EQ(Find(findings, "desktop", check).verdict, Verdict::Ok) << check;
    EXPECT_TRUE(doctor::AllNeededOk(findings));
}

// ---- The program

TEST(DoctorProgram, ShippedLibrariesHelpAndSound)
{
    CFakeProbe probe;
    auto findings = doctor::CheckProgram(probe, MachineSetup());
    EXPECT_EQ(Find(findings, "program", "libtavimore-winio.so").verdict, Verdict::Fails);
    EXPECT_EQ(Find(findings, "program", "help").verdict, Verdict::Warning);
    // A build tree: libraries in devices/ beside bin/, help in docs/, the sound in sounds/.
    probe.Write("/opt/tavimore/bin/tavimore-run", "", 0755);
    for (const char* library : {"libtavimore-winio.so", "libtavimore-winio-sim.so",
                                "libtavimore-d2xx.so", "libtavimore-d2xx-sim.so"})
        probe.Write(std::string("/opt/tavimore/devices/") + library, "");
    probe.Write("/opt/tavimore/docs/language.md", "");
    probe.Write("/opt/tavimore/share/tavimore/sounds/ding.wav", "");
    findings = doctor::CheckProgram(probe, MachineSetup());
    EXPECT_EQ(Find(findings, "program", "libtavimore-d2xx.so").cause,
              "libtavimore-d2xx.so 1.0.1 at /opt/tavimore/devices/libtavimore-d2xx.so.");
    EXPECT_EQ(Find(findings, "program", "help").verdict, Verdict::Ok);
    EXPECT_EQ(Find(findings, "program", "sound-file").verdict, Verdict::Ok);
    EXPECT_TRUE(doctor::AllNeededOk(findings));
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
    const std::string text = doctor::FormatText(findings);
    const std::string json = doctor::FormatJson(findings);
    const std::string base = std::string(TAVIMORE_TEST_SOURCE_DIR) + "/unit/doctor/no-ports";
    if (const char* update = std::getenv("TAVIMORE_UPDATE_GOLDEN");
        update && std::string(update) == "1") {
        std::ofstream(base + ".out") << text;
        std::ofstream(base + ".json") << json;
    }
    EXPECT_EQ(text, ReadFile(base + ".out"));
    EXPECT_EQ(json, ReadFile(base + ".json"));
    EXPECT_FALSE(doctor::AllNeededOk(findings));
}

} // namespace
