// Process, system and window instructions against the recording desktop of the test
// host: the order of their steps, the launch record they hand over, their status
// texts and what they leave in the registers.
#include <gtest/gtest.h>

#include "ScriptEngine.h"
#include "TestHost.h"

namespace {

using Calls = std::vector<std::string>;

class System : public ::testing::Test {
protected:
    CTestHost host;
    CScriptEngine engine{host};

    // Runs a UTF-8 script whole and returns the calls it made.
    Calls Run(const std::string& script)
    {
        host.calls.clear();
        engine.SetScript(Sj(script));
        engine.Run(-1);
        return host.calls;
    }
    std::string Status() { return Utf(engine.GetStatus()); }
    uint32_t Reg(int index) { return engine.ReadRegister(index); }
};

TEST_F(System, TheLaunchRecordCarriesOverFromLaunchToLaunch)
{
    Calls calls = Run("EXECD REG1 echo hi > out\r\nEXEC prog\r\nEXECP REG2 prog");
    EXPECT_EQ(calls[0],
              "Launch interpreter \"echo hi > out\" cb=68 flags=0x19 show=0 chars=10x10 fill=0");
    EXPECT_EQ(calls[4], "Launch program \"prog\" cb=68 flags=0x19 show=1 chars=10x10 fill=0");
    EXPECT_EQ(calls[7], "Launch program \"prog\" cb=68 flags=0x19 show=1 chars=10x10 fill=0");
    // ... and across runs: the record lives as long as the engine.
    EXPECT_EQ(Run("EXECD REG1 x")[0],
              "Launch interpreter \"x\" cb=68 flags=0x19 show=0 chars=10x10 fill=0");
}

TEST_F(System, ExecpStoresTheFirstWindowOfTheStartedProgram)
{
    host.desktop.windows = {
        {0x00600001, 17, "other"}, {0x00800003, 4242, "second"}, {0x00800007, 4242, "third"}};
    EXPECT_EQ(Run("EXECP REG5 prog arg"),
              (Calls{"Launch program \"prog arg\" cb=68 flags=0x1 show=1 chars=0x0 fill=0",
                     "WaitForInputIdle 4242", "CollectWindows", "CloseProcess 4242"}));
    EXPECT_EQ(Reg(5), 0x00800003u);

    // EXECD searches the same way.
    host.desktop.nextProcessId = 4242;
    Run("EXECD REG6 prog");
    EXPECT_EQ(Reg(6), 0x00800003u);
}

TEST_F(System, TheRegisterIsReadAfterTheLaunch)
{
    host.desktop.windows = {{0x00800003, 4242, "mine"}};
    Calls calls = Run("EXECP ABC prog");
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[1], "WaitForInputIdle 4242");
    EXPECT_EQ(calls[2], "MessageBox \"  \" \"レジスタ取得エラー\" -> OK");
    EXPECT_EQ(Reg(0), 0x00800003u); // an unreadable register names REG0
}

TEST_F(System, HandleListReportsEveryWindowWithItsTitle)
{
    host.desktop.windows = {{0x00A0000C, 1, Sj("メモ帳 - 無題")},
                            {0x0000002F, 2, ""},
                            {0x01200001, 3, "two\r\nEXITWIN"},
                            {0x01200002, 4, std::string("end\0\r\nEXITWIN", 13)}};
    EXPECT_EQ(Run("HANDLELIST"), Calls{"CollectWindows"});
    EXPECT_EQ(Status(), "ハンドル：ウインドウタイトル\r\n"
                        "/ 00A0000C : メモ帳 - 無題\r\n"
                        "/ 0000002F : \r\n"
                        "/ 01200001 : two  EXITWIN\r\n" // a title never starts a statement line
                        "/ 01200002 : end\r\n"          // and ends at a NUL
                        "\r\n");
}

TEST_F(System, HandleListStopsAt1024WindowsAndIsSkippedWhenNotShown)
{
    for (uint32_t i = 0; i < 1100; ++i)
        host.desktop.windows.push_back({0x1000 + i, 1, "w"});
    Run("HANDLELIST");
    std::string status = Status();
    EXPECT_EQ(std::count(status.begin(), status.end(), '\n'), 1 + 1024 + 1);
    EXPECT_NE(status.find("/ 000013FF : w\r\n"), std::string::npos); // the 1024th
    EXPECT_EQ(status.find("/ 00001400 : w\r\n"), std::string::npos); // the 1025th

    engine.SetDebugLevel(4);
    EXPECT_EQ(Run("HANDLELIST"), Calls{});
    EXPECT_EQ(Status(), "");
}

TEST_F(System, ExecCloseReadsItsHandleInTheAutomaticRadix)
{
    EXPECT_EQ(Run("EXECCLOSE 0040000A\r\nEXECCLOSE 00400001\r\nEXECCLOSE H'00400001\r\n"
                  "EXECCLOSE 00100001\r\nEXECCLOSE 1F / with a comment"),
              (Calls{"CloseWindow 0x0040000A", "CloseWindow 0x00061A81", "CloseWindow 0x00400001",
                     "CloseWindow 0x00000021", "CloseWindow 0x0000001F"}));
    EXPECT_EQ(
        Run("EXECCLOSE"),
        Calls{"MessageBox \"CAUTION!!!\" \"横に入力されている\\n引数の数が足りません\" -> OK"});
}

TEST_F(System, LayerScalesThePercentageToAnAlphaByte)
{
    EXPECT_EQ(Run("layer 50 400001\r\nlayer 100 400001\r\nlayer 0 400001\r\nlayer 101 400001\r\n"
                  "layer D'-1 400001\r\nlayer 50 H'10 ignored"),
              (Calls{"SetWindowOpacity 0x00400001 127", "SetWindowOpacity 0x00400001 255",
                     "SetWindowOpacity 0x00400001 0", "SetWindowOpacity 0x00400001 1",
                     "SetWindowOpacity 0x00400001 254", "SetWindowOpacity 0x00000010 127"}));
}

TEST_F(System, TerminateRunsTheTextEditorForFiveSeconds)
{
    const Calls expected{"StartTextEditor", "Sleep 5000", "TerminateProcess 4242",
                         "CloseProcess 4242"};
    EXPECT_EQ(Run("terminate"), expected);
    host.desktop.nextProcessId = 4242;
    EXPECT_EQ(Run("NOTEPAT"), expected);
    host.desktop.editorStarts = false; // nothing started: nothing to wait for or end
    EXPECT_EQ(Run("terminate"), Calls{"StartTextEditor -> failed"});
    // A stop during the five seconds still ends the editor, then the run.
    host.desktop.editorStarts = true;
    host.stopAt = host.m_now + 100;
    EXPECT_EQ(Run("terminate\r\nEXITWIN"), (Calls{"StartTextEditor", "Sleep 5000",
                                                  "TerminateProcess 4243", "CloseProcess 4243"}));
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::Stopped);
}

TEST_F(System, WithoutADesktopTheInstructionsActOnNothing)
{
    host.desktopAvailable = false;
    engine.WriteRegister(CScriptEngine::kRegL, 7);
    EXPECT_EQ(Run("EXEC prog\r\nEXECP REG1 prog\r\nEXECCLOSE 1F\r\nlayer 50 1F\r\nWINDOW HIDE\r\n"
                  "opencon\r\nfreecon\r\nterminate\r\nEXITWIN"),
              Calls{});
    EXPECT_EQ(engine.GetRegL(), 7u);
    Run("HANDLELIST");
    EXPECT_EQ(Status(), "ハンドル：ウインドウタイトル\r\n\r\n");
}

} // namespace
