// Infrared-signal instructions: capture of an infrared remote-control signal on the
// status lines of a parallel port, clocked by an external synchronisation signal.
//
// The wiring: the receiver's output on one status bit (default 4), a square wave from
// the external circuit on another (default 5), both read from the status port
// (default 0x379); IRSIGNAL_DEBUG echoes the sync signal, inverted, on the data port
// 0x378. The receiver is sampled at every edge of the sync signal, from the same port
// read that showed the edge, so the sample clock is twice the sync frequency.
//
// Speed: the loops that follow the signal do one port read per poll and test bits of
// the byte already read; they allocate nothing and call nothing else. The clock is
// looked at only every kPollsPerCheck polls, which bounds every wait (a signal that
// stops must not hang the program) without slowing the polls.
#include "../KeywordChain.h"
#include "../Messages.h"
#include "../ScriptEngine.h"
#include "Families.h"

namespace {

constexpr uint32_t kPollsPerCheck = 1024;
constexpr uint32_t kSyncPresenceMs = 20;     // the sync signal must change within this
constexpr uint32_t kReceiverWaitMs = 10000;  // IRSIGNAL: first infrared activity, from the start
constexpr uint32_t kEchoPhaseMs = 20000;     // IRSIGNAL_DEBUG: echo of the sync signal
constexpr uint32_t kDebugReceiverMs = 10000; // IRSIGNAL_DEBUG: receiver high, after the echo
constexpr uint32_t kEdgeBoundMs = 1000;      // a sync edge that takes longer ends the work
constexpr uint32_t kStopPollMs = 100;        // how often a long wait lets a stop through
constexpr uint32_t kIdleSamples = 8000;      // more samples at the resting level end a capture
// The capture buffer is the register file seen as bytes; the last complete byte, the
// partial byte and the end marker must all fit.
constexpr uint32_t kCaptureBytes = CScriptEngine::kRegisterCount * 4;

enum class WaitEnd { Seen, TimedOut, Lost, Stopped };

// The clock side of a wait: reading it also lets a stop request through every 100 ms.
class CWaitClock {
public:
    CWaitClock(CHost& host, uint32_t start) : m_host(host), m_start(start), m_lastPoll(start) {}
    uint32_t Elapsed()
    {
        const uint32_t now = m_host.GetTickCount();
        if (now - m_lastPoll >= kStopPollMs) {
            m_lastPoll = now;
            if (m_host.PollStop()) m_bStopped = true;
        }
        return now - m_start;
    }
    bool Stopped() const { return m_bStopped; }

private:
    CHost& m_host;
    uint32_t m_start;
    uint32_t m_lastPoll;
    bool m_bStopped = false;
};

} // namespace

struct CInfraredInstructions {
    struct CLines {
        uint32_t port = 0x379;
        uint32_t receiver = 4;
        uint32_t sync = 5;
    };

    // Port, receiver bit and sync bit from token first on; arguments may be left off
    // from the right. Bit numbers keep their low 16 bits.
    static CLines ReadLines(CScriptEngine& e, int first, int given)
    {
        CLines lines;
        if (given >= 1) lines.port = e.OperandArg(first, 0);
        if (given >= 2) lines.receiver = e.OperandArg(first + 1, 0) & 0xFFFFu;
        if (given >= 3) lines.sync = e.OperandArg(first + 2, 0) & 0xFFFFu;
        return lines;
    }

    static bool Unavailable(CScriptEngine& e)
    {
        if (!e.PortLibraryMissing()) return false;
        e.SetStatus(msg::kWinIoInitFailed, 5);
        return true;
    }

    // Byte k of the capture: byte k mod 4 of register k div 4, least significant first.
    static void StoreCaptureByte(CScriptEngine& e, uint32_t k, uint8_t value)
    {
        uint32_t& cell = e.RegisterFile()[k / 4];
        const uint32_t shift = 8 * (k % 4);
        cell = (cell & ~(0xFFu << shift)) | (static_cast<uint32_t>(value) << shift);
    }

    // The rest of a wait for the sync line to leave level, once it has taken
    // kPollsPerCheck polls: from here on the clock bounds it. now receives the new
    // level when an edge is seen.
    [[gnu::noinline, gnu::cold]] static WaitEnd
    WaitForEdgeSlowly(CScriptEngine& e, const CLines& lines, bool level, bool& now)
    {
        CWaitClock clock(e.Host(), e.Host().GetTickCount());
        for (uint32_t polls = 0;;) {
            now = e.ReadPortBit(lines.port, lines.sync);
            if (now != level) return WaitEnd::Seen;
            if (++polls == kPollsPerCheck) {
                polls = 0;
                if (clock.Elapsed() >= kEdgeBoundMs) return WaitEnd::Lost;
                if (clock.Stopped()) return WaitEnd::Stopped;
            }
        }
    }

    // Waits until a read of the port shows the bit at the level wanted, for at most
    // limitMs from start.
    static WaitEnd WaitForBit(CScriptEngine& e, uint32_t port, uint32_t bit, bool wanted,
                              uint32_t start, uint32_t limitMs)
    {
        CWaitClock clock(e.Host(), start);
        for (uint32_t polls = 0;;) {
            if (e.ReadPortBit(port, bit) == wanted) return WaitEnd::Seen;
            if (++polls == kPollsPerCheck) {
                polls = 0;
                if (clock.Elapsed() > limitMs) return WaitEnd::TimedOut;
                if (clock.Stopped()) return WaitEnd::Stopped;
            }
        }
    }

    // IRSIGNAL mode [port [receiver [sync]]]: checks the sync signal, then reports send
    // mode (mode S) or captures a signal into the register file; REGL = the number of
    // complete bytes, followed by the partial byte and the end marker 0xFF.
    static void IrSignal(CScriptEngine& e)
    {
        e.Continue();
        if (Unavailable(e)) return;
        const int count = e.ArgCount();
        const CLines lines = ReadLines(e, 2, count == 1 ? 3 : count - 2);
        e.Continue(); // an argument that could not be read has shown its message
        CHost& host = e.Host();

        // The sync signal must change within 20 ms.
        const uint32_t t0 = host.GetTickCount();
        bool sync = e.ReadPortBit(lines.port, lines.sync);
        uint32_t changes = 0;
        for (uint32_t polls = 0;;) {
            const bool now = e.ReadPortBit(lines.port, lines.sync);
            if (now != sync) {
                sync = now;
                ++changes;
            }
            if (++polls == kPollsPerCheck) {
                polls = 0;
                if (host.GetTickCount() - t0 > kSyncPresenceMs) break;
            }
        }
        if (changes == 0) {
            e.SetStatus(msg::kNoSyncSignal, 10);
            e.StopAfterStatement();
            e.WriteRegister(CScriptEngine::kRegL, 0);
            return;
        }
        const bool rest = e.TestPortBit(lines.receiver);

        const std::string_view mode = e.Arg(1);
        if (mode == "S" || mode == "s") {
            e.SetStatus(msg::kSendModeReady, 10);
            return;
        }

        // Wait for the receiver line to leave its resting level.
        StoreCaptureByte(e, 0, 0);
        switch (WaitForBit(e, lines.port, lines.receiver, !rest, t0, kReceiverWaitMs)) {
        case WaitEnd::Seen:
            break;
        case WaitEnd::Stopped:
            e.RequestStop();
            e.SetStatus(msg::kInfraredStopped, 10);
            e.WriteRegister(CScriptEngine::kRegL, changes);
            return;
        default:
            e.SetStatus(msg::kInfraredTimeout, 10);
            e.WriteRegister(CScriptEngine::kRegL, changes);
            return;
        }

        bool receiver = e.TestPortBit(lines.receiver);
        sync = e.TestPortBit(lines.sync);
        uint32_t byteIndex = 0; // also the number of complete bytes
        uint32_t samples = 0;   // in the current byte
        uint32_t idle = 0;
        uint8_t current = 0;
        WaitEnd end = WaitEnd::Seen;
        bool full = false;
        for (;;) {
            current = static_cast<uint8_t>(current << 1 | (receiver ? 1 : 0));
            ++samples;
            if (receiver != rest) {
                idle = 0;
            } else if (++idle > kIdleSamples) {
                break;
            }
            if (samples == 8) {
                StoreCaptureByte(e, byteIndex, current);
                ++byteIndex;
                current = 0;
                samples = 0;
                if (byteIndex == kCaptureBytes - 2) {
                    full = true;
                    break;
                }
            }
            // The next sync edge.
            uint32_t polls = 0;
            bool now;
            while ((now = e.ReadPortBit(lines.port, lines.sync)) == sync) {
                if (++polls == kPollsPerCheck) {
                    end = WaitForEdgeSlowly(e, lines, sync, now);
                    break;
                }
            }
            if (end != WaitEnd::Seen) break;
            sync = now;
            receiver = e.TestPortBit(lines.receiver);
        }
        StoreCaptureByte(e, byteIndex, current);
        StoreCaptureByte(e, byteIndex + 1, 0xFF);
        e.WriteRegister(CScriptEngine::kRegL, byteIndex);
        if (full) {
            e.SetStatus(msg::kCaptureFull, 10);
        } else if (end == WaitEnd::Lost) {
            e.SetStatus(msg::kSyncSignalLost, 10);
            e.StopAfterStatement();
        } else if (end == WaitEnd::Stopped) {
            e.RequestStop();
            e.SetStatus(msg::kInfraredStopped, 10);
        }
    }

    // IRSIGNAL_DEBUG [port [receiver [sync]]]: for 20 s copies the sync signal,
    // inverted, to the data port 0x378 and counts its edges (REGL); then waits up to
    // 10 s for the receiver line to go high.
    static void IrSignalDebug(CScriptEngine& e)
    {
        e.Continue();
        if (Unavailable(e)) return;
        const CLines lines = ReadLines(e, 1, e.ArgCount() - 1);
        e.Continue();
        CHost& host = e.Host();

        const uint32_t t0 = host.GetTickCount();
        uint32_t edges = 0;
        bool level = e.ReadPortBit(lines.port, lines.sync);
        WaitEnd end = WaitEnd::Seen;
        for (;;) {
            e.PortLibrary().SetPortVal(0x378, level ? 0x00 : 0xFF, 1);
            uint32_t polls = 0;
            bool now;
            while ((now = e.ReadPortBit(lines.port, lines.sync)) == level) {
                if (++polls == kPollsPerCheck) {
                    end = WaitForEdgeSlowly(e, lines, level, now);
                    break;
                }
            }
            if (end != WaitEnd::Seen) break;
            level = now;
            ++edges;
            if (host.GetTickCount() - t0 >= kEchoPhaseMs) break;
        }
        if (end == WaitEnd::Stopped) {
            e.RequestStop();
            e.SetStatus(msg::kInfraredStopped, 10);
            e.WriteRegister(CScriptEngine::kRegL, edges);
            return;
        }
        if (edges == 0) {
            e.SetStatus(msg::kNoSyncSignal, 10);
            e.StopAfterStatement();
            e.WriteRegister(CScriptEngine::kRegL, 0);
            return;
        }
        if (end == WaitEnd::Lost) {
            e.SetStatus(msg::kSyncSignalLost, 10);
            e.StopAfterStatement();
            e.WriteRegister(CScriptEngine::kRegL, edges);
            return;
        }

        switch (WaitForBit(e, lines.port, lines.receiver, true, host.GetTickCount(),
                           kDebugReceiverMs)) {
        case WaitEnd::Seen:
            e.SetStatus(msg::kInfraredReceived, 10);
            break;
        case WaitEnd::Stopped:
            e.RequestStop();
            e.SetStatus(msg::kInfraredStopped, 10);
            break;
        default:
            e.SetStatus(msg::kInfraredDebugTimeout, 10);
            break;
        }
        e.WriteRegister(CScriptEngine::kRegL, edges);
    }
};

void AddInfraredInstructions(CKeywordChain& chain)
{
    chain.Add({
        // capture an IR signal into the registers (S: check send mode)
        {"IRSIGNAL", CInfraredInstructions::IrSignal, 1, "tvbb"},
        // echo the sync signal 20 s, count edges, wait for the receiver
        {"IRSIGNAL_DEBUG", CInfraredInstructions::IrSignalDebug, 1, "vbb"},
    });
}
