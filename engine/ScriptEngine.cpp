#include "ScriptEngine.h"

#include "Messages.h"

CScriptEngine::CScriptEngine(CHost& host)
    : m_host(host), m_pCallStack(std::make_unique<int32_t[]>(kCallStackSize)),
      m_pRegisters(std::make_unique<uint32_t[]>(kRegisterCount))
{
}

CScriptEngine::~CScriptEngine()
{
    if (m_pi.dwProcessId != 0) {
        if (CDesktopServices* desktop = m_host.Desktop()) desktop->CloseProcess(m_pi);
        m_pi.dwProcessId = 0;
    }
    m_pStatement = nullptr;
}

void CScriptEngine::SetStatement(CScriptLines* statement)
{
    m_pStatement = statement;
}

int CScriptEngine::SetWindowContext(std::uintptr_t parent, std::uintptr_t instance)
{
    m_hMciParent = parent;
    m_hMciInstance = instance;
    return 0;
}

void CScriptEngine::SetStatusText(std::string_view text)
{
    m_strStatus.assign(text);
    m_strStatus.append(m_szNewLine, static_cast<size_t>(m_nNewLineLen));
}

void CScriptEngine::SetStatusNumberText(std::string_view label, int32_t value, int width, int radix)
{
    std::string number = FormatNumber(value, width, radix);
    m_strStatus.assign(label);
    m_strStatus.append(number);
    m_strStatus.append(m_szNewLine, static_cast<size_t>(m_nNewLineLen));
}

void CScriptEngine::SetStatusRegisterText(std::string_view label, int index, int numberWidth,
                                          int numberRadix, int valueWidth, int valueRadix,
                                          int level)
{
    if (m_nDebugLevel < level) {
        // The text is dropped, but reading the register may report: format it anyway.
        m_strStatus.clear();
        FormatRegister(index, numberWidth, numberRadix, valueWidth, valueRadix);
        return;
    }
    std::string display = FormatRegister(index, numberWidth, numberRadix, valueWidth, valueRadix);
    m_strStatus.assign(label);
    m_strStatus.append(display);
    m_strStatus.append(m_szNewLine, static_cast<size_t>(m_nNewLineLen));
}

void CScriptEngine::SetError(int errorNumber)
{
    Request(m_nActError, errorNumber);
}

void CScriptEngine::ShowMessage(std::string_view text, std::string_view caption)
{
    m_boxHost.ShowMessage(text, caption, MessageButtons::Ok);
}

MessageAnswer CScriptEngine::CBoxNotingHost::ShowMessage(std::string_view text,
                                                         std::string_view caption,
                                                         MessageButtons buttons)
{
    Note(text, caption);
    return m_engine.m_host.ShowMessage(text, caption, buttons);
}

void CScriptEngine::CBoxNotingHost::ShowAppMessage(std::string_view text)
{
    // Both hosts show the application's name as the caption.
    Note(text, "Tavimore");
    m_engine.m_host.ShowAppMessage(text);
}

// Noted before the box is shown, so that the box is listed even when the user stops the
// run while it is open.
void CScriptEngine::CBoxNotingHost::Note(std::string_view text, std::string_view caption)
{
    if (CSources* sink = m_engine.m_pSink)
        sink->boxes.push_back({m_engine.m_nLine, std::string(caption), std::string(text)});
}

void CScriptEngine::Fail(std::string_view text, std::string_view caption, int errorNumber)
{
    ShowMessage(text, caption);
    SetError(errorNumber);
}

bool CScriptEngine::ReportArgCount()
{
    Fail(msg::kArgCount, msg::kCaution, 3);
    return true;
}

bool CScriptEngine::PushReturn(int line)
{
    if (m_nCallDepth >= kCallStackSize) return false;
    m_pCallStack[static_cast<size_t>(m_nCallDepth++)] = line;
    return true;
}

bool CScriptEngine::PopReturn(int* line)
{
    if (m_nCallDepth <= 0) return false;
    *line = m_pCallStack[static_cast<size_t>(--m_nCallDepth)];
    return true;
}
