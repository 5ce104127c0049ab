// The dialog and media family through the recording host: boxes and their answers,
// sounds, and which media window each MCI statement reaches.
#include <gtest/gtest.h>

#include "ScriptEngine.h"
#include "TestHost.h"

namespace {

using Calls = std::vector<std::string>;

class Dialog : public ::testing::Test {
protected:
    CTestHost host;
    CScriptEngine engine{host};

    // Runs a UTF-8 script with LF line breaks; returns the output the same way.
    std::string Run(const std::string& script)
    {
        std::string cp932;
        for (char c : Sj(script)) {
            if (c == '\n') cp932 += '\r';
            cp932 += c;
        }
        engine.SetScript(cp932);
        engine.Run(-1);
        std::string out;
        for (char c : Utf(engine.GetOutput()))
            if (c != '\r') out += c;
        return out;
    }
    // The report lines after the script and the count line.
    std::string Log(const std::string& script)
    {
        std::string out = Run(script);
        size_t count = out.find("/ 実行したニーモニック数は");
        return out.substr(out.find('\n', count) + 1);
    }
};

const std::string kFixedSound = "PlaySound \"C:\\\\WINDOWS\\\\MEDIA\\\\Ding.wav\"";
const std::string kArgCountBox = "MessageBox \"CAUTION!!!\" \"横に入力されている\\n引数の数が足りません\" -> OK";

TEST_F(Dialog, MessageBoxShowsTextUnderCaptionAndNeedsBoth)
{
    engine.SetDebugLevel(100);
    // The first line fails the count check and sets no status, so it logs nothing.
    EXPECT_EQ(Log("MESSAGEBOX 本文\nMESSAGEBOX 本文 題 余り\nmessagebox \"a b\" \"c d\" X"), "/ \n/ \n");
    EXPECT_EQ(host.calls, (Calls{kArgCountBox, "MessageBox \"題\" \"本文\" -> OK",
                                 "MessageBox \"\\\"c d\" \"\\\"a b\" -> OK"}));
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::EndOfScript);
}

TEST_F(Dialog, MayContinueOkGoesOnAndCancelEndsTheRunAfterItsLine)
{
    engine.SetDebugLevel(100);
    host.answers = {MessageAnswer::Ok, MessageAnswer::Cancel};
    std::string log = Log("MAYCONTINUE 一\nMOV REG1 5\nMAYCONTINUE 二\nMOV REG1 7");
    EXPECT_EQ(host.Messages(), (Calls{"MessageBox \"一\" \"実行を続けさせてくれるかな？\" -> OK",
                                      "MessageBox \"二\" \"実行を続けさせてくれるかな？\" -> Cancel"}));
    EXPECT_EQ(engine.ReadRegister(1), 5u);
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::EndRequest);
    // The cancelled line logs the status of the statement before it once more.
    const std::string mov = "/ 定数格納：：レジスタ表示：" + std::string(31, '0') + "5@h\n";
    EXPECT_EQ(log, "/ \n" + mov + mov);
    EXPECT_NE(Run("MAYCONTINUE").find("実行したニーモニック数は1行です"), std::string::npos);
    EXPECT_EQ(host.Messages().back(), kArgCountBox);
}

TEST_F(Dialog, WarningPlaysTheFixedSoundThenShowsItsBox)
{
    Run("警告 引数は無視");
    EXPECT_EQ(host.calls, (Calls{kFixedSound,
                                 "MessageBox \"チェック\" \"漢字命令です\" -> OK"}));
}

TEST_F(Dialog, SoundPlaysTheFixedSoundOrTheNamedFileWithoutWaiting)
{
    engine.SetDebugLevel(100);
    const uint32_t before = host.GetTickCount();
    EXPECT_EQ(Log("♪\n♪ C:\\音\\ベル.wav\n♪ ない.wav 余り"), "/ \n/ \n/ \n");
    EXPECT_EQ(host.calls, (Calls{kFixedSound,
                                 "PlaySound \"C:\\\\音\\\\ベル.wav\"", "PlaySound \"ない.wav\""}));
    EXPECT_EQ(host.GetTickCount(), before);
}

TEST_F(Dialog, MciPlacementsFollowTheTokenCount)
{
    engine.SetDebugLevel(100);
    EXPECT_EQ(Log("MCI a.ogv\nMCI b.ogv 0\nMCI c.ogv 320 10\nMCI d.ogv H'10 REG1"), "/ \n/ \n/ \n/ \n");
    EXPECT_EQ(host.calls, (Calls{"MediaCreate fill \"a.ogv\" -> 1", "MediaPlay 1",
                                 "MediaCreate full \"b.ogv\" -> 2", "MediaPlay 2",
                                 "MediaCreate sized 320x10 \"c.ogv\" -> 3", "MediaPlay 3",
                                 "MediaCreate sized 16x0 \"d.ogv\" -> 4", "MediaPlay 4"}));
}

TEST_F(Dialog, MciWithFourArgumentsDoesNothingAndRepeatsNoRequest)
{
    engine.SetDebugLevel(100);
    // Without a request of its own the statement would repeat the wait before it.
    std::string log = Log("WAIT 5\nMCI a.ogv 1 2 3\nMCIPLAY\nMCICLOSE");
    EXPECT_EQ(host.calls, (Calls{"Sleep 5", "MediaPlay 0", "CloseMedia 0", "MediaClose 0"}));
    EXPECT_EQ(log, "/ WAIT しました\n/ WAIT しました\n/ WAIT しました\n/ WAIT しました\n");
    Run("MCI");
    EXPECT_EQ(host.Messages().back(), kArgCountBox);
}

TEST_F(Dialog, OnlyTheNewestMediaWindowIsReached)
{
    Run("MCI a.ogv\nMCI b.ogv\nMCICLOSE\nMCIPLAY");
    EXPECT_EQ(host.calls, (Calls{"MediaCreate fill \"a.ogv\" -> 1", "MediaPlay 1",
                                 "MediaCreate fill \"b.ogv\" -> 2", "MediaPlay 2",
                                 "CloseMedia 2", "MediaClose 2", "MediaPlay 2"}));
}

TEST_F(Dialog, TheStopRequestClosesTheOpenWindowOnly)
{
    Run("MCI a.ogv");
    host.calls.clear();
    engine.RequestStop();
    EXPECT_EQ(host.calls, (Calls{"CloseMedia 1", "MediaClose 1"}));
    Run("MCICLOSE");
    host.calls.clear();
    engine.RequestStop();
    EXPECT_TRUE(host.calls.empty());
    // A stop that arrives during a run closes the window the run opened.
    host.stopAtPoll = 1;
    Run("MCI b.ogv\nL'A\nINC REG1\nJMP L'A");
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::Stopped);
    EXPECT_EQ(host.calls.back(), "MediaClose 2");
}

TEST_F(Dialog, WithoutAWindowTheHandleIsZero)
{
    host.media.canCreate = false;
    Run("MCI a.ogv\nMCIPLAY");
    EXPECT_EQ(host.calls, (Calls{"MediaCreate fill \"a.ogv\" -> 0", "MediaPlay 0", "MediaPlay 0"}));
    host.hasMedia = false;
    host.calls.clear();
    Run("MCI a.ogv\nMCIPLAY");
    engine.RequestStop();
    EXPECT_EQ(host.calls, (Calls{"CloseMedia 0"}));
}

} // namespace
