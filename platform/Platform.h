// The platform: everything the hosts take from the operating system, behind one header.
//
// The editor and tavimore-run include this header and nothing of a platform folder.
// Each platform (platform/linux today) implements it in a folder of its own, and the
// build picks the folder for the system it builds for, so a second platform is a new
// folder and one branch in platform/CMakeLists.txt.
//
// Texts are as the comments say: cp932 where they come from a script, the platform's
// own file-name encoding (UTF-8 on Linux) for paths.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "DesktopServices.h"
#include "Host.h"
#include "LibraryLoader.h"

// ---- Sound

// Sounds played by file name, without waiting for them to end.
class CSoundService {
public:
    virtual ~CSoundService() = default;
    // Starts the sound file (a path) and returns at once: the id of the sound, or 0
    // when it could not start (no such file, a format the player cannot read, no sound
    // device).
    virtual uint32_t Play(const std::string& path) = 0;
    // A wave file named as a script names it (cp932, see ScriptFilePath). A name that
    // leads to no file plays the fixed sound instead, as the system's default sound
    // stands in for a missing file. One wave sound plays at a time: a new one cuts off
    // the one before (sounds started with Play are not touched). Returns the id as
    // Play does.
    virtual uint32_t PlayWave(std::string_view cp932Name) = 0;
    // Stops the sound with this id; ids of sounds that ended are ignored.
    virtual void Cancel(uint32_t id) = 0;
    // The number of sounds started and not yet ended.
    virtual size_t Playing() = 0;
    // Waits until every sound has ended, or until stop() returns true (asked about
    // every 50 ms).
    virtual void WaitUntilQuiet(const std::function<bool()>& stop) = 0;
};

// A file name as a script gives it (cp932, Windows style) as a path here, for sounds
// and media files alike. The fixed sound's name "C:\WINDOWS\MEDIA\Ding.wav" (letter
// case and slashes aside) is our own shipped sound. Any other name becomes UTF-8 with
// '/' for every '\', and a leading drive letter ("C:") is dropped, so
// "C:\sounds\a.wav" is "/sounds/a.wav" and "a.wav" stays relative to the working folder.
std::string ScriptFilePath(std::string_view cp932Name);

// Whether the file holds sound the player can read: a PCM wave file, or an Ogg file
// with a Vorbis stream (the sound track of an Ogg video included).
bool HasPlayableSound(const std::string& path);

// ---- Device libraries

// Why a device library choice ("system", "sim", "none" or a library path of the user's)
// is refused in this process, or empty when it is allowed. A process that runs with
// more privilege than its user loads only the libraries of its installation, so it
// refuses every path. source names where the choice came from ("--ports",
// "TAVIMORE_PORTS") for the message.
std::string DeviceLibraryRefusal(const std::string& source, const std::string& choice);

// The library file for a device library choice: "system", "sim", "none" (the empty
// path, which never loads) or a path of the user's, made absolute. For the D2XX library
// "system" is FTDI's own library where it loads, else our adapter over libftdi1.
// A refused choice (DeviceLibraryRefusal) gives the empty path too.
std::string ResolveDeviceLibrary(DeviceLibrary which, const std::string& choice);

namespace platform {

// ---- Time

// Milliseconds of a monotonic clock since an arbitrary start.
uint64_t ClockMs();

// Sleeps for milliseconds in slices of at most slice milliseconds, asking stopWanted
// after each slice (and when a signal cuts one short); returns false as soon as it
// says yes, true when the whole time has passed. Callers check for a stop before
// they start, as cheaply as they can.
bool SleepInSlices(uint32_t milliseconds, uint32_t slice, const std::function<bool()>& stopWanted);

// ---- Services a host holds

// The desktop services of a host, with the window the host calls its main window.
class CPlatformDesktop : public CDesktopServices {
public:
    // The application's main window (0: none).
    virtual void SetMainWindow(uint32_t window) = 0;
};

struct CDesktopSetup {
    // Where opencon's console is: a terminal window of our own (the editor) or the
    // program's controlling terminal (tavimore-run).
    bool consoleIsTerminal = false;
    // How the host shows and hides its main window, when its toolkit has to know
    // (hiding a widget behind its toolkit's back would leave the widget believing it
    // is still shown). Empty: the desktop shows and hides the window by its id.
    std::function<void(bool show)> showMainWindow;
};

std::unique_ptr<CPlatformDesktop> CreateDesktop(CDesktopSetup setup);
std::unique_ptr<CSoundService> CreateSound();
// The run-time loader of the device bindings.
std::unique_ptr<CLibraryLoader> CreateLibraryLoader();

// The display's power-saving (low-power) time-out in seconds: Get returns false when
// there is no display to ask; Set changes it for this session only.
bool GetLowPowerTimeout(uint32_t& seconds);
void SetLowPowerTimeout(uint32_t seconds);

// Whether this program's user may read the file (checked with the user's own rights,
// not with privilege the program may hold).
bool UserCanRead(const std::string& path);

// Sets an environment variable of this process, for the libraries it loads later.
void SetEnvironment(const char* name, const std::string& value);

// The folder of the running executable, or empty when it cannot be told: shipped
// libraries and data (help, sounds) are looked for beside it first.
std::string ExecutableFolder();

} // namespace platform
