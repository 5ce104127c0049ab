// CDesktopServices: what the process, system and window instructions need from the
// desktop, behind one abstract class so that the engine never calls the operating
// system. The host hands it out through CHost::Desktop(); a host without a desktop
// returns none, and the instructions then act on nothing.
//
// Window handles are 32-bit values (on X11 the window ids). Texts are cp932 bytes, as
// the engine keeps them; an implementation converts at its own edge.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The launch settings a program is started with. They keep the names and the
// meaning of the Windows start-up record, because scripts rely on one launch's
// settings staying in force for the next (an EXEC after an EXECD still carries its
// flags and console size).
struct CStartupInfo {
    static constexpr uint32_t STARTF_USESHOWWINDOW = 0x01;
    static constexpr uint32_t STARTF_USECOUNTCHARS = 0x08;
    static constexpr uint32_t STARTF_USEFILLATTRIBUTE = 0x10;
    static constexpr uint16_t SW_HIDE = 0;
    static constexpr uint16_t SW_SHOWNORMAL = 1;
    static constexpr uint32_t kRecordSize = 68; // the size the record has always announced

    uint32_t cb = kRecordSize;
    uint32_t dwFlags = STARTF_USESHOWWINDOW;
    uint32_t dwXCountChars = 0;
    uint32_t dwYCountChars = 0;
    uint32_t dwFillAttribute = 0;
    uint16_t wShowWindow = SW_HIDE;

    // Whether the program is to be started without anything shown.
    bool Hidden() const { return (dwFlags & STARTF_USESHOWWINDOW) && wShowWindow == SW_HIDE; }
};

// The result of a launch. A non-zero process id means the handles are still held and
// must be given back with CloseProcess; what the handles are is up to the desktop.
struct CProcessInformation {
    std::intptr_t hProcess = 0;
    std::intptr_t hThread = 0;
    uint32_t dwProcessId = 0;
};

enum class LaunchKind {
    Program,            // the command line names a program and its arguments
    CommandInterpreter, // the system's command interpreter runs the command line, in a
                        // new session of its own with no terminal
};

class CDesktopServices {
public:
    virtual ~CDesktopServices() = default;

    // ---- Processes
    // Starts a program. Returns false, leaving pi untouched, when it cannot be started.
    virtual bool Launch(std::string_view commandLine, const CStartupInfo& si, LaunchKind kind,
                        CProcessInformation& pi) = 0;
    // Blocks until the started program is ready for its user: it owns a top-level
    // window, or it has ended, or a bound of about ten seconds has passed.
    virtual void WaitForInputIdle(const CProcessInformation& pi) = 0;
    // Gives back the handles of a launch and clears the process id; the program runs on.
    virtual void CloseProcess(CProcessInformation& pi) = 0;
    // Starts the desktop's plain text editor on a fixed file.
    virtual bool StartTextEditor(CProcessInformation& pi) = 0;
    // Ends the started program, if it still runs, and nothing else.
    virtual void TerminateProcess(const CProcessInformation& pi) = 0;

    // ---- Windows
    // Stores the handles of the top-level windows, topmost first, at most capacity of
    // them; returns how many were stored.
    virtual int CollectWindows(uint32_t* list, int capacity) = 0;
    // Whether the window belongs to the launched program.
    virtual bool IsWindowOfProcess(uint32_t window, const CProcessInformation& pi) = 0;
    // The window's whole title (possibly empty), cp932.
    virtual std::string WindowTitle(uint32_t window) = 0;
    // Asks the window to close, as its close button would.
    virtual void CloseWindow(uint32_t window) = 0;
    // Sets the window's opacity: alpha 255 is opaque, 0 fully transparent.
    virtual void SetWindowOpacity(uint32_t window, uint8_t alpha) = 0;
    // The application's main window, 0 when it has none.
    virtual uint32_t MainWindow() = 0;
    // Shows (normally) or hides the application's main window; nothing without one.
    virtual void ShowMainWindow(bool show) = 0;

    // ---- The application's console
    // Opens a console that belongs to the application; false when one is open already
    // or none can be opened.
    virtual bool AllocConsole() = 0;
    // Displays text on the open console (nothing when none is open).
    virtual void WriteConsole(std::string_view text) = 0;
    virtual void FreeConsole() = 0;

    // ---- Power
    // Asks the system to power the machine off; the answer is not awaited beyond a
    // short bound and not reported.
    virtual void PowerOff() = 0;
};
