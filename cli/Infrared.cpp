#include "Infrared.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "IrCapture.h"
#include "IrDecoders.h"
#include "ScriptEngine.h"

const char* const kIrUsage =
    "  --ir-decode[=json]  after the run, decode the infrared capture IRSIGNAL left in\n"
    "                      the registers: one line a frame on standard error, \"IR \"\n"
    "                      and the frame (text, or a JSON object with =json)\n"
    "  --ir-export FORMAT:FILE  write that capture to FILE; FORMAT is one of mode2,\n"
    "                      lircd, pronto, flipper, flipper-raw, csv, vcd (repeatable)\n"
    "  --ir-sync-hz HZ     the sync frequency of the capture (a sample is half a\n"
    "                      period); with --ports sim, the configuration's sync_hz\n"
    "  --ir-carrier-hz HZ  the carrier written to Pronto and Flipper raw (default 38000)\n";

namespace {

bool ParseFrequency(const std::string& text, double& hz)
{
    char* end = nullptr;
    errno = 0;
    hz = std::strtod(text.c_str(), &end);
    return !text.empty() && errno == 0 && *end == '\0' && hz > 0 && hz <= 1e8;
}

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

IrOptionTaken TakeIrOption(const std::vector<std::string>& args, size_t& i, CIrOptions& options,
                           std::string& error)
{
    const std::string& arg = args[i];
    auto is = [&](const char* name) {
        return arg == name || arg.rfind(std::string(name) + "=", 0) == 0;
    };
    auto value = [&](const char* name, std::string& out) {
        const std::string prefix = std::string(name) + "=";
        if (arg.rfind(prefix, 0) == 0)
            out = arg.substr(prefix.size());
        else if (i + 1 < args.size())
            out = args[++i];
        else
            return error = std::string(name) + " needs a value", false;
        return true;
    };
    std::string v;
    if (arg == "--ir-decode" || arg == "--ir-decode=text") {
        options.bDecode = true;
        options.bJson = false;
    } else if (arg == "--ir-decode=json") {
        options.bDecode = options.bJson = true;
    } else if (is("--ir-decode")) {
        error = "--ir-decode takes text or json, not '" + arg.substr(12) + "'";
        return IrOptionTaken::Error;
    } else if (is("--ir-export")) {
        if (!value("--ir-export", v)) return IrOptionTaken::Error;
        const size_t colon = v.find(':');
        CIrExportRequest request;
        if (colon == std::string::npos || colon + 1 == v.size() ||
            !ParseExportFormat(v.substr(0, colon), request.eFormat)) {
            error = "--ir-export takes FORMAT:FILE with FORMAT one of " +
                    std::string(ExportFormatNames()) + ", not '" + v + "'";
            return IrOptionTaken::Error;
        }
        request.strFile = v.substr(colon + 1);
        options.exports.push_back(request);
    } else if (is("--ir-sync-hz")) {
        if (!value("--ir-sync-hz", v)) return IrOptionTaken::Error;
        if (!ParseFrequency(v, options.dSyncHz)) {
            error = "--ir-sync-hz takes a frequency in Hz above 0, not '" + v + "'";
            return IrOptionTaken::Error;
        }
    } else if (is("--ir-carrier-hz")) {
        double hz = 0;
        if (!value("--ir-carrier-hz", v)) return IrOptionTaken::Error;
        if (!ParseFrequency(v, hz) || hz < 10000 || hz > 500000) {
            error = "--ir-carrier-hz takes a carrier from 10000 to 500000 Hz, not '" + v + "'";
            return IrOptionTaken::Error;
        }
        options.nCarrierHz = static_cast<uint32_t>(std::lround(hz));
    } else {
        return IrOptionTaken::No;
    }
    return IrOptionTaken::Yes;
}

double SyncHzOfSimConfig(const std::string& path)
{
    std::ifstream file(path);
    std::string line, section;
    double syncHz = 0;
    bool playsFrame = false;
    while (std::getline(file, line)) {
        const size_t comment = line.find_first_of(";#");
        line = Trim(comment == std::string::npos ? line : line.substr(0, comment));
        if (line.size() > 1 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const size_t equals = line.find('=');
        if (section != "ports" || equals == std::string::npos) continue;
        const std::string key = Trim(line.substr(0, equals)), value = Trim(line.substr(equals + 1));
        if (key == "sync_hz") ParseFrequency(value, syncHz);
        if ((key == "receiver_mode2" || key == "receiver_pronto") && !value.empty())
            playsFrame = true;
    }
    if (syncHz > 0) return syncHz;
    return playsFrame ? 10000 : 0;
}

bool ReportInfrared(const CIrOptions& options, CScriptEngine& engine, double fallbackSyncHz)
{
    std::vector<uint32_t> registers(CScriptEngine::kRegisterCount);
    for (int i = 0; i < CScriptEngine::kRegisterCount; ++i)
        registers[static_cast<size_t>(i)] = engine.ReadRegister(i);
    const CIrCapture capture =
        CIrCapture::FromRegisters(registers.data(), registers.size(), engine.GetRegL());
    const double syncHz = options.dSyncHz > 0 ? options.dSyncHz : fallbackSyncHz;
    if (capture.IsEmpty()) {
        std::fprintf(stderr,
                     "IR no capture in the registers (REGL holds no count of captured bytes)\n");
        return options.exports.empty();
    }
    if (syncHz <= 0) {
        std::fprintf(
            stderr,
            "IR a capture of %zu samples; its timing needs the sync frequency: give --ir-sync-hz\n",
            capture.Samples().size());
        return options.exports.empty();
    }
    const std::vector<CIrRun> runs = capture.Runs(syncHz);
    if (options.bDecode) {
        for (const CIrFrame& frame : DecodeCapture(RunDurations(RemoveGlitches(runs)))) {
            const std::string line = options.bJson ? FrameAsJson(frame) : DescribeFrame(frame);
            std::fprintf(stderr, "IR %s\n", line.c_str());
        }
    }
    CIrExportInput input;
    input.durations = RunDurations(runs);
    input.nRestLevel = capture.RestLevel();
    input.nCarrierHz = options.nCarrierHz;
    bool ok = true;
    for (const CIrExportRequest& request : options.exports) {
        const std::string text = ExportCapture(request.eFormat, input);
        FILE* file = std::fopen(request.strFile.c_str(), "wb");
        const bool written =
            file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
        const int why = errno;
        if (file != nullptr && std::fclose(file) != 0) ok = false;
        if (!written) {
            std::fprintf(stderr, "tavimore-run: cannot write '%s': %s\n", request.strFile.c_str(),
                         std::strerror(why));
            ok = false;
        }
    }
    return ok;
}
