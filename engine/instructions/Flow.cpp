// Flow-control and timing instructions: waits, the message pump, jumps, calls,
// counting with a skip on zero, and conditional jumps.
//
// A jump or a sleep is never carried out here: the handler leaves its request and the
// run loop acts on it after the statement, which is also how a single step learns
// where the caret goes. A target that cannot be evaluated leaves the evaluator's
// error request in place of the jump, so the run goes on with the next line.
#include <cstdint>

#include "../KeywordChain.h"
#include "../Messages.h"
#include "../ScriptEngine.h"
#include "Families.h"

struct CFlowInstructions {
    static void Pump(CScriptEngine& e)
    {
        e.PumpMessages();
        e.SetStatus("", 100);
        e.Continue();
    }

    static void Wait(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 2)) return;
        uint32_t time = e.OperandArg(1, 10);
        e.SetStatus(msg::kWaitDone, 20);
        e.RequestWait(time);
    }

    static void WaitPump(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 2)) return;
        uint32_t time = e.OperandArg(1, 10);
        e.SetStatus(msg::kWaitPumpDone, 20);
        e.RequestWaitPump(time);
    }

    static void CursorLine(CScriptEngine& e)
    {
        e.SetStatus("", 100);
        e.RequestShowLine();
    }

    static void Jmp(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 2)) return;
        int32_t target = e.RequestJumpToArg(1, 10);
        e.SetStatusNumber(msg::kJmpDone, target, 6, 10, 20);
    }

    static void Call(CScriptEngine& e)
    {
        e.WriteRegister(CScriptEngine::kRegL, static_cast<uint32_t>(e.CurrentLine()));
        e.PushReturn(e.CurrentLine()); // with a full stack the entry is lost; the call still jumps
        if (e.CheckArgCount(e.ArgCount(), 2)) return;
        int32_t target = e.RequestJumpToArg(1, 10);
        e.SetStatusNumber(msg::kCallDone, target, 6, 10, 20);
    }

    static void Ret(CScriptEngine& e)
    {
        int line = 0;
        if (!e.PopReturn(&line)) {
            // No CALL to return to: reported like every failure, and the run goes on.
            e.Fail(msg::kRetWithoutCall, msg::kCaution, 1024);
            return;
        }
        // The entry is a line that ran, so below the line count; saturating keeps even
        // a corrupt entry from wrapping to a negative target.
        const int32_t target = line < INT32_MAX ? line + 1 : INT32_MAX;
        e.SetStatusNumber(msg::kRetDone, target, 6, 10, 20);
        e.RequestJump(target);
    }

    static void Jmpr(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 2)) return;
        int32_t distance = e.RequestJumpRelativeToArg(1, 10);
        e.SetStatusNumber(msg::kJmprDone, distance, 6, 10, 20);
    }

    // INC, DEC, INCZ, DECZ: step the register (REGL without argument); the Z forms
    // skip the next line when the result is 0.
    template <int Step, bool SkipOnZero> static void Count(CScriptEngine& e)
    {
        int index = e.ArgCount() == 1 ? CScriptEngine::kRegL : e.RegisterArg(1);
        uint32_t* cell = e.ArgCount() == 1 ? e.PlainCell(index) : e.PlainRegisterArg(1);
        if (cell != nullptr)
            e.BindDecoded(CountCell<Step, SkipOnZero>, {.cell = cell, .index = index});
        e.WriteRegister(index, e.ReadRegister(index) + static_cast<uint32_t>(Step));
        if (SkipOnZero && e.ReadRegister(index) == 0) {
            e.SetStatusNumber(Step > 0 ? msg::kInczSkipped : msg::kDeczSkipped, 2, 4, 10, 100);
            e.RequestJumpRelative(2);
            return;
        }
        e.SetStatusRegister(msg::kRegisterDisplay, index, 4, 10, 32, 10, 100);
        e.Continue();
    }

    // Count, on a register that cannot report: the line's later executions step its cell.
    template <int Step, bool SkipOnZero> static void CountCell(CScriptEngine& e)
    {
        const CScriptEngine::CDecodedArgs& args = e.Decoded();
        uint32_t& cell = *args.cell;
        cell += static_cast<uint32_t>(Step);
        if (SkipOnZero && cell == 0) {
            e.SetStatusNumber(Step > 0 ? msg::kInczSkipped : msg::kDeczSkipped, 2, 4, 10, 100);
            e.RequestJumpRelative(2);
            return;
        }
        // A plain register reads without a report, so a dropped text need not be made.
        if (e.StatusWanted(100))
            e.SetStatusRegister(msg::kRegisterDisplay, args.index, 4, 10, 32, 10, 100);
        else
            e.ClearStatus();
        e.Continue();
    }

    // IFJ and IFJR: compare tokens 1 and 3 with the operator of token 2; jump to (or
    // by) token 4 when the comparison holds.
    template <bool Relative> static void IfJump(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 5)) return;
        uint16_t op = e.ConditionArg(2);
        uint32_t b = e.OperandArg(3, 0);
        uint32_t a = e.OperandArg(1, 0);
        int r = CScriptEngine::CompareValues(a, op, b);
        if (r < 0) {
            e.ShowMessage(msg::kConditionError, msg::kConditionErrorCaption);
            e.SetStatus(msg::kBranchError, 5);
            e.Continue();
        } else if (r == 1) {
            if (Relative) {
                int32_t d = e.RequestJumpRelativeToArg(4, 0);
                e.SetStatusNumber(msg::kConditionJmpr, d, 4, 10, 100);
            } else {
                int32_t target = e.RequestJumpToArg(4, 0);
                e.SetStatusNumber(msg::kConditionJmp, target, 4, 10, 100);
            }
        } else {
            e.SetStatusNumber(msg::kConditionNotMet, e.RequestValue(), 4, 10, 100);
            e.Continue();
        }
        // Once the operands, the target and a known condition have all shown a plain
        // form, the line's later executions compare and jump without reading tokens.
        const CScriptEngine::CDecodedArgs args{.a = e.PlainOperand(1, 0),
                                               .b = e.PlainOperand(3, 0),
                                               .target = e.PlainOperand(4, 0),
                                               .condition = op};
        if (r >= 0 && args.a != nullptr && args.b != nullptr && args.target != nullptr &&
            e.ConditionKept(2))
            e.BindDecoded(IfJumpDecodedFor<Relative>(op), args);
    }

    // The form of IfJumpDecoded for a condition code that CompareValues knows.
    template <bool Relative> static InstructionHandler IfJumpDecodedFor(uint16_t op)
    {
        switch (op) {
        case 0x3D00:
        case 0x3D3D:
            return IfJumpDecoded<Relative, 0x3D00>;
        case 0x2100:
        case 0x3D21:
            return IfJumpDecoded<Relative, 0x2100>;
        case 0x3C00:
            return IfJumpDecoded<Relative, 0x3C00>;
        case 0x3D3C:
            return IfJumpDecoded<Relative, 0x3D3C>;
        case 0x3E00:
            return IfJumpDecoded<Relative, 0x3E00>;
        default:
            return IfJumpDecoded<Relative, 0x3E3D>;
        }
    }

    // IFJ and IFJR on plain operands, with the comparison fixed when the line was bound.
    template <bool Relative, uint16_t Condition> static void IfJumpDecoded(CScriptEngine& e)
    {
        const CScriptEngine::CDecodedArgs& args = e.Decoded();
        if (CScriptEngine::CompareValues(*args.a, Condition, *args.b) == 1) {
            const auto target = static_cast<int32_t>(*args.target);
            if (Relative) {
                e.RequestJumpRelative(target);
                e.SetStatusNumber(msg::kConditionJmpr, target, 4, 10, 100);
            } else {
                e.RequestJump(target);
                e.SetStatusNumber(msg::kConditionJmp, target, 4, 10, 100);
            }
        } else {
            e.SetStatusNumber(msg::kConditionNotMet, e.RequestValue(), 4, 10, 100);
            e.Continue();
        }
    }
};

void AddFlowInstructions(CKeywordChain& chain)
{
    chain.Add({
        // dispatch waiting window messages
        {"PUMP", CFlowInstructions::Pump, 1, ""},
        // sleep t ms; REGL = t
        {"WAIT", CFlowInstructions::Wait, 2, "d"},
        // sleep t ms, pumping each second; REGL = ms spent
        {"WAITPUMP", CFlowInstructions::WaitPump, 2, "d"},
        // show this line's index in a box
        {msg::kMnemonicCursorLine, CFlowInstructions::CursorLine, 1, ""},
        // jump to line (or label) t
        {"JMP", CFlowInstructions::Jmp, 2, "d"},
        // REGL = this line, push it, jump to t
        {"CALL", CFlowInstructions::Call, 2, "d"},
        // jump to the line after the last CALL
        {"RET", CFlowInstructions::Ret, 1, ""},
        // jump by d lines
        {"JMPR", CFlowInstructions::Jmpr, 2, "d"},
        // r = r + 1 (REGL without argument)
        {"INC", CFlowInstructions::Count<1, false>, 1, "r"},
        // r = r + 1; skip the next line if 0
        {"INCZ", CFlowInstructions::Count<1, true>, 1, "r"},
        // r = r - 1 (REGL without argument)
        {"DEC", CFlowInstructions::Count<-1, false>, 1, "r"},
        // r = r - 1; skip the next line if 0
        {"DECZ", CFlowInstructions::Count<-1, true>, 1, "r"},
        // IFJ a op b t: jump to t if a op b (unsigned)
        {"IFJ", CFlowInstructions::IfJump<false>, 5, "vcvv"},
        // IFJR a op b d: jump by d if a op b
        {"IFJR", CFlowInstructions::IfJump<true>, 5, "vcvv"},
    });
}
