// Decoders of the common remote-control protocols, over bursts of marks and spaces in
// microseconds (mark first; the burst's last space is the gap after it).
//
// Tolerances, each duration against its nominal value:
//   NEC        ±30 % (leader 9000/4500, repeat 9000/2250, bits 562.5 mark,
//              562.5 or 1687.5 space)
//   Sony SIRC  ±30 % (leader 2400/600, bits 1200 or 600 mark, 600 space)
//   RC5, RC6   a duration is n units (RC5 889 us, RC6 444 us) when it is within
//              0.3 unit of n units; the RC6 leader (6 and 2 units) within ±30 %.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class IrProtocol { Raw, Nec, NecRepeat, Rc5, Rc6, Sirc };

struct CIrFrame {
    IrProtocol eProtocol = IrProtocol::Raw;
    uint32_t nAddress = 0;
    uint32_t nCommand = 0;
    int nBits = 0; // bits of the frame (NEC 32, RC5 14, RC6 mode 0 21 incl. mode, SIRC 12/15/20)
    bool bExtended = false;          // NEC: the address byte is not followed by its inverse
    int nToggle = -1;                // RC5/RC6: the toggle bit; -1 where the protocol has none
    uint32_t nRepeats = 0;           // identical frames (or NEC repeat frames) that followed
    size_t nFirstDuration = 0;       // index of the burst's first mark in the whole capture
    size_t nDurationCount = 0;       // marks and spaces of the burst, its gap included
    double dStartUs = 0;             // start of the burst in the capture
    double dLengthUs = 0;            // from the first mark to the end of the last mark
    std::vector<uint32_t> durations; // the burst (mark first, gap last)
};

// Decodes one burst; a burst no decoder accepts comes back as a Raw frame.
CIrFrame DecodeBurst(const std::vector<uint32_t>& burst);

// Decodes a whole capture (durations mark first): splits it into bursts at spaces of
// 10 ms or more and decodes each. A frame that repeats the one before it (the same
// protocol, address, command and toggle), or an NEC repeat frame after an NEC frame,
// counts as a repeat of it rather than a frame of its own.
std::vector<CIrFrame> DecodeCapture(const std::vector<uint32_t>& durations);

// "NEC", "NEC repeat", "RC5", "RC6", "SIRC", "raw".
const char* ProtocolName(IrProtocol protocol);
// One line: protocol, address, command, toggle and repeats, e.g.
// "NEC address=0x04 command=0x08 repeats=2".
std::string DescribeFrame(const CIrFrame& frame);
// The same as a JSON object.
std::string FrameAsJson(const CIrFrame& frame);
