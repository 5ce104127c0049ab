// Process, system and window instructions against the recording desktop of the test
// host: the order of their steps, the launch record they hand over, their status
// texts and what they leave in the registers.
#include "RecordedRuns.h"

namespace {

using System = CRecordedRuns<>;

// The record lives as long as the engine: it carries over from launch to launch and
// across runs.
TEST_F(System, TheLaunchRecordCarriesOverFromLaunchToLaunch)
{
    Run("EXECD REG1 echo hi > out\nEXEC prog\nEXECP REG2 prog", Shown::Nothing);
    Run("EXECD REG1 x", Shown::Nothing);
}

// EXECP and EXECD store the first window of the started program; an unreadable
// register names REG0, and is read after the launch.
TEST_F(System, ExecpStoresTheFirstWindowOfTheStartedProgram)
{
    host.desktop.windows = {
        {0x00600001, 17, "other"}, {0x00800003, 4242, "second"}, {0x00800007, 4242, "third"}};
    Run("EXECP REG5 prog arg", Shown::Nothing);
    host.desktop.nextProcessId = 4242;
    Run("EXECD REG6 prog", Shown::Nothing);
    host.desktop.nextProcessId = 4242;
    Run("EXECP ABC prog", Shown::Nothing);
}

// A title never starts a statement line, and ends at a NUL. The list stops at 1024
// windows, and is skipped when the level does not show it.
TEST_F(System, HandleListReportsEveryWindowWithItsTitle)
{
    host.desktop.windows = {{0x00A0000C, 1, Sj("メモ帳 - 無題")},
                            {0x0000002F, 2, ""},
                            {0x01200001, 3, "two\r\nEXITWIN"},
                            {0x01200002, 4, std::string("end\0\r\nEXITWIN", 13)}};
    Run("HANDLELIST", Shown::Status);
    host.desktop.windows.clear();
    for (uint32_t i = 0; i < 1100; ++i)
        host.desktop.windows.push_back({0x1000 + i, 1, "w"});
    Run("HANDLELIST", Shown::Status);
    engine.SetDebugLevel(4);
    Run("HANDLELIST", Shown::Status);
}

// EXECCLOSE reads its handle in the automatic radix; layer scales the percentage to an
// alpha byte.
TEST_F(System, ExecCloseAndLayerReadTheirOperands)
{
    Run("EXECCLOSE 0040000A\nEXECCLOSE 00400001\nEXECCLOSE H'00400001\nEXECCLOSE 00100001\n"
        "EXECCLOSE 1F / with a comment\nEXECCLOSE",
        Shown::Nothing);
    Run("layer 50 400001\nlayer 100 400001\nlayer 0 400001\nlayer 101 400001\n"
        "layer D'-1 400001\nlayer 50 H'10 ignored",
        Shown::Nothing);
}

// The text editor runs for five seconds; when it does not start there is nothing to
// wait for or end; a stop during the five seconds still ends it, then the run.
TEST_F(System, TerminateRunsTheTextEditorForFiveSeconds)
{
    Run("terminate", Shown::Nothing);
    host.desktop.nextProcessId = 4242;
    Run("NOTEPAT", Shown::Nothing);
    host.desktop.editorStarts = false;
    Run("terminate", Shown::Nothing);
    host.desktop.editorStarts = true;
    host.stopAt = host.m_now + 100;
    Run("terminate\nEXITWIN", Shown::Nothing);
}

TEST_F(System, WithoutADesktopTheInstructionsActOnNothing)
{
    host.desktopAvailable = false;
    engine.WriteRegister(CScriptEngine::kRegL, 7);
    Run("EXEC prog\nEXECP REG1 prog\nEXECCLOSE 1F\nlayer 50 1F\nWINDOW HIDE\nopencon\nfreecon\n"
        "terminate\nEXITWIN",
        Shown::Nothing);
    Run("HANDLELIST", Shown::Status);
}

} // namespace
