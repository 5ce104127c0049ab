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

#include "../KeywordChain.h"
#include "../Messages.h"
#include "../Text.h"

struct CSystemInstructions {
    static CDesktopServices* Desktop(CScriptEngine& e) { return e.Host().Desktop(); }

    static void ReleaseChild(CScriptEngine& e)
    {
        if (e.m_pi.dwProcessId == 0) return;
        if (CDesktopServices* desktop = Desktop(e)) desktop->CloseProcess(e.m_pi);
        e.m_pi.dwProcessId = 0;
    }

    // Fills the scratch list with the top-level windows, topmost first, 1024 at most.
    static void CollectWindows(CScriptEngine& e, CDesktopServices* desktop)
    {
        e.m_phWndList = std::make_unique<uint32_t[]>(CScriptEngine::kWindowListSize);
        e.m_nWndCount = 0;
        if (desktop == nullptr) return;
        int count = desktop->CollectWindows(e.m_phWndList.get(), CScriptEngine::kWindowListSize);
        e.m_nWndCount = count < 0 ? 0 : count > CScriptEngine::kWindowListSize ? CScriptEngine::kWindowListSize : count;
    }
    static void ReleaseWindows(CScriptEngine& e)
    {
        e.m_phWndList.reset();
        e.m_nWndCount = 0;
    }

    // Stores the first window of the launched program into the register of token 1;
    // without one the register keeps its value.
    static void StoreLaunchedWindow(CScriptEngine& e, CDesktopServices* desktop)
    {
        int index = e.RegisterArg(1);
        CollectWindows(e, desktop);
        for (int i = 0; i < e.m_nWndCount; ++i) {
            if (desktop->IsWindowOfProcess(e.m_phWndList[static_cast<size_t>(i)], e.m_pi)) {
                e.WriteRegister(index, e.m_phWndList[static_cast<size_t>(i)]);
                break;
            }
        }
        ReleaseWindows(e);
    }

    // Launches the command line from token firstArg with the record as it stands, waits
    // until the program is ready and, for EXECD and EXECP, stores its window. A launch
    // that fails ends the statement without a word.
    template <LaunchKind Kind, bool StoreWindow>
    static void Launch(CScriptEngine& e, int firstArg)
    {
        CDesktopServices* desktop = Desktop(e);
        if (desktop == nullptr || !desktop->Launch(e.ArgToEnd(firstArg), e.m_si, Kind, e.m_pi)) {
            e.Continue();
            return;
        }
        desktop->WaitForInputIdle(e.m_pi);
        if (StoreWindow) {
            StoreLaunchedWindow(e, desktop);
        } else {
            // The started program's process id: the one number about the launch a
            // script might want to show.
            e.WriteRegister(CScriptEngine::kRegL, e.m_pi.dwProcessId);
        }
        desktop->CloseProcess(e.m_pi);
        e.m_pi.dwProcessId = 0;
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
        e.m_si.cb = CStartupInfo::kRecordSize;
        e.m_si.wShowWindow = CStartupInfo::SW_SHOWNORMAL;
        Launch<LaunchKind::Program, false>(e, 1);
    }

    static void ExecD(CScriptEngine& e)
    {
        ReleaseChild(e);
        if (ProgramMissing(e, 3)) return;
        e.m_si.dwXCountChars = 10;
        e.m_si.dwYCountChars = 10;
        e.m_si.cb = CStartupInfo::kRecordSize;
        e.m_si.dwFlags = CStartupInfo::STARTF_USESHOWWINDOW | CStartupInfo::STARTF_USECOUNTCHARS |
                         CStartupInfo::STARTF_USEFILLATTRIBUTE;
        e.m_si.wShowWindow = CStartupInfo::SW_HIDE;
        Launch<LaunchKind::CommandInterpreter, true>(e, 2);
    }

    static void ExecP(CScriptEngine& e)
    {
        ReleaseChild(e);
        if (ProgramMissing(e, 3)) return;
        e.m_si.wShowWindow = CStartupInfo::SW_SHOWNORMAL;
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
        CollectWindows(e, desktop);
        const std::string_view newLine(e.m_szNewLine, static_cast<size_t>(e.m_nNewLineLen));
        std::string report(msg::kHandleListHeader);
        report += newLine;
        for (int i = 0; i < e.m_nWndCount; ++i) {
            uint32_t window = e.m_phWndList[static_cast<size_t>(i)];
            char handle[16];
            std::snprintf(handle, sizeof handle, "/ %08X : ", window);
            report += handle;
            // The report becomes comment lines of the document.
            report += text::FromOutside(desktop->WindowTitle(window));
            report += newLine;
        }
        ReleaseWindows(e);
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
            if (text::EqualsNoCase(word, "HIDE")) desktop->ShowMainWindow(false);
            else if (text::EqualsNoCase(word, "SHOW")) desktop->ShowMainWindow(true);
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
        if (e.ArgCount() >= 3) window = e.OperandArg(2, 16);
        else if (desktop != nullptr) window = desktop->MainWindow();
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
        {"EXITWIN", CSystemInstructions::ExitWin},       // power the machine off
        {"EXECCLOSE", CSystemInstructions::ExecClose},   // ask window h to close
        {"EXEC", CSystemInstructions::Exec},             // start a command line, wait until ready; REGL = its process id
        {"EXECD", CSystemInstructions::ExecD},           // run a shell command hidden; r = its window
        {"EXECP", CSystemInstructions::ExecP},           // start a command line shown; r = its window
        {"terminate", CSystemInstructions::Terminate},   // text editor for 5 s, then end it
        {"notepat", CSystemInstructions::Terminate},     // same as terminate
        {"HANDLELIST", CSystemInstructions::HandleList}, // list the top-level windows: handle and title
        {"TIME", CSystemInstructions::Time},             // REGL (and r) = the millisecond tick
        {"WINDOW", CSystemInstructions::Window},         // HIDE or SHOW the application's main window
        {"layer", CSystemInstructions::Layer},           // opacity p % for window h (main window)
        {"opencon", CSystemInstructions::OpenCon},       // open the application's console, write "dir\n"
        {"freecon", CSystemInstructions::FreeCon},       // close the application's console
    });
}
