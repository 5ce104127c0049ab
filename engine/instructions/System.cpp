// Process, system and window instructions: starting programs and finding their
// windows, closing, listing, hiding, showing and fading windows, the tick counter,
// the application's console, and powering the machine off.
//
// Everything outside the interpreter goes through the host's desktop services; a host
// without them (Desktop() is none) leaves these instructions with nothing to act on,
// so they keep only their effects on the engine (registers, status texts, requests).
//
// The launch record m_si persists for the engine's life and each launch changes only
// its own fields, so settings made by one launch stay in force for the next. Every
// successful launch gives its handles back before the statement ends; the release at
// the start of the launching instructions only matters if one was left over.
#include <cstdio>
#include <vector>

#include "../KeywordChain.h"
#include "../Messages.h"
#include "../ScriptEngine.h"
#include "../Text.h"
#include "Families.h"

struct CSystemInstructions {
    static CDesktopServices* Desktop(CScriptEngine& e) { return e.Host().Desktop(); }

    static void ReleaseChild(CScriptEngine& e)
    {
        CProcessInformation& launched = e.LastLaunch();
        if (launched.dwProcessId == 0) return;
        if (CDesktopServices* desktop = Desktop(e)) desktop->CloseProcess(launched);
        launched.dwProcessId = 0;
    }

    // The top-level windows, topmost first, 1024 at most: a scratch list that lives
    // only as long as the statement that collects it.
    static constexpr int kWindowListSize = 1024;
    static std::vector<uint32_t> CollectWindows(CDesktopServices* desktop)
    {
        std::vector<uint32_t> windows(kWindowListSize);
        int count =
            desktop == nullptr ? 0 : desktop->CollectWindows(windows.data(), kWindowListSize);
        windows.resize(static_cast<size_t>(count < 0                 ? 0
                                           : count > kWindowListSize ? kWindowListSize
                                                                     : count));
        return windows;
    }

    // Stores the first window of the launched program into the register of token 1;
    // without one the register keeps its value.
    static void StoreLaunchedWindow(CScriptEngine& e, CDesktopServices* desktop)
    {
        int index = e.RegisterArg(1);
        for (uint32_t window : CollectWindows(desktop)) {
            if (desktop->IsWindowOfProcess(window, e.LastLaunch())) {
                e.WriteRegister(index, window);
                break;
            }
        }
    }

    // Launches the command line from token firstArg with the record as it stands, waits
    // until the program is ready and, for EXECD and EXECP, stores its window. A launch
    // that fails ends the statement without a word.
    template <LaunchKind Kind, bool StoreWindow> static void Launch(CScriptEngine& e, int firstArg)
    {
        CDesktopServices* desktop = Desktop(e);
        if (desktop == nullptr ||
            !desktop->Launch(e.ArgToEnd(firstArg), e.LaunchSettings(), Kind, e.LastLaunch())) {
            e.Continue();
            return;
        }
        desktop->WaitForInputIdle(e.LastLaunch());
        if (StoreWindow) {
            StoreLaunchedWindow(e, desktop);
        } else {
            // The started program's process id: the one number about the launch a
            // script might want to show.
            e.WriteRegister(CScriptEngine::kRegL, e.LastLaunch().dwProcessId);
        }
        desktop->CloseProcess(e.LastLaunch());
        e.LastLaunch().dwProcessId = 0;
        e.Continue();
    }

    static bool ProgramMissing(CScriptEngine& e, int neededCount)
    {
        if (e.ArgCount() >= neededCount) return false;
        e.SetStatus(msg::kExecNoProgram, 100);
        e.Continue();
        return true;
    }

    static void ExitWin(CScriptEngine& e)
    {
        if (CDesktopServices* desktop = Desktop(e)) desktop->PowerOff();
        e.Continue();
    }

    // EXECCLOSE h: the first argument names the window; further tokens are ignored
    // like those after any instruction's arguments.
    static void ExecClose(CScriptEngine& e)
    {
        ReleaseChild(e);
        if (e.CheckArgCount(e.ArgCount(), 2)) return;
        uint32_t window = e.OperandArg(1, 0);
        if (CDesktopServices* desktop = Desktop(e)) desktop->CloseWindow(window);
        e.Continue();
    }

    static void Exec(CScriptEngine& e)
    {
        ReleaseChild(e);
        if (ProgramMissing(e, 2)) return;
        e.LaunchSettings().cb = CStartupInfo::kRecordSize;
        e.LaunchSettings().wShowWindow = CStartupInfo::SW_SHOWNORMAL;
        Launch<LaunchKind::Program, false>(e, 1);
    }

    static void ExecD(CScriptEngine& e)
    {
        ReleaseChild(e);
        if (ProgramMissing(e, 3)) return;
        e.LaunchSettings().dwXCountChars = 10;
        e.LaunchSettings().dwYCountChars = 10;
        e.LaunchSettings().cb = CStartupInfo::kRecordSize;
        e.LaunchSettings().dwFlags = CStartupInfo::STARTF_USESHOWWINDOW |
                                     CStartupInfo::STARTF_USECOUNTCHARS |
                                     CStartupInfo::STARTF_USEFILLATTRIBUTE;
        e.LaunchSettings().wShowWindow = CStartupInfo::SW_HIDE;
        Launch<LaunchKind::CommandInterpreter, true>(e, 2);
    }

    static void ExecP(CScriptEngine& e)
    {
        ReleaseChild(e);
        if (ProgramMissing(e, 3)) return;
        e.LaunchSettings().wShowWindow = CStartupInfo::SW_SHOWNORMAL;
        Launch<LaunchKind::Program, true>(e, 2);
    }

    // terminate and notepat: the text editor on its fixed file for five seconds, with a
    // launch record of its own. When it cannot start there is nothing to wait for or
    // to end, and the statement ends at once.
    static void Terminate(CScriptEngine& e)
    {
        CDesktopServices* desktop = Desktop(e);
        CProcessInformation editor;
        if (desktop == nullptr || !desktop->StartTextEditor(editor)) {
            e.Continue();
            return;
        }
        e.Sleep(5000);
        desktop->TerminateProcess(editor);
        desktop->CloseProcess(editor);
        e.Continue();
    }

    static void HandleList(CScriptEngine& e)
    {
        if (!e.StatusWanted(5)) { // the list is the whole result: skip asking for it
            e.SetStatus("", 5);
            e.Continue();
            return;
        }
        CDesktopServices* desktop = Desktop(e);
        const std::string_view newLine = e.LineBreak();
        std::string report(msg::kHandleListHeader);
        report += newLine;
        for (uint32_t window : CollectWindows(desktop)) {
            char handle[16];
            std::snprintf(handle, sizeof handle, "/ %08X : ", window);
            report += handle;
            // The report becomes comment lines of the document.
            report += text::FromOutside(desktop->WindowTitle(window));
            report += newLine;
        }
        e.SetStatus(report, 5);
        e.Continue();
    }

    static void Time(CScriptEngine& e)
    {
        const uint32_t tick = e.Host().GetTickCount();
        e.WriteRegister(CScriptEngine::kRegL, tick);
        const int count = e.ArgCount();
        if (count <= 1) {
            e.SetStatusNumber("", static_cast<int32_t>(tick), 32, 10, 5);
        } else if (count == 2) {
            int index = e.RegisterArg(1);
            uint32_t value = e.ReadRegister(CScriptEngine::kRegL);
            e.WriteRegister(index, value);
            e.SetStatusNumber("", static_cast<int32_t>(value), 32, 10, 100);
        } else {
            e.Host().PlaySound(msg::kFixedSound);
            e.ShowMessage(msg::kTimeThirdArgument, msg::kTimeArgumentCaption);
            e.SetStatus(msg::kNoMnemonic, 5);
        }
        e.Continue();
    }

    static void Window(CScriptEngine& e)
    {
        CDesktopServices* desktop = Desktop(e);
        if (desktop != nullptr && e.ArgCount() >= 2) {
            std::string_view word = e.Arg(1);
            if (text::EqualsNoCase(word, "HIDE"))
                desktop->ShowMainWindow(false);
            else if (text::EqualsNoCase(word, "SHOW"))
                desktop->ShowMainWindow(true);
        }
        e.Continue();
    }

    // layer p [h]: opacity p percent for window h (radix 16), or for the main window.
    // Tokens after h are ignored. Without a window (no main window) only the operands
    // are read, so their failures are still reported.
    static void Layer(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 2)) return;
        CDesktopServices* desktop = Desktop(e);
        uint32_t window = 0;
        if (e.ArgCount() >= 3)
            window = e.OperandArg(2, 16);
        else if (desktop != nullptr)
            window = desktop->MainWindow();
        const uint32_t percent = e.OperandArg(1, 10);
        // 32-bit arithmetic as the percentage has always been scaled: the product
        // wraps, the division truncates toward zero, the alpha is its low byte.
        const auto scaled = static_cast<int32_t>(percent * 255u) / 100;
        const auto alpha = static_cast<uint8_t>(scaled);
        if (desktop != nullptr && window != 0) desktop->SetWindowOpacity(window, alpha);
        e.Continue();
    }

    static void OpenCon(CScriptEngine& e)
    {
        if (CDesktopServices* desktop = Desktop(e)) {
            desktop->AllocConsole(); // a console already open is written to as well
            desktop->WriteConsole(msg::kConsoleText);
        }
        e.Continue();
    }

    static void FreeCon(CScriptEngine& e)
    {
        if (CDesktopServices* desktop = Desktop(e)) desktop->FreeConsole();
        e.Continue();
    }
};

void AddSystemInstructions(CKeywordChain& chain)
{
    chain.Add({
        // power the machine off
        {"EXITWIN", CSystemInstructions::ExitWin, 1, ""},
        // ask window h to close
        {"EXECCLOSE", CSystemInstructions::ExecClose, 2, "v"},
        // start a command line, wait until ready; REGL = its process id
        {"EXEC", CSystemInstructions::Exec, 2, "*"},
        // run a shell command hidden; r = its window
        {"EXECD", CSystemInstructions::ExecD, 3, "r*"},
        // start a command line shown; r = its window
        {"EXECP", CSystemInstructions::ExecP, 3, "r*"},
        // text editor for 5 s, then end it
        {"terminate", CSystemInstructions::Terminate, 1, ""},
        // same as terminate
        {"notepat", CSystemInstructions::Terminate, 1, ""},
        // list the top-level windows: handle and title
        {"HANDLELIST", CSystemInstructions::HandleList, 1, ""},
        // REGL (and r) = the millisecond tick
        {"TIME", CSystemInstructions::Time, 1, "r"},
        // HIDE or SHOW the application's main window
        {"WINDOW", CSystemInstructions::Window, 2, "t"},
        // opacity p % for window h (main window)
        {"layer", CSystemInstructions::Layer, 2, "dh"},
        // open the application's console, write "dir\n"
        {"opencon", CSystemInstructions::OpenCon, 1, ""},
        // close the application's console
        {"freecon", CSystemInstructions::FreeCon, 1, ""},
    });
}
