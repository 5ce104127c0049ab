// The document side of a step beyond what the stepping scripts show: the last line,
// the cut of a long line, a call returned from in a later step, and far jumps. Each
// step is written down with the document after it, where the caret went, how the run
// ended and the call depth, against an expected output.
#include "Stepper.h"
#include "RecordedRuns.h"

namespace {

class Stepper : public CRecordedRuns<> {
protected:
    void Step(const std::string& utf8, int line)
    {
        const CStepResult r = StepDocumentLine(engine, ScriptText(utf8), line);
        record += "step " + std::to_string(line) + " of " + Escaped(ScriptText(utf8)) + "\n  -> " +
                  Escaped(r.text) + ", caret " + std::to_string(r.caretLine) + ", call depth " +
                  std::to_string(engine.GetCallDepth()) + "\n" + RunRecord(engine, host, "");
    }
};

// The last line gains a line break; jumps past the end stop there. Lines of 255 bytes or
// more are cut, with a message.
TEST_F(Stepper, TheLastLineALongLineAndACallAcrossSteps)
{
    Step("A\nJMP D'50", 1);
    Step("XYZ " + std::string(300, 'a') + "\nB", 0);
    // A call and its return work across steps.
    Step("CALL L'S\nXYZ\nL'S\nRET", 0);
    Step("CALL L'S\nXYZ\nL'S\nRET", 3);
}

// A step by a far distance ends and puts the caret on the last line; the most negative
// distance lands on line 0.
TEST_F(Stepper, AStepByAFarDistance)
{
    engine.SetStatementLimit(1000);
    for (const char* jump :
         {"JMPR H'7FFFFFFF", "IFJR 1 = 1 D'2147483646", "JMP H'7FFFFFFF", "JMPR H'80000000"})
        Step(std::string("A\n") + jump + "\nB", 1);
}

} // namespace
