// The dialog and media family through the recording host, where tavimore-run cannot
// show it (sounds that do not wait, MCI statements
// that reach no window, the stop request closing the window a run opened).
#include <gtest/gtest.h>

#include "ScriptEngine.h"
#include "TestHost.h"

namespace {

using Calls = std::vector<std::string>;

class Dialog : public ::testing::Test {
protected:
    CTestHost host;
    CScriptEngine engine{host};

    std::string Run(const std::string& script) { return RunUtf8(engine, script); }
    // The report lines after the script and the count line.
    std::string Log(const std::string& script)
    {
        std::string out = Run(script);
        size_t count = out.find("/ 実行したニーモニック数は");
        return out.substr(out.find('\n', count) + 1);
    }
};

const std::string kFixedSound = "PlaySound \"C:\\\\WINDOWS\\\\MEDIA\\\\Ding.wav\"";
const std::string kArgCountBox =
    "MessageBox \"CAUTION!!!\" \"横に入力されている\\n引数の数が足りません\" -> OK";

TEST_F(Dialog, SoundDoesNotWait)
{
    const uint32_t before = host.GetTickCount();
    Run("♪\n♪ ない.wav");
    EXPECT_EQ(host.calls, (Calls{kFixedSound, "PlaySound \"ない.wav\""}));
    EXPECT_EQ(host.GetTickCount(), before);
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
