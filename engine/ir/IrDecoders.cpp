#include "IrDecoders.h"

#include "IrCapture.h"

#include <cmath>
#include <cstdio>

namespace {

bool Near(uint32_t duration, double nominal, double tolerance = 0.30)
{
    return std::fabs(duration - nominal) <= nominal * tolerance;
}

// ---- NEC: leader, 32 bits least significant first (address, its inverse or the high
// address byte, command, its inverse), a stop mark. The repeat frame is leader mark,
// short space, stop mark.
bool DecodeNec(const std::vector<uint32_t>& b, CIrFrame& frame)
{
    if (b.size() < 3 || !Near(b[0], 9000)) return false;
    if (b.size() <= 4 && Near(b[1], 2250) && Near(b[2], 562.5)) {
        frame.eProtocol = IrProtocol::NecRepeat;
        return true;
    }
    if (b.size() < 67 || b.size() > 68 || !Near(b[1], 4500)) return false;
    uint32_t bits = 0;
    for (int i = 0; i < 32; ++i) {
        const uint32_t mark = b[2 + 2 * i];
        const uint32_t space = b[3 + 2 * i];
        if (!Near(mark, 562.5)) return false;
        if (Near(space, 1687.5))
            bits |= 1u << i;
        else if (!Near(space, 562.5))
            return false;
    }
    if (!Near(b[66], 562.5)) return false;
    const uint32_t address = bits & 0xFF, addressHigh = (bits >> 8) & 0xFF;
    const uint32_t command = (bits >> 16) & 0xFF, commandCheck = bits >> 24;
    if ((command ^ commandCheck) != 0xFF) return false;
    frame.eProtocol = IrProtocol::Nec;
    frame.nBits = 32;
    frame.bExtended = (address ^ addressHigh) != 0xFF;
    frame.nAddress = frame.bExtended ? (address | addressHigh << 8) : address;
    frame.nCommand = command;
    return true;
}

// Expands durations into levels of unit length (1 = mark), or fails when a duration
// is not within 0.3 unit of 1 to maxUnits units.
bool ExpandUnits(const std::vector<uint32_t>& b, size_t from, size_t to, double unit, int maxUnits,
                 std::vector<uint8_t>& levels, bool firstIsMark)
{
    bool mark = firstIsMark;
    for (size_t i = from; i < to; ++i, mark = !mark) {
        const double units = b[i] / unit;
        const long n = std::lround(units);
        if (n < 1 || n > maxUnits || std::fabs(units - static_cast<double>(n)) > 0.3) return false;
        levels.insert(levels.end(), static_cast<size_t>(n), mark ? 1 : 0);
    }
    return true;
}

// ---- RC5: 14 Manchester bits of 2 x 889 us, a 1 is space then mark. Start bits 1 and
// 1 (RC5X: the second is the inverse of command bit 6), toggle, 5 address bits, 6
// command bits, most significant first. The first space melts into the rest before.
bool DecodeRc5(const std::vector<uint32_t>& b, CIrFrame& frame)
{
    constexpr double kUnit = 889;
    std::vector<uint8_t> levels{0};
    // The gap is the last element; the burst before it ends on a mark.
    if (b.size() < 2 || !ExpandUnits(b, 0, b.size() - 1, kUnit, 2, levels, true)) return false;
    if (levels.size() == 27) levels.push_back(0); // a last 0 bit ends in the gap
    if (levels.size() != 28) return false;
    uint32_t bits = 0;
    for (size_t i = 0; i < 28; i += 2) {
        if (levels[i] == levels[i + 1]) return false;
        bits = bits << 1 | levels[i + 1];
    }
    if ((bits >> 13) != 1) return false;
    frame.eProtocol = IrProtocol::Rc5;
    frame.nBits = 14;
    frame.nToggle = static_cast<int>((bits >> 11) & 1u);
    frame.nAddress = (bits >> 6) & 0x1F;
    frame.nCommand = (bits & 0x3F) | (((bits >> 12) & 1u) ? 0u : 0x40u);
    return true;
}

// ---- RC6 mode 0: leader mark 6 units and space 2 units (444 us each), start bit 1,
// mode 000, a toggle bit of double length, 8 address and 8 command bits, most
// significant first; a 1 is mark then space.
bool DecodeRc6(const std::vector<uint32_t>& b, CIrFrame& frame)
{
    constexpr double kUnit = 444.44;
    if (b.size() < 4 || !Near(b[0], 6 * kUnit) || !Near(b[1], 2 * kUnit)) return false;
    std::vector<uint8_t> levels;
    if (!ExpandUnits(b, 2, b.size() - 1, kUnit, 4, levels, true)) return false;
    if (levels.size() == 43) levels.push_back(0);
    if (levels.size() != 44) return false;
    auto bit = [&](size_t at, size_t width, int& value) {
        for (size_t k = 1; k < width; ++k)
            if (levels[at + k] != levels[at] || levels[at + width + k] != levels[at + width])
                return false;
        if (levels[at] == levels[at + width]) return false;
        value = levels[at];
        return true;
    };
    int value = 0;
    if (!bit(0, 1, value) || value != 1) return false;
    for (size_t m = 0; m < 3; ++m)
        if (!bit(2 + 2 * m, 1, value) || value != 0) return false;
    int toggle = 0;
    if (!bit(8, 2, toggle)) return false;
    uint32_t data = 0;
    for (size_t i = 0; i < 16; ++i) {
        if (!bit(12 + 2 * i, 1, value)) return false;
        data = data << 1 | static_cast<uint32_t>(value);
    }
    frame.eProtocol = IrProtocol::Rc6;
    frame.nBits = 21;
    frame.nToggle = toggle;
    frame.nAddress = data >> 8;
    frame.nCommand = data & 0xFF;
    return true;
}

// ---- Sony SIRC: leader mark 2400, then 12, 15 or 20 bits least significant first,
// each a mark of 1200 (1) or 600 (0) after a space of 600: 7 command bits, then 5
// address bits (12), 8 address bits (15) or 5 address and 8 extended bits (20, shown
// as one 13-bit address).
bool DecodeSirc(const std::vector<uint32_t>& b, CIrFrame& frame)
{
    if (b.size() < 4 || !Near(b[0], 2400)) return false;
    const size_t bitCount = (b.size() - 2) / 2;
    if (b.size() % 2 != 0 || (bitCount != 12 && bitCount != 15 && bitCount != 20)) return false;
    uint32_t bits = 0;
    for (size_t i = 0; i < bitCount; ++i) {
        if (!Near(b[1 + 2 * i], 600)) return false;
        const uint32_t mark = b[2 + 2 * i];
        if (Near(mark, 1200))
            bits |= 1u << i;
        else if (!Near(mark, 600))
            return false;
    }
    frame.eProtocol = IrProtocol::Sirc;
    frame.nBits = static_cast<int>(bitCount);
    frame.nCommand = bits & 0x7F;
    frame.nAddress = bits >> 7;
    return true;
}

bool SameKey(const CIrFrame& a, const CIrFrame& b)
{
    return a.eProtocol == b.eProtocol && a.nAddress == b.nAddress && a.nCommand == b.nCommand &&
           a.nBits == b.nBits && a.bExtended == b.bExtended && a.nToggle == b.nToggle;
}

} // namespace

CIrFrame DecodeBurst(const std::vector<uint32_t>& burst)
{
    CIrFrame frame;
    frame.durations = burst;
    frame.nDurationCount = burst.size();
    if (!DecodeNec(burst, frame) && !DecodeRc6(burst, frame) && !DecodeSirc(burst, frame) &&
        !DecodeRc5(burst, frame)) {
        frame = CIrFrame();
        frame.durations = burst;
        frame.nDurationCount = burst.size();
    }
    return frame;
}

std::vector<CIrFrame> DecodeCapture(const std::vector<uint32_t>& durations)
{
    std::vector<CIrFrame> frames;
    size_t index = 0;
    double startUs = 0;
    for (std::vector<uint32_t>& burst : SplitBursts(durations)) {
        CIrFrame frame = DecodeBurst(burst);
        frame.nFirstDuration = index;
        frame.dStartUs = startUs;
        // The length runs to the end of the last mark; a burst of even size ends in its gap.
        const size_t lastMark = burst.size() % 2 == 0 ? burst.size() - 1 : burst.size();
        double length = 0;
        for (size_t i = 0; i < lastMark; ++i)
            length += burst[i];
        frame.dLengthUs = length;
        for (uint32_t d : burst)
            startUs += d;
        index += burst.size();
        if (!frames.empty() && frame.eProtocol != IrProtocol::Raw) {
            CIrFrame& last = frames.back();
            const bool necRepeat =
                frame.eProtocol == IrProtocol::NecRepeat && last.eProtocol == IrProtocol::Nec;
            if (necRepeat || SameKey(frame, last)) {
                ++last.nRepeats;
                continue;
            }
        }
        frames.push_back(std::move(frame));
    }
    return frames;
}

const char* ProtocolName(IrProtocol protocol)
{
    switch (protocol) {
    case IrProtocol::Nec:
        return "NEC";
    case IrProtocol::NecRepeat:
        return "NEC repeat";
    case IrProtocol::Rc5:
        return "RC5";
    case IrProtocol::Rc6:
        return "RC6";
    case IrProtocol::Sirc:
        return "SIRC";
    case IrProtocol::Raw:
        break;
    }
    return "raw";
}

namespace {

std::string Hex(uint32_t value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

int AddressDigits(const CIrFrame& frame)
{
    return frame.bExtended || (frame.eProtocol == IrProtocol::Sirc && frame.nBits == 20) ? 4 : 2;
}

} // namespace

std::string DescribeFrame(const CIrFrame& frame)
{
    std::string line = ProtocolName(frame.eProtocol);
    if (frame.eProtocol == IrProtocol::Raw) {
        line += " " + std::to_string(frame.durations.size()) + " durations:";
        for (uint32_t d : frame.durations)
            line += " " + std::to_string(d);
        return line;
    }
    if (frame.eProtocol == IrProtocol::Nec && frame.bExtended) line += " extended";
    if (frame.eProtocol == IrProtocol::Sirc) line += std::to_string(frame.nBits);
    if (frame.eProtocol != IrProtocol::NecRepeat) {
        line += " address=" + Hex(frame.nAddress, AddressDigits(frame));
        line += " command=" + Hex(frame.nCommand, 2);
    }
    if (frame.nToggle >= 0) line += " toggle=" + std::to_string(frame.nToggle);
    if (frame.nRepeats > 0) line += " repeats=" + std::to_string(frame.nRepeats);
    return line;
}

std::string FrameAsJson(const CIrFrame& frame)
{
    std::string json = "{\"protocol\":\"" + std::string(ProtocolName(frame.eProtocol)) + "\"";
    json += ",\"start_us\":" + std::to_string(std::lround(frame.dStartUs));
    if (frame.eProtocol == IrProtocol::Raw) {
        json += ",\"durations\":[";
        for (size_t i = 0; i < frame.durations.size(); ++i)
            json += (i ? "," : "") + std::to_string(frame.durations[i]);
        return json + "]}";
    }
    json += ",\"bits\":" + std::to_string(frame.nBits);
    if (frame.eProtocol != IrProtocol::NecRepeat) {
        json += ",\"address\":" + std::to_string(frame.nAddress);
        json += ",\"command\":" + std::to_string(frame.nCommand);
    }
    if (frame.eProtocol == IrProtocol::Nec)
        json += std::string(",\"extended\":") + (frame.bExtended ? "true" : "false");
    if (frame.nToggle >= 0) json += ",\"toggle\":" + std::to_string(frame.nToggle);
    json += ",\"repeats\":" + std::to_string(frame.nRepeats);
    return json + "}";
}
