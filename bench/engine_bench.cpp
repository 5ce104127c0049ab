// The engine's speed, as ratios measured in one run.
//
//  1. A counting loop of 10,000,000 iterations (MOV, a label, INC, IFJ ... < ... L'...)
//     in iterations per second, beside the same loop in Lua 5.4 and Python 3 where they
//     are installed.
//  2. A jump to a label on line 2990 of a 3000-line script against a jump to a label on
//     line 5 of the same script (far/near).
//  3. Runs of 1,000,000 and 2,000,000 statements at debug level 100, whose report holds
//     every status line (2M/1M), which shows whether building the report is linear.
//
// Each figure is the best of several repetitions, so that a busy machine disturbs the
// ratios as little as possible.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "ScriptEngine.h"

namespace {

class CBenchHost final : public CHost {
public:
    int messages = 0;
    MessageAnswer ShowMessage(std::string_view, std::string_view, MessageButtons) override
    {
        ++messages;
        return MessageAnswer::Ok;
    }
    void ShowAppMessage(std::string_view) override { ++messages; }
    void PumpMessages() override {}
    bool PollStop() override { return false; }
    uint32_t GetTickCount() override { return 0; }
    bool Sleep(uint32_t) override { return true; }
};

double Seconds(const std::function<void()>& work, int repetitions)
{
    double best = 1e30;
    for (int i = 0; i < repetitions; ++i) {
        auto start = std::chrono::steady_clock::now();
        work();
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (took.count() < best) best = took.count();
    }
    return best;
}

// Runs a script once on a fresh engine; returns the engine's output length so that the
// work cannot be optimised away.
size_t RunScript(const std::string& script, int debugLevel = 10, uint32_t regw = 0)
{
    CBenchHost host;
    CScriptEngine engine(host);
    engine.SetDebugLevel(debugLevel);
    engine.SetRegW(regw);
    engine.SetScript(script);
    engine.Run(-1);
    if (host.messages != 0 || engine.GetRunEnd() != RunEnd::EndOfScript) {
        std::fprintf(stderr, "benchmark script failed\n");
        std::exit(1);
    }
    return engine.GetOutput().size();
}

std::string CountingLoop(long iterations)
{
    return "MOV REG1 0\r\nL'LOOP\r\nINC REG1\r\nIFJ REG1 < D'" + std::to_string(iterations) +
           " L'LOOP\r\n";
}

// 3000 lines: REGW selects the loop at the top (label on line 5) or the one at the
// bottom (label on line 2990); both do the same work.
std::string FarNearScript(long iterations)
{
    std::string n = std::to_string(iterations);
    std::string lines[3000];
    for (auto& line : lines)
        line = "/ filler";
    lines[0] = "IFJ REGW = 1 L'FARSTART";
    lines[1] = "MOV REG1 0";
    lines[5] = "L'NEAR";
    lines[6] = "INC REG1";
    lines[7] = "IFJ REG1 < D'" + n + " L'NEAR";
    lines[8] = "JMP L'END";
    lines[2988] = "L'FARSTART";
    lines[2989] = "MOV REG1 0";
    lines[2990] = "L'FAR";
    lines[2991] = "INC REG1";
    lines[2992] = "IFJ REG1 < D'" + n + " L'FAR";
    lines[2999] = "L'END";
    std::string script;
    for (const auto& line : lines)
        script += line + "\r\n";
    return script;
}

double TimeCommand(const std::string& command)
{
    return Seconds(
        [&] {
            if (std::system(command.c_str()) != 0) throw 1;
        },
        3);
}

bool Installed(const char* program)
{
    std::string probe = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(probe.c_str()) == 0;
}

} // namespace

int main()
{
    volatile size_t sink = 0;
    std::printf("Tavimore engine benchmark (ratios measured in this run)\n\n");

    const long iterations = 10000000;
    const std::string loop = CountingLoop(iterations);
    double tavimore = Seconds([&] { sink = sink + RunScript(loop); }, 5);
    std::printf("1. counting loop, %ld iterations\n", iterations);
    std::printf("   tavimore  %7.3f s  %6.1f M iterations/s\n", tavimore,
                iterations / tavimore / 1e6);
    if (Installed("lua5.4")) {
        double lua = TimeCommand("lua5.4 -e 'local i = 0 while i < 10000000 do i = i + 1 end'");
        std::printf("   lua5.4    %7.3f s  %6.1f M iterations/s\n", lua, iterations / lua / 1e6);
        std::printf("   tavimore/lua5.4 speed   %.2f   (target: at least 0.50)\n", lua / tavimore);
    } else {
        std::printf("   lua5.4 not installed\n");
    }
    if (Installed("python3")) {
        double python = TimeCommand("python3 -c 'i = 0\nwhile i < 10000000:\n    i += 1'");
        std::printf("   python3   %7.3f s  %6.1f M iterations/s\n", python,
                    iterations / python / 1e6);
        std::printf("   tavimore/python3 speed  %.2f\n", python / tavimore);
    } else {
        std::printf("   python3 not installed\n");
    }

    const std::string farNear = FarNearScript(2000000);
    double nearTime = Seconds([&] { sink = sink + RunScript(farNear, 10, 0); }, 5);
    double farTime = Seconds([&] { sink = sink + RunScript(farNear, 10, 1); }, 5);
    std::printf("\n2. jump to a label on line 2990 against line 5 of a 3000-line script\n");
    std::printf("   near %.3f s, far %.3f s, far/near %.2f   (target: at most 1.50)\n", nearTime,
                farTime, farTime / nearTime);

    // Two statements an iteration, every one of them logged at debug level 100.
    double oneMillion = Seconds([&] { sink = sink + RunScript(CountingLoop(500000), 100); }, 3);
    double twoMillion = Seconds([&] { sink = sink + RunScript(CountingLoop(1000000), 100); }, 3);
    std::printf("\n3. runs of 1,000,000 and 2,000,000 statements at debug level 100\n");
    std::printf("   1M %.3f s, 2M %.3f s, 2M/1M %.2f   (target: at most 2.20)\n", oneMillion,
                twoMillion, twoMillion / oneMillion);
    return sink == 0;
}
