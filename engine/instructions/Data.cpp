// Data, arithmetic and display instructions: moving and combining values, register
// displays, texts kept in registers, comments in the report, and the debug level.
//
// Texts in registers: a text of k bytes at register n is k in register n followed by
// the bytes, byte j in register n + 1 + j / 4 at bit 8 * (j % 4) (least significant
// byte first). No terminating zero is stored, and the unused high bytes of the last
// cell keep what they held.
#include "../KeywordChain.h"
#include "../Messages.h"
#include "../ScriptEngine.h"
#include "Families.h"

struct CDataInstructions {
    // ---- Logic and moves

    // OR, AND: REGL = register token 1 op operand token 2; with exactly four tokens
    // the result also goes to register token 3.
    template <bool IsOr> static void Logic(CScriptEngine& e)
    {
        uint32_t a = e.ReadRegister(e.RegisterArg(1));
        uint32_t b = e.OperandArg(2, 0);
        uint32_t r = IsOr ? (a | b) : (a & b);
        e.WriteRegister(CScriptEngine::kRegL, r);
        if (e.ArgCount() == 4) e.WriteRegister(e.RegisterArg(3), r);
        e.SetStatusNumber(IsOr ? msg::kOrDone : msg::kAndDone, static_cast<int32_t>(r), 32, 16,
                          100);
        e.Continue();
    }

    static void CopyL(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 2)) return;
        int index = e.RegisterArg(1);
        e.WriteRegister(index, e.ReadRegister(CScriptEngine::kRegL));
        e.SetStatusNumber(msg::kRegisterDisplay, index, 32, 16, 100);
        e.Continue();
    }

    static void Copy(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 2)) return;
        int index = e.RegisterArg(1);
        e.WriteRegister(CScriptEngine::kRegL, e.ReadRegister(index));
        e.SetStatusNumber(msg::kRegisterDisplay, index, 32, 16, 100);
        e.Continue();
    }

    static void Mov(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 3)) return;
        int index = e.RegisterArg(1);
        uint32_t v = e.OperandArg(2, 0);
        e.WriteRegister(index, v);
        e.SetStatusNumber(msg::kMovDone, static_cast<int32_t>(v), 32, 16, 100);
        e.Continue();
    }

    // ---- Arithmetic

    // Stores a op b in the cell, all unsigned 32-bit; an unknown operator stores
    // nothing. Division and remainder by zero report and store nothing.
    static void Calculate(CScriptEngine& e, uint32_t* cell, uint32_t a, int op, uint32_t b)
    {
        uint32_t r;
        switch (op) {
        case 0x2B00:
            r = a + b;
            break; // +
        case 0x2D00:
            r = a - b;
            break; // -
        case 0x2A00:
            r = a * b;
            break;   // *
        case 0x2F00: // /
        case 0x2500: // %
            if (b == 0) {
                e.Fail(msg::kZeroDivide, msg::kCaution, 65536);
                return;
            }
            r = op == 0x2F00 ? a / b : a % b;
            break;
        case 0x2600:
            r = a & b;
            break; // &
        case 0x5E00:
            r = a ^ b;
            break; // ^
        case 0x7E00:
            r = ~a;
            break; // ~
        case 0x3C3C:
            r = a << (b % 32);
            break; // <<
        case 0x3E3E:
            r = a >> (b % 32);
            break; // >>
        case 0x2626:
            r = (a != 0 && b != 0) ? 1 : 0;
            break; // &&
        case 0x9696:
            r = (a != 0 || b != 0) ? 1 : 0;
            break; // 末 (0x96 0x96): logical or
        case 0x3D2B:
            r = a + a;
            break; // += =+
        case 0x2D2B:
            r = 0;
            break; // +- -+
        default:
            return;
        }
        if (cell) *cell = r;
    }

    // CALC x op [y [z]]: with three or four tokens x is both the first value and the
    // destination; with five the destination is z.
    static void Calc(CScriptEngine& e)
    {
        const int count = e.ArgCount();
        if (e.CheckArgCount(count, 3)) return;
        uint16_t op = e.ConditionArg(2);
        uint32_t a = e.OperandArg(1, 0);
        uint32_t b = a;
        uint32_t* destination = nullptr;
        if (count == 3) {
            destination = e.RegisterAddress(e.RegisterArg(1));
        } else if (count == 4) {
            destination = e.RegisterAddress(e.RegisterArg(1));
            b = e.OperandArg(3, 0);
        } else if (count == 5) {
            b = e.OperandArg(3, 0);
            destination = e.RegisterAddress(e.RegisterArg(4));
        } else {
            e.SetStatus(msg::kCalcTooMany, 5);
            e.Continue();
            return;
        }
        Calculate(e, destination, a, op, b);
        e.SetStatus("", 100);
        e.Continue();
        // A destination that does not exist received nothing, and neither does REGL.
        if (destination) e.SetRegL(*destination);
    }

    // ---- Displays: REGL (DISPW: REGW) without argument, else the named register.

    template <int Radix> static void Display(CScriptEngine& e)
    {
        std::string_view label = Radix == 2 ? msg::kDispB : Radix == 10 ? msg::kDispD : msg::kDispH;
        if (e.ArgCount() == 1) {
            e.SetStatusNumber(label, static_cast<int32_t>(e.GetRegL()), 32, Radix, 5);
        } else {
            int numberWidth = Radix == 2 ? 30 : 4;
            e.SetStatusRegister(label, e.RegisterArg(1), numberWidth, 10, 32, Radix, 5);
        }
        e.Continue();
    }

    static void DispM(CScriptEngine& e)
    {
        std::string text(msg::kDispM);
        if (e.ArgCount() == 1) {
            text += e.FormatNumber(static_cast<int32_t>(e.GetRegL()), 32, 16);
            e.ShowMessage(text, msg::kDispMRegLCaption);
            e.SetStatus(text, 100);
        } else {
            int index = e.RegisterArg(1);
            text += e.FormatRegister(index, 4, 10, 32, 16);
            e.ShowMessage(text, msg::kDispMRegCaption);
            e.SetStatusNumber(msg::kDispM, index, 32, 16, 100);
        }
        e.Continue();
    }

    static void DispW(CScriptEngine& e)
    {
        if (e.ArgCount() == 1) {
            std::string text(msg::kDispW);
            text += e.FormatNumber(static_cast<int32_t>(e.GetRegW()), 32, 16);
            e.ShowMessage(text, msg::kDispWCaption);
            e.SetStatus(text, 100);
        } else {
            e.SetStatusNumber(msg::kDispW, static_cast<int32_t>(e.GetRegW()), 32, 16, 100);
        }
        e.Continue();
    }

    // ---- Comments, texts in registers and the debug level

    static void Comment(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 2)) return;
        e.SetStatus(e.ArgToEnd(1), 5);
        e.Continue();
    }

    // The register file cell that a text's length cell is: a direct register, or the
    // register an indirect form resolves to. REGL and REGW have no cells after them and
    // are refused; so is a register that does not exist. -1 after a report.
    static int TextCell(CScriptEngine& e, int index)
    {
        uint32_t* cell = e.RegisterAddress(index);
        if (cell == nullptr) return -1;
        uint32_t* first = e.RegisterFile();
        if (cell < first || cell >= first + CScriptEngine::kRegisterCount) {
            e.Fail(msg::kRegisterMissing, msg::kCaution, 100);
            return -1;
        }
        return static_cast<int>(cell - first);
    }

    // Bytes of the text that fit in the cells after register n.
    static size_t TextRoom(int n)
    {
        return static_cast<size_t>(CScriptEngine::kRegisterCount - 1 - n) * 4;
    }

    // Stores bytes after register n; returns how many fit before the end of the file.
    static size_t StoreText(CScriptEngine& e, int n, std::string_view bytes)
    {
        size_t count = bytes.size() < TextRoom(n) ? bytes.size() : TextRoom(n);
        for (size_t j = 0; j < count; ++j) {
            uint32_t& cell = e.RegisterFile()[static_cast<size_t>(n) + 1 + j / 4];
            unsigned shift = 8 * (j % 4);
            cell = (cell & ~(0xFFu << shift)) |
                   (static_cast<uint32_t>(static_cast<unsigned char>(bytes[j])) << shift);
        }
        if (count < bytes.size()) e.Fail(msg::kRegisterMissing, msg::kCaution, 100);
        return count;
    }

    // 文字列 drops the first and last bytes of its token (the quotes of "abc" at the
    // end of a line); 文字列CRLF drops the first byte only and adds CR LF.
    template <bool WithLineBreak> static void StoreString(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 3)) return;
        int n = TextCell(e, e.RegisterArg(1));
        if (n < 0) return;
        std::string_view token = e.Arg(2);
        std::string bytes;
        if (WithLineBreak) {
            bytes.assign(token.substr(token.empty() ? 0 : 1));
            bytes.append(e.LineBreak());
        } else if (token.size() >= 2) {
            bytes.assign(token.substr(1, token.size() - 2));
        }
        size_t stored = StoreText(e, n, bytes);
        e.SetStatus(msg::kStringStored, 100);
        e.Continue();
        e.SetRegL(static_cast<uint32_t>(n));
        e.RegisterFile()[static_cast<size_t>(n)] = static_cast<uint32_t>(stored);
    }

    static void ShowString(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 2)) return;
        int n = TextCell(e, e.RegisterArg(1));
        if (n < 0) return;
        size_t length = e.RegisterFile()[static_cast<size_t>(n)];
        if (length > TextRoom(n)) length = TextRoom(n);
        std::string text;
        for (size_t j = 0; j < length; ++j) {
            uint32_t cell = e.RegisterFile()[static_cast<size_t>(n) + 1 + j / 4];
            auto byte = static_cast<char>((cell >> (8 * (j % 4))) & 0xFF);
            if (byte == 0) break;
            text += byte;
        }
        e.SetStatus(text, 10);
        e.Continue();
        e.SetRegL(static_cast<uint32_t>(n));
    }

    static void DebugLevel(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 2)) return;
        e.SetDebugLevel(static_cast<int>(e.OperandArg(1, 10)));
        e.SetStatus(msg::kDebugLevelChanged, 100);
        e.Continue();
    }
};

void AddDataInstructions(CKeywordChain& chain)
{
    chain.Add({
        // REGL = r OR v; [r2 = REGL]
        {"OR", CDataInstructions::Logic<true>, 3, "rvr"},
        // REGL = r AND v; [r2 = REGL]
        {"AND", CDataInstructions::Logic<false>, 3, "rvr"},
        // show REGL or r in binary
        {"DISPB", CDataInstructions::Display<2>, 1, "r"},
        // show REGL or r in decimal
        {"DISPD", CDataInstructions::Display<10>, 1, "r"},
        // show REGL or r in hexadecimal
        {"DISPH", CDataInstructions::Display<16>, 1, "r"},
        // box with REGL or r in hexadecimal
        {"DISPM", CDataInstructions::DispM, 1, "r"},
        // REGW in hexadecimal (a box without argument)
        {"DISPW", CDataInstructions::DispW, 1, ""},
        // r = REGL
        {"COPYL", CDataInstructions::CopyL, 2, "r"},
        // REGL = r
        {"COPY", CDataInstructions::Copy, 2, "r"},
        // r = v (REGL unchanged)
        {"MOV", CDataInstructions::Mov, 3, "rv"},
        // x = x op y, or z = x op y; REGL = result
        {"CALC", CDataInstructions::Calc, 3, "vcvr"},
        // set the debug level (decimal)
        {"debuglevel", CDataInstructions::DebugLevel, 2, "d"},
        // the rest of the line as a level-5 status
        {msg::kMnemonicComment, CDataInstructions::Comment, 2, "*"},
        // store a text at r
        {msg::kMnemonicString, CDataInstructions::StoreString<false>, 3, "rt"},
        // store a text and CR LF at r
        {msg::kMnemonicStringCrLf, CDataInstructions::StoreString<true>, 3, "rt"},
        // the text at r as a status
        {msg::kMnemonicStringShow, CDataInstructions::ShowString, 2, "r"},
    });
}
