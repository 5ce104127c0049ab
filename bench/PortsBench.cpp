// tavimore-bench-ports: how fast the infrared capture follows the port, measured
// against the port-access library itself, both on the simulated library in one run.
//
//   raw       GetPortVal calls per second in a tight loop
//   capture   samples per second of an IRSIGNAL capture (sync half-period of one
//             read, so every sample costs exactly one port read)
//   ratio     capture / raw; the capture keeps up with a sync signal as fast as
//             the port can be read when this is near 1 (target: at least 0.67)
//   GETTICK_DEBUG   the port-bit reads it counts in its two seconds
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <string>
#include <unistd.h>

#include "Platform.h"
#include "ScriptEngine.h"
#include "WinIoApi.h"

namespace {

using Clock = std::chrono::steady_clock;

// A host with the real clock that remembers when the engine last asked for the tick
// count: the capture loop asks nothing, so that moment is where the capture began.
class CBenchHost final : public CHost {
public:
    explicit CBenchHost(std::string library) : m_strLibrary(std::move(library)) {}
    MessageAnswer ShowMessage(std::string_view text, std::string_view caption,
                              MessageButtons) override
    {
        std::fprintf(stderr, "message box: %.*s / %.*s\n", static_cast<int>(caption.size()),
                     caption.data(), static_cast<int>(text.size()), text.data());
        return MessageAnswer::Ok;
    }
    void ShowAppMessage(std::string_view text) override
    {
        ShowMessage(text, "Tavimore", MessageButtons::Ok);
    }
    void PumpMessages() override {}
    bool PollStop() override { return false; }
    uint32_t GetTickCount() override
    {
        lastTickCall = Clock::now();
        auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(lastTickCall.time_since_epoch());
        return static_cast<uint32_t>(ms.count());
    }
    bool Sleep(uint32_t milliseconds) override
    {
        usleep(milliseconds * 1000u);
        return true;
    }
    CLibraryLoader* Loader() override { return m_pLoader.get(); }
    std::string LibraryFile(DeviceLibrary which) override
    {
        return which == DeviceLibrary::Ports ? m_strLibrary : std::string();
    }

    Clock::time_point lastTickCall;

private:
    std::string m_strLibrary;
    std::unique_ptr<CLibraryLoader> m_pLoader = platform::CreateLibraryLoader();
};

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// Samples per second of one capture in a fresh engine (which initialises the
// simulated library afresh, so the receiver pattern plays again).
double CaptureRate(const std::string& library)
{
    CBenchHost host(library);
    CScriptEngine engine(host);
    engine.SetScript("IRSIGNAL C");
    engine.Run(-1);
    const Clock::time_point end = Clock::now();
    const double samples = engine.GetRegL() * 8.0;
    if (samples == 0) {
        std::fprintf(stderr, "tavimore-bench-ports: the capture caught nothing\n");
        std::exit(1);
    }
    return samples / Seconds(end - host.lastTickCall);
}

} // namespace

int main()
{
    // A sync wave that changes at every read, and a receiver pattern that keeps the
    // line busy until the capture fills the register file; it starts after the 20 ms
    // sync check.
    char configPath[] = "/tmp/tavimore-bench-ports-XXXXXX";
    int fd = mkstemp(configPath);
    if (fd < 0) return 1;
    close(fd);
    {
        std::ofstream config(configPath);
        config << "[ports]\nsync_half_period = 1\nreceiver_delay_ms = 25\nreceiver_pattern = ";
        for (int i = 0; i < 330000; ++i)
            config << (i % 2 ? '1' : '0');
        config << "\n";
    }
    setenv("TAVIMORE_SIM_CONFIG", configPath, 1);

    const std::string library = ResolveDeviceLibrary(DeviceLibrary::Ports, "sim");
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        std::fprintf(stderr, "tavimore-bench-ports: %s\n", dlerror());
        return 1;
    }
    auto initialize = reinterpret_cast<PFN_InitializeWinIo>(dlsym(handle, "InitializeWinIo"));
    auto getPortVal = reinterpret_cast<PFN_GetPortVal>(dlsym(handle, "GetPortVal"));

    // Best of several rounds each, interleaved, so that both see the same machine.
    constexpr int kRounds = 7;
    constexpr uint32_t kRawCalls = 4000000;
    double raw = 0;
    double capture = 0;
    for (int round = 0; round < kRounds; ++round) {
        initialize();
        uint32_t value = 0;
        uint32_t sink = 0;
        const Clock::time_point start = Clock::now();
        for (uint32_t i = 0; i < kRawCalls; ++i) {
            getPortVal(0x379, &value, 1);
            sink += value;
        }
        const double rate = kRawCalls / Seconds(Clock::now() - start);
        if (sink == 0xFFFFFFFF) std::puts(""); // keeps the loop's reads alive
        if (rate > raw) raw = rate;
        const double c = CaptureRate(library);
        if (c > capture) capture = c;
    }
    std::printf("ports: raw GetPortVal calls per second      %12.0f\n", raw);
    std::printf("ports: IRSIGNAL capture samples per second  %12.0f\n", capture);
    std::printf("ports: capture / raw                        %12.2f  (target >= 0.67)\n",
                capture / raw);

    CBenchHost host(library);
    CScriptEngine engine(host);
    engine.SetScript("GETTICK_DEBUG");
    engine.Run(-1);
    const double reads = engine.GetRegL();
    std::printf(
        "ports: GETTICK_DEBUG count in 2 s           %12.0f  (%.0f per second, %.2f x raw)\n",
        reads, reads / 2, reads / 2 / raw);

    unlink(configPath);
    dlclose(handle);
    return 0;
}
