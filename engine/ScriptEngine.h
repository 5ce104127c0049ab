// CScriptEngine: the interpreter object, one per document.
//
// It owns every piece of state a script can touch: the register file with REGL and
// REGW, the call stack, the action request a statement leaves for the run loop, the
// status text of the last statement, the script going in and the text coming back,
// and the state of the instruction families (bit buffers, device bindings, launch
// record, media window). Everything survives from run to run except what the run
// loop resets at the start of a run (the line index, the status text, the running
// flag) and the line store it rebuilds from the script.
//
// The action request: a statement points m_pAction at one of eight fixed code cells
// (each holding its RequestCode) and puts a number into m_nActionValue; the run loop
// acts on it after the statement.
// A statement that leaves no request of its own leaves the previous one in place, so
// every handler ends through one of the request helpers below.
//
// The instruction families (instructions/) reach the engine only through its public
// operations; the state of a family (bit buffers, bindings, launch record, media
// window) is kept here and read and written through the operations of that family.
//
// Speed: within one run each line is split, classified and bound to its handler once,
// the first time it executes, and the tokens it reads as operands or registers keep
// what evaluating them showed about the text (a constant, a register number, a label
// line). Executing the line again only reads registers and acts. Failures are never
// cached: an operand that reports an error reports it every time it is evaluated.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "DesktopServices.h"
#include "Ft245Device.h"
#include "Host.h"
#include "Instruction.h"
#include "ScriptLines.h"
#include "WinIoPort.h"

// How the last call of Run ended, for callers that report it (tavimore-run's exit
// status). The engine itself acts the same whatever the cause.
enum class RunEnd {
    EndOfScript, // the line index passed the last line, or the single step was done
    EndRequest,  // a statement asked to end the run (MAYCONTINUE answered Cancel)
    Stopped,     // the running flag was cleared: a stop request or a device failure
    JumpError,   // a jump to a negative line, to its own line, or by 0 lines
    CountGuard,  // more statements than the guard allows in one run
    Refused,     // a run was already in progress; nothing was done
    Paused,      // a debug run paused before or after a statement; no report yet
};

// What a debug run asks around each statement; a debugger implements it (breakpoints,
// break on a change). Both questions are asked only while the run goes on.
class CRunProbe {
public:
    virtual ~CRunProbe() = default;
    // Before the statement on line runs; true pauses the run there (it does not run).
    virtual bool PauseBefore(int line) = 0;
    // After the statement on line ran and its request was acted on; true pauses the run
    // before the next statement.
    virtual bool PauseAfter(int line) = 0;
};

class CScriptEngine {
public:
    static constexpr int kRegisterCount = 10000;
    static constexpr int kCallStackSize = 1024;
    static constexpr int kRegL = -1;
    static constexpr int kRegW = -2;

    // The code of each request a statement can leave for the run loop.
    enum RequestCode : int {
        kRequestNone = 0,       // go on with the next line
        kRequestShowLine = 10,  // show the line index in a box
        kRequestJump = 90,      // jump to the line in the value
        kRequestJumpRel = 99,   // jump by the number of lines in the value
        kRequestWait = 100,     // sleep the value in milliseconds
        kRequestWaitPump = 101, // sleep, pumping messages once a second
        kRequestEnd = 500,      // end the run after this statement
        kRequestError = 0xFFFF, // a failure was reported; the value is its number
    };

    explicit CScriptEngine(CHost& host);
    virtual ~CScriptEngine();
    CScriptEngine(const CScriptEngine&) = delete;
    CScriptEngine& operator=(const CScriptEngine&) = delete;

    // ---- Script in, output back
    void SetScript(std::string_view text) { m_strScript.assign(text); }
    // SetScript that takes the text over without a copy (a large document is held
    // once, not twice).
    void TakeScript(std::string&& text) { m_strScript = std::move(text); }
    // The script last set: the start of the output, before the report line.
    const std::string& ScriptText() const { return m_strScript; }
    std::string GetOutput() const { return m_strOutput; }
    // The output without a copy, valid until the next run.
    const std::string& OutputText() const { return m_strOutput; }
    std::string GetStatus() const { return m_strStatus; }
    void SetStatement(CScriptLines* statement);
    int SetWindowContext(std::uintptr_t parent, std::uintptr_t instance);

    // ---- Run loop
    // startLine -1 runs the whole script; any other line executes that one statement.
    // Returns the line index minus one at the moment the loop ended, or -1 without
    // doing anything when a run is already in progress.
    int Run(int startLine);
    void ExecuteStatement();
    void PumpMessages();
    // Sleeps through the host; a stop during the sleep stops the run and gives false.
    bool Sleep(uint32_t milliseconds);
    void RequestStop();
    int GetJumpDistance() const;
    // Ends the run after this statement, as a device failure does; unlike RequestStop
    // it leaves a media window open.
    void StopAfterStatement() { EndAfterStatement(); }
    // The line index of the statement being executed.
    int CurrentLine() const { return m_nLine; }
    bool IsRunInProgress() const { return m_bInRun; }
    RunEnd GetRunEnd() const { return m_eRunEnd; }

    // ---- Debug runs
    // Runs like Run(-1) (requests, stop questions, the statement guard, the debug level
    // and the log bound) but from startLine, asking probe around each statement. The
    // first statement of a call is not asked PauseBefore, so a call that continues from
    // a breakpoint runs the statement there. When the probe pauses the run, GetRunEnd()
    // is RunEnd::Paused, PausedLine() is the next statement to run and the output is
    // not touched; the log, the statement count, the status and the request in place
    // are kept, and the next DebugRun continues the same run from the line it is given.
    // Any other end builds the report of the whole debug run (every part's status
    // lines, the total count) into the output as Run does, and the debug run is over.
    // A negative startLine starts at line 0. Returns like Run. Run and steps may be
    // called while a debug run is paused; they leave it as it is. A change seen after
    // the script's last statement does not pause: the run ends.
    int DebugRun(int startLine, CRunProbe& probe);
    // Whether a debug run is paused (not while one of its parts runs).
    bool IsDebugPaused() const { return m_pDebug != nullptr && !m_bInRun; }
    // The next statement of the paused debug run; -1 when none is paused.
    int PausedLine() const;
    // Drops a paused debug run and its log; nothing when none is paused.
    void AbandonDebugRun();

    // ---- Where the report came from (recorded only while switched on)
    // For each status line of the last output's report, in order, the 0-based script
    // line of the statement that set it (a status may itself hold several text lines,
    // such as a window list). And each message box shown during the last run, step or
    // debug run, in order, with the line of the statement that showed it.
    struct CBoxRecord {
        int line = 0;
        std::string caption; // cp932, as shown
        std::string text;
    };
    void SetRecordSources(bool on) { m_bRecordSources = on; }
    bool RecordsSources() const { return m_bRecordSources; }
    const std::vector<int>& StatusLineSources() const { return m_sources.statusLines; }
    const std::vector<CBoxRecord>& BoxSources() const { return m_sources.boxes; }

    // ---- Registers and operands
    int ParseRegister(std::string_view token);
    uint32_t* RegisterAddress(int index);
    uint32_t ReadRegister(int index)
    {
        if (static_cast<unsigned>(index) < static_cast<unsigned>(kRegisterCount))
            return m_pRegisters[static_cast<size_t>(index)];
        return ReadSpecialRegister(index);
    }
    void WriteRegister(int index, uint32_t value)
    {
        if (static_cast<unsigned>(index) < static_cast<unsigned>(kRegisterCount))
            m_pRegisters[static_cast<size_t>(index)] = value;
        else if (uint32_t* cell = RegisterAddress(index))
            *cell = value;
    }
    // The register file REG0..REG9999 as cells, for the families that keep texts and
    // captures in it.
    uint32_t* RegisterFile() { return m_pRegisters.get(); }
    uint32_t EvaluateOperand(std::string_view token, int defaultRadix);
    bool ParseBinary(std::string_view text, uint32_t& out);
    bool ParseHex(std::string_view text, uint32_t& out);
    std::string FormatNumber(int32_t value, int width, int radix);
    std::string FormatRegister(int index, int numberWidth, int numberRadix, int valueWidth,
                               int valueRadix);
    bool CheckArgCount(int count, int needed) { return count < needed && ReportArgCount(); }

    // ---- Call stack and conditions
    bool PushReturn(int line);
    bool PopReturn(int* line);
    // A condition or operator token as a 16-bit code, its two bytes in either order.
    uint16_t ParseCondition(std::string_view token);
    // 1 when the unsigned comparison holds, 0 when not, -1 for an unknown operator.
    static int CompareValues(uint32_t a, int op, uint32_t b)
    {
        switch (op) {
        case 0x3D00:
        case 0x3D3D:
            return a == b; // =  ==
        case 0x2100:
        case 0x3D21:
            return a != b; // !  != =!
        case 0x3C00:
            return a < b; // <
        case 0x3D3C:
            return a <= b; // <= =<
        case 0x3E00:
            return a > b; // >
        case 0x3E3D:
            return a >= b; // >= =>
        default:
            return -1;
        }
    }

    // ---- Status, messages and requests
    void SetStatus(std::string_view text, int level)
    {
        if (m_nDebugLevel < level)
            m_strStatus.clear();
        else
            SetStatusText(text);
    }
    bool StatusWanted(int level) const { return m_nDebugLevel >= level; }
    // The status of a statement whose text the debug level drops.
    void ClearStatus() { m_strStatus.clear(); }
    // Sets the status to label + FormatNumber(value, width, radix) at level, formatting
    // only when the debug level keeps the text.
    void SetStatusNumber(std::string_view label, int32_t value, int width, int radix, int level)
    {
        if (m_nDebugLevel < level)
            m_strStatus.clear();
        else
            SetStatusNumberText(label, value, width, radix);
    }
    // Sets the status to label + FormatRegister(...) at level. A dropped text is still
    // formatted when reading the register can report a failure, so that its message
    // box appears whatever the debug level.
    void SetStatusRegister(std::string_view label, int index, int numberWidth, int numberRadix,
                           int valueWidth, int valueRadix, int level)
    {
        // REGL, REGW and REG0..REG9999 always read; the other codes may report.
        if (m_nDebugLevel < level && index >= kRegW && index < kRegisterCount)
            m_strStatus.clear();
        else
            SetStatusRegisterText(label, index, numberWidth, numberRadix, valueWidth, valueRadix,
                                  level);
    }
    void SetError(int errorNumber);
    // Whether the request in place is the error request.
    bool ErrorRequested() const { return m_pAction == &m_nActError; }
    void ShowMessage(std::string_view text, std::string_view caption);
    // Message box, then the error request: the one way a failing operation leaves.
    void Fail(std::string_view text, std::string_view caption, int errorNumber);

    void Continue() { m_pAction = &m_nActNone; }
    void RequestJump(int32_t line) { Request(m_nActJump, line); }
    void RequestJumpRelative(int32_t distance) { Request(m_nActJumpRel, distance); }
    void RequestWait(uint32_t milliseconds)
    {
        Request(m_nActWait, static_cast<int32_t>(milliseconds));
    }
    void RequestWaitPump(uint32_t milliseconds)
    {
        Request(m_nActWaitPump, static_cast<int32_t>(milliseconds));
    }
    void RequestEnd() { m_pAction = &m_nActStop; }
    // Requests a jump to (or by) the value of operand n, unless evaluating it fails:
    // the evaluator's error request then stands and the run goes on with the next
    // line, and the request's value is 0 (not the evaluator's error number, which a
    // later statement that shows the value would otherwise show). Returns the value
    // (0 after a failure).
    int32_t RequestJumpToArg(int n, int defaultRadix)
    {
        Continue();
        auto target = static_cast<int32_t>(OperandArg(n, defaultRadix));
        if (ErrorRequested())
            m_nActionValue = 0;
        else
            RequestJump(target);
        return target;
    }
    int32_t RequestJumpRelativeToArg(int n, int defaultRadix)
    {
        Continue();
        auto distance = static_cast<int32_t>(OperandArg(n, defaultRadix));
        if (ErrorRequested())
            m_nActionValue = 0;
        else
            RequestJumpRelative(distance);
        return distance;
    }
    void RequestShowLine() { m_pAction = &m_nActShowLine; }
    // The value of the request in place (0 after a failed jump target).
    int32_t RequestValue() const { return m_nActionValue; }
    // The line break that status texts and stored texts end with.
    std::string_view LineBreak() const { return {m_szNewLine, static_cast<size_t>(m_nNewLineLen)}; }

    // ---- What handlers read of the statement being executed
    int ArgCount() const { return m_pStatement ? m_pStatement->GetCount() : 0; }
    std::string_view Arg(int n) const
    {
        return m_pStatement ? m_pStatement->ItemView(n) : std::string_view();
    }
    std::string_view ArgToEnd(int n) const
    {
        return m_pStatement ? m_pStatement->ItemToEndView(n) : std::string_view();
    }
    // EvaluateOperand / ParseRegister / ParseCondition of token n, using what this line
    // already showed in this run. Inline: they sit on the path of every statement.
    uint32_t OperandArg(int n, int defaultRadix)
    {
        if (m_pCompiled != nullptr && static_cast<unsigned>(n) < kCachedTokens) {
            const COperandSlot& slot = m_pCompiled->operands[static_cast<size_t>(n)];
            if (slot.radix == defaultRadix) {
                if (slot.kind == COperandSlot::Kind::Constant)
                    return static_cast<uint32_t>(slot.value);
                if (slot.kind == COperandSlot::Kind::Register &&
                    static_cast<unsigned>(slot.value) < static_cast<unsigned>(kRegisterCount))
                    return m_pRegisters[static_cast<size_t>(slot.value)];
            }
        }
        return OperandArgSlow(n, defaultRadix);
    }
    int RegisterArg(int n)
    {
        if (m_pCompiled != nullptr && static_cast<unsigned>(n) < kCachedTokens) {
            const CRegisterSlot& slot = m_pCompiled->registers[static_cast<size_t>(n)];
            if (slot.known) return slot.index;
        }
        return RegisterArgSlow(n);
    }
    uint16_t ConditionArg(int n)
    {
        if (m_pCompiled != nullptr && m_pCompiled->conditionToken == n)
            return m_pCompiled->condition;
        return ConditionArgSlow(n);
    }

    // ---- Lines decoded once per run
    // A statement whose operands all showed a plain form when it first ran (a constant
    // or label line, REGn, REGL or REGW) can bind a form of its handler that reads them
    // straight from where they are: a register's cell, or the value the line keeps.
    // The bound form runs for the line's later executions in this run.
    struct CDecodedArgs {
        const uint32_t* a = nullptr; // values compared or used
        const uint32_t* b = nullptr;
        const uint32_t* target = nullptr; // a jump's line or distance
        uint32_t* cell = nullptr;         // the register written
        int index = 0;                    // its register index, for status texts
        uint16_t condition = 0;
    };
    // Where operand n (read with defaultRadix) can be read on later executions of this
    // line; null when it may report a failure, has not been evaluated yet in this run,
    // or the statement is not a line of a run.
    const uint32_t* PlainOperand(int n, int defaultRadix)
    {
        if (m_pCompiled == nullptr || static_cast<unsigned>(n) >= kCachedTokens) return nullptr;
        const COperandSlot& slot = m_pCompiled->operands[static_cast<size_t>(n)];
        if (slot.radix != defaultRadix) return nullptr;
        if (slot.kind == COperandSlot::Kind::Constant)
            return reinterpret_cast<const uint32_t*>(&slot.value);
        if (slot.kind == COperandSlot::Kind::Register) return PlainCell(slot.value);
        return nullptr;
    }
    // The cell of register token n, when reading it showed a plain register.
    uint32_t* PlainRegisterArg(int n)
    {
        if (m_pCompiled == nullptr || static_cast<unsigned>(n) >= kCachedTokens) return nullptr;
        const CRegisterSlot& slot = m_pCompiled->registers[static_cast<size_t>(n)];
        return slot.known ? PlainCell(slot.index) : nullptr;
    }
    // The cell of REGL, REGW or REG0..REG9999 (the registers that never report).
    uint32_t* PlainCell(int index)
    {
        if (static_cast<unsigned>(index) < static_cast<unsigned>(kRegisterCount))
            return &m_pRegisters[static_cast<size_t>(index)];
        if (index == kRegL) return &m_nRegLAddress;
        if (index == kRegW) return &m_nRegWAddress;
        return nullptr;
    }
    // Whether the condition code of token n is kept for the line's later executions.
    bool ConditionKept(int n) const
    {
        return m_pCompiled != nullptr && m_pCompiled->conditionToken == n;
    }
    // Binds form, with args, to the line being executed (nothing outside a run).
    void BindDecoded(InstructionHandler form, const CDecodedArgs& args)
    {
        if (m_pCompiled == nullptr || m_pCompiled->kind != LineKind::Instruction) return;
        m_pCompiled->decoded = args;
        m_pCompiled->handler = form;
    }
    // The arguments the bound form of the line being executed reads.
    const CDecodedArgs& Decoded() const { return m_pCompiled->decoded; }

    // ---- Ports and physical memory, through the port-access binding.
    // Whether the port-access library is missing. The binding has then told the user
    // why, and the run ends after this statement; a caller does what it does without
    // the library (reads give 0, writes do nothing) and may say so in its status.
    bool PortLibraryMissing()
    {
        if (m_winIo.IsAvailable()) return false;
        EndAfterStatement();
        return true;
    }
    CWinIoPort& PortLibrary() { return m_winIo; }
    // The output bit buffer that SETBIT writes the low byte of, and the address of the
    // last physical-memory dump; both survive every run.
    uint32_t BitBuffer() const { return m_dwBitOut; }
    void SetBitBuffer(uint32_t bits) { m_dwBitOut = bits; }
    uint32_t DumpAddress() const { return m_dwDumpAddress; }
    void SetDumpAddress(uint32_t address) { m_dwDumpAddress = address; }
    // Each width operation first makes sure the library is available; when it is not,
    // the run stops after this statement, reads give 0 and writes do nothing. The
    // values are masked to the width (0xFF, 0xFFFF).
    uint8_t ReadPortByte(uint32_t port);
    uint16_t ReadPortWord(uint32_t port);
    uint32_t ReadPortDword(uint32_t port);
    void WritePortByte(uint32_t port, uint32_t value);
    void WritePortWord(uint32_t port, uint32_t value);
    void WritePortDword(uint32_t port, uint32_t value);
    // Reads one byte from the port into the input bit buffer and tests one of its
    // bits. No availability check: the sampling loops call it once per poll, so a
    // caller checks once before its loop (without the library the byte reads as 0).
    bool ReadPortBit(uint32_t port, uint32_t bit)
    {
        uint32_t cell = 0;
        m_winIo.GetPortVal(port, &cell, 1);
        m_byBitIn = static_cast<uint8_t>(cell);
        return TestPortBit(bit);
    }
    // Tests one bit of the byte ReadPortBit read last; bits 8 and up read as 0.
    bool TestPortBit(uint32_t bit) const { return bit < 8 && ((m_byBitIn >> bit) & 1u) != 0; }

    // ---- FT245RL devices, through the D2XX binding; FtdiLibraryMissing as above.
    bool FtdiLibraryMissing()
    {
        if (m_ft.IsAvailable()) return false;
        EndAfterStatement();
        return true;
    }
    CFt245Device& Ft245() { return m_ft; }

    // ---- Processes and the media window: the launch settings that persist from
    // launch to launch, the last launch's result (a non-zero process id: its handles
    // are still held), and the media window with its open flag (a stop closes it).
    CStartupInfo& LaunchSettings() { return m_si; }
    CProcessInformation& LastLaunch() { return m_pi; }
    std::uintptr_t MediaWindow() const { return m_hMciWnd; }
    void SetMediaWindow(std::uintptr_t window) { m_hMciWnd = window; }
    void SetMediaOpen(bool open) { m_bMciOpen = open ? 1 : 0; }

    // ---- State that the editor and the option dialog reach
    int GetDebugLevel() const { return m_nDebugLevel; }
    void SetDebugLevel(int level) { m_nDebugLevel = level; }
    uint32_t GetRegW() const { return m_nRegWAddress; }
    void SetRegW(uint32_t value) { m_nRegWAddress = value; }
    uint32_t GetRegL() const { return m_nRegLAddress; }
    void SetRegL(uint32_t value) { m_nRegLAddress = value; }
    int GetCallDepth() const { return m_nCallDepth; }
    // The host for instructions and bindings: the installed host, through a layer that
    // notes the message boxes shown while sources are recorded.
    CHost& Host() { return m_boxHost; }

    // ---- Read-only views for a watch panel; they never report and change nothing.
    // REG0..REG9999, REGL (kRegL) and REGW (kRegW); 0 for any other index.
    uint32_t PeekRegister(int index) const
    {
        if (static_cast<unsigned>(index) < static_cast<unsigned>(kRegisterCount))
            return m_pRegisters[static_cast<size_t>(index)];
        if (index == kRegL) return m_nRegLAddress;
        if (index == kRegW) return m_nRegWAddress;
        return 0;
    }
    // The entry CALL pushed at depth 0..GetCallDepth()-1 (0 is the oldest): the line of
    // that CALL, after which RET goes on. -1 for any other depth.
    int32_t CallStackEntry(int depth) const
    {
        if (depth < 0 || depth >= m_nCallDepth) return -1;
        return m_pCallStack[static_cast<size_t>(depth)];
    }
    // The byte the last port-bit read took in.
    uint8_t BitIn() const { return m_byBitIn; }

    // The guard against runaway runs: the run ends with its message once this many
    // statements have been started. The default is the full 32-bit count; tests lower it.
    void SetStatementLimit(uint32_t limit) { m_nStatementLimit = limit; }
    uint32_t GetStatementLimit() const { return m_nStatementLimit; }

    // The bound on the status lines a run collects, in bytes. Once the next status
    // line would pass it, the run goes on but logs nothing more, and the report ends
    // with a line giving the number of status lines left out. A run that loops at
    // debug level 100 therefore cannot exhaust memory before the statement guard
    // ends it.
    static constexpr size_t kDefaultLogLimit = size_t{256} << 20;
    void SetLogLimit(size_t bytes) { m_nLogLimit = bytes; }
    size_t GetLogLimit() const { return m_nLogLimit; }

private:
    enum class LineKind : uint8_t { Empty, Instruction, OperandCheck, Label, Unknown };

    // What an operand token showed when it was first evaluated in this run.
    struct COperandSlot {
        enum class Kind : uint8_t { Unknown, Constant, Register, Slow } kind = Kind::Unknown;
        int radix = 0;
        int32_t value = 0; // the constant, or the register index
    };
    struct CRegisterSlot {
        bool known = false;
        int index = 0;
    };
    static constexpr unsigned kCachedTokens = 5; // handlers read tokens 0 to 4 only
    struct CCompiledLine {
        CScriptLines statement;
        LineKind kind = LineKind::Unknown;
        InstructionHandler handler = nullptr;
        std::array<COperandSlot, kCachedTokens> operands{};
        std::array<CRegisterSlot, kCachedTokens> registers{};
        int conditionToken = -1; // the token whose condition code is kept, or -1
        uint16_t condition = 0;
        CDecodedArgs decoded; // what a bound form of the handler reads
    };

    // Where the report's status lines and the boxes came from.
    struct CSources {
        std::vector<int> statusLines;
        std::vector<CBoxRecord> boxes;
    };
    // The installed host with the message boxes noted in the engine's sources while
    // they are recorded; everything else passes straight through.
    class CBoxNotingHost final : public CHost {
    public:
        explicit CBoxNotingHost(CScriptEngine& engine) : m_engine(engine) {}
        MessageAnswer ShowMessage(std::string_view text, std::string_view caption,
                                  MessageButtons buttons) override;
        void ShowAppMessage(std::string_view text) override;
        void PumpMessages() override { m_engine.m_host.PumpMessages(); }
        bool PollStop() override { return m_engine.m_host.PollStop(); }
        uint32_t GetTickCount() override { return m_engine.m_host.GetTickCount(); }
        bool Sleep(uint32_t milliseconds) override { return m_engine.m_host.Sleep(milliseconds); }
        CMediaServices* Media() override { return m_engine.m_host.Media(); }
        void CloseMediaWindow(std::uintptr_t window) override
        {
            m_engine.m_host.CloseMediaWindow(window);
        }
        void PlaySound(std::string_view file) override { m_engine.m_host.PlaySound(file); }
        bool GetLowPowerTimeout(uint32_t& seconds) override
        {
            return m_engine.m_host.GetLowPowerTimeout(seconds);
        }
        void SetLowPowerTimeout(uint32_t seconds) override
        {
            m_engine.m_host.SetLowPowerTimeout(seconds);
        }
        CLibraryLoader* Loader() override { return m_engine.m_host.Loader(); }
        std::string LibraryFile(DeviceLibrary which) override
        {
            return m_engine.m_host.LibraryFile(which);
        }
        CDesktopServices* Desktop() override { return m_engine.m_host.Desktop(); }

    private:
        void Note(std::string_view text, std::string_view caption);
        CScriptEngine& m_engine;
    };

    // The per-run caches: compiled lines and the label index (RunLoop.cpp).
    struct CRunState;
    struct CRunScope;
    // What a run counts while its statements execute.
    struct CRunTally {
        uint32_t executed = 0;
        uint32_t omitted = 0; // status lines left out once the log reached its bound
        RunEnd end = RunEnd::EndOfScript;
    };
    // A paused debug run: what carries over to the call that continues it.
    struct CDebugState {
        std::string log;
        CRunTally tally;
        CSources sources;
        std::string status; // the status in place, which a statement may log again
        int* action = nullptr;
        int actionValue = 0;
        int pausedLine = 0;
    };

    // Clears the running flag; the run loop looks at it after the statement.
    void EndAfterStatement()
    {
        m_bRunning = 0;
        m_nCheckAt = 0;
    }
    // Every request's value is m_nActionValue: m_pActionValue points at it from the
    // start and never elsewhere, so a request sets the code and the value only.
    void Request(int& cell, int32_t value)
    {
        m_pAction = &cell;
        m_nActionValue = value;
    }
    uint32_t Evaluate(std::string_view token, int defaultRadix, COperandSlot* learned);
    uint32_t OperandArgSlow(int n, int defaultRadix);
    uint16_t ConditionArgSlow(int n);
    uint32_t ReadSpecialRegister(int index);
    bool ReportArgCount();
    void SetStatusText(std::string_view text);
    void SetStatusNumberText(std::string_view label, int32_t value, int width, int radix);
    void SetStatusRegisterText(std::string_view label, int index, int numberWidth, int numberRadix,
                               int valueWidth, int valueRadix, int level);
    int RegisterArgSlow(int n);
    int ReadRegisterToken(std::string_view token, bool& readable);
    CCompiledLine& CompileLine(CRunState& run, int line);
    // One loop, made three times: kProbe asks the probe around each statement (a debug
    // run; probe is not null), kRecord notes the line behind each status line. The plain
    // loop of tavimore-run does neither and pays for neither.
    template <bool kProbe, bool kRecord>
    [[gnu::noinline]] void RunStatements(CRunState& run, int startLine, bool step, std::string& log,
                                         CRunTally& tally, CRunProbe* probe);
    void RunLines(int startLine, bool step, std::string& log, CRunTally& tally, CRunProbe* probe);
    bool ActOnJump(int target, int count, int line);
    [[gnu::cold]] void ReportJumpError(int target);
    void BuildReport(std::string&& log, const CRunTally& tally);
    static LineKind Classify(const CScriptLines& statement, InstructionHandler& handler);
    int FindLabel(std::string_view upperToken);
    void ActOnRequest(int& limit, bool& leave);
    int FindLabelLine(std::string_view foldedToken) const;

    CHost& m_host;
    CBoxNotingHost m_boxHost{*this};

    // Fields in the order of the data model; bindings of later families join them.
    int m_nCallDepth = 0;
    std::unique_ptr<int32_t[]> m_pCallStack;
    int m_nLine = 0;
    // FT245RL binding: the D2XX library, the device handles and the shared bit-mode
    // flag. Declared before the line store so that it is destroyed after it.
    CFt245Device m_ft{m_boxHost};
    CScriptLines m_lines;
    int m_bMciOpen = 0;
    int* m_pLastAction = nullptr;
    int* m_pLastActionValue = nullptr;
    int m_bRunning = 0;
    // The executed-statement count at which the run loop next looks beyond the statement
    // (a stop question, the statement guard, the end of a step); 0 when the running flag
    // was cleared, so that it looks at once.
    uint32_t m_nCheckAt = 0;
    std::uintptr_t m_hMciInstance = 0;
    std::uintptr_t m_hMciParent = 0;
    std::uintptr_t m_hMciWnd = 0;
    std::string m_strOutput;
    std::string m_strScript;
    int m_nActError = kRequestError;
    int m_nActJump = kRequestJump;
    int m_nActJumpRel = kRequestJumpRel;
    int m_nActWait = kRequestWait;
    int m_nActWaitPump = kRequestWaitPump;
    int m_nActStop = kRequestEnd;
    int m_nActNone = kRequestNone;
    int m_nActShowLine = kRequestShowLine;
    std::unique_ptr<uint32_t[]> m_pRegisters;
    uint32_t m_nRegLAddress = 0;
    uint32_t m_nRegWAddress = 0;
    int m_nActionValue = 0;
    int* const m_pActionValue = &m_nActionValue;
    int* m_pAction = &m_nActNone;
    int m_nNewLineLen = 2;
    char m_szNewLine[3] = {'\r', '\n', 0};
    std::string m_strStatus;
    CScriptLines* m_pStatement = nullptr;
    int m_nDebugLevel = 10;

    // Port access: the bit buffers (the byte last read by ReadPortBit, and the bits
    // SETBIT and SETBUFFER set, whose low byte SETBIT writes), the address of the last
    // DT dump, and the binding to the port-access library. They survive every run.
    uint8_t m_byBitIn = 0;
    uint32_t m_dwBitOut = 0;
    uint32_t m_dwDumpAddress = 0;
    CWinIoPort m_winIo{m_boxHost};

    // Processes: the launch settings and the last launch's result.
    CStartupInfo m_si;
    CProcessInformation m_pi;

    // Run-time state of this implementation: the guard against re-entry, how the last
    // run ended, the per-run caches described at the top (held by the run in progress,
    // null outside a run) and the compiled line being executed.
    bool m_bInRun = false;
    RunEnd m_eRunEnd = RunEnd::EndOfScript;
    uint32_t m_nStatementLimit = 0x7FFFFFFF;
    size_t m_nLogLimit = kDefaultLogLimit;
    CRunState* m_pRun = nullptr;
    CCompiledLine* m_pCompiled = nullptr;

    // Debugging: the paused debug run (null when none is), whether sources are recorded,
    // the sources of the last output, and where the run in progress notes its sources
    // (null when it records none).
    std::unique_ptr<CDebugState> m_pDebug;
    bool m_bRecordSources = false;
    CSources m_sources;
    CSources* m_pSink = nullptr;
};
