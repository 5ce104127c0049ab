// Bit-buffer instructions: single bits of I/O ports.
//
// Reading goes through the input bit buffer, the byte last read from a port; writing
// goes through the output bit buffer, the engine's shadow of the bits the script has
// set, whose low byte SETBIT writes to the port as a whole (bits 8 to 31 stay in the
// buffer and show in REGL). Operands are read with the automatic radix: 10 is binary
// 2, H'378 is port 0x378. Status texts show bits 8 to 0 of the result.
#include "../KeywordChain.h"
#include "../Messages.h"
#include "../ScriptEngine.h"
#include "Families.h"

struct CBitInstructions {
    // Sets or clears bit (bit mod 32) of the output buffer; returns the buffer.
    static uint32_t SetBufferBit(CScriptEngine& e, uint32_t bit, bool value)
    {
        const uint32_t mask = 1u << (bit % 32);
        e.SetBitBuffer(value ? e.BitBuffer() | mask : e.BitBuffer() & ~mask);
        return e.BitBuffer();
    }
    // SetBufferBit, then the buffer's low byte to the port.
    static uint32_t WritePortBit(CScriptEngine& e, uint32_t port, uint32_t bit, bool value)
    {
        SetBufferBit(e, bit, value);
        e.PortLibrary().SetPortVal(port, e.BitBuffer() & 0xFFu, 1);
        return e.BitBuffer();
    }
    static void ClearBitBuffer(CScriptEngine& e) { e.SetBitBuffer(0); }

    // Bits 0 to 7 only. A bit outside shows the message and ends the statement with
    // the continue request, so the previous statement's jump or wait is not repeated.
    static bool BitOutOfRange(CScriptEngine& e, uint32_t bit)
    {
        if (bit <= 7) return false;
        e.ShowMessage(msg::kBitRange, msg::kBitRangeCaption);
        e.Continue();
        return true;
    }

    static void Finish(CScriptEngine& e, std::string_view label, uint32_t result)
    {
        e.WriteRegister(CScriptEngine::kRegL, result);
        e.SetStatusNumber(label, static_cast<int32_t>(result), 8, 2, 100);
        e.Continue();
    }

    // GETBIT port bit: REGL = the bit, read from the port.
    static void GetBit(CScriptEngine& e)
    {
        uint32_t port = e.OperandArg(1, 0);
        uint32_t bit = e.OperandArg(2, 0);
        if (BitOutOfRange(e, bit)) return;
        uint32_t v = 0;
        if (!e.PortLibraryMissing()) v = e.ReadPortBit(port, bit) ? 1 : 0;
        Finish(e, msg::kGetBitDone, v);
    }

    // GETBUFFER bit: REGL = the bit of the byte last read, without reading the port.
    static void GetBuffer(CScriptEngine& e)
    {
        uint32_t bit = e.OperandArg(1, 0);
        if (BitOutOfRange(e, bit)) return;
        Finish(e, msg::kGetBufferDone, e.TestPortBit(bit) ? 1 : 0);
    }

    // SETBIT port bit [value]: sets (or, with value 0, clears) the bit in the buffer
    // and writes the buffer's low byte to the port; REGL = the whole buffer.
    static void SetBit(CScriptEngine& e)
    {
        uint32_t port = e.OperandArg(1, 0);
        uint32_t bit = e.OperandArg(2, 0);
        bool value = e.ArgCount() == 4 ? e.OperandArg(3, 0) != 0 : true;
        uint32_t buffer;
        if (!e.PortLibraryMissing())
            buffer = WritePortBit(e, port, bit, value);
        else
            buffer = SetBufferBit(e, bit, value); // what would have been written, as OUT shows
        Finish(e, msg::kSetBitDone, buffer);
    }

    // SETBUFFER bit [value]: prepares a bit for the next SETBIT; no port access.
    static void SetBuffer(CScriptEngine& e)
    {
        uint32_t bit = e.OperandArg(1, 0);
        bool value = e.ArgCount() == 3 ? e.OperandArg(2, 0) != 0 : true;
        Finish(e, msg::kSetBufferDone, SetBufferBit(e, bit, value));
    }

    // SETBUFCLR: clears the output buffer; REGL = the buffer as it was.
    static void SetBufClr(CScriptEngine& e)
    {
        uint32_t old = e.BitBuffer();
        ClearBitBuffer(e);
        Finish(e, msg::kOldBuffer, old);
    }
};

void AddBitInstructions(CKeywordChain& chain)
{
    chain.Add({
        // REGL = bit b (0-7) of port p, read now
        {"GETBIT", CBitInstructions::GetBit, 3, "vB"},
        // REGL = bit b (0-7) of the byte last read
        {"GETBUFFER", CBitInstructions::GetBuffer, 2, "B"},
        // set (v=0: clear) bit b in the buffer, write it to port p
        {"SETBIT", CBitInstructions::SetBit, 3, "vbv"},
        // set (v=0: clear) bit b in the buffer only
        {"SETBUFFER", CBitInstructions::SetBuffer, 2, "bv"},
        // clear the buffer; REGL = its old value
        {"SETBUFCLR", CBitInstructions::SetBufClr, 1, ""},
    });
}
