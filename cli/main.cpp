// tavimore-run: runs a Tavimore document without a window.
//
// It plays the editor's part: it reads the document, runs it as F5 does (or steps one
// line as F7 does) and prints the new editor text. Message boxes, the REGL display and
// the caret go to standard error, one line each.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ConsoleHost.h"
#include "DeviceOptions.h"
#include "Doctor.h"
#include "Encoding.h"
#include "Infrared.h"
#include "ScriptCheck.h"
#include "ScriptEngine.h"
#include "Stepper.h"

namespace {

constexpr int kExitDone = 0;
constexpr int kExitUsage = 2;
constexpr int kExitCutShort = 3;

constexpr const char* kUsage =
    "usage: tavimore-run [options] FILE\n"
    "Runs a Tavimore document (\"-\" reads standard input) and prints the editor text\n"
    "the run leaves: the script, the report line and the logged status lines.\n"
    "\n"
    "  --step LINE         execute only the statement on 0-based LINE, as the editor's\n"
    "                      step does, and print the whole document with it rewritten\n"
    "  --debug-level N     initial debug level (default 10)\n"
    "  --regw N            initial REGW (default 0)\n"
    "  --answer LIST       answers for boxes that ask, in order: ok|cancel,\n"
    "                      comma-separated; further boxes are answered ok\n"
    "  --encoding E        cp932 (default) or utf8: encoding of FILE and of the output\n"
    "  --ports KIND        port-access library: system (default) | sim | none | PATH\n"
    "  --ftdi KIND         D2XX library: system (default) | sim | none | PATH\n"
    "  --sim-config FILE   configuration of the simulated devices (also the\n"
    "                      environment variable TAVIMORE_SIM_CONFIG)\n"
    "  --doctor[=json]     check what the port, FT245RL and desktop instructions need\n"
    "                      on this system, say why each refusal happens and print the\n"
    "                      command that fixes it; exit 0 when all that counts is ready\n"
    "  --check             do not run: print each fault seen in the text as\n"
    "                      FILE:LINE: message (LINE 0-based, as --step counts),\n"
    "                      legal but suspect code as FILE:LINE: warning: message;\n"
    "                      exit 1 when there is any fault, 0 for warnings alone\n"
    "%s"
    "  --help, --version\n"
    "The environment variables TAVIMORE_PORTS and TAVIMORE_FTDI make the choices of\n"
    "--ports and --ftdi when those are not given.\n"
    "\n"
    "Standard error gets one line per message box, sound and media file, then\n"
    "\"REGL <value>\", and after a step \"caret <line>\". Sounds play as in the editor;\n"
    "a media file plays only its sound (there is no window), and the program waits\n"
    "for the sounds to end before it leaves (Ctrl+C ends the wait).\n"
    "Exit status: 0 when the run ended at the end of the script\n"
    "or on an end request, 3 when it was cut short (jump error, statement-count guard,\n"
    "stop, failed device library), 2 for a usage error or a file that cannot be read.\n"
    "Ctrl+C stops the run after its statement; the report is still printed.\n";

struct COptions {
    std::string file;
    std::optional<int> stepLine;
    int debugLevel = 10;
    uint32_t regw = 0;
    std::deque<MessageAnswer> answers;
    bool utf8 = false;
    CDeviceOptions devices = DeviceOptionsFromEnvironment();
    std::string doctor; // "text" or "json": check the environment instead of running
    bool check = false; // report the script's faults instead of running it
    CIrOptions infrared;
};

[[noreturn]] void UsageError(const std::string& message)
{
    std::cerr << "tavimore-run: " << message << "\n"
              << "Try 'tavimore-run --help'.\n";
    std::exit(kExitUsage);
}

bool ParseInt(const std::string& text, long long low, long long high, long long& value)
{
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text.c_str(), &end, 0);
    return errno == 0 && *end == '\0' && value >= low && value <= high;
}

std::deque<MessageAnswer> ParseAnswers(const std::string& list)
{
    std::deque<MessageAnswer> answers;
    std::stringstream stream(list);
    std::string item;
    while (std::getline(stream, item, ',')) {
        if (item == "ok")
            answers.push_back(MessageAnswer::Ok);
        else if (item == "cancel")
            answers.push_back(MessageAnswer::Cancel);
        else
            UsageError("--answer takes ok or cancel, comma-separated, not '" + item + "'");
    }
    return answers;
}

COptions ParseOptions(int argc, char** argv)
{
    COptions options;
    bool haveFile = false;
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string error;
        switch (TakeDeviceOption(args, i, options.devices, error)) {
        case DeviceOptionTaken::Yes:
            continue;
        case DeviceOptionTaken::Error:
            UsageError(error);
        case DeviceOptionTaken::No:
            break;
        }
        switch (TakeIrOption(args, i, options.infrared, error)) {
        case IrOptionTaken::Yes:
            continue;
        case IrOptionTaken::Error:
            UsageError(error);
        case IrOptionTaken::No:
            break;
        }
        auto value = [&](const char* name) -> std::string {
            std::string prefix = std::string(name) + "=";
            if (arg.rfind(prefix, 0) == 0) return arg.substr(prefix.size());
            if (i + 1 >= args.size()) UsageError(std::string(name) + " needs a value");
            return args[++i];
        };
        auto is = [&](const char* name) {
            return arg == name || arg.rfind(std::string(name) + "=", 0) == 0;
        };
        long long number = 0;
        if (arg == "--help" || arg == "-h") {
            std::string usage = kUsage;
            usage.replace(usage.find("%s"), 2, kIrUsage);
            std::cout << usage;
            std::exit(kExitDone);
        } else if (arg == "--version") {
            std::cout << "tavimore-run 1.0.1\n";
            std::exit(kExitDone);
        } else if (arg == "--doctor" || arg == "--doctor=text") {
            options.doctor = "text";
        } else if (arg == "--check") {
            options.check = true;
        } else if (arg == "--doctor=json") {
            options.doctor = "json";
        } else if (is("--step")) {
            std::string v = value("--step");
            if (!ParseInt(v, 0, 0x7FFFFFFF, number))
                UsageError("--step takes a line number from 0, not '" + v + "'");
            options.stepLine = static_cast<int>(number);
        } else if (is("--debug-level")) {
            std::string v = value("--debug-level");
            if (!ParseInt(v, -2147483648LL, 2147483647LL, number))
                UsageError("--debug-level takes a 32-bit number, not '" + v + "'");
            options.debugLevel = static_cast<int>(number);
        } else if (is("--regw")) {
            std::string v = value("--regw");
            if (!ParseInt(v, -2147483648LL, 4294967295LL, number))
                UsageError("--regw takes a 32-bit number, not '" + v + "'");
            options.regw = static_cast<uint32_t>(number);
        } else if (is("--answer")) {
            options.answers = ParseAnswers(value("--answer"));
        } else if (is("--encoding")) {
            std::string v = value("--encoding");
            if (v == "utf8" || v == "utf-8" || v == "UTF-8")
                options.utf8 = true;
            else if (v == "cp932" || v == "CP932")
                options.utf8 = false;
            else
                UsageError("--encoding takes cp932 or utf8, not '" + v + "'");
        } else if (arg.size() > 1 && arg[0] == '-') {
            UsageError("unknown option '" + arg + "'");
        } else {
            if (haveFile)
                UsageError("one document only, but '" + arg + "' follows '" + options.file + "'");
            options.file = arg;
            haveFile = true;
        }
    }
    if (!haveFile && options.doctor.empty()) UsageError("no document given");
    // An elevated tavimore-run loads only the libraries of its installation.
    if (std::string why = ApplyDeviceOptions(options.devices); !why.empty()) UsageError(why);
    return options;
}

// The largest document tavimore-run reads. A script is a few thousand lines; the bound
// keeps a mistaken argument (a device such as /dev/zero, a huge log file) from
// exhausting memory, and the environment variable TAVIMORE_DOCUMENT_LIMIT may lower it.
constexpr size_t kDocumentLimit = size_t{256} << 20;

// Reads the whole document into bytes, or says in why what went wrong: a directory,
// a file that cannot be opened or read, or one larger than limit bytes. Reading goes
// by the descriptor and stops at the limit, so endless inputs end too.
bool ReadDocument(const std::string& file, size_t limit, std::string& bytes, std::string& why)
{
    const bool standardInput = file == "-";
    const int fd = standardInput ? STDIN_FILENO : open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    auto fail = [&](std::string reason) {
        if (!standardInput) close(fd);
        why = std::move(reason);
        return false;
    };
    const std::string tooLarge = "larger than the limit of " + std::to_string(limit) + " bytes";
    struct stat info {};
    if (fstat(fd, &info) == 0) {
        if (S_ISDIR(info.st_mode)) return fail(std::strerror(EISDIR));
        if (S_ISREG(info.st_mode)) {
            if (static_cast<unsigned long long>(info.st_size) > limit) return fail(tooLarge);
            bytes.reserve(static_cast<size_t>(info.st_size));
        }
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue; // Ctrl+C: a stop request for the run to come
            return fail(std::strerror(errno));
        }
        if (bytes.size() + static_cast<size_t>(got) > limit) return fail(tooLarge);
        bytes.append(buffer, static_cast<size_t>(got));
    }
    if (!standardInput) close(fd);
    return true;
}

// A limit lowered through the environment variable name (tests use this to reach the
// limits quickly); unset leaves the built-in value, and a value cannot raise it.
unsigned long long LimitFromEnvironment(const char* name, unsigned long long builtIn)
{
    const char* text = std::getenv(name);
    if (text == nullptr) return builtIn;
    long long value = 0;
    if (!ParseInt(text, 0, 0x7FFFFFFFFFFFFFFFLL, value))
        UsageError(std::string(name) + " takes a number, not '" + text + "'");
    return std::min(static_cast<unsigned long long>(value), builtIn);
}

// A document whose lines end in LF alone is read as if each LF were CR LF, and its
// output written with LF again.
bool UsesBareLineFeeds(const std::string& text)
{
    return text.find('\n') != std::string::npos && text.find("\r\n") == std::string::npos;
}

std::string Replace(const std::string& text, const std::string& from, const std::string& to)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    size_t pos = 0;
    for (size_t hit; (hit = text.find(from, pos)) != std::string::npos; pos = hit + from.size()) {
        out.append(text, pos, hit - pos);
        out += to;
    }
    out.append(text, pos, std::string::npos);
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    const COptions options = ParseOptions(argc, argv);
    if (!options.doctor.empty()) {
        const auto probe = doctor::CreateDoctorProbe();
        const auto findings = doctor::CheckAll(
            *probe, doctor::DoctorSetup(options.devices.ports.value, options.devices.ftdi.value));
        std::cout << (options.doctor == "json" ? doctor::FormatJson(findings)
                                               : doctor::FormatText(findings));
        return doctor::AllNeededOk(findings) ? 0 : 1;
    }
    const auto documentLimit =
        static_cast<size_t>(LimitFromEnvironment("TAVIMORE_DOCUMENT_LIMIT", kDocumentLimit));
    const auto logLimit = static_cast<size_t>(
        LimitFromEnvironment("TAVIMORE_LOG_LIMIT", CScriptEngine::kDefaultLogLimit));
    const auto statementLimit =
        static_cast<uint32_t>(LimitFromEnvironment("TAVIMORE_STATEMENT_LIMIT", 0x7FFFFFFF));

    // From here on Ctrl+C is a stop request: one that comes while a large document is
    // read stops the run at its first statement, and the report is still printed.
    CConsoleHost::InstallInterruptHandler();

    std::string document;
    std::string why;
    if (!ReadDocument(options.file, documentLimit, document, why)) {
        std::cerr << "tavimore-run: cannot read '" << options.file << "': " << why << "\n";
        return kExitUsage;
    }
    if (options.utf8) document = encoding::Utf8ToCp932(document);
    const bool bareLineFeeds = UsesBareLineFeeds(document);
    if (bareLineFeeds) document = Replace(document, "\n", "\r\n");
    if (options.check) {
        const std::vector<CScriptDiagnostic> found = CheckScript(document);
        bool error = false;
        for (const CScriptDiagnostic& diagnostic : found) {
            std::string line = options.file + ":" + std::to_string(diagnostic.line) + ": ";
            if (diagnostic.warning) line += "warning: ";
            line += options.utf8 ? encoding::Cp932ToUtf8(diagnostic.message) : diagnostic.message;
            std::cout << line << "\n";
            error = error || !diagnostic.warning;
        }
        // Warnings name legal code, so only errors fail the check.
        return error ? 1 : kExitDone;
    }

    CConsoleHost host(options.answers,
                      ResolveDeviceLibrary(DeviceLibrary::Ports, options.devices.ports.value),
                      ResolveDeviceLibrary(DeviceLibrary::Ftdi, options.devices.ftdi.value));
    host.ExplainFailures(options.devices.ports.value, options.devices.ftdi.value);
    CScriptEngine engine(host);
    engine.SetDebugLevel(options.debugLevel);
    engine.SetRegW(options.regw);
    engine.SetLogLimit(logLimit);
    engine.SetStatementLimit(statementLimit);

    std::string stepOutput;
    int caretLine = -1;
    if (options.stepLine) {
        if (*options.stepLine >= CountEditorLines(document)) {
            std::cerr << "tavimore-run: --step " << *options.stepLine << ": the document has "
                      << CountEditorLines(document) << " lines (0-based)\n";
            return kExitUsage;
        }
        CStepResult step = StepDocumentLine(engine, document, *options.stepLine);
        stepOutput = std::move(step.text);
        caretLine = step.caretLine;
    } else {
        // The engine takes the document over: a large one is held once, not twice.
        engine.TakeScript(std::move(document));
        engine.Run(-1);
    }

    const std::string& output = options.stepLine ? stepOutput : engine.OutputText();
    if (bareLineFeeds || options.utf8) {
        std::string converted = bareLineFeeds ? Replace(output, "\r\n", "\n") : output;
        if (options.utf8) converted = encoding::Cp932ToUtf8(converted);
        std::fwrite(converted.data(), 1, converted.size(), stdout);
    } else {
        std::fwrite(output.data(), 1, output.size(), stdout);
    }
    std::fflush(stdout);

    std::string regl = engine.FormatNumber(static_cast<int32_t>(engine.GetRegL()), 8, 16);
    std::fprintf(stderr, "REGL %s\n", regl.c_str());
    if (caretLine >= 0) std::fprintf(stderr, "caret %d\n", caretLine);
    host.ExplainAfterRun();
    // The infrared capture the run left in the registers, decoded and exported.
    bool infraredWritten = true;
    if (options.infrared.Wanted()) {
        const bool simulated =
            options.devices.ports.value == "sim" && !options.devices.simConfig.empty();
        infraredWritten = ReportInfrared(
            options.infrared, engine, simulated ? SyncHzOfSimConfig(options.devices.simConfig) : 0);
    }
    // Sounds the script started play to their end before the program leaves.
    host.WaitForSounds();

    if (!infraredWritten) return kExitUsage;
    switch (engine.GetRunEnd()) {
    case RunEnd::EndOfScript:
    case RunEnd::EndRequest:
        return kExitDone;
    default:
        return kExitCutShort;
    }
}
