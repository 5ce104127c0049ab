// The checks of the environment check, each from what the system reports in its files
// under the probe's root and from the probe's answers.
#include "Doctor.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace doctor {
namespace {

constexpr int kCapSysRawio = 17;

class CTree {
public:
    explicit CTree(const CDoctorProbe& probe) : m_root(probe.Root())
    {
        while (m_root.size() > 1 && m_root.back() == '/')
            m_root.pop_back();
        if (m_root == "/") m_root.clear();
    }
    std::string Path(const std::string& path) const { return m_root + path; }
    bool Exists(const std::string& path) const
    {
        struct stat info {};
        return stat(Path(path).c_str(), &info) == 0;
    }
    bool Read(const std::string& path, std::string& text) const
    {
        std::ifstream in(Path(path), std::ios::binary);
        if (!in) return false;
        std::ostringstream all;
        all << in.rdbuf();
        text = all.str();
        return true;
    }
    // The first line of a file, without its line end; empty when it cannot be read.
    std::string Line(const std::string& path) const
    {
        std::string text;
        if (!Read(path, text)) return {};
        text = text.substr(0, text.find('\n'));
        return text;
    }
    std::vector<std::string> List(const std::string& path) const
    {
        std::vector<std::string> names;
        if (DIR* dir = opendir(Path(path).c_str())) {
            while (dirent* entry = readdir(dir))
                if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
            closedir(dir);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // The last component of a symbolic link's target, empty when it is none.
    std::string LinkName(const std::string& path) const
    {
        char buffer[4096];
        ssize_t n = readlink(Path(path).c_str(), buffer, sizeof buffer - 1);
        if (n <= 0) return {};
        std::string target(buffer, static_cast<size_t>(n));
        return target.substr(target.rfind('/') + 1);
    }
    bool Stat(const std::string& path, struct stat& info) const
    {
        return stat(Path(path).c_str(), &info) == 0;
    }

private:
    std::string m_root;
};

CFinding Make(const char* area, const std::string& check, Verdict verdict, std::string cause,
              std::string fix = {}, bool counts = true)
{
    return {area, check, verdict, std::move(cause), std::move(fix), counts};
}

std::string ErrnoName(int error)
{
    switch (error) {
    case ENOSYS:
        return "ENOSYS";
    case EPERM:
        return "EPERM";
    case EACCES:
        return "EACCES";
    case ENOENT:
        return "ENOENT";
    case EBUSY:
        return "EBUSY";
    case ENXIO:
        return "ENXIO";
    case ENODEV:
        return "ENODEV";
    case EINVAL:
        return "EINVAL";
    default:
        return "errno " + std::to_string(error);
    }
}

std::string Hex(unsigned value, int width = 0)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*x", width, value);
    return text;
}

std::string Octal(unsigned mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", mode & 07777);
    return text;
}

// Group name and members from etc/group.
struct CGroup {
    std::string name;
    unsigned gid = 0;
    std::vector<std::string> members;
};

std::vector<CGroup> Groups(const CTree& tree)
{
    std::vector<CGroup> groups;
    std::string text;
    if (!tree.Read("/etc/group", text)) return groups;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, ':');)
            fields.push_back(field);
        if (fields.size() < 3) continue;
        CGroup group{
            fields[0], static_cast<unsigned>(std::strtoul(fields[2].c_str(), nullptr, 10)), {}};
        if (fields.size() > 3) {
            std::istringstream names(fields[3]);
            for (std::string member; std::getline(names, member, ',');)
                group.members.push_back(member);
        }
        groups.push_back(std::move(group));
    }
    return groups;
}

std::string GroupName(const CTree& tree, unsigned gid)
{
    for (const CGroup& group : Groups(tree))
        if (group.gid == gid) return group.name;
    return std::to_string(gid);
}

std::string UserName(const CTree& tree, unsigned uid)
{
    std::string text;
    if (tree.Read("/etc/passwd", text)) {
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            size_t a = line.find(':');
            size_t b = line.find(':', a + 1);
            size_t c = line.find(':', b + 1);
            if (c == std::string::npos) continue;
            if (std::strtoul(line.substr(b + 1, c - b - 1).c_str(), nullptr, 10) == uid)
                return line.substr(0, a);
        }
    }
    return "$USER";
}

bool ModuleLoaded(const CTree& tree, const std::string& module)
{
    std::string text;
    if (!tree.Read("/proc/modules", text)) return false;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (line.compare(0, module.size() + 1, module + " ") == 0) return true;
    return false;
}

// CapEff of this process from proc/self/status.
bool HasCapability(const CTree& tree, int capability)
{
    std::string text;
    if (!tree.Read("/proc/self/status", text)) return false;
    size_t at = text.find("CapEff:");
    if (at == std::string::npos) return false;
    const unsigned long long mask = std::strtoull(text.c_str() + at + 7, nullptr, 16);
    return (mask >> capability & 1) != 0;
}

std::string SetcapFix(const CDoctorSetup& setup)
{
    const std::string file =
        setup.executable.empty() ? "/usr/local/bin/tavimore-run-hw" : setup.executable;
    return "setcap cap_sys_rawio+ep " + file +
           "\n# Anyone who may run that file then reaches every I/O port and all physical memory, "
           "as "
           "good as root:\n# give it to a copy only a trusted group may run (docs/setup.md, "
           "\"CAP_SYS_RAWIO\").";
}

struct CIoRange {
    unsigned first = 0, last = 0;
    std::string owner;
};

std::vector<CIoRange> IoPorts(const CTree& tree)
{
    std::vector<CIoRange> ranges;
    std::string text;
    if (!tree.Read("/proc/ioports", text)) return ranges;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        CIoRange range;
        char owner[256] = {};
        if (std::sscanf(line.c_str(), " %x-%x : %255[^\n]", &range.first, &range.last, owner) ==
            3) {
            range.owner = owner;
            ranges.push_back(range);
        }
    }
    return ranges;
}

} // namespace

// ---- Ports and memory

std::vector<CFinding> CheckPorts(CDoctorProbe& probe, const CDoctorSetup& setup)
{
    const CTree tree(probe);
    const bool chosen = setup.portsChoice == "system";
    std::vector<CFinding> out;
    bool anyWay = false;
    std::string ways;

    // Lockdown refuses ioperm, iopl, /dev/port and /dev/mem to everyone, root included.
    bool lockedDown = false;
    if (std::string state = tree.Line("/sys/kernel/security/lockdown"); state.empty()) {
        out.push_back(
            Make("ports", "lockdown", Verdict::Ok, "The kernel reports no lockdown.", {}, false));
    } else {
        const size_t open = state.find('['), close = state.find(']');
        const std::string mode = open != std::string::npos && close > open
                                     ? state.substr(open + 1, close - open - 1)
                                     : state;
        lockedDown = mode != "none";
        if (lockedDown)
            out.push_back(Make(
                "ports", "lockdown", Verdict::Fails,
                "The kernel is locked down (" + mode +
                    "), which refuses ioperm, iopl, /dev/port and /dev/mem to every process, root "
                    "included.",
                "# Lockdown follows Secure Boot: turn Secure Boot off in the firmware setup, or\n"
                "mokutil --disable-validation   # then reboot and confirm\n"
                "# Only the parallel port through ppdev (group lp) works under lockdown.",
                false));
        else
            out.push_back(Make("ports", "lockdown", Verdict::Ok, "The kernel is not locked down.",
                               {}, false));
    }

    const bool rawio = HasCapability(tree, kCapSysRawio);
    if (rawio)
        out.push_back(Make("ports", "capability", Verdict::Ok, "This process holds CAP_SYS_RAWIO.",
                           {}, false));
    else
        out.push_back(
            Make("ports", "capability", Verdict::Fails,
                 "This process lacks CAP_SYS_RAWIO, which ioperm, /dev/port and /dev/mem need.",
                 SetcapFix(setup), false));

    const int ioperm = probe.IoPermErrno();
    if (ioperm == 0) {
        anyWay = true;
        ways = "ioperm";
        out.push_back(
            Make("ports", "ioperm", Verdict::Ok, "ioperm grants the I/O ports.", {}, false));
    } else if (ioperm < 0) {
        out.push_back(Make(
            "ports", "ioperm", Verdict::Warning,
            "This processor has no I/O-port instructions; only /dev/port or ppdev can reach ports.",
            {}, false));
    } else if (ioperm == ENOSYS) {
        out.push_back(
            Make("ports", "ioperm", Verdict::Fails,
                 "ioperm answers ENOSYS: this kernel is built without I/O-port permissions "
                 "(CONFIG_X86_IOPL_IOPERM), as many virtual machines' kernels are.",
                 "# No setting brings it back; use /dev/port or the parallel port through ppdev.",
                 false));
    } else {
        out.push_back(Make("ports", "ioperm", Verdict::Fails,
                           "ioperm answers " + ErrnoName(ioperm) + ": " +
                               (lockedDown ? "the locked-down kernel refuses it."
                                           : "the process lacks CAP_SYS_RAWIO."),
                           lockedDown ? std::string() : SetcapFix(setup), false));
    }

    auto device = [&](const char* check, const std::string& path, const std::string& missingCause,
                      const std::string& missingFix) {
        if (!tree.Exists(path)) {
            out.push_back(Make("ports", check, Verdict::Fails, missingCause, missingFix, false));
            return false;
        }
        const int error = probe.OpenErrno(path);
        if (error == 0) {
            out.push_back(Make("ports", check, Verdict::Ok,
                               path + " opens for reading and writing.", {}, false));
            return true;
        }
        out.push_back(Make(
            "ports", check, Verdict::Fails,
            path + " is present but opening it answers " + ErrnoName(error) + ": " +
                (lockedDown ? "the locked-down kernel refuses it." : "it needs CAP_SYS_RAWIO."),
            lockedDown ? std::string() : SetcapFix(setup), false));
        return false;
    };
    if (device(
            "dev-port", "/dev/port",
            "There is no /dev/port: this kernel is built without it (CONFIG_DEVPORT), or the "
            "container does not pass it in.",
            "# In a container: start it with --device /dev/port; otherwise use ioperm or ppdev.")) {
        if (!anyWay) ways = "/dev/port";
        anyWay = true;
    }
    const bool mem =
        device("dev-mem", "/dev/mem",
               "There is no /dev/mem: DT and memory instructions cannot reach physical memory.",
               "# In a container: start it with --device /dev/mem.");
    out.back().area = "memory";

    // A strict /dev/mem maps only the first MiB and device memory.
    if (mem) {
        std::string cmdline = tree.Line("/proc/cmdline");
        std::string config;
        const std::string release = tree.Line("/proc/sys/kernel/osrelease");
        tree.Read("/boot/config-" + release, config);
        if (cmdline.find("iomem=relaxed") != std::string::npos)
            out.push_back(Make("memory", "strict-devmem", Verdict::Ok,
                               "The kernel was booted with iomem=relaxed.", {}, false));
        else if (config.find("CONFIG_STRICT_DEVMEM=y") != std::string::npos)
            out.push_back(
                Make("memory", "strict-devmem", Verdict::Warning,
                     "The kernel is built with CONFIG_STRICT_DEVMEM: /dev/mem reaches only the "
                     "first MiB "
                     "and device memory.",
                     "# Add iomem=relaxed to GRUB_CMDLINE_LINUX in /etc/default/grub, then:\n"
                     "update-grub && reboot",
                     false));
        else if (!config.empty())
            out.push_back(Make("memory", "strict-devmem", Verdict::Ok,
                               "/dev/mem is not restricted (no CONFIG_STRICT_DEVMEM).", {}, false));
        else
            out.push_back(
                Make("memory", "strict-devmem", Verdict::Warning,
                     "The kernel's configuration (/boot/config-" + release +
                         ") is not readable, so whether /dev/mem is strict cannot be told.",
                     {}, false));
    }

    // Parallel ports: the kernel's list, the ppdev nodes, their rights, the lp driver.
    const std::vector<std::string> parports = tree.List("/sys/class/parport");
    const std::string wanted =
        setup.portsChoice == "system" && !probe.Env("TAVIMORE_PARPORT").empty()
            ? probe.Env("TAVIMORE_PARPORT")
            : "/dev/parport0";
    if (parports.empty()) {
        out.push_back(Make("ports", "parport", Verdict::Fails,
                           "The kernel lists no parallel port in /sys/class/parport.",
                           ModuleLoaded(tree, "parport_pc")
                               ? "# parport_pc is loaded and found no port: check the port is "
                                 "enabled in the firmware setup."
                               : "modprobe parport_pc ppdev\n# to load them at boot: printf "
                                 "'parport_pc\\nppdev\\n' >> /etc/modules",
                           false));
    } else {
        const std::string name = wanted.substr(wanted.rfind('/') + 1);
        struct stat info {};
        if (!tree.Stat(wanted, info)) {
            out.push_back(Make("ports", "parport", Verdict::Fails,
                               "The kernel lists " + parports.front() + " but there is no " +
                                   wanted + ": the ppdev driver is not loaded.",
                               "modprobe ppdev\n# at boot: echo ppdev >> /etc/modules", false));
        } else {
            const std::string group = GroupName(tree, info.st_gid);
            const int error = probe.OpenErrno(wanted);
            const std::string active =
                tree.Line("/proc/sys/dev/parport/" + name + "/devices/active");
            if (error == 0 && active != "lp") {
                anyWay = true;
                if (ways.empty()) ways = wanted;
                out.push_back(
                    Make("ports", "parport", Verdict::Ok,
                         wanted + " (" + Octal(info.st_mode) + " root:" + group + ") opens.", {},
                         false));
            } else if (error == 0 || error == EBUSY) {
                out.push_back(
                    Make("ports", "parport", Verdict::Fails,
                         "The printer driver lp holds " + name + ", so ppdev cannot claim it.",
                         "modprobe -r lp\n# keep it off: echo 'blacklist lp' > "
                         "/etc/modprobe.d/tavimore-no-lp.conf",
                         false));
            } else {
                const std::string user = UserName(tree, probe.Uid());
                bool listed = false;
                for (const CGroup& g : Groups(tree))
                    if (g.gid == info.st_gid)
                        listed =
                            std::find(g.members.begin(), g.members.end(), user) != g.members.end();
                out.push_back(Make(
                    "ports", "parport", Verdict::Fails,
                    wanted + " (" + Octal(info.st_mode) + " root:" + group + ") answers " +
                        ErrnoName(error) +
                        (listed
                             ? ": you were added to " + group + " but this session started before."
                             : ": you are not in the group " + group + "."),
                    listed ? "# log out and in again (or: newgrp " + group + ")"
                           : "usermod -aG " + group + " " + user + "   # then log out and in again",
                    false));
            }
            if (active != "lp" && ModuleLoaded(tree, "lp") &&
                tree.Exists("/proc/sys/dev/parport/" + name + "/devices/lp"))
                out.push_back(Make("ports", "lp-driver", Verdict::Warning,
                                   "The printer driver lp is attached to " + name +
                                       " and takes it while it prints.",
                                   "modprobe -r lp", false));
        }
    }

    // The parallel port's base against what the kernel lists.
    unsigned base = 0x378;
    if (std::string text = probe.Env("TAVIMORE_PARPORT_BASE"); !text.empty())
        base = static_cast<unsigned>(std::strtoul(text.c_str(), nullptr, 0));
    const std::vector<CIoRange> ranges = IoPorts(tree);
    const CIoRange* listed = nullptr;
    std::string kernelBases;
    for (const CIoRange& range : ranges)
        if (range.owner.rfind("parport", 0) == 0) {
            if (range.first <= base && base <= range.last) listed = &range;
            kernelBases += (kernelBases.empty() ? "" : ", ") + ("0x" + Hex(range.first)) + " (" +
                           range.owner + ")";
        }
    if (listed != nullptr)
        out.push_back(Make(
            "ports", "base", Verdict::Ok,
            "The base 0x" + Hex(base) + " is " + listed->owner + " in /proc/ioports.", {}, false));
    else if (!kernelBases.empty())
        out.push_back(Make("ports", "base", Verdict::Fails,
                           "The base 0x" + Hex(base) + " is no parallel port; /proc/ioports lists " + kernelBases + ".",
                           "export TAVIMORE_PARPORT_BASE=0x" + Hex(ranges.empty() ? base : [&] {
                               for (const CIoRange& r : ranges)
                                   if (r.owner.rfind("parport", 0) == 0) return r.first;
                               return base;
                           }()),
                           false));
    else
        out.push_back(Make("ports", "base", Verdict::Warning,
                           "/proc/ioports lists no parallel port, so the base 0x" + Hex(base) +
                               " cannot be confirmed.",
                           {}, false));

    if (anyWay)
        out.push_back(Make("ports", "access", Verdict::Ok,
                           "Scripts reach the ports through " + ways + ".", {}, chosen));
    else
        out.push_back(Make("ports", "access", chosen ? Verdict::Fails : Verdict::Warning,
                           "No way to the ports is open: port instructions will show the library "
                           "message and stop the run.",
                           "# Apply one of the fixes above (the parallel port through the group lp "
                           "needs the least privilege).",
                           chosen));
    return out;
}

// ---- FT245RL

std::vector<CFinding> CheckFtdi(CDoctorProbe& probe, const CDoctorSetup& setup)
{
    const CTree tree(probe);
    const bool chosen = setup.ftdiChoice == "system";
    std::vector<CFinding> out;
    const bool vendor =
        !setup.ftdiVendorLibrary.empty() && setup.ftdiLibrary == setup.ftdiVendorLibrary;
    std::string kind = setup.ftdiChoice == "sim"      ? "the simulated D2XX library"
                       : setup.ftdiChoice == "none"   ? "no D2XX library (--ftdi none)"
                       : setup.ftdiChoice != "system" ? "your D2XX library"
                       : vendor                       ? "FTDI's libftd2xx.so"
                                                      : "the D2XX adapter over libftdi1";
    if (setup.ftdiLibrary.empty()) {
        out.push_back(
            Make("ftdi", "library", Verdict::Warning, "The choice loads " + kind + ".", {}, false));
    } else if (std::string why = probe.LoadError(setup.ftdiLibrary); why.empty()) {
        out.push_back(Make("ftdi", "library", Verdict::Ok,
                           "FT245RL instructions use " + kind + " (" + setup.ftdiLibrary + ").", {},
                           chosen));
    } else {
        out.push_back(Make("ftdi", "library", Verdict::Fails, kind + " does not load: " + why,
                           vendor
                               ? "# reinstall FTDI's D2XX package, or remove it to use our adapter"
                               : "apt-get install libftdi1-2 libusb-1.0-0",
                           chosen));
    }

    // FTDI devices on the USB bus, as sysfs lists them (what libusb reads too).
    int found = 0;
    for (const std::string& name : tree.List("/sys/bus/usb/devices")) {
        const std::string dir = "/sys/bus/usb/devices/" + name;
        if (name.find(':') != std::string::npos || tree.Line(dir + "/idVendor") != "0403") continue;
        ++found;
        const std::string product = tree.Line(dir + "/idProduct");
        const std::string serial = tree.Line(dir + "/serial");
        const std::string description = tree.Line(dir + "/product");
        const std::string label = "0403:" + product + " \"" + description + "\" serial " +
                                  (serial.empty() ? "(none)" : serial);
        const std::string check = "device-" + (serial.empty() ? name : serial);
        out.push_back(Make("ftdi", check, Verdict::Ok, "Found " + label + " at USB " + name + ".",
                           {}, false));

        // The kernel's serial driver holds the chip: FTDI's library cannot open it then;
        // libftdi1 detaches it itself.
        const std::string iface = name + ":1.0";
        const std::string driver = tree.LinkName("/sys/bus/usb/devices/" + iface + "/driver");
        if (driver == "ftdi_sio") {
            std::string tty;
            for (const std::string& entry : tree.List("/sys/bus/usb/devices/" + iface))
                if (entry.rfind("ttyUSB", 0) == 0) tty = entry;
            if (vendor)
                out.push_back(Make("ftdi", check + "-driver", Verdict::Fails,
                                   "The kernel's ftdi_sio driver holds " + name +
                                       ", and FTDI's library cannot open a "
                                       "device a driver holds.",
                                   "echo -n " + iface +
                                       " > /sys/bus/usb/drivers/ftdi_sio/unbind\n"
                                       "# or for every device: modprobe -r ftdi_sio",
                                   chosen));
            else
                out.push_back(Make("ftdi", check + "-driver", Verdict::Ok,
                                   "The kernel's ftdi_sio driver holds " + name +
                                       "; libftdi1 detaches it when it opens the device.",
                                   {}, false));
            if (!tty.empty()) {
                const std::string latency =
                    tree.Line("/sys/bus/usb-serial/devices/" + tty + "/latency_timer");
                if (!latency.empty() && std::atoi(latency.c_str()) > 1)
                    out.push_back(Make(
                        "ftdi", check + "-latency", Verdict::Warning,
                        "The latency timer of " + tty + " is " + latency +
                            " ms: each read of a few bytes can wait that long.",
                        "echo 1 > /sys/bus/usb-serial/devices/" + tty + "/latency_timer", false));
                else if (!latency.empty())
                    out.push_back(Make("ftdi", check + "-latency", Verdict::Ok,
                                       "The latency timer of " + tty + " is " + latency + " ms.",
                                       {}, false));
            }
        }
        // The device node libusb opens.
        const int bus = std::atoi(tree.Line(dir + "/busnum").c_str());
        const int dev = std::atoi(tree.Line(dir + "/devnum").c_str());
        char node[64];
        std::snprintf(node, sizeof node, "/dev/bus/usb/%03d/%03d", bus, dev);
        struct stat info {};
        if (!tree.Stat(node, info)) {
            out.push_back(Make("ftdi", check + "-access", Verdict::Fails,
                               std::string("There is no ") + node +
                                   ": the USB device nodes are not available here.",
                               "# In a container: pass /dev/bus/usb in (--device /dev/bus/usb).",
                               chosen));
        } else if (int error = probe.OpenErrno(node); error != 0) {
            out.push_back(
                Make("ftdi", check + "-access", Verdict::Fails,
                     std::string(node) + " (" + Octal(info.st_mode) + " " +
                         UserName(tree, info.st_uid) + ":" + GroupName(tree, info.st_gid) +
                         ") answers " + ErrnoName(error) + " for this user.",
                     "# as root, write /etc/udev/rules.d/99-tavimore-ft245rl.rules:\n"
                     "SUBSYSTEM==\"usb\", ATTRS{idVendor}==\"0403\", ATTRS{idProduct}==\"" +
                         (product.empty() ? std::string("6001") : product) +
                         "\", MODE=\"0660\", GROUP=\"plugdev\", TAG+=\"uaccess\"\n"
                         "udevadm control --reload-rules && udevadm trigger\n"
                         "usermod -aG plugdev " +
                         UserName(tree, probe.Uid()) +
                         "   # then log in again; unplug and plug the device",
                     chosen));
        } else {
            out.push_back(Make("ftdi", check + "-access", Verdict::Ok,
                               std::string(node) + " opens for this user.", {}, false));
        }
    }
    if (found == 0)
        out.push_back(Make(
            "ftdi", "devices", Verdict::Warning,
            "No FTDI device (vendor 0403) is on the USB bus: ftgetnumdevices will count 0.",
            "# plug the FT245RL in, then run the check again (lsusb -d 0403: lists it)", false));
    return out;
}

// ---- Desktop

std::vector<CFinding> CheckDesktop(CDoctorProbe& probe, const CDoctorSetup&)
{
    const CTree tree(probe);
    std::vector<CFinding> out;
    const std::string type = probe.Env("XDG_SESSION_TYPE");
    const std::string wayland = probe.Env("WAYLAND_DISPLAY");
    const std::string display = probe.Env("DISPLAY");

    CX11Answer x;
    if (display.empty()) {
        if (!wayland.empty() || type == "wayland")
            out.push_back(Make("desktop", "session", Verdict::Fails,
                               "This is a Wayland session without XWayland (DISPLAY is unset): "
                               "window instructions "
                               "need X11.",
                               "# log in to an X11 session (\"GNOME on Xorg\", \"Ubuntu on "
                               "Xorg\"), or enable XWayland"));
        else
            out.push_back(Make("desktop", "session", Verdict::Fails,
                               "There is no display: DISPLAY is unset, so window, console and "
                               "low-power instructions "
                               "have no desktop.",
                               "export DISPLAY=:0   # or run under xvfb-run"));
    } else {
        x = probe.AskX11(display);
        if (!x.connected)
            out.push_back(
                Make("desktop", "session", Verdict::Fails,
                     "The display " + display + " does not answer: " + x.error + ".",
                     "# start the X server, or allow this user: xhost +si:localuser:$USER"));
        else if (!wayland.empty() || type == "wayland")
            out.push_back(Make("desktop", "session", Verdict::Warning,
                               "XWayland on " + display +
                                   ": windows of native Wayland programs are invisible to the "
                                   "window instructions.",
                               "# for full window control log in to an X11 session", false));
        else
            out.push_back(
                Make("desktop", "session", Verdict::Ok, "X11 on display " + display + "."));
    }

    if (x.connected) {
        std::vector<std::string> missing;
        for (const char* atom : {"_NET_CLIENT_LIST_STACKING", "_NET_CLOSE_WINDOW", "_NET_WM_PID"})
            if (std::find(x.supported.begin(), x.supported.end(), atom) == x.supported.end())
                missing.emplace_back(atom);
        const std::string wm = x.wmName.empty() ? "the window manager" : x.wmName;
        if (!x.hasSupported)
            out.push_back(
                Make("desktop", "window-manager", Verdict::Fails,
                     "No EWMH window manager runs (no _NET_SUPPORTED on the root window).",
                     "apt-get install openbox && openbox &   # or any EWMH window manager"));
        else if (!missing.empty()) {
            std::string list;
            for (const std::string& m : missing)
                list += (list.empty() ? "" : ", ") + m;
            out.push_back(Make("desktop", "window-manager", Verdict::Fails,
                               wm + " does not support " + list + ".",
                               "# use a window manager that does (openbox, xfwm4, mutter, kwin)"));
        } else {
            out.push_back(
                Make("desktop", "window-manager", Verdict::Ok, "EWMH window manager " + wm + "."));
        }
        if (x.compositor)
            out.push_back(Make("desktop", "compositor", Verdict::Ok,
                               "A compositor owns _NET_WM_CM_S0: opacity works.", {}, false));
        else
            out.push_back(
                Make("desktop", "compositor", Verdict::Warning,
                     "No compositor owns _NET_WM_CM_S0: opacity settings change nothing on screen.",
                     "apt-get install picom && picom -b", false));
        if (x.dpms < 0)
            out.push_back(Make(
                "desktop", "dpms", Verdict::Warning,
                "The X server has no DPMS extension: lowpower cannot set the display's time-out.",
                {}, false));
        else
            out.push_back(Make(
                "desktop", "dpms", x.dpms ? Verdict::Ok : Verdict::Warning,
                x.dpms ? std::string("DPMS is enabled on the display.")
                       : std::string(
                             "DPMS is disabled on the display: lowpower's time-out has no effect."),
                x.dpms ? std::string() : std::string("xset +dpms"), false));
    }

    // opencon's terminal window.
    bool terminal = false;
    std::istringstream path(probe.Env("PATH").empty() ? "/usr/bin:/bin" : probe.Env("PATH"));
    for (std::string dir; std::getline(path, dir, ':');)
        if (!dir.empty() && access(tree.Path(dir + "/xterm").c_str(), X_OK) == 0) terminal = true;
    out.push_back(
        terminal
            ? Make("desktop", "terminal", Verdict::Ok, "xterm is installed for the console window.",
                   {}, false)
            : Make("desktop", "terminal", Verdict::Warning,
                   "xterm is not in PATH: opencon in the editor cannot open its console window.",
                   "apt-get install xterm", false));

    const CLogindAnswer logind = probe.AskLogind();
    if (!logind.reached)
        out.push_back(Make(
            "desktop", "poweroff", Verdict::Fails,
            "logind does not answer on the system bus (" + logind.error +
                "): EXITWIN cannot power off.",
            "# systemd-logind runs with systemd; check: systemctl status systemd-logind", false));
    else if (logind.answer == "yes")
        out.push_back(Make("desktop", "poweroff", Verdict::Ok,
                           "logind allows this user to power off (CanPowerOff: yes).", {}, false));
    else
        out.push_back(Make("desktop", "poweroff", Verdict::Fails,
                           "logind answers CanPowerOff: " + logind.answer +
                               (logind.answer == "challenge"
                                    ? " (it would ask for a password, and EXITWIN does not ask)."
                                    : ", so EXITWIN cannot power off."),
                           "# as root, write /etc/polkit-1/rules.d/50-tavimore-poweroff.rules:\n"
                           "polkit.addRule(function(action, subject) {\n"
                           "  if (action.id == \"org.freedesktop.login1.power-off\" && "
                           "subject.isInGroup(\"tavimore-power\"))\n"
                           "    return polkit.Result.YES;\n"
                           "});\n"
                           "groupadd --system tavimore-power && usermod -aG tavimore-power $USER",
                           false));

    // The sound server libcanberra will use.
    const std::string runtime = probe.Env("XDG_RUNTIME_DIR");
    if (!probe.Env("PULSE_SERVER").empty())
        out.push_back(Make("desktop", "sound", Verdict::Ok,
                           "Sounds go to the PulseAudio server " + probe.Env("PULSE_SERVER") + ".",
                           {}, false));
    else if (!runtime.empty() && tree.Exists(runtime + "/pulse/native"))
        out.push_back(
            Make("desktop", "sound", Verdict::Ok,
                 "Sounds go to the PulseAudio-compatible server at " + runtime + "/pulse/native.",
                 {}, false));
    else if (!tree.List("/dev/snd").empty())
        out.push_back(Make("desktop", "sound", Verdict::Warning,
                           "No sound server runs; libcanberra plays straight to the ALSA device, "
                           "one sound at a time.",
                           "apt-get install pipewire-pulse   # or pulseaudio", false));
    else
        out.push_back(Make("desktop", "sound", Verdict::Warning,
                           "No sound server and no sound device (/dev/snd): sounds are silent.",
                           "apt-get install pipewire-pulse   # or pulseaudio", false));

    // The media window's decoders (Qt Multimedia over GStreamer; the clip is Ogg Theora/Vorbis).
    std::vector<std::string> missing;
    std::vector<std::string> folders;
    for (const std::string& lib : {std::string("/usr/lib"), std::string("/usr/lib64")}) {
        folders.push_back(lib + "/gstreamer-1.0");
        for (const std::string& sub : tree.List(lib))
            if (sub.find("-linux-") != std::string::npos)
                folders.push_back(lib + "/" + sub + "/gstreamer-1.0");
    }
    for (const char* plugin :
         {"libgstogg.so", "libgsttheora.so", "libgstvorbis.so", "libgstplayback.so"}) {
        bool have = false;
        for (const std::string& folder : folders)
            have = have || tree.Exists(folder + "/" + plugin);
        if (!have) missing.emplace_back(plugin);
    }
    if (missing.empty())
        out.push_back(Make("desktop", "media", Verdict::Ok,
                           "GStreamer's Ogg, Theora and Vorbis decoders are installed.", {},
                           false));
    else {
        std::string list;
        for (const std::string& m : missing)
            list += (list.empty() ? "" : ", ") + m;
        out.push_back(Make("desktop", "media", Verdict::Warning,
                           "GStreamer lacks " + list + ": the media window cannot play Ogg clips.",
                           "apt-get install gstreamer1.0-plugins-base gstreamer1.0-plugins-good",
                           false));
    }
    return out;
}

// ---- The program itself

std::vector<CFinding> CheckProgram(CDoctorProbe& probe, const CDoctorSetup& setup)
{
    const CTree tree(probe);
    std::vector<CFinding> out;
    out.push_back(Make("program", "version", Verdict::Ok,
                       "Tavimore " + setup.version + " at " +
                           (setup.executable.empty() ? "(unknown path)" : setup.executable) + ".",
                       {}, false));
    auto firstOf = [&](const std::vector<std::string>& candidates) -> std::string {
        for (const std::string& candidate : candidates)
            if (!candidate.empty() && tree.Exists(candidate))
                return std::filesystem::path(candidate).lexically_normal().string();
        return {};
    };
    const std::string& exe = setup.executableFolder;
    for (const char* library : {"libtavimore-winio.so", "libtavimore-winio-sim.so",
                                "libtavimore-d2xx.so", "libtavimore-d2xx-sim.so"}) {
        const std::string found = firstOf({exe.empty() ? "" : exe + "/" + library,
                                           exe.empty() ? "" : exe + "/../devices/" + library,
                                           setup.installLibDir + "/" + library});
        if (found.empty())
            out.push_back(
                Make("program", library, Verdict::Fails,
                     std::string(library) + " is neither beside the program nor in " +
                         setup.installLibDir + ".",
                     "cmake --build build && cmake --install build   # reinstall the program"));
        else
            out.push_back(Make("program", library, Verdict::Ok,
                               std::string(library) + " " + setup.version + " at " + found + ".",
                               {}, false));
    }
    std::vector<std::string> help;
    std::vector<std::string> sound;
    if (!exe.empty())
        for (std::string dir = exe; help.size() < 6; dir += "/..") {
            help.push_back(dir + "/docs/language.md");
            help.push_back(dir + "/share/doc/tavimore/language.md");
            sound.push_back(dir + "/sounds/ding.wav");
        }
    help.push_back(setup.installDataDir + "/../doc/tavimore/language.md");
    sound.push_back(setup.installDataDir + "/sounds/ding.wav");
    if (std::string found = firstOf(help); found.empty())
        out.push_back(Make("program", "help", Verdict::Warning,
                           "The language description (language.md) is not installed: "
                           "the editor's help is empty.",
                           "cmake --install build", false));
    else
        out.push_back(Make("program", "help", Verdict::Ok,
                           "The language description is at " + found + ".", {}, false));
    if (std::string found = firstOf(sound); found.empty())
        out.push_back(
            Make("program", "sound-file", Verdict::Warning,
                 "The fixed sound ding.wav is not installed: the default sound is silent.",
                 "cmake --install build", false));
    else
        out.push_back(Make("program", "sound-file", Verdict::Ok,
                           "The fixed sound is at " + found + ".", {}, false));
    return out;
}

std::vector<CFinding> CheckAll(CDoctorProbe& probe, const CDoctorSetup& setup)
{
    std::vector<CFinding> all;
    for (auto check : {CheckPorts, CheckFtdi, CheckDesktop, CheckProgram}) {
        std::vector<CFinding> part = check(probe, setup);
        all.insert(all.end(), std::make_move_iterator(part.begin()),
                   std::make_move_iterator(part.end()));
    }
    return all;
}

// ---- Output

namespace {

const char* VerdictWord(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Ok:
        return "ok";
    case Verdict::Warning:
        return "warning";
    case Verdict::Fails:
        return "fails";
    }
    return "";
}

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", c);
                out += escape;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

} // namespace

bool AllNeededOk(const std::vector<CFinding>& findings)
{
    return FirstFailure(findings).empty();
}

std::string FirstFailure(const std::vector<CFinding>& findings)
{
    // The detailed causes come before the area's summary: name the first of them.
    const CFinding* summary = nullptr;
    for (const CFinding& finding : findings)
        if (finding.counts && finding.verdict == Verdict::Fails) {
            summary = &finding;
            break;
        }
    if (summary == nullptr) return {};
    for (const CFinding& finding : findings)
        if (finding.area == summary->area && finding.verdict == Verdict::Fails &&
            &finding != summary)
            return finding.cause;
    return summary->cause;
}

std::string FormatText(const std::vector<CFinding>& findings)
{
    std::string out;
    size_t width = 0;
    for (const CFinding& f : findings)
        width = std::max(width, f.area.size() + 1 + f.check.size());
    for (const CFinding& f : findings) {
        std::string verdict = f.verdict == Verdict::Ok        ? "OK"
                              : f.verdict == Verdict::Warning ? "warning"
                                                              : "FAILS";
        std::string name = f.area + "." + f.check;
        verdict.resize(8, ' ');
        name.resize(width + 2, ' ');
        out += verdict + name + f.cause + "\n";
        if (!f.fix.empty() && f.verdict != Verdict::Ok) {
            std::istringstream lines(f.fix);
            for (std::string line; std::getline(lines, line);)
                out += "        fix: " + line + "\n";
        }
    }
    const std::string first = FirstFailure(findings);
    out += first.empty() ? "Everything the chosen libraries and the desktop need is in place.\n"
                         : "Not ready: " + first + "\n";
    return out;
}

std::string FormatJson(const std::vector<CFinding>& findings)
{
    std::string out = "{\"findings\":[";
    for (size_t i = 0; i < findings.size(); ++i) {
        const CFinding& f = findings[i];
        out += std::string(i ? "," : "") + "\n {\"area\":" + JsonString(f.area) +
               ",\"check\":" + JsonString(f.check) + ",\"verdict\":\"" + VerdictWord(f.verdict) +
               "\",\"cause\":" + JsonString(f.cause) + ",\"fix\":" + JsonString(f.fix) +
               ",\"counts\":" + (f.counts ? "true" : "false") + "}";
    }
    out += std::string("\n],\"ok\":") + (AllNeededOk(findings) ? "true" : "false") + "}\n";
    return out;
}

} // namespace doctor
