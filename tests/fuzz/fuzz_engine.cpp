// Fuzz target: any bytes as a document, run whole and then stepped line by line, on the
// test host with the simulated port and D2XX libraries behind the device instructions.
//
// Input layout:
//   byte 0   the run: bit 0 debug level 100 (else 10); bits 1-2 the statement bound
//            (4,000 / 20,000 / 100,000 / 500,000); bit 3 the first line is repeated
//            into one line of about 1 MiB; bit 4 a device configuration leads the
//            document, ended by a NUL byte
//   byte 1-2 the two lines stepped after the run (taken modulo the line count)
//   the rest [configuration NUL] document
//
// The fake clock makes every wait free (and advances as it is read), the statement
// bound makes endless loops end; what must never happen is a crash, a hang, memory
// without bound or a sanitizer report. The shipped simulated libraries are loaded once
// per process and kept: the port library starts from its power-on state at every
// initialisation, the D2XX one keeps its devices' latches and queues from one input to
// the next.
//
// With TAVIMORE_FUZZ_NO_LONG_LINES=1 in the environment bit 3 is ignored: while one
// fault makes every long line slow, this lets the fuzzer look for the others.
#include <stdlib.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "DlLoader.h"
#include "ScriptEngine.h"
#include "Stepper.h"
#include "TestHost.h"

namespace {

// Loads libraries as the programs do but never unloads them: unloading an instrumented
// library would leave the fuzzer counting coverage in memory that is gone.
class CKeptLoader final : public CLibraryLoader {
public:
    Handle Open(const std::string& file) override { return m_loader.Open(file); }
    void* Symbol(Handle library, const char* name) override
    {
        return m_loader.Symbol(library, name);
    }
    void Close(Handle) override {}
    std::string LastError() const override { return m_loader.LastError(); }

private:
    CDlLoader m_loader;
};

CKeptLoader g_loader;
std::string g_strConfigFile;
bool g_bLongLines = true;

class CFuzzHost final : public CTestHost {
public:
    // Time goes on by 10 ms at every look at the clock, so that loops bounded by time
    // (waiting for a port signal, which looks at the clock every 1,024 port reads) end
    // as they would on a machine, after a million reads at most rather than ten.
    uint32_t GetTickCount() override { return m_now += 10; }
    // Statement bounds alone do not bound the work: a loop of captures on a fast sync
    // signal does a million port reads a statement. Once 100 s of fake time have gone by,
    // every stop check answers yes, so each input ends within a few seconds.
    bool PollStop() override { return m_now >= kFakeTimeBudget || CTestHost::PollStop(); }

private:
    static constexpr uint32_t kFakeTimeBudget = 1000 + 100000;
    CLibraryLoader* Loader() override { return &g_loader; }
    std::string LibraryFile(DeviceLibrary which) override
    {
        return which == DeviceLibrary::Ports ? TAVIMORE_PORTS_SIM : TAVIMORE_FTDI_SIM;
    }
};

// The simulated libraries write a call log to any file their configuration names; the
// fuzzer must not be able to name one. No "log" section can be read once the letters
// "log" appear nowhere in the text (section names are compared in lower case).
std::string WithoutLogSection(std::string config)
{
    for (size_t i = 0; i + 3 <= config.size(); ++i)
        if (strncasecmp(&config[i], "log", 3) == 0) config[i + 2] = '_';
    return config;
}

// The first line repeated, separated by spaces, into one line of at least 1 MiB: long
// lines reach splitting and evaluation costs that short inputs never show.
std::string WithLongFirstLine(const std::string& document)
{
    size_t end = document.find("\r\n");
    std::string first = document.substr(0, end);
    if (first.empty()) return document;
    std::string line;
    line.reserve((1u << 20) + first.size() + 1);
    while (line.size() < (1u << 20))
        line += first + ' ';
    return line + (end == std::string::npos ? std::string() : document.substr(end));
}

// Loops end at one of these statement counts; the largest still runs in a few seconds
// with the sanitizers, well inside the time-out that marks a hang.
constexpr uint32_t kStatementBounds[4] = {4000, 20000, 100000, 500000};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static char folder[] = "/tmp/tavimore-fuzz-XXXXXX";
    if (mkdtemp(folder) != nullptr) {
        g_strConfigFile = std::string(folder) + "/sim.ini";
        std::atexit([] {
            unlink(g_strConfigFile.c_str());
            rmdir(folder);
        });
    }
    const char* noLongLines = std::getenv("TAVIMORE_FUZZ_NO_LONG_LINES");
    g_bLongLines = noLongLines == nullptr || std::string(noLongLines) != "1";
    // The D2XX library reads its configuration once, at its first use: it sees none.
    unsetenv("TAVIMORE_SIM_CONFIG");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3) return 0;
    const uint8_t control = data[0];
    std::string rest(reinterpret_cast<const char*>(data + 3), size - 3);

    const bool hasConfig = (control & 0x10) != 0 && !g_strConfigFile.empty();
    const size_t nul = hasConfig ? std::min(rest.find('\0'), rest.size()) : 0;
    if (hasConfig) {
        WriteFile(g_strConfigFile, WithoutLogSection(rest.substr(0, nul)));
        setenv("TAVIMORE_SIM_CONFIG", g_strConfigFile.c_str(), 1);
    } else {
        unsetenv("TAVIMORE_SIM_CONFIG");
    }
    rest.erase(0, hasConfig ? std::min(nul + 1, rest.size()) : 0);
    std::string script = (control & 0x08) && g_bLongLines ? WithLongFirstLine(rest) : rest;

    CFuzzHost host;
    CScriptEngine engine(host);
    engine.SetStatementLimit(kStatementBounds[(control >> 1) & 3]);
    engine.SetDebugLevel((control & 1) ? 100 : 10);
    engine.SetScript(script);
    engine.Run(-1);
    (void)engine.GetOutput();

    // Steps go on with the registers the run left, as in the editor after F5 then F7.
    std::string document = script;
    for (int i = 1; i <= 2; ++i)
        document = StepDocumentLine(engine, document, data[i] % CountEditorLines(document)).text;
    return 0;
}
