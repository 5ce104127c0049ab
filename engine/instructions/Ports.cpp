// Port I/O instructions: port input and output of every width, the availability
// check, physical-memory read, write and dump, the port-read speed probe, and a few
// diagnostics.
//
// When the port-access library is not available the binding has shown its message;
// the instruction then ends the run after this statement, but the input and output
// instructions still show and store a value (0 for a read, the masked value for a
// write), as they do when the library answers.
#include <cstdio>

#include "../KeywordChain.h"
#include "../Messages.h"
#include "../ScriptEngine.h"
#include "DumpLine.h"
#include "Families.h"
#include "LibraryLoader.h"

std::string FormatDumpLine(uint32_t address, const uint8_t (&bytes)[16])
{
    char group[16];
    std::snprintf(group, sizeof group, "%08x  ", address);
    std::string hex = group;
    std::string textColumn;
    auto appendHex = [&](uint8_t b) {
        std::snprintf(group, sizeof group, "%02x ", b);
        hex += group;
    };
    for (int i = 0; i < 16; ++i) {
        const uint8_t b = bytes[i];
        appendHex(b);
        if (b < 0x20 || b == 0x80) {
            textColumn += '.';
        } else if (b <= 0x7F || (b >= 0xA0 && b <= 0xDF)) {
            textColumn += static_cast<char>(b);
        } else if (i == 15) {
            textColumn += ' '; // a lead byte without its trail byte
        } else {
            const uint8_t n = bytes[i + 1];
            if (n < 0x40) {
                textColumn += "  ";
            } else {
                textColumn += static_cast<char>(b);
                textColumn += static_cast<char>(n);
            }
            appendHex(n);
            ++i;
        }
    }
    return hex + textColumn;
}

struct CPortInstructions {
    // IN, WIN, DIN: REGL = the value read from the port.
    template <uint32_t (*Read)(CScriptEngine&, uint32_t)>
    static void Input(CScriptEngine& e, std::string_view label)
    {
        if (e.CheckArgCount(e.ArgCount(), 2)) return;
        uint32_t port = e.OperandArg(1, 0);
        uint32_t value = Read(e, port);
        e.SetStatusNumber(label, static_cast<int32_t>(value), 32, 16, 100);
        e.WriteRegister(CScriptEngine::kRegL, value);
        e.Continue();
    }
    static uint32_t ReadByte(CScriptEngine& e, uint32_t port) { return e.ReadPortByte(port); }
    static uint32_t ReadWord(CScriptEngine& e, uint32_t port) { return e.ReadPortWord(port); }
    static uint32_t ReadDword(CScriptEngine& e, uint32_t port) { return e.ReadPortDword(port); }
    static void In(CScriptEngine& e) { Input<ReadByte>(e, msg::kInDone); }
    static void Win(CScriptEngine& e) { Input<ReadWord>(e, msg::kWinDone); }
    static void Din(CScriptEngine& e) { Input<ReadDword>(e, msg::kDinDone); }

    // OUT, WOUT, DOUT: write the value, masked to the width; REGL = what was written.
    template <void (CScriptEngine::*Write)(uint32_t, uint32_t), uint32_t Mask>
    static void Output(CScriptEngine& e, std::string_view label)
    {
        if (e.CheckArgCount(e.ArgCount(), 3)) return;
        uint32_t port = e.OperandArg(1, 0);
        uint32_t value = e.OperandArg(2, 0) & Mask;
        e.SetStatusNumber(label, static_cast<int32_t>(value), 32, 16, 100);
        (e.*Write)(port, value);
        e.WriteRegister(CScriptEngine::kRegL, value);
        e.Continue();
    }
    static void Out(CScriptEngine& e)
    {
        Output<&CScriptEngine::WritePortByte, 0xFFu>(e, msg::kOutDone);
    }
    static void Wout(CScriptEngine& e)
    {
        Output<&CScriptEngine::WritePortWord, 0xFFFFu>(e, msg::kWoutDone);
    }
    static void Dout(CScriptEngine& e)
    {
        Output<&CScriptEngine::WritePortDword, 0xFFFFFFFFu>(e, msg::kDoutDone);
    }

    static void WinIo(CScriptEngine& e)
    {
        e.Continue();
        if (!e.PortLibraryMissing()) return; // the previous status text stands
        e.SetStatus(msg::kWinIoInitFailed, 5);
    }

    // How many single-bit reads of the parallel port's status register fit into two
    // seconds. Each pass holds only the count, the read and the tick query.
    static void GetTickDebug(CScriptEngine& e)
    {
        e.Continue();
        if (e.PortLibraryMissing()) {
            // Without the library the loop would only count stand-in calls.
            e.SetStatus(msg::kWinIoInitFailed, 5);
            e.WriteRegister(CScriptEngine::kRegL, 0);
            return;
        }
        CHost& host = e.Host();
        const uint32_t start = host.GetTickCount();
        uint32_t count = 0;
        do {
            ++count;
            e.ReadPortBit(0x379, 5);
        } while (host.GetTickCount() - start < 2000);
        e.WriteRegister(CScriptEngine::kRegL, count);
    }

    // D address: REGL = 32 bits of physical memory. The address is hexadecimal text.
    static void D(CScriptEngine& e)
    {
        uint32_t address = 0;
        if (!e.ParseHex(e.Arg(1), address)) {
            // ParseHex has shown why; no memory is read at an address nobody wrote.
            e.SetError(10);
            return;
        }
        uint32_t value = 0;
        if (!e.PortLibraryMissing()) {
            e.PortLibrary().GetPhysLong(address, &value);
            e.WriteRegister(CScriptEngine::kRegL, value);
        }
        e.SetStatusNumber(msg::kRegisterDisplay, static_cast<int32_t>(value), 32, 16, 5);
        e.Continue();
    }

    // E address value: writes 32 bits of physical memory. Both are hexadecimal text.
    static void E(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 3)) return;
        uint32_t address = 0;
        uint32_t value = 0;
        if (!e.ParseHex(e.Arg(1), address) || !e.ParseHex(e.Arg(2), value)) {
            e.SetError(10);
            return;
        }
        if (!e.PortLibraryMissing()) e.PortLibrary().SetPhysLong(address, value);
        e.SetStatusNumber(msg::kRegisterDisplay, static_cast<int32_t>(value), 32, 16, 100);
        e.Continue();
    }

    // DT [address]: dumps 16 bytes of physical memory; without an address, the 16
    // after the last dump. Further tokens are ignored, as after every instruction.
    static void Dt(CScriptEngine& e)
    {
        if (e.ArgCount() == 1)
            e.SetDumpAddress(e.DumpAddress() + 16);
        else
            e.SetDumpAddress(e.OperandArg(1, 16));
        e.Continue();
        const uint32_t address = e.DumpAddress();
        if (e.PortLibraryMissing()) {
            e.SetStatus(msg::kWinIoNotPermitted, 5);
            return;
        }
        void* handle = nullptr;
        uint8_t* bytes = e.PortLibrary().MapPhysToLin(address, 16, &handle);
        if (bytes == nullptr) {
            e.SetStatus(msg::kDumpFailed, 5);
            return;
        }
        char line[96];
        std::snprintf(line, sizeof line,
                      "%08x  %02x %02x %02x %02x %02x %02x %02x %02x %02x %02x %02x %02x %02x %02x "
                      "%02x %02x ",
                      address, bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6],
                      bytes[7], bytes[8], bytes[9], bytes[10], bytes[11], bytes[12], bytes[13],
                      bytes[14], bytes[15]);
        e.SetStatus(line, 5);
        e.PortLibrary().UnmapPhysicalMemory(handle, bytes);
    }

    // The dump-line formatter on a fixed pattern of double-byte characters.
    static void DummyCheck(CScriptEngine& e)
    {
        static constexpr uint8_t kPattern[16] = {0x81, 0x82, 0x83, 0x84, 0x85, 0x00, 0x81, 0x41,
                                                 0x00, 0x00, 0x00, 0x9F, 0xFC, 0x9F, 0xFD, 0x00};
        e.SetStatus(FormatDumpLine(0x00A00000, kPattern), 5);
        e.Continue();
    }

    // Where the REGL cell lives in the program's memory (the low 32 bits of it).
    static void ReglLocation(CScriptEngine& e)
    {
        auto location = static_cast<uint32_t>(
            reinterpret_cast<std::uintptr_t>(e.RegisterAddress(CScriptEngine::kRegL)));
        e.SetStatusNumber(msg::kReglLocation, static_cast<int32_t>(location), 32, 16, 5);
        e.Continue();
    }

    // Fixed test output: 0xFF to port 0x61, and 0xFF to port 0x3F8 through HAL.DLL's
    // WRITE_PORT_UCHAR. Port 0x61 is written through the port-access library like
    // every other port write, so it reaches the simulated ports with the simulated
    // library and is never written behind the library's back; without the library the
    // run ends as after OUT. Where either write is not possible the status says so.
    static void TestOutput(CScriptEngine& e)
    {
        e.Continue();
        CHost& host = e.Host();
        const bool wrote61 = !e.PortLibraryMissing(); // the binding has told the user why not
        if (wrote61) e.WritePortByte(0x61, 0xFF);

        bool wroteHal = false;
        if (CLibraryLoader* loader = host.Loader()) {
            // Once found, the module stays loaded for the program's life. A loader that
            // loads nothing by bare name (the Linux one) finds no such module.
            if (CLibraryLoader::Handle hal = loader->Open("HAL.DLL")) {
                using WritePortUchar = void (*)(uint8_t*, uint8_t);
                if (void* entry = loader->Symbol(hal, "WRITE_PORT_UCHAR")) {
                    auto write = reinterpret_cast<WritePortUchar>(entry);
                    write(reinterpret_cast<uint8_t*>(static_cast<std::uintptr_t>(0x3F8)), 0xFF);
                    wroteHal = true;
                }
            }
        }
        if (wrote61 && wroteHal) return; // the previous status text stands
        std::string status(msg::kTestOutputPrefix);
        if (!wrote61) status += msg::kTestOutputPortRefused;
        if (!wroteHal) status += msg::kTestOutputNoHal;
        e.SetStatus(status, 5);
    }
};

void AddPortInstructions(CKeywordChain& chain)
{
    chain.Add({
        // REGL = byte read from port p
        {"IN", CPortInstructions::In, 2, "v"},
        // REGL = word read from port p
        {"WIN", CPortInstructions::Win, 2, "v"},
        // REGL = double word read from port p
        {"DIN", CPortInstructions::Din, 2, "v"},
        // write byte v to port p; REGL = v & 0xFF
        {"OUT", CPortInstructions::Out, 3, "vv"},
        // write word v to port p; REGL = v & 0xFFFF
        {"WOUT", CPortInstructions::Wout, 3, "vv"},
        // write double word v to port p; REGL = v
        {"DOUT", CPortInstructions::Dout, 3, "vv"},
        // REGL = 32 bits of physical memory at hex a
        {"D", CPortInstructions::D, 2, "t"},
        // dump 16 bytes of physical memory at a, or the next 16
        {"DT", CPortInstructions::Dt, 1, "h"},
        // show the dump-line formatter's test line
        {"dummycheck", CPortInstructions::DummyCheck, 1, ""},
        // show where the REGL cell lives
        {"REGL?", CPortInstructions::ReglLocation, 1, ""},
        // write 32 bits v to physical memory at a (both hex)
        {"E", CPortInstructions::E, 3, "tt"},
        // REGL = port-bit reads done in 2 s
        {"GETTICK_DEBUG", CPortInstructions::GetTickDebug, 1, ""},
        // check that port access is available
        {"WINIO", CPortInstructions::WinIo, 1, ""},
        // 0xFF to ports 0x61 and 0x3F8
        {msg::kMnemonicTestOutput, CPortInstructions::TestOutput, 1, ""},
    });
}
