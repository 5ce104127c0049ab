// The infrared capture that IRSIGNAL leaves in the register file, read back as samples
// and as marks and spaces in microseconds.
//
// IRSIGNAL packs one receiver sample per synchronisation edge, most significant bit
// first, into the register file seen as bytes (byte k = byte k mod 4 of register k div 4,
// from the least significant byte). REGL counts the complete bytes; the byte after them
// holds the samples of an unfinished byte in its low bits, and the byte after that the
// end marker 0xFF. Samples come at both edges of the sync signal, so one sample lasts
// half a sync period.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One run of equal samples: a mark (the receiver sees infrared light) or a space.
struct CIrRun {
    bool bMark = false;
    uint32_t nSamples = 0;
    double dMicroseconds = 0;
};

class CIrCapture {
public:
    // Reads a capture from the register file (count registers) and REGL. A capture has
    // at least one sample that differs from the resting level; anything else (registers
    // that hold no capture, a REGL past the file) gives an empty capture.
    static CIrCapture FromRegisters(const uint32_t* registers, size_t count, uint32_t regL);
    // A capture from samples given directly (tests, the editor's imports).
    static CIrCapture FromSamples(std::vector<uint8_t> samples);

    bool IsEmpty() const { return m_samples.empty(); }
    // The samples, 1 = receiver line high, in the order they were taken.
    const std::vector<uint8_t>& Samples() const { return m_samples; }
    // The receiver line's level before the signal came: the capture starts at the first
    // sample that differs from it. A receiver that rests high is active low.
    int RestLevel() const { return m_nRestLevel; }
    // Samples of the unfinished byte that could not be told from the capture: a
    // receiver that rests low leaves them as zero bits, indistinguishable from none.
    bool TailUncertain() const { return m_bTailUncertain; }

    // Runs of equal samples, the first one a mark, with their length at the sample
    // period of a sync signal of syncHz (one sample = 1 / (2 syncHz) seconds).
    std::vector<CIrRun> Runs(double syncHz) const;

    // The sync frequency that IRSIGNAL_DEBUG measured: it counts every sync edge for
    // 20 seconds, two edges a period.
    static double SyncHzFromDebugEdges(uint32_t edges) { return edges / 40.0; }

private:
    std::vector<uint8_t> m_samples;
    int m_nRestLevel = 1;
    bool m_bTailUncertain = false;
};

// The durations of runs in microseconds, mark first (rounded to whole microseconds).
std::vector<uint32_t> RunDurations(const std::vector<CIrRun>& runs);

// Splits durations (mark first) into bursts at spaces of at least gapUs; each burst
// starts with a mark and ends with the space that follows it (the gap itself, or the
// capture's trailing rest).
std::vector<std::vector<uint32_t>> SplitBursts(const std::vector<uint32_t>& durations,
                                               uint32_t gapUs = 10000);

// Removes glitches: a run of a single sample between two runs of the other kind joins
// them, when one sample is short against every protocol's shortest element (a sample
// period below 150 us). Coarser sampling keeps every run.
std::vector<CIrRun> RemoveGlitches(const std::vector<CIrRun>& runs);
