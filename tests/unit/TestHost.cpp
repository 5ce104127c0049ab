#include "TestHost.h"

#include "Encoding.h"

std::string Sj(std::string_view utf8) { return encoding::Utf8ToCp932(utf8); }
std::string Utf(std::string_view cp932) { return encoding::Cp932ToUtf8(cp932); }

MessageAnswer CTestHost::ShowMessage(std::string_view text, std::string_view caption,
                                     MessageButtons buttons)
{
    MessageAnswer answer = MessageAnswer::Ok;
    if (buttons == MessageButtons::OkCancel && !answers.empty()) {
        answer = answers.front();
        answers.pop_front();
    }
    calls.push_back("MessageBox \"" + encoding::QuoteForLog(caption) + "\" \"" +
                    encoding::QuoteForLog(text) + "\" -> " +
                    (answer == MessageAnswer::Ok ? "OK" : "Cancel"));
    return answer;
}

void CTestHost::ShowAppMessage(std::string_view text)
{
    ShowMessage(text, "Tavimore", MessageButtons::Ok);
}

void CTestHost::PumpMessages()
{
    calls.push_back("Pump");
    if (onPump) onPump();
}

bool CTestHost::StopDue()
{
    if (stopAt == 0 || m_now < stopAt) return false;
    stopAt = 0;
    return true;
}

bool CTestHost::PollStop()
{
    ++pollCount;
    if (stopAtPoll != 0 && pollCount >= stopAtPoll) {
        stopAtPoll = 0;
        return true;
    }
    return StopDue();
}

bool CTestHost::Sleep(uint32_t milliseconds)
{
    calls.push_back("Sleep " + std::to_string(milliseconds));
    if (stopAt != 0 && stopAt <= m_now + milliseconds) {
        if (stopAt > m_now) m_now = stopAt;
        stopAt = 0;
        return false;
    }
    m_now += milliseconds;
    return true;
}

void CTestHost::CloseMediaWindow(std::uintptr_t window)
{
    calls.push_back("CloseMedia " + std::to_string(window));
    CHost::CloseMediaWindow(window);
}

void CTestHost::PlaySound(std::string_view file)
{
    calls.push_back("PlaySound " + Utf(file));
}

std::uintptr_t CTestMedia::CreateMediaWindow(std::string_view file, MediaPlacement placement,
                                             int32_t width, int32_t height)
{
    std::string form = placement == MediaPlacement::FillView     ? "fill"
                       : placement == MediaPlacement::FullScreen ? "full"
                                                                  : "sized " + std::to_string(width) +
                                                                        "x" + std::to_string(height);
    std::uintptr_t window = canCreate ? m_nNext++ : 0;
    m_calls.push_back("MediaCreate " + form + " \"" + Utf(file) + "\" -> " + std::to_string(window));
    return window;
}

void CTestMedia::PlayMedia(std::uintptr_t window)
{
    m_calls.push_back("MediaPlay " + std::to_string(window));
}

void CTestMedia::CloseMediaWindow(std::uintptr_t window)
{
    m_calls.push_back("MediaClose " + std::to_string(window));
}

std::vector<std::string> CTestHost::Messages() const
{
    std::vector<std::string> boxes;
    for (const std::string& call : calls)
        if (call.rfind("MessageBox", 0) == 0) boxes.push_back(call);
    return boxes;
}
