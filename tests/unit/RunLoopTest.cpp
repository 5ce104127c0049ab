// The run loop where a script test cannot see it: the guards, stopping, what a wait
// asks of the host, and what stays the same from run to run.
#include "RecordedRuns.h"

namespace {

using RunLoop = CRecordedRuns<>;

// A stop request ends a run that never pumps at the third look (every 32 statements);
// the statement guard ends a runaway run with a box.
TEST_F(RunLoop, TheGuardAndAStopRequestEndARunawayRun)
{
    host.stopAtPoll = 3;
    Run("L'A\nINC REG1\nJMP L'A");
    EXPECT_EQ(host.pollCount, 3);
    engine.SetStatementLimit(1000);
    Run("L'A\nINC REG1\nJMP L'A");
}

// Splitting a line of two million tokens asks about a stop as it goes; the stop ends
// the run before the statement runs.
TEST_F(RunLoop, AStopCutsIntoTheSplittingOfAVeryLongLine)
{
    std::string line = "MOV REG1 D'5";
    for (int i = 0; i < 2000000; ++i)
        line += " a";
    for (int stopAtPoll : {1, 0}) {
        host.stopAtPoll = stopAtPoll;
        RunUtf8(engine, line + "\nINC REG2");
        record += "long line, stop at look " + std::to_string(stopAtPoll) + "\n" +
                  RunRecord(engine, host, "");
    }
}

// A statement after a wait does not wait again; WAITPUMP pumps once a second and
// leaves the time spent in REGL, and a stop ends a long wait at once.
TEST_F(RunLoop, WaitsAndWhatTheyAskOfTheHost)
{
    Run("WAIT D'100\nDISPB\nXYZ", Shown::Nothing);
    Run("WAITPUMP D'2500", Shown::Nothing);
    host.stopAt = host.m_now + 1200;
    Run("WAITPUMP D'100000\nXYZ", Shown::Nothing);
}

TEST_F(RunLoop, ARunStartedWhileOneIsInProgressIsRefused)
{
    int inner = 0;
    RunEnd innerEnd = RunEnd::EndOfScript;
    host.onPump = [&] {
        inner = engine.Run(-1);
        innerEnd = engine.GetRunEnd();
    };
    Run("PUMP\nINC REG1", Shown::Nothing);
    EXPECT_EQ(inner, -1);
    EXPECT_EQ(innerEnd, RunEnd::Refused);
}

TEST_F(RunLoop, AStopAskedInAPumpEndsALoopOfDecodedLinesAfterThatStatement)
{
    // From the second pass on, INC and IFJ run in their decoded forms; the stop must
    // still end the run right after the PUMP that asked for it.
    int pumps = 0;
    host.onPump = [&] {
        if (++pumps == 3) engine.RequestStop();
    };
    Run("L'A\nINC REG1\nPUMP\nIFJ REG1 < D'100 L'A\nINC REG2");
}

// A line that fails must report every time; one that reads a register must read its
// current value every time, although both are bound once per run. A failed jump target
// leaves the value 0, not the failure's error number 10, for a not-taken IFJ to show.
TEST_F(RunLoop, TheSameLineGivesTheSameResultsEveryTimeItRuns)
{
    engine.SetDebugLevel(100);
    Run("MOV REG2 0\nL'A\nOR REG1 H'XYZ REG3\nINC REG2\nIFJ REG2 < 3 L'A\nDISPD REG2");
    for (const char* jump :
         {"JMP L'NONE", "CALL L'NONE", "JMPR H'XYZ", "IFJ 1 = 1 L'NONE", "IFJR 1 = 1 H'XYZ"})
        Run(std::string(jump) + "\nIFJ 1 = 2 D'0");
}

// Far jumps end the run or land on line 0, and never wrap the line index: a wrapped
// index would run lines that do not exist until the guard. The most negative distance
// lands on line 0 once: REG2 is 2 the second time.
TEST_F(RunLoop, FarJumpsEndTheRunOrLandOnLineZeroAndNeverWrapTheLineIndex)
{
    engine.SetStatementLimit(1000);
    Run("MOV REG1 1\nJMPR H'7FFFFFFF\nXYZ");
    Run("MOV REG1 1\nXYZ\nIFJR 1 = 1 D'2147483646");
    for (const char* jump : {"JMP H'7FFFFFFF", "CALL H'7FFFFFFF", "IFJ 1 = 1 H'7FFFFFFF"})
        Run(std::string("/ x\n") + jump + "\n/ x");
    Run("INC REG2\nIFJR REG2 = 1 H'80000000\n/ x");
}

// The log stops at its bound and the report says how many status lines were left out:
// the kept and the left-out ones make the 1000 statements. Below the bound nothing is
// left out and no such line is added.
TEST_F(RunLoop, TheLogStopsAtItsBoundAndTheReportSaysHowManyLinesWereLeftOut)
{
    engine.SetDebugLevel(100);
    engine.SetStatementLimit(999);
    engine.SetLogLimit(300);
    Run("L'A\nINC REG1\nJMP L'A");
    engine.SetLogLimit(CScriptEngine::kDefaultLogLimit);
    EXPECT_EQ(RunUtf8(engine, "L'A\nINC REG1\nJMP L'A").find("/ ログの上限"), std::string::npos);
}

// The run's label index goes with the run; a statement handed in afterwards still finds
// the first matching label line of the script that ran, and a missing label still
// reports. Calls without a return accumulate across runs.
TEST_F(RunLoop, AStatementHandedInAfterARunFindsTheLabelsOfThatRun)
{
    engine.SetDebugLevel(20);
    Run("CALL L'S\nL'S", Shown::Nothing);
    Run("L'A\n/ x\nl'b\nL'B\nCALL L'S\nL'S", Shown::Nothing);
    for (const char* statement : {"JMP L'B", "JMP L'NONE"}) {
        ExecuteLine(engine, statement);
        record += std::string("> ") + statement + (engine.ErrorRequested() ? ", error\n" : "\n") +
                  RunRecord(engine, host,
                            Utf(engine.GetStatus().substr(0, engine.GetStatus().size() - 2)));
    }
    EXPECT_EQ(engine.GetCallDepth(), 2);
}

} // namespace
