#include "Stepper.h"

#include <algorithm>

#include "Messages.h"
#include "Text.h"

namespace {

constexpr size_t kLongestStepLine = 255;

// Byte offset where editor line `line` starts, or npos when there is no such line.
size_t LineStart(std::string_view document, int line)
{
    size_t pos = 0;
    for (int i = 0; i < line; ++i) {
        size_t brk = document.find("\r\n", pos);
        if (brk == std::string_view::npos) return std::string_view::npos;
        pos = brk + 2;
    }
    return pos;
}

} // namespace

int CountEditorLines(std::string_view document)
{
    int lines = 1;
    for (size_t pos = document.find("\r\n"); pos != std::string_view::npos;
         pos = document.find("\r\n", pos + 2))
        ++lines;
    return lines;
}

CStepResult StepDocumentLine(CScriptEngine& engine, std::string_view document, int line)
{
    CStepResult result;
    result.line = line;
    if (engine.IsRunInProgress()) return result;

    // The edit control's lines break only at CR LF, whatever the bytes around them.
    const size_t start = LineStart(document, line);
    if (start == std::string_view::npos) return result;
    size_t brk = document.find("\r\n", start);
    const size_t contentEnd = brk == std::string_view::npos ? document.size() : brk;
    const size_t end = brk == std::string_view::npos ? document.size() : brk + 2;

    std::string copy(document.substr(start, contentEnd - start));
    if (copy.size() >= kLongestStepLine) {
        engine.Host().ShowMessage(msg::kStepLineTooLong, msg::kCaptionError, MessageButtons::Ok);
        copy.resize(kLongestStepLine);
    }
    result.replacement = copy + "\r\n";

    engine.SetScript(document);
    engine.Run(line);
    result.ran = true;

    const std::string status = engine.GetStatus();
    const bool statusAdded = !status.empty();
    if (statusAdded) {
        result.replacement += "/ ";
        result.replacement += status;
    }

    result.text.reserve(document.size() + result.replacement.size());
    result.text.append(document.substr(0, start));
    result.text.append(result.replacement);
    result.text.append(document.substr(end));

    // After the replacement the caret stands at the start of the line after it; the
    // jump distance then moves it as the arrow keys would, stopping at either end.
    const int d = engine.GetJumpDistance();
    long long caret = line + 1 + (statusAdded ? 1 : 0);
    if (d > 0)
        caret += d - 1;
    else if (d < 0)
        caret -= static_cast<long long>(-static_cast<long long>(d)) + (statusAdded ? 2 : 1);
    const long long last = CountEditorLines(result.text) - 1;
    result.caretLine = static_cast<int>(std::clamp(caret, 0LL, last));
    return result;
}
