#include "IrCapture.h"

#include <cmath>

namespace {

constexpr size_t kByteLimit = 40000;

uint8_t CaptureByte(const uint32_t* registers, size_t k)
{
    return static_cast<uint8_t>(registers[k / 4] >> (8 * (k % 4)));
}

int PopCount(uint8_t value)
{
    int n = 0;
    for (; value != 0; value &= static_cast<uint8_t>(value - 1))
        ++n;
    return n;
}

} // namespace

CIrCapture CIrCapture::FromRegisters(const uint32_t* registers, size_t count, uint32_t regL)
{
    const size_t bytes = count * 4 < kByteLimit ? count * 4 : kByteLimit;
    if (registers == nullptr || regL == 0 || static_cast<size_t>(regL) + 2 > bytes) return {};
    std::vector<uint8_t> samples;
    samples.reserve(static_cast<size_t>(regL) * 8 + 8);
    for (size_t k = 0; k < regL; ++k) {
        const uint8_t byte = CaptureByte(registers, k);
        for (int bit = 7; bit >= 0; --bit)
            samples.push_back(static_cast<uint8_t>((byte >> bit) & 1u));
    }
    CIrCapture capture = FromSamples(std::move(samples));
    if (capture.IsEmpty()) return capture;
    // The unfinished byte holds its samples in its low bits above zero bits. At rest
    // high they are the low run of ones; at rest low they read as zero and their count
    // cannot be told. The capture ends in rest either way, so the tail only lengthens
    // the last space.
    const uint8_t partial = CaptureByte(registers, regL);
    if (capture.m_nRestLevel == 1) {
        const int ones = PopCount(partial);
        if (partial == static_cast<uint8_t>((1u << ones) - 1u) || ones == 8)
            capture.m_samples.insert(capture.m_samples.end(), static_cast<size_t>(ones), 1);
    } else {
        capture.m_bTailUncertain = true;
    }
    return capture;
}

CIrCapture CIrCapture::FromSamples(std::vector<uint8_t> samples)
{
    CIrCapture capture;
    if (samples.empty()) return capture;
    // The first sample is the one that left the resting level.
    capture.m_nRestLevel = samples.front() ? 0 : 1;
    capture.m_samples = std::move(samples);
    return capture;
}

std::vector<CIrRun> CIrCapture::Runs(double syncHz) const
{
    std::vector<CIrRun> runs;
    const double sampleUs = syncHz > 0 ? 1e6 / (2 * syncHz) : 0;
    for (size_t i = 0; i < m_samples.size();) {
        size_t j = i;
        while (j < m_samples.size() && m_samples[j] == m_samples[i])
            ++j;
        CIrRun run;
        run.bMark = m_samples[i] != m_nRestLevel;
        run.nSamples = static_cast<uint32_t>(j - i);
        run.dMicroseconds = run.nSamples * sampleUs;
        runs.push_back(run);
        i = j;
    }
    return runs;
}

std::vector<uint32_t> RunDurations(const std::vector<CIrRun>& runs)
{
    std::vector<uint32_t> out;
    out.reserve(runs.size());
    for (const CIrRun& run : runs)
        out.push_back(static_cast<uint32_t>(std::lround(run.dMicroseconds)));
    return out;
}

std::vector<std::vector<uint32_t>> SplitBursts(const std::vector<uint32_t>& durations,
                                               uint32_t gapUs)
{
    std::vector<std::vector<uint32_t>> bursts;
    std::vector<uint32_t> current;
    for (size_t i = 0; i < durations.size(); ++i) {
        current.push_back(durations[i]);
        const bool space = i % 2 == 1;
        if (space && durations[i] >= gapUs) {
            bursts.push_back(std::move(current));
            current.clear();
        }
    }
    if (!current.empty()) bursts.push_back(std::move(current));
    return bursts;
}

std::vector<CIrRun> RemoveGlitches(const std::vector<CIrRun>& runs)
{
    if (runs.empty() || runs.front().nSamples == 0) return runs;
    const double sampleUs = runs.front().dMicroseconds / runs.front().nSamples;
    if (sampleUs >= 150) return runs;
    std::vector<CIrRun> out;
    for (size_t i = 0; i < runs.size(); ++i) {
        const bool interior = !out.empty() && i + 1 < runs.size();
        if (interior && runs[i].nSamples == 1) {
            // The glitch and the run after it join the run before.
            CIrRun& before = out.back();
            before.nSamples += runs[i].nSamples + runs[i + 1].nSamples;
            before.dMicroseconds += runs[i].dMicroseconds + runs[i + 1].dMicroseconds;
            ++i;
            continue;
        }
        out.push_back(runs[i]);
    }
    return out;
}
