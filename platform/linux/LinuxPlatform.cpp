// Platform.h on Linux: the factories hand out the Linux classes, and the clock and
// sleeping are CLOCK_MONOTONIC and nanosleep.
#include "Platform.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

#include "DlLoader.h"
#include "Dpms.h"
#include "LinuxDesktop.h"
#include "Sound.h"

namespace platform {

uint64_t ClockMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000u +
           static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

bool SleepInSlices(uint32_t milliseconds, uint32_t slice, const std::function<bool()>& stopWanted)
{
    while (milliseconds > 0) {
        const uint32_t part = milliseconds < slice ? milliseconds : slice;
        timespec left{static_cast<time_t>(part / 1000), static_cast<long>(part % 1000) * 1000000L};
        // A signal (Ctrl+C in tavimore-run) cuts the slice short: look at once.
        while (nanosleep(&left, &left) != 0) {
            if (errno == EINTR && stopWanted()) return false;
        }
        milliseconds -= part;
        if (stopWanted()) return false;
    }
    return true;
}

std::unique_ptr<CPlatformDesktop> CreateDesktop(CDesktopSetup setup)
{
    CLinuxDesktopOptions options;
    options.console =
        setup.consoleIsTerminal ? ConsoleKind::ControllingTerminal : ConsoleKind::TerminalWindow;
    options.showMainWindow = std::move(setup.showMainWindow);
    return std::make_unique<CLinuxDesktop>(std::move(options));
}

std::unique_ptr<CSoundService> CreateSound()
{
    return std::make_unique<CSoundPlayer>();
}

std::unique_ptr<CLibraryLoader> CreateLibraryLoader()
{
    return std::make_unique<CDlLoader>();
}

bool GetLowPowerTimeout(uint32_t& seconds)
{
    return dpms::GetLowPowerTimeout(seconds);
}

void SetLowPowerTimeout(uint32_t seconds)
{
    dpms::SetLowPowerTimeout(seconds);
}

bool UserCanRead(const std::string& path)
{
    // access() answers for the real user, not for privilege the process may hold.
    return access(path.c_str(), R_OK) == 0;
}

void SetEnvironment(const char* name, const std::string& value)
{
    setenv(name, value.c_str(), 1);
}

std::string ExecutableFolder()
{
    return ::ExecutableFolder();
}

} // namespace platform
