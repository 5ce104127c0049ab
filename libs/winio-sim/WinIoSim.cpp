// The simulated port-access library: the eight entry points over a model of a PC's
// I/O ports, physical memory and a parallel port wired for infrared capture.
//
// Ports: 65536 bytes, 0 at start; port numbers keep their low 16 bits and a wider
// access wraps at the end. A write stores its bytes little-endian, a read returns
// them, except the status-port bits that a signal drives.
// Memory: a zero-filled region at physical address 0; anything outside it fails.
//
// The configuration is an INI file named by the environment variable
// TAVIMORE_SIM_CONFIG, read by InitializeWinIo, which refuses a file it cannot read
// or understand and says why on standard error. Without one the defaults hold.
//
//   [ports]                       signals on the status port, driven only when this
//                                 section sets sync_half_period or receiver_pattern
//   status_port = 0x379
//   sync_bit = 5                  the synchronisation square wave
//   sync_half_period = 0          status-port reads between two sync changes; 0 = none
//   sync_stops_with_pattern = 0   1: the sync signal stops after the pattern's last level
//   receiver_bit = 4
//   receiver_rest = 1             the receiver line's resting level
//   receiver_delay_ms = 50        the pattern starts at the first sync edge this long
//                                 after the first read of the status port
//   receiver_pattern =            one level (0/1) per sync half-period (per read without
//                                 a sync signal); spaces, _ and , may group the digits
//   receiver_repeat = 1           the pattern is played this many times in a row
//   receiver_mode2 =              a real frame instead of a pattern: LIRC mode2 text
//                                 (pulse/space lines in microseconds; a relative name
//                                 is beside the configuration file)
//   receiver_pronto =             or a Pronto learned code (0000 ...): its once and
//                                 its repeat sequence, one after the other
//   sync_hz = 10000               the sync frequency at which those frames are played:
//                                 one level a sample, two samples a sync period, so a
//                                 duration of d us lasts d * 2 * sync_hz / 1e6 samples
//                                 (a pulse is the receiver line away from its rest)
//   [memory]
//   size = 0x100000               bytes of physical memory from address 0
//   [log]
//   file =                        every call is recorded there (stderr: standard error;
//                                 a relative name is beside the configuration file)
//
// Signals follow reads, not time, so a script sees the same levels on every run;
// only the pattern's start depends on the clock.
#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "WinIoApi.h"
#include "sim/IniFile.h"

namespace {

constexpr uint32_t kPortCount = 0x10000;
constexpr uint32_t kLargestMemory = 256u << 20;

struct CSignals {
    bool driven = false;
    uint32_t statusPort = 0x379;
    uint32_t syncBit = 5;
    uint32_t halfPeriod = 0;
    uint32_t stopsWithPattern = 0; // 1: the sync signal stops after the pattern's last level
    uint32_t receiverBit = 4;
    uint32_t receiverRest = 1;
    uint32_t receiverDelayMs = 50;
    std::vector<uint8_t> pattern; // the configured pattern, repeated receiver_repeat times
};

enum class Pattern { Waiting, Playing, Done };

struct CSimulation {
    bool initialised = false;
    uint8_t ports[kPortCount] = {};
    std::vector<uint8_t> memory;
    CSignals signals;
    FILE* log = nullptr;
    bool logIsStderr = false;

    // Signal state.
    bool anyRead = false;
    uint64_t firstReadMs = 0;
    uint32_t phase = 0; // reads since the last sync change
    uint32_t syncLevel = 0;
    bool syncStopped = false;
    Pattern pattern = Pattern::Waiting;
    uint32_t waitSteps = 0;
    size_t patternIndex = 0;
    uint32_t receiverLevel = 1;
};

CSimulation g_sim;

uint64_t NowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000u +
           static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Log(const char* format, ...)
{
    if (g_sim.log == nullptr) return;
    std::fputs("winio-sim: ", g_sim.log);
    va_list args;
    va_start(args, format);
    std::vfprintf(g_sim.log, format, args);
    va_end(args);
    std::fputc('\n', g_sim.log);
    std::fflush(g_sim.log);
}

// ---- Configuration

bool ParseNumber(const std::string& text, uint64_t limit, uint32_t& out)
{
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || value > limit || text[0] == '-') return false;
    out = static_cast<uint32_t>(value);
    return true;
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A frame in microseconds, mark first, as receiver levels of one sync half-period each.
void AppendFrame(const std::vector<double>& durations, uint32_t syncHz, uint32_t rest,
                 std::vector<uint8_t>& pattern)
{
    for (size_t i = 0; i < durations.size(); ++i) {
        const double samples = durations[i] * 2.0 * syncHz / 1e6;
        const auto count = static_cast<size_t>(samples + 0.5);
        pattern.insert(pattern.end(), count, static_cast<uint8_t>(i % 2 == 0 ? 1 - rest : rest));
    }
}

// LIRC mode2 text: "pulse N" and "space N" lines (N in microseconds); a leading space
// and "timeout" lines are skipped, like other lines mode2 prints.
bool ReadMode2(const std::string& path, std::vector<double>& durations, std::string& why)
{
    std::string openError;
    const int fd = OpenUserFile(path, O_RDONLY, openError);
    FILE* file = fd >= 0 ? fdopen(fd, "r") : nullptr;
    if (file == nullptr) {
        if (fd >= 0) close(fd);
        why = "names a file that cannot be read: " + openError;
        return false;
    }
    char line[256];
    bool pulse = true;
    while (std::fgets(line, sizeof line, file) != nullptr) {
        char kind[16] = {};
        unsigned long value = 0;
        if (std::sscanf(line, "%15s %lu", kind, &value) != 2) continue;
        const bool isPulse = std::strcmp(kind, "pulse") == 0;
        if (!isPulse && std::strcmp(kind, "space") != 0) continue;
        if (durations.empty() && !isPulse) continue;
        if (isPulse != pulse)
            durations.back() += static_cast<double>(value); // two of a kind join
        else
            durations.push_back(static_cast<double>(value));
        if (isPulse == pulse) pulse = !pulse;
        if (durations.size() > 1000000) break;
    }
    std::fclose(file);
    if (durations.empty()) {
        why = "names a file without pulse and space lines";
        return false;
    }
    return true;
}

// A Pronto learned code: 0000, the carrier word, the pairs sent once, the pairs that
// repeat, then the durations in carrier periods.
bool ReadPronto(const std::string& text, std::vector<double>& durations, std::string& why)
{
    std::vector<uint32_t> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        size_t j = i;
        while (j < text.size() && std::isxdigit(static_cast<unsigned char>(text[j])))
            ++j;
        if (j == i && i < text.size()) {
            why = "holds a Pronto code: hexadecimal words of four digits";
            return false;
        }
        if (j > i)
            words.push_back(
                static_cast<uint32_t>(std::strtoul(text.substr(i, j - i).c_str(), nullptr, 16)));
        i = j;
    }
    if (words.size() < 6 || words[0] != 0 || words[1] == 0 ||
        words.size() != 4 + 2 * static_cast<size_t>(words[2] + words[3])) {
        why = "holds a learned Pronto code (0000, carrier, two counts, then as many pairs)";
        return false;
    }
    const double periodUs = words[1] * 0.241246;
    for (size_t k = 4; k < words.size(); ++k)
        durations.push_back(words[k] * periodUs);
    return true;
}

bool Configure(std::string& error)
{
    const char* path = std::getenv("TAVIMORE_SIM_CONFIG");
    if (path == nullptr || *path == '\0') return true; // the defaults
    CIniFile ini;
    if (!ini.Read(path, error)) return false;

    auto fail = [&](const std::string& section, const std::string& key, const std::string& why) {
        error = std::string(path) + ":" + std::to_string(ini.sections[section][key].second) +
                ": [" + section + "] " + key + " " + why;
        return false;
    };
    auto number = [&](const std::string& section, const std::string& key, uint64_t limit,
                      uint32_t& out) {
        const std::string& text = ini.sections[section][key].first;
        if (!ParseNumber(text, limit, out))
            return fail(section, key,
                        "must be a number from 0 to " + std::to_string(limit) + ", not '" + text +
                            "'");
        return true;
    };

    uint32_t repeat = 1;
    uint32_t syncHz = 10000;
    std::vector<double> frame;
    std::string frameKey;
    for (auto& [section, keys] : ini.sections) {
        if (section != "ports" && section != "memory" && section != "log")
            continue; // other devices'
        for (auto& [key, value] : keys) {
            CSignals& s = g_sim.signals;
            bool ok = true;
            if (section == "ports") {
                if (key == "status_port")
                    ok = number(section, key, 0xFFFF, s.statusPort);
                else if (key == "sync_bit")
                    ok = number(section, key, 7, s.syncBit);
                else if (key == "sync_half_period")
                    ok = number(section, key, 0xFFFFFFFFu, s.halfPeriod);
                else if (key == "sync_stops_with_pattern")
                    ok = number(section, key, 1, s.stopsWithPattern);
                else if (key == "receiver_repeat")
                    ok = number(section, key, 1000000, repeat);
                else if (key == "receiver_bit")
                    ok = number(section, key, 7, s.receiverBit);
                else if (key == "receiver_rest")
                    ok = number(section, key, 1, s.receiverRest);
                else if (key == "receiver_delay_ms")
                    ok = number(section, key, 0xFFFFFFFFu, s.receiverDelayMs);
                else if (key == "sync_hz")
                    ok = number(section, key, 10000000, syncHz) &&
                         (syncHz > 0 || fail(section, key, "must be above 0"));
                else if (key == "receiver_mode2" || key == "receiver_pronto") {
                    std::string why;
                    frame.clear();
                    frameKey = key;
                    const std::string& text = value.first;
                    if (key == "receiver_mode2") {
                        const std::string full =
                            !text.empty() && text[0] == '/' ? text : FolderOf(path) + text;
                        ok = ReadMode2(full, frame, why);
                    } else {
                        ok = ReadPronto(text, frame, why);
                    }
                    if (!ok) return fail(section, key, why);
                } else if (key == "receiver_pattern") {
                    s.pattern.clear();
                    for (char c : value.first) {
                        if (c == '0' || c == '1')
                            s.pattern.push_back(static_cast<uint8_t>(c - '0'));
                        else if (c != ' ' && c != '_' && c != ',')
                            return fail(section, key,
                                        "holds only 0 and 1 (spaces, _ and , may group them)");
                    }
                } else {
                    return fail(section, key, "is not a setting of the simulated ports");
                }
            } else if (section == "memory") {
                uint32_t size = 0;
                if (key != "size")
                    return fail(section, key, "is not a setting of the simulated memory");
                ok = number(section, key, kLargestMemory, size);
                if (ok) g_sim.memory.assign(size, 0);
            } else if (key == "file") {
                const std::string& file = value.first;
                if (file == "stderr") {
                    g_sim.log = stderr;
                    g_sim.logIsStderr = true;
                } else if (!file.empty()) {
                    std::string full = file[0] == '/' ? file : FolderOf(path) + file;
                    std::string why;
                    const int fd = OpenUserFile(full, O_WRONLY | O_CREAT | O_APPEND, why);
                    g_sim.log = fd >= 0 ? fdopen(fd, "a") : nullptr;
                    if (g_sim.log == nullptr) {
                        if (fd >= 0) close(fd);
                        return fail(section, key, "names a file that cannot be written: " + why);
                    }
                }
            }
            if (!ok) return false;
        }
    }
    CSignals& s = g_sim.signals;
    if (!frame.empty()) {
        if (!s.pattern.empty()) {
            error = std::string(path) + ": [ports] " + frameKey +
                    " and receiver_pattern cannot both drive the receiver";
            return false;
        }
        AppendFrame(frame, syncHz, s.receiverRest, s.pattern);
        if (s.halfPeriod == 0) s.halfPeriod = 4; // a frame needs the sync signal that times it
    }
    if (static_cast<uint64_t>(s.pattern.size()) * repeat > 100000000u) {
        error = std::string(path) +
                ": [ports] receiver_pattern repeated receiver_repeat times is too long";
        return false;
    }
    const std::vector<uint8_t> once = s.pattern;
    for (uint32_t i = 1; i < repeat; ++i)
        s.pattern.insert(s.pattern.end(), once.begin(), once.end());
    if (repeat == 0) s.pattern.clear();
    s.driven = ini.HasSection("ports") && (s.halfPeriod > 0 || !s.pattern.empty());
    if (s.driven && s.syncBit == s.receiverBit && s.halfPeriod > 0) {
        error = std::string(path) + ": [ports] sync_bit and receiver_bit must differ";
        return false;
    }
    return true;
}

void CloseLog()
{
    if (g_sim.log != nullptr && !g_sim.logIsStderr) std::fclose(g_sim.log);
    g_sim.log = nullptr;
    g_sim.logIsStderr = false;
}

// ---- The parallel-port signals

// The pattern advances one level per sync half-period (per read without a sync
// signal); it starts at the first step that comes receiver_delay_ms after the first
// read.
void StepReceiver()
{
    CSignals& s = g_sim.signals;
    switch (g_sim.pattern) {
    case Pattern::Waiting:
        // The clock is read every 256 steps only, so that waiting costs a read as
        // little as playing does; the pattern starts that many steps late at most.
        if (s.pattern.empty() || (++g_sim.waitSteps & 0xFF) != 1) return;
        if (NowMs() - g_sim.firstReadMs < s.receiverDelayMs) return;
        g_sim.pattern = Pattern::Playing;
        g_sim.patternIndex = 0;
        break;
    case Pattern::Playing:
        if (++g_sim.patternIndex < s.pattern.size()) break;
        g_sim.pattern = Pattern::Done;
        g_sim.receiverLevel = s.receiverRest;
        return;
    case Pattern::Done:
        return;
    }
    g_sim.receiverLevel = s.pattern[g_sim.patternIndex];
}

// One read of the status port while the signals are driven.
uint8_t ReadStatusPort()
{
    CSignals& s = g_sim.signals;
    if (!g_sim.anyRead) {
        g_sim.anyRead = true;
        g_sim.firstReadMs = NowMs();
        g_sim.receiverLevel = s.receiverRest;
    }
    uint8_t value = g_sim.ports[s.statusPort];
    if (s.halfPeriod > 0) {
        if (g_sim.phase == s.halfPeriod && !g_sim.syncStopped) {
            // A sync signal that stops with the pattern: the edge after its last
            // level never comes.
            if (s.stopsWithPattern && g_sim.pattern == Pattern::Playing &&
                g_sim.patternIndex + 1 >= s.pattern.size()) {
                g_sim.syncStopped = true;
            }
        }
        if (g_sim.phase == s.halfPeriod && !g_sim.syncStopped) {
            g_sim.phase = 0;
            g_sim.syncLevel ^= 1u;
            StepReceiver();
        }
        if (g_sim.phase < s.halfPeriod) ++g_sim.phase;
        value = static_cast<uint8_t>((value & ~(1u << s.syncBit)) | (g_sim.syncLevel << s.syncBit));
    } else {
        StepReceiver();
    }
    return static_cast<uint8_t>((value & ~(1u << s.receiverBit)) |
                                (g_sim.receiverLevel << s.receiverBit));
}

inline uint8_t ReadPortByte(uint32_t port)
{
    port &= kPortCount - 1;
    if (g_sim.signals.driven && port == g_sim.signals.statusPort) return ReadStatusPort();
    return g_sim.ports[port];
}

bool ValidSize(uint32_t size)
{
    return size == 1 || size == 2 || size == 4;
}

bool InMemory(uint32_t address, uint32_t length)
{
    return length > 0 && static_cast<uint64_t>(address) + length <= g_sim.memory.size();
}

} // namespace

int32_t InitializeWinIo(void)
{
    CloseLog();
    g_sim = CSimulation(); // every initialisation starts from the machine's power-on state
    g_sim.memory.assign(0x100000, 0);
    std::string error;
    if (!Configure(error)) {
        std::fprintf(stderr, "winio-sim: %s\n", error.c_str());
        CloseLog();
        return 0;
    }
    g_sim.receiverLevel = g_sim.signals.receiverRest;
    g_sim.initialised = true;
    Log("InitializeWinIo -> 1");
    return 1;
}

void ShutdownWinIo(void)
{
    Log("ShutdownWinIo");
    CloseLog();
    g_sim.initialised = false;
}

int32_t GetPortVal(uint32_t port, uint32_t* value, uint32_t size)
{
    if (value == nullptr) return 0;
    if (!g_sim.initialised || !ValidSize(size)) {
        *value = 0;
        Log("GetPortVal 0x%04x %u -> refused", port & 0xFFFFu, size);
        return 0;
    }
    uint32_t result = ReadPortByte(port);
    for (uint32_t i = 1; i < size; ++i)
        result |= static_cast<uint32_t>(ReadPortByte(port + i)) << (8 * i);
    *value = result;
    if (g_sim.log) Log("GetPortVal 0x%04x %u -> 0x%x", port & 0xFFFFu, size, result);
    return 1;
}

int32_t SetPortVal(uint32_t port, uint32_t value, uint32_t size)
{
    if (!g_sim.initialised || !ValidSize(size)) {
        Log("SetPortVal 0x%04x 0x%x %u -> refused", port & 0xFFFFu, value, size);
        return 0;
    }
    for (uint32_t i = 0; i < size; ++i)
        g_sim.ports[(port + i) & (kPortCount - 1)] = static_cast<uint8_t>(value >> (8 * i));
    if (g_sim.log) Log("SetPortVal 0x%04x 0x%x %u", port & 0xFFFFu, value, size);
    return 1;
}

uint8_t* MapPhysToLin(uint32_t physAddress, uint32_t length, void** handle)
{
    if (handle) *handle = nullptr;
    if (!g_sim.initialised || !InMemory(physAddress, length) || handle == nullptr) {
        Log("MapPhysToLin 0x%08x %u -> null", physAddress, length);
        return nullptr;
    }
    *handle = &g_sim.memory;
    Log("MapPhysToLin 0x%08x %u", physAddress, length);
    return g_sim.memory.data() + physAddress;
}

int32_t UnmapPhysicalMemory(void* handle, uint8_t* linearAddress)
{
    const bool ok = handle == &g_sim.memory && linearAddress != nullptr;
    Log("UnmapPhysicalMemory%s", ok ? "" : " -> refused");
    return ok ? 1 : 0;
}

int32_t GetPhysLong(uint32_t physAddress, uint32_t* value)
{
    if (value == nullptr) return 0;
    *value = 0;
    if (!g_sim.initialised || !InMemory(physAddress, 4)) {
        Log("GetPhysLong 0x%08x -> refused", physAddress);
        return 0;
    }
    const uint8_t* p = g_sim.memory.data() + physAddress;
    *value = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
    Log("GetPhysLong 0x%08x -> 0x%08x", physAddress, *value);
    return 1;
}

int32_t SetPhysLong(uint32_t physAddress, uint32_t value)
{
    if (!g_sim.initialised || !InMemory(physAddress, 4)) {
        Log("SetPhysLong 0x%08x 0x%08x -> refused", physAddress, value);
        return 0;
    }
    uint8_t* p = g_sim.memory.data() + physAddress;
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
    Log("SetPhysLong 0x%08x 0x%08x", physAddress, value);
    return 1;
}
