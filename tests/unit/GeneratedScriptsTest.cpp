// A few hundred generated scripts of flow, data and arithmetic statements, run whole and
// stepped line by line, against digests of what they gave before the run loop was
// optimised: the output, the message boxes, REGL, the registers they use and how each
// run ended must stay the same byte for byte.
//
// The scripts come from a fixed seed, so every build generates the same ones. After a
// deliberate change of behaviour, TAVIMORE_UPDATE_GOLDEN=1 rewrites the digests; read
// the scripts that changed (the failure names them) before committing the new file.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "ScriptEngine.h"
#include "Stepper.h"
#include "TestHost.h"

namespace {

constexpr int kScripts = 400;
constexpr uint32_t kSeed = 20261207;

// Draws from a fixed sequence (the standard distributions differ between libraries).
class CDraw {
public:
    explicit CDraw(uint32_t seed) : m_engine(seed) {}
    uint32_t Below(uint32_t n) { return static_cast<uint32_t>(m_engine() % n); }
    template <size_t N> const char* Pick(const char* const (&items)[N]) { return items[Below(N)]; }

private:
    std::mt19937 m_engine;
};

std::string Register(CDraw& draw)
{
    // Mostly the few registers the scripts share, now and then REGL, an indirect
    // access, the last register or one that does not exist.
    const uint32_t kind = draw.Below(12);
    if (kind == 0) return "REGL";
    if (kind == 1) return "REG:" + std::to_string(draw.Below(4));
    if (kind == 2) return "REG9999";
    if (kind == 3) return "REG10000";
    return "REG" + std::to_string(draw.Below(6));
}

std::string Value(CDraw& draw)
{
    static const char* const autoTokens[] = {"0",         "1",   "10",       "12",
                                             "1F",        "101", "7FFFFFFF", "FFFFFFFF",
                                             "100000000", "-1",  "0xFF",     "H'XYZ"};
    const uint32_t kind = draw.Below(6);
    if (kind == 0) return "D'" + std::to_string(static_cast<int>(draw.Below(40)) - 5);
    if (kind == 1) return "H'" + std::to_string(draw.Below(100));
    if (kind == 2) return autoTokens[draw.Below(std::size(autoTokens))];
    if (kind == 3) return "B'" + std::to_string(draw.Below(2)) + std::to_string(draw.Below(2));
    return Register(draw);
}

std::string Target(CDraw& draw, int lines)
{
    const uint32_t kind = draw.Below(5);
    if (kind == 0) return std::to_string(draw.Below(static_cast<uint32_t>(lines) + 2));
    if (kind == 1) return "L'NOWHERE";
    return "L'L" + std::to_string(draw.Below(3));
}

std::string Statement(CDraw& draw, int lines)
{
    static const char* const conditions[] = {"<", ">", "=", "<=", ">=", "!=", "<>", "=<", "??"};
    static const char* const operators[] = {"+", "-",  "*",  "/",  "%",  "&",  "^",
                                            "~", "<<", ">>", "&&", "+=", "+-", "|"};
    static const char* const counters[] = {"INC", "DEC", "INCZ", "DECZ", "inc", "Dec"};
    static const char* const displays[] = {"DISPD", "DISPH", "DISPB"};
    static const char* const levels[] = {"5", "10", "20", "100", "-1"};
    const uint32_t kind = draw.Below(24);
    if (kind < 3) return "MOV " + Register(draw) + " " + Value(draw);
    if (kind < 6) {
        std::string s = draw.Pick(counters);
        if (draw.Below(5) != 0) s += " " + Register(draw);
        return s;
    }
    if (kind < 9)
        return std::string(draw.Below(4) == 0 ? "ifj " : "IFJ ") + Value(draw) + " " +
               draw.Pick(conditions) + " " + Value(draw) + " " + Target(draw, lines);
    if (kind == 9)
        return "IFJR " + Value(draw) + " " + draw.Pick(conditions) + " " + Value(draw) + " " +
               std::to_string(static_cast<int>(draw.Below(7)) - 3);
    if (kind == 10) return "JMP " + Target(draw, lines);
    if (kind == 11) return "JMPR " + std::to_string(static_cast<int>(draw.Below(7)) - 3);
    if (kind == 12) return "CALL " + Target(draw, lines);
    if (kind == 13) return "RET";
    if (kind < 16) {
        std::string s = "CALC " + Register(draw) + " " + draw.Pick(operators);
        for (uint32_t n = draw.Below(3); n > 0; --n)
            s += " " + Value(draw);
        return s;
    }
    if (kind == 16)
        return std::string(draw.Below(2) ? "OR " : "AND ") + Register(draw) + " " + Value(draw);
    if (kind == 17) return std::string(draw.Below(2) ? "COPY " : "COPYL ") + Register(draw);
    if (kind == 18) return std::string(draw.Pick(displays)) + " " + Register(draw);
    if (kind == 19) return std::string("debuglevel ") + draw.Pick(levels);
    if (kind == 20) return "L'L" + std::to_string(draw.Below(3));
    if (kind == 21) return draw.Below(2) ? "/ note" : "";
    if (kind == 22) return draw.Below(2) ? "FOO REG1" : "# " + Value(draw);
    return "MOV REG1"; // too few tokens
}

std::string Script(CDraw& draw)
{
    const int lines = 4 + static_cast<int>(draw.Below(20));
    std::string script;
    for (int i = 0; i < lines; ++i)
        script += Statement(draw, lines) + "\r\n";
    return script;
}

uint64_t Digest(const std::string& bytes)
{
    uint64_t hash = 1469598103934665603ull; // FNV-1a
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

// Everything a script leaves behind, after a whole run and after stepping its first
// lines one by one on the same engine.
std::string Outcome(const std::string& script, int debugLevel)
{
    CTestHost host;
    CScriptEngine engine(host);
    engine.SetDebugLevel(debugLevel);
    engine.SetStatementLimit(3000);
    std::ostringstream out;
    engine.SetScript(script);
    engine.Run(-1);
    out << engine.OutputText() << "|end " << static_cast<int>(engine.GetRunEnd());
    for (int step = 0; step < 4; ++step) {
        const CStepResult result = StepDocumentLine(engine, script, step);
        out << "|step " << result.replacement << " caret " << result.caretLine;
    }
    out << "|REGL " << engine.GetRegL();
    for (int r = 0; r < 6; ++r)
        out << " " << engine.ReadRegister(r);
    out << " " << engine.ReadRegister(9999);
    for (const auto& call : host.calls)
        out << "|" << call;
    return out.str();
}

TEST(GeneratedScripts, GiveWhatTheyGaveBefore)
{
    const std::string goldenPath =
        TAVIMORE_TEST_SOURCE_DIR "/unit/golden/generated-scripts.digests";
    CDraw draw(kSeed);
    std::vector<std::string> scripts;
    std::ostringstream digests;
    for (int i = 0; i < kScripts; ++i) {
        scripts.push_back(Script(draw));
        // The default level, the level of flow texts and the level that keeps all.
        static const int levels[] = {10, 20, 100};
        const int level = levels[i % 3];
        digests << i << " " << std::hex << Digest(Outcome(scripts.back(), level)) << std::dec
                << "\n";
    }
    std::istringstream want(GoldenText(goldenPath, digests.str())), got(digests.str());
    int differ = 0;
    for (std::string line, golden; std::getline(got, line);)
        if ((!std::getline(want, golden) || line != golden) && ++differ <= 5)
            ADD_FAILURE() << "gives another outcome: script " << line << "\n"
                          << Utf(scripts[std::stoul(line)]);
    EXPECT_EQ(differ, 0) << goldenPath;
}

} // namespace
