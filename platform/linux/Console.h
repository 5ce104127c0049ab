// CLinuxConsole: the application's console.
//
// In the editor it is a terminal window that the application owns: a pseudo-terminal
// whose terminal side the application holds, shown by a terminal emulator (xterm, in
// its mode for serving an existing program) on the other side. Text written to it is
// only displayed; nothing reads or runs it. Closing it closes the window. In
// tavimore-run the console is the program's own controlling terminal.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

enum class ConsoleKind { TerminalWindow, ControllingTerminal };

class CLinuxConsole {
public:
    // terminalCommand: the emulator and its options; "-S<terminal>/<descriptor>" is
    // added. controllingTerminal: the device of the ControllingTerminal kind.
    CLinuxConsole(ConsoleKind kind, std::vector<std::string> terminalCommand,
                  std::string controllingTerminal);
    ~CLinuxConsole();
    CLinuxConsole(const CLinuxConsole&) = delete;
    CLinuxConsole& operator=(const CLinuxConsole&) = delete;

    // False when a console is open already or none can be opened.
    bool Open();
    bool IsOpen() const { return m_fd >= 0; }
    void Write(std::string_view text);
    void Close();
    // The terminal emulator's process (0 for none).
    pid_t TerminalProcess() const { return m_terminal; }

private:
    bool OpenWindow();

    ConsoleKind m_kind;
    std::vector<std::string> m_terminalCommand;
    std::string m_strControllingTerminal;
    int m_fd = -1;
    pid_t m_terminal = 0;
};
