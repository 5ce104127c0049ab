// The dialog and media family through the recording host, where tavimore-run cannot
// show it (sounds that do not wait, MCI statements that reach no window, the stop
// request closing the window a run opened).
#include "RecordedRuns.h"

namespace {

using Calls = std::vector<std::string>;
using Dialog = CRecordedRuns<>;

// Sounds do not wait. MCI with four arguments does nothing and has no request of its
// own, so it repeats the wait before it, as MCIPLAY and MCICLOSE reaching no window do.
TEST_F(Dialog, SoundsDoNotWaitAndMciWithFourArgumentsDoesNothing)
{
    Run("♪\n♪ ない.wav", Shown::Nothing);
    engine.SetDebugLevel(100);
    Run("WAIT 5\nMCI a.ogv 1 2 3\nMCIPLAY\nMCICLOSE");
    Run("MCI");
}

TEST_F(Dialog, TheStopRequestClosesTheOpenWindowOnlyAndWithoutOneTheHandleIsZero)
{
    Run("MCI a.ogv", Shown::Nothing);
    engine.RequestStop();
    EXPECT_EQ(host.calls, (Calls{"CloseMedia 1", "MediaClose 1"}));
    Run("MCICLOSE", Shown::Nothing);
    engine.RequestStop();
    EXPECT_TRUE(host.calls.empty());
    // A stop that arrives during a run closes the window the run opened.
    host.stopAtPoll = 1;
    Run("MCI b.ogv\nL'A\nINC REG1\nJMP L'A", Shown::Nothing);
    // Without a window the handle is 0; without media windows at all a stop closes none.
    host.media.canCreate = false;
    Run("MCI a.ogv\nMCIPLAY", Shown::Nothing);
    host.hasMedia = false;
    Run("MCI a.ogv\nMCIPLAY", Shown::Nothing);
    engine.RequestStop();
    EXPECT_EQ(host.calls, (Calls{"CloseMedia 0"}));
}

} // namespace
