// The run loop where a script test cannot see it: the guards, stopping, what a wait
// asks of the host, and what stays the same from run to run.
#include <gtest/gtest.h>

#include <set>

#include "KeywordChain.h"
#include "ScriptEngine.h"
#include "TestHost.h"
#include "Text.h"

namespace {

class RunLoop : public ::testing::Test {
protected:
    CTestHost host;
    CScriptEngine engine{host};

    std::string Run(const std::string& script) { return RunUtf8(engine, script); }
};

TEST_F(RunLoop, StatementGuardEndsARunawayRun)
{
    engine.SetStatementLimit(1000);
    EXPECT_EQ(Run("L'A\nINC REG1\nJMP L'A"),
              "L'A\nINC REG1\nJMP L'A\n/ 実行したニーモニック数は1001行です\n");
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::CountGuard);
    EXPECT_EQ(host.Messages(),
              (std::vector<std::string>{
                  "MessageBox \"エラー：強制停止\" \"無限ループと判定しました\" -> OK"}));
}

TEST_F(RunLoop, AStopRequestEndsARunThatNeverPumps)
{
    host.stopAtPoll = 3;
    EXPECT_EQ(Run("L'A\nINC REG1\nJMP L'A"),
              "L'A\nINC REG1\nJMP L'A\n/ 実行したニーモニック数は96行です\n");
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::Stopped);
    EXPECT_EQ(host.pollCount, 3);
    EXPECT_TRUE(host.Messages().empty());
}

TEST_F(RunLoop, AStopCutsIntoTheSplittingOfAVeryLongLine)
{
    // Splitting a line of two million tokens asks about a stop as it goes; the stop
    // ends the run before the statement runs.
    std::string line = "MOV REG1 D'5";
    for (int i = 0; i < 2000000; ++i)
        line += " a";
    host.stopAtPoll = 1;
    Run(line + "\nINC REG2");
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::Stopped);
    EXPECT_EQ(engine.ReadRegister(1), 0u);
    EXPECT_EQ(engine.ReadRegister(2), 0u);

    host.stopAtPoll = 0;
    Run(line + "\nINC REG2");
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::EndOfScript);
    EXPECT_EQ(engine.ReadRegister(1), 5u);
    EXPECT_EQ(engine.ReadRegister(2), 1u);
}

TEST_F(RunLoop, AStatementAfterAWaitDoesNotWaitAgain)
{
    Run("WAIT D'100\nDISPB\nXYZ");
    EXPECT_EQ(host.calls, (std::vector<std::string>{"Sleep 100"}));
}

TEST_F(RunLoop, WaitPumpPumpsOnceASecondAndReportsTheTimeSpent)
{
    Run("WAITPUMP D'2500");
    EXPECT_EQ(host.calls,
              (std::vector<std::string>{"Sleep 500", "Pump", "Sleep 1000", "Pump", "Sleep 1000"}));
    EXPECT_EQ(engine.GetRegL(), 2500u);
}

TEST_F(RunLoop, AStopEndsALongWaitAtOnce)
{
    host.stopAt = host.m_now + 1200;
    Run("WAITPUMP D'100000\nXYZ");
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::Stopped);
    EXPECT_EQ(engine.GetRegL(), 1200u);
    EXPECT_EQ(host.calls,
              (std::vector<std::string>{"Sleep 0", "Pump", "Sleep 1000", "Pump", "Sleep 1000"}));
}

TEST_F(RunLoop, ARunStartedWhileOneIsInProgressIsRefused)
{
    int inner = 0;
    RunEnd innerEnd = RunEnd::EndOfScript;
    host.onPump = [&] {
        inner = engine.Run(-1);
        innerEnd = engine.GetRunEnd();
    };
    Run("PUMP\nINC REG1");
    EXPECT_EQ(inner, -1);
    EXPECT_EQ(innerEnd, RunEnd::Refused);
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::EndOfScript);
    EXPECT_EQ(engine.ReadRegister(1), 1u);
}

TEST_F(RunLoop, AStopAskedInAPumpEndsALoopOfDecodedLinesAfterThatStatement)
{
    // From the second pass on, INC and IFJ run in their decoded forms; the stop must
    // still end the run right after the PUMP that asked for it.
    int pumps = 0;
    host.onPump = [&] {
        if (++pumps == 3) engine.RequestStop();
    };
    EXPECT_EQ(
        Run("L'A\nINC REG1\nPUMP\nIFJ REG1 < D'100 L'A\nINC REG2"),
        "L'A\nINC REG1\nPUMP\nIFJ REG1 < D'100 L'A\nINC REG2\n/ 実行したニーモニック数は9行です\n");
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::Stopped);
    EXPECT_EQ(engine.ReadRegister(1), 3u);
    EXPECT_EQ(engine.ReadRegister(2), 0u);
}

TEST_F(RunLoop, CallsWithoutReturnAccumulateAcrossRuns)
{
    Run("CALL L'S\nL'S");
    Run("CALL L'S\nL'S");
    EXPECT_EQ(engine.GetCallDepth(), 2);
}

TEST_F(RunLoop, TheSameLineGivesTheSameResultsEveryTimeItRuns)
{
    // A line that fails must report every time; one that reads a register must read
    // its current value every time, although both are bound once per run.
    engine.SetDebugLevel(100);
    std::string out =
        Run("MOV REG2 0\nL'A\nOR REG1 H'XYZ REG3\nINC REG2\nIFJ REG2 < 3 L'A\nDISPD REG2");
    EXPECT_EQ(host.Messages().size(), 3u);
    EXPECT_NE(out.find("/ DISPD…00002@d 00000000000000000000000000000003@d"), std::string::npos);
}

TEST_F(RunLoop, FarJumpsEndTheRunOrLandOnLineZeroAndNeverWrapTheLineIndex)
{
    // A wrapped line index would run lines that do not exist until the guard.
    engine.SetStatementLimit(1000);
    EXPECT_EQ(Run("MOV REG1 1\nJMPR H'7FFFFFFF\nXYZ"),
              "MOV REG1 1\nJMPR H'7FFFFFFF\nXYZ\n/ 実行したニーモニック数は2行です\n");
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::EndOfScript);
    Run("MOV REG1 1\nXYZ\nIFJR 1 = 1 D'2147483646");
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::EndOfScript);
    for (const char* jump : {"JMP H'7FFFFFFF", "CALL H'7FFFFFFF", "IFJ 1 = 1 H'7FFFFFFF"}) {
        EXPECT_EQ(Run(std::string("/ x\n") + jump + "\n/ x"),
                  std::string("/ x\n") + jump + "\n/ x\n/ 実行したニーモニック数は2行です\n");
        EXPECT_EQ(engine.GetRunEnd(), RunEnd::EndOfScript) << jump;
    }
    // The most negative distance lands on line 0, once: REG2 is 2 the second time.
    EXPECT_EQ(Run("INC REG2\nIFJR REG2 = 1 H'80000000\n/ x"),
              "INC REG2\nIFJR REG2 = 1 H'80000000\n/ x\n/ 実行したニーモニック数は5行です\n");
    EXPECT_TRUE(host.Messages().empty());
}

TEST_F(RunLoop, TheLogStopsAtItsBoundAndTheReportSaysHowManyLinesWereLeftOut)
{
    engine.SetDebugLevel(100);
    engine.SetStatementLimit(999);
    engine.SetLogLimit(300);
    const std::string out = Run("L'A\nINC REG1\nJMP L'A");
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::CountGuard);
    const std::string head = "L'A\nINC REG1\nJMP L'A\n/ 実行したニーモニック数は1000行です\n";
    ASSERT_EQ(out.substr(0, head.size()), head);
    const size_t last = out.rfind("/ ログの上限");
    ASSERT_NE(last, std::string::npos);
    const std::string log = out.substr(head.size(), last - head.size());
    EXPECT_LE(Sj(log).size(), 300u);
    size_t kept = 0;
    for (size_t at = log.find("/ "); at != std::string::npos; at = log.find("\n/ ", at + 1))
        ++kept;
    EXPECT_GT(kept, 3u);
    // Every statement logged a status: the kept and the left-out ones make 1000.
    EXPECT_EQ(out.substr(last), "/ ログの上限に達したため省略したステータス行は" +
                                    std::to_string(1000 - kept) + "行です (log limit reached)\n");

    // Below the bound nothing is left out and no such line is added.
    engine.SetLogLimit(CScriptEngine::kDefaultLogLimit);
    EXPECT_EQ(Run("L'A\nINC REG1\nJMP L'A").find("/ ログの上限"), std::string::npos);
}

TEST_F(RunLoop, AFailedJumpTargetLeavesTheValueZero)
{
    // A not-taken IFJ shows the request's value: 0, not the failure's error number 10.
    engine.SetDebugLevel(100);
    for (const char* jump :
         {"JMP L'NONE", "CALL L'NONE", "JMPR H'XYZ", "IFJ 1 = 1 L'NONE", "IFJR 1 = 1 H'XYZ"}) {
        const std::string out = Run(std::string(jump) + "\nIFJ 1 = 2 D'0");
        EXPECT_NE(out.find("/ 条件が成立しませんでした…00000@d\n"), std::string::npos)
            << jump << "\n"
            << out;
    }
}

TEST_F(RunLoop, AStatementHandedInAfterARunFindsTheLabelsOfThatRun)
{
    // The run's label index goes with the run; a statement handed in afterwards still
    // finds the first matching label line of the script that ran, and a missing label
    // still reports.
    engine.SetDebugLevel(20);
    Run("L'A\n/ x\nl'b\nL'B");
    ExecuteLine(engine, "JMP L'B");
    EXPECT_EQ(engine.GetStatus(), Sj("JMPしました…0000003@d\r\n"));
    EXPECT_TRUE(host.Messages().empty());
    ExecuteLine(engine, "JMP L'NONE");
    EXPECT_TRUE(engine.ErrorRequested());
    EXPECT_EQ(host.Messages().size(), 1u);
}

TEST(KeywordChain, NoTwoMnemonicsAreEqualWithoutRegardToCase)
{
    std::set<std::string> seen;
    for (const CInstruction& instruction : CKeywordChain::Get().Entries())
        EXPECT_TRUE(seen.insert(text::FoldCase(instruction.mnemonic)).second)
            << Utf(instruction.mnemonic);
    EXPECT_EQ(CKeywordChain::Get().Find("jMp"), CKeywordChain::Get().Find("JMP"));
    EXPECT_NE(CKeywordChain::Get().Find(Sj("カーソル行")), nullptr);
}

} // namespace
