#include "IrExport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "IrCapture.h"

namespace {

// The longest duration written: LIRC's mode2 and lircd.conf count in 24 bits.
constexpr uint32_t kLongest = 0xFFFFFF;

// The shortest gap after a burst, the last burst (which ends in the capture's rest)
// left out; 0 for a single burst.
uint32_t ShortestGap(const std::vector<std::vector<uint32_t>>& bursts)
{
    uint32_t gap = 0;
    for (size_t i = 0; i + 1 < bursts.size(); ++i)
        if (gap == 0 || bursts[i].back() < gap) gap = bursts[i].back();
    return gap;
}

uint32_t Clip(uint32_t duration)
{
    return duration < kLongest ? duration : kLongest;
}

// mode2 text as LIRC's mode2 prints it: a space first (the line rested before the
// signal; LIRC's decoders wait for one before a frame), then pulse and space lines.
std::string Mode2(const CIrExportInput& in)
{
    std::string out = "space 100000\n";
    for (size_t i = 0; i < in.durations.size(); ++i)
        out += (i % 2 == 0 ? "pulse " : "space ") + std::to_string(Clip(in.durations[i])) + "\n";
    return out;
}

// The bursts of a capture as codes, each ending in the gap after it. The last burst
// ends in the rest that ended the capture, which is no gap between frames: when other
// bursts show the gap, it ends in the shortest of theirs, so that a tool that takes the
// longest gap of a list as the remote's gap still finds every frame.
std::vector<std::vector<uint32_t>> CodeBursts(const std::vector<uint32_t>& durations)
{
    auto bursts = SplitBursts(durations);
    const uint32_t gap = ShortestGap(bursts);
    if (gap > 0 && bursts.back().size() % 2 == 0) bursts.back().back() = gap;
    return bursts;
}

// Each burst becomes a raw code; LIRC wants codes that end in a pulse, and the
// shortest gap between codes as the remote's gap (a frame followed by less is lost).
std::string Lircd(const CIrExportInput& in)
{
    const auto bursts = SplitBursts(in.durations);
    uint32_t gap = ShortestGap(bursts);
    if (gap == 0) gap = 100000;
    std::string out = "# Raw codes captured by Tavimore: one code for each burst of the capture.\n";
    out += "begin remote\n  name  " + in.strName + "\n  flags RAW_CODES\n  eps   30\n  aeps  100\n";
    out += "  gap   " + std::to_string(Clip(gap)) + "\n  frequency " +
           std::to_string(in.nCarrierHz) + "\n";
    out += "  begin raw_codes\n";
    int number = 1;
    for (const auto& burst : bursts) {
        const size_t count = burst.size() % 2 == 0 ? burst.size() - 1 : burst.size();
        out += "    name " + in.strName + "_" + std::to_string(number++) + "\n";
        for (size_t i = 0; i < count; ++i) {
            out += (i % 8 == 0 ? "      " : " ") + std::to_string(Clip(burst[i]));
            if (i % 8 == 7 || i + 1 == count) out += "\n";
        }
    }
    return out + "  end raw_codes\nend remote\n";
}

std::string Hex4(uint32_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFF);
    return text;
}

std::string Pronto(const CIrExportInput& in)
{
    std::string out;
    int number = 1;
    for (const auto& burst : CodeBursts(in.durations))
        out += in.strName + "_" + std::to_string(number++) + ":" +
               ProntoCode(burst, in.nCarrierHz) + "\n";
    return out;
}

std::string FlipperHeader()
{
    return "Filetype: IR signals file\nVersion: 1\n";
}

std::string Bytes4(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02X %02X %02X %02X", value & 0xFF, (value >> 8) & 0xFF,
                  (value >> 16) & 0xFF, value >> 24);
    return text;
}

std::string FlipperRawSignal(const std::string& name, const std::vector<uint32_t>& burst,
                             uint32_t carrierHz)
{
    std::string out = "#\nname: " + name + "\ntype: raw\nfrequency: " + std::to_string(carrierHz) +
                      "\nduty_cycle: 0.330000\ndata:";
    // Flipper keeps at most 1024 timings a signal; a longer burst is cut there.
    for (size_t i = 0; i < burst.size() && i < 1024; ++i)
        out += " " + std::to_string(burst[i]);
    return out + "\n";
}

// Flipper's protocol names and the fields it stores; false for a frame it has no name for.
bool FlipperParsed(const CIrFrame& frame, std::string& protocol, uint32_t& address,
                   uint32_t& command)
{
    address = frame.nAddress;
    command = frame.nCommand;
    switch (frame.eProtocol) {
    case IrProtocol::Nec:
        protocol = frame.bExtended ? "NECext" : "NEC";
        // NECext keeps the command byte with its inverse.
        if (frame.bExtended) command = frame.nCommand | (~frame.nCommand & 0xFFu) << 8;
        return true;
    case IrProtocol::Rc5:
        protocol = frame.nCommand >= 64 ? "RC5X" : "RC5";
        return true;
    case IrProtocol::Rc6:
        protocol = "RC6";
        return true;
    case IrProtocol::Sirc:
        protocol = frame.nBits == 12 ? "SIRC" : frame.nBits == 15 ? "SIRC15" : "SIRC20";
        return true;
    case IrProtocol::NecRepeat:
    case IrProtocol::Raw:
        break;
    }
    return false;
}

std::string Flipper(const CIrExportInput& in, bool parsed)
{
    std::string out = FlipperHeader();
    int number = 1;
    for (const CIrFrame& frame : DecodeCapture(in.durations)) {
        const std::string name = in.strName + "_" + std::to_string(number++);
        std::string protocol;
        uint32_t address = 0, command = 0;
        if (parsed && FlipperParsed(frame, protocol, address, command)) {
            out += "#\nname: " + name + "\ntype: parsed\nprotocol: " + protocol +
                   "\naddress: " + Bytes4(address) + "\ncommand: " + Bytes4(command) + "\n";
        } else {
            out += FlipperRawSignal(name, frame.durations, in.nCarrierHz);
        }
    }
    return out;
}

// Level of the receiver line during the duration at index i.
int LevelAt(const CIrExportInput& in, size_t i)
{
    return i % 2 == 0 ? 1 - in.nRestLevel : in.nRestLevel;
}

std::string Csv(const CIrExportInput& in)
{
    std::string out = "time_us,level,duration_us,kind\n";
    uint64_t time = 0;
    for (size_t i = 0; i < in.durations.size(); ++i) {
        out += std::to_string(time) + "," + std::to_string(LevelAt(in, i)) + "," +
               std::to_string(in.durations[i]) + (i % 2 == 0 ? ",mark\n" : ",space\n");
        time += in.durations[i];
    }
    return out;
}

// One single-bit wire: sigrok's VCD import ignores vector wires without a word.
std::string Vcd(const CIrExportInput& in)
{
    std::string out =
        "$version Tavimore infrared capture $end\n$timescale 1 us $end\n"
        "$scope module ir $end\n$var wire 1 ! ir $end\n$upscope $end\n$enddefinitions $end\n";
    // The line rests for a moment before the first mark, so that decoders see its
    // first edge.
    constexpr uint64_t kLeadIn = 10000;
    out += "#0\n$dumpvars\n" + std::to_string(in.nRestLevel) + "!\n$end\n";
    uint64_t time = kLeadIn;
    for (size_t i = 0; i < in.durations.size(); ++i) {
        out += "#" + std::to_string(time) + "\n" + std::to_string(LevelAt(in, i)) + "!\n";
        time += in.durations[i];
    }
    // The end: back at rest, and a last time stamp so that the rest has a length.
    if (in.durations.size() % 2 == 1)
        out += "#" + std::to_string(time) + "\n" + std::to_string(in.nRestLevel) + "!\n";
    out += "#" + std::to_string(time + kLeadIn) + "\n";
    return out;
}

} // namespace

bool ParseExportFormat(const std::string& name, IrExportFormat& format)
{
    static const struct {
        const char* name;
        IrExportFormat format;
    } kFormats[] = {{"mode2", IrExportFormat::Mode2},
                    {"lircd", IrExportFormat::Lircd},
                    {"pronto", IrExportFormat::Pronto},
                    {"flipper", IrExportFormat::FlipperParsed},
                    {"flipper-raw", IrExportFormat::FlipperRaw},
                    {"csv", IrExportFormat::Csv},
                    {"vcd", IrExportFormat::Vcd}};
    for (const auto& entry : kFormats) {
        if (name == entry.name) {
            format = entry.format;
            return true;
        }
    }
    return false;
}

const char* ExportFormatNames()
{
    return "mode2, lircd, pronto, flipper, flipper-raw, csv, vcd";
}

const char* ExportExtension(IrExportFormat format)
{
    switch (format) {
    case IrExportFormat::Mode2:
        return "mode2";
    case IrExportFormat::Lircd:
        return "lircd.conf";
    case IrExportFormat::Pronto:
        return "pronto";
    case IrExportFormat::FlipperRaw:
    case IrExportFormat::FlipperParsed:
        return "ir";
    case IrExportFormat::Csv:
        return "csv";
    case IrExportFormat::Vcd:
        return "vcd";
    }
    return "txt";
}

std::string ExportCapture(IrExportFormat format, const CIrExportInput& input)
{
    switch (format) {
    case IrExportFormat::Mode2:
        return Mode2(input);
    case IrExportFormat::Lircd:
        return Lircd(input);
    case IrExportFormat::Pronto:
        return Pronto(input);
    case IrExportFormat::FlipperRaw:
        return Flipper(input, false);
    case IrExportFormat::FlipperParsed:
        return Flipper(input, true);
    case IrExportFormat::Csv:
        return Csv(input);
    case IrExportFormat::Vcd:
        return Vcd(input);
    }
    return {};
}

std::string ProntoCode(const std::vector<uint32_t>& burst, uint32_t carrierHz)
{
    if (carrierHz == 0) carrierHz = 38000;
    // The frequency word counts the carrier period in units of 0.241246 us; durations
    // count carrier periods, 1 to 0xFFFF each.
    const uint32_t word = static_cast<uint32_t>(std::lround(1e6 / (carrierHz * 0.241246)));
    const double periodUs = word * 0.241246;
    std::vector<uint32_t> counts;
    for (uint32_t d : burst) {
        const long n = std::lround(d / periodUs);
        counts.push_back(static_cast<uint32_t>(n < 1 ? 1 : n > 0xFFFF ? 0xFFFF : n));
    }
    if (counts.size() % 2 == 1) counts.push_back(0xFFFF); // every pair ends with a space
    std::string code =
        "0000 " + Hex4(word) + " " + Hex4(static_cast<uint32_t>(counts.size() / 2)) + " 0000";
    for (uint32_t n : counts)
        code += " " + Hex4(n);
    return code;
}
