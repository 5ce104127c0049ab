// The document side of a step beyond what the stepping scripts show: the last line,
// the cut of a long line, and a call returned from in a later step.
#include <gtest/gtest.h>

#include "ScriptEngine.h"
#include "Stepper.h"
#include "TestHost.h"

namespace {

class Stepper : public ::testing::Test {
protected:
    CTestHost host;
    CScriptEngine engine{host};
};

TEST_F(Stepper, TheLastLineGainsALineBreakAndJumpsPastTheEndStopThere)
{
    CStepResult r = StepDocumentLine(engine, ScriptText("A\nJMP D'50"), 1);
    EXPECT_EQ(r.text, ScriptText("A\nJMP D'50\n"));
    EXPECT_EQ(r.caretLine, 2);
}

TEST_F(Stepper, LinesOf255BytesOrMoreAreCutWithAMessage)
{
    std::string longLine = "XYZ " + std::string(300, 'a');
    CStepResult r = StepDocumentLine(engine, longLine + "\r\nB", 0);
    EXPECT_EQ(r.replacement.substr(0, 257), longLine.substr(0, 255) + "\r\n");
    EXPECT_EQ(host.Messages(),
              (std::vector<std::string>{
                  "MessageBox \"Error\" \"コピーできる範囲を超えていました\" -> OK"}));
}

TEST_F(Stepper, CallAndReturnWorkAcrossSteps)
{
    std::string doc = ScriptText("CALL L'S\nXYZ\nL'S\nRET");
    StepDocumentLine(engine, doc, 0);
    EXPECT_EQ(engine.GetCallDepth(), 1);
    CStepResult r = StepDocumentLine(engine, doc, 3);
    EXPECT_EQ(engine.GetCallDepth(), 0);
    EXPECT_EQ(r.caretLine, 1);
}

TEST_F(Stepper, AStepByAFarDistanceEndsAndPutsTheCaretOnTheLastLine)
{
    engine.SetStatementLimit(1000);
    for (const char* jump : {"JMPR H'7FFFFFFF", "IFJR 1 = 1 D'2147483646", "JMP H'7FFFFFFF"}) {
        CStepResult r = StepDocumentLine(engine, ScriptText(std::string("A\n") + jump + "\nB"), 1);
        EXPECT_EQ(r.caretLine, 2) << jump;
        EXPECT_EQ(engine.GetRunEnd(), RunEnd::EndOfScript) << jump;
    }
    CStepResult r = StepDocumentLine(engine, ScriptText("A\nJMPR H'80000000\nB"), 1);
    EXPECT_EQ(r.caretLine, 0);
}

} // namespace
