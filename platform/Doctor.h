// The environment check ("doctor"): why hardware or desktop access fails, and the
// command or file that fixes it.
//
// Every check reads the system through a CDoctorProbe: files under a root folder
// (/sys, /proc, /dev, /etc, /boot), and the few answers no file holds (the ioperm
// call, opening a device with this process's rights, loading a library, the X server,
// logind). The real probe (CreateDoctorProbe) reads "/" and asks the system; tests
// build a fake tree in a temporary folder and answer the rest themselves.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace doctor {

enum class Verdict { Ok, Warning, Fails };

struct CFinding {
    std::string area;  // "ports", "ftdi", "desktop", "program"
    std::string check; // short name within the area, e.g. "dev-port"
    Verdict verdict = Verdict::Ok;
    std::string cause; // one sentence: what the system reported
    std::string fix;   // commands or a file to write, ready to copy; may span lines
    // Whether a failure here stops what the chosen libraries and the desktop
    // instructions need (the exit status counts only these).
    bool counts = true;
};

// What the X server told.
struct CX11Answer {
    bool connected = false;
    std::string error;                  // why the display could not be opened
    bool hasSupported = false;          // the root window has _NET_SUPPORTED
    std::vector<std::string> supported; // atom names listed in it
    std::string wmName;                 // _NET_WM_NAME of the supporting WM check window
    bool compositor = false;            // _NET_WM_CM_S0 has an owner
    int dpms = -1;                      // -1: no DPMS extension, 0: disabled, 1: enabled
};

// What logind answered to CanPowerOff on the system bus.
struct CLogindAnswer {
    bool reached = false;
    std::string error;  // why the call went unanswered
    std::string answer; // "yes", "no", "challenge", "na"
};

class CDoctorProbe {
public:
    virtual ~CDoctorProbe() = default;
    // The folder that stands for "/" when reading files.
    virtual std::string Root() const = 0;
    // An environment variable, empty when unset.
    virtual std::string Env(const std::string& name) const = 0;
    // errno of asking for port 0x80 with ioperm (0: granted and given back), or -1
    // when the processor has no I/O ports.
    virtual int IoPermErrno() = 0;
    // errno of opening the file (a path from the root) for reading and writing with
    // this process's rights, 0 when it opens.
    virtual int OpenErrno(const std::string& path) = 0;
    // Why the library would not load, empty when it loads.
    virtual std::string LoadError(const std::string& library) = 0;
    virtual CX11Answer AskX11(const std::string& display) = 0;
    virtual CLogindAnswer AskLogind() = 0;
    // The real and supplementary group ids of this process, and its user id.
    virtual unsigned Uid() const = 0;
    virtual std::vector<unsigned> Groups() const = 0;
};

// What the user chose and where the program's files are.
struct CDoctorSetup {
    std::string portsChoice = "system"; // system | sim | none | path
    std::string ftdiChoice = "system";
    std::string portsLibrary; // the files the choices resolve to
    std::string ftdiLibrary;
    std::string ftdiVendorLibrary; // FTDI's own library where it would load, else empty
    std::string executable;        // this program's path
    std::string executableFolder;
    std::string installLibDir;  // where the shipped libraries are installed
    std::string installDataDir; // help and sounds
    std::string version;
};

std::vector<CFinding> CheckPorts(CDoctorProbe& probe, const CDoctorSetup& setup);
std::vector<CFinding> CheckFtdi(CDoctorProbe& probe, const CDoctorSetup& setup);
std::vector<CFinding> CheckDesktop(CDoctorProbe& probe, const CDoctorSetup& setup);
std::vector<CFinding> CheckProgram(CDoctorProbe& probe, const CDoctorSetup& setup);
std::vector<CFinding> CheckAll(CDoctorProbe& probe, const CDoctorSetup& setup);

// One line per check (verdict, area.check, cause), the fix indented below it, then a
// summary line.
std::string FormatText(const std::vector<CFinding>& findings);
// {"findings":[{"area":..,"check":..,"verdict":"ok|warning|fails","cause":..,"fix":..,
// "counts":bool},...],"ok":bool}
std::string FormatJson(const std::vector<CFinding>& findings);
// Whether every finding that counts is not a failure.
bool AllNeededOk(const std::vector<CFinding>& findings);
// The cause of the first counting failure, or empty.
std::string FirstFailure(const std::vector<CFinding>& findings);

// The probe of this system and the setup of this program for the given choices.
std::unique_ptr<CDoctorProbe> CreateDoctorProbe();
CDoctorSetup DoctorSetup(const std::string& portsChoice, const std::string& ftdiChoice);

} // namespace doctor
