// The document side of a step: the rewritten line, the status under it, the caret.
#include <gtest/gtest.h>

#include "ScriptEngine.h"
#include "Stepper.h"
#include "TestHost.h"

namespace {

std::string Doc(std::initializer_list<const char*> lines)
{
    std::string text;
    for (const char* line : lines) {
        if (!text.empty()) text += "\r\n";
        text += Sj(line);
    }
    return text;
}

class Stepper : public ::testing::Test {
protected:
    CTestHost host;
    CScriptEngine engine{host};
};

TEST_F(Stepper, JumpUpToALabelAtTheDefaultLevelAddsNoStatusLine)
{
    std::string doc = Doc({"A", "L'TOP", "B", "C", "D", "JMP L'TOP", "E"});
    CStepResult r = StepDocumentLine(engine, doc, 5);
    EXPECT_EQ(r.text, doc); // the JMP line is written back with its line break
    EXPECT_EQ(engine.GetJumpDistance(), -3);
    EXPECT_EQ(r.caretLine, 2);
}

TEST_F(Stepper, JumpUpToALabelWithTheStatusLineUnderIt)
{
    engine.SetDebugLevel(20);
    std::string doc = Doc({"A", "L'TOP", "B", "C", "D", "JMP L'TOP", "E"});
    CStepResult r = StepDocumentLine(engine, doc, 5);
    EXPECT_EQ(r.text, Doc({"A", "L'TOP", "B", "C", "D", "JMP L'TOP", "/ JMPしました…0000002@d", "E"}));
    EXPECT_EQ(r.caretLine, 2);
}

TEST_F(Stepper, JumpDownSkipsTheInsertedStatusLine)
{
    for (int level : {10, 20}) {
        engine.SetDebugLevel(level);
        std::string doc = Doc({"JMP 3", "A", "B", "C", "D"});
        CStepResult r = StepDocumentLine(engine, doc, 0);
        // Line 3 ("C") moved down by one when a status line was inserted.
        EXPECT_EQ(r.caretLine, level == 20 ? 4 : 3);
    }
}

TEST_F(Stepper, NoJumpGoesToTheNextStatement)
{
    CStepResult r = StepDocumentLine(engine, Doc({"XYZ", "B"}), 0);
    EXPECT_EQ(r.text, Doc({"XYZ", "/ ニーモニックを発見できませんでした", "B"}));
    EXPECT_EQ(r.caretLine, 2);
}

TEST_F(Stepper, TheLastLineGainsALineBreakAndJumpsPastTheEndStopThere)
{
    CStepResult r = StepDocumentLine(engine, Doc({"A", "JMP D'50"}), 1);
    EXPECT_EQ(r.text, Doc({"A", "JMP D'50", ""}));
    EXPECT_EQ(r.caretLine, 2);
}

TEST_F(Stepper, LinesOf255BytesOrMoreAreCutWithAMessage)
{
    std::string longLine = "XYZ " + std::string(300, 'a');
    CStepResult r = StepDocumentLine(engine, longLine + "\r\nB", 0);
    EXPECT_EQ(r.replacement.substr(0, 257), longLine.substr(0, 255) + "\r\n");
    EXPECT_EQ(host.Messages(), (std::vector<std::string>{
                                   "MessageBox \"Error\" \"コピーできる範囲を超えていました\" -> OK"}));
}

TEST_F(Stepper, CallAndReturnWorkAcrossSteps)
{
    std::string doc = Doc({"CALL L'S", "XYZ", "L'S", "RET"});
    StepDocumentLine(engine, doc, 0);
    EXPECT_EQ(engine.GetCallDepth(), 1);
    CStepResult r = StepDocumentLine(engine, doc, 3);
    EXPECT_EQ(engine.GetCallDepth(), 0);
    EXPECT_EQ(r.caretLine, 1);
}

} // namespace
