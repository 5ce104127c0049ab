#include "ScriptCheck.h"

#include <algorithm>

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
    auto findLabel = [&labels](const std::string& folded) {
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
        if (!CKeywordChain::Get().Find(mnemonic) && mnemonic != "#") {
            if (!IsLabelText(mnemonic))
                found.push_back({i, Join(msg::kCheckUnknownMnemonic, mnemonic)});
            continue;
        }
        for (int n = 1; n < statement.GetCount(); ++n) {
            const std::string token = text::ToUpper(text::TrimLeft(statement.ItemView(n)));
            if (IsLabelText(token)) {
                if (findLabel(text::FoldCase(token)) < 0)
                    found.push_back({i, Join(msg::kCheckLabelMissing, statement.ItemView(n))});
            } else if (token.rfind("REG", 0) == 0) {
                bool readable = true;
                if (!operand::RegisterCodeCanExist(operand::ReadRegisterCode(token, readable)))
                    found.push_back({i, Join(msg::kCheckRegisterMissing, statement.ItemView(n))});
            }
        }
    }
    std::stable_sort(
        found.begin(), found.end(),
        [](const CScriptDiagnostic& a, const CScriptDiagnostic& b) { return a.line < b.line; });
    return found;
}
