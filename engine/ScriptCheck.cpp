#include "ScriptCheck.h"

#include <algorithm>
#include <cstdint>
#include <functional>

#include "KeywordChain.h"
#include "Messages.h"
#include "OperandSyntax.h"
#include "ScriptLines.h"
#include "Text.h"

namespace {

bool IsLabelText(std::string_view text)
{
    return text.size() >= 2 && (text[0] == 'L' || text[0] == 'l') && text[1] == '\'';
}

std::string Join(std::string_view message, std::string_view what)
{
    std::string joined(message);
    joined += what;
    return joined;
}

// The operand check `#` is no instruction of the chain, but reads one operand as the
// run does: a decimal one, which the statement cannot do without.
constexpr CInstruction kOperandCheck{"#", nullptr, 2, "d"};

// A number below 100,000,000 written out in numerals (十, 百, 千 without a leading
// one, 万 with it), as the radix message names the value the writer likely meant.
std::string Numerals(uint32_t n)
{
    // Each numeral is one double-byte character.
    auto digit = [](uint32_t d) { return msg::kCheckNumeralDigits.substr(2 * d, 2); };
    auto unit = [](int u) { return msg::kCheckNumeralUnits.substr(2 * static_cast<size_t>(u), 2); };
    auto group = [&](uint32_t g) {
        std::string out;
        const uint32_t places[] = {1000, 100, 10};
        for (int i = 0; i < 3; ++i) {
            const uint32_t d = g / places[i] % 10;
            if (d == 0) continue;
            if (d > 1) out += digit(d);
            out += unit(2 - i);
        }
        if (g % 10 != 0) out += digit(g % 10);
        return out;
    };
    if (n == 0) return std::string(digit(0));
    std::string out;
    if (n >= 10000) {
        const uint32_t tenThousands = n / 10000;
        out = tenThousands == 1 ? std::string(digit(1)) : group(tenThousands);
        out += unit(3);
    }
    return out + group(n % 10000);
}

// The statement's faults, by how its instruction reads its tokens.
class CStatementCheck {
public:
    CStatementCheck(const CScriptLines& statement, int line, std::vector<CScriptDiagnostic>& found,
                    const std::function<int(const std::string&)>& findLabel)
        : m_statement(statement), m_line(line), m_found(found), m_findLabel(findLabel)
    {
    }

    void Check(const CInstruction& instruction)
    {
        const int count = m_statement.GetCount();
        if (count < instruction.needed) TooFew(instruction);
        const int read = std::min(count - 1, static_cast<int>(instruction.reads.size()));
        for (int n = 1; n <= read; ++n) {
            const char kind = instruction.reads[static_cast<size_t>(n) - 1];
            if (kind == '*') break; // the rest of the line is text
            const std::string_view written = m_statement.ItemView(n);
            const std::string token = text::ToUpper(text::TrimLeft(written));
            if (kind == 'r')
                Register(token, written);
            else if (kind == 'v' || kind == 'd' || kind == 'h' || kind == 'b' || kind == 'B')
                Operand(kind, token, written);
        }
    }

private:
    void Report(std::string message, bool warning = false)
    {
        m_found.push_back({m_line, std::move(message), warning});
    }

    void TooFew(const CInstruction& instruction)
    {
        const std::string taken = std::to_string(instruction.needed - 1);
        std::string message(msg::kCheckTooFewArguments);
        message += instruction.mnemonic;
        message += msg::kCheckArgumentsTaken;
        message += taken;
        message += msg::kCheckArgumentsTakenEnd;
        message += instruction.mnemonic;
        message += msg::kCheckArgumentsTakenEnglish;
        message += taken;
        message += ")";
        Report(std::move(message));
    }

    void Register(const std::string& token, std::string_view written)
    {
        bool readable = true;
        const int code = operand::ReadRegisterCode(token, readable);
        if (readable && !operand::RegisterCodeCanExist(code))
            Report(Join(msg::kCheckRegisterMissing, written));
    }

    void Operand(char kind, const std::string& token, std::string_view written)
    {
        if (IsLabelText(token)) {
            if (m_findLabel(text::FoldCase(token)) < 0)
                Report(Join(msg::kCheckLabelMissing, written));
            return;
        }
        if (token.rfind("REG", 0) == 0) {
            Register(token, written);
            return;
        }
        const int defaultRadix = kind == 'd' ? 10 : kind == 'h' ? 16 : 0;
        const operand::CConstantText constant = operand::ReadConstantText(token, defaultRadix);
        uint32_t value = 0;
        if (!operand::ReadConstantValue(constant, value)) return; // the run reports it
        if (defaultRadix == 0) RadixTrap(constant, value, written);
        if ((kind == 'b' || kind == 'B') && value > 7)
            Report(Join(msg::kCheckBitRange, written), kind == 'b');
    }

    // A bare number of two to eight characters, all 0 and 1, is binary, where a reader
    // (and most writers) take it for decimal. Said only when the two readings differ
    // (01 is one either way); longer runs of 0 and 1 are read as binary on purpose.
    void RadixTrap(const operand::CConstantText& constant, uint32_t value, std::string_view written)
    {
        const std::string_view digits = constant.digits;
        if (constant.radix != 2 || digits.size() != written.size() || digits.size() < 2 ||
            digits.size() > 8)
            return;
        uint32_t decimal = 0;
        for (char c : digits)
            decimal = decimal * 10 + static_cast<uint32_t>(c - '0');
        if (decimal == value) return;
        std::string message(written);
        message += msg::kCheckRadixBinary;
        message += std::to_string(value);
        message += msg::kCheckRadixIs;
        message += Numerals(decimal);
        message += msg::kCheckRadixWrite;
        message += written;
        message += msg::kCheckRadixEnglish;
        Report(std::move(message), true);
    }

    const CScriptLines& m_statement;
    int m_line;
    std::vector<CScriptDiagnostic>& m_found;
    const std::function<int(const std::string&)>& m_findLabel;
};

} // namespace

std::vector<CScriptDiagnostic> CheckScript(std::string_view script)
{
    CScriptLines lines;
    lines.SetText(script);
    lines.SetLineSeparator();
    lines.Split();
    const int count = lines.GetCount();

    // Every line a label operand can find, by its folded text, first line first: the
    // label search compares whole lines and the first match wins.
    std::vector<std::pair<std::string, int>> labels;
    const std::function<int(const std::string&)> findLabel = [&labels](const std::string& folded) {
        for (const auto& [text, line] : labels)
            if (text == folded) return line;
        return -1;
    };
    std::vector<CScriptDiagnostic> found;
    for (int i = 0; i < count; ++i) {
        std::string_view line = lines.ItemView(i);
        if (!IsLabelText(line)) continue;
        const std::string folded = text::FoldCase(line);
        if (int first = findLabel(folded); first >= 0)
            found.push_back({i, Join(msg::kCheckLabelDuplicate, std::to_string(first) + ")")});
        else
            labels.emplace_back(folded, i);
    }

    for (int i = 0; i < count; ++i) {
        CScriptLines statement;
        statement.SetSeparatorChar(' ');
        statement.SetQuoteChar('"');
        statement.SetText(lines.ItemView(i));
        statement.SetStatementMode();
        statement.Split();
        const std::string_view mnemonic = statement.ItemView(0);
        if (mnemonic.empty() || mnemonic[0] == '/') continue;
        const CInstruction* instruction = CKeywordChain::Get().FindEntry(mnemonic);
        if (instruction == nullptr && mnemonic == "#") instruction = &kOperandCheck;
        if (instruction == nullptr) {
            if (!IsLabelText(mnemonic))
                found.push_back({i, Join(msg::kCheckUnknownMnemonic, mnemonic)});
            continue;
        }
        CStatementCheck(statement, i, found, findLabel).Check(*instruction);
    }
    std::stable_sort(
        found.begin(), found.end(),
        [](const CScriptDiagnostic& a, const CScriptDiagnostic& b) { return a.line < b.line; });
    return found;
}
