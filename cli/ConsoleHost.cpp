#include "ConsoleHost.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "Encoding.h"

namespace {

volatile std::sig_atomic_t g_interrupts = 0;
volatile std::sig_atomic_t g_stopPending = 0;

extern "C" void OnInterrupt(int)
{
    if (g_interrupts != 0) _exit(130);
    g_interrupts = 1;
    g_stopPending = 1;
}

void WriteLine(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

bool ConsumeStop()
{
    if (!g_stopPending) return false;
    g_stopPending = 0;
    return true;
}

} // namespace

CConsoleHost::CConsoleHost(std::deque<MessageAnswer> answers, std::string portsFile,
                           std::string ftdiFile)
    : m_answers(std::move(answers)), m_strPortsFile(std::move(portsFile)),
      m_strFtdiFile(std::move(ftdiFile))
{
}

std::string CConsoleHost::LibraryFile(DeviceLibrary which)
{
    return which == DeviceLibrary::Ports ? m_strPortsFile : m_strFtdiFile;
}

void CConsoleHost::InstallInterruptHandler()
{
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a sleep returns at once
    sigaction(SIGINT, &action, nullptr);
}

MessageAnswer CConsoleHost::ShowMessage(std::string_view text, std::string_view caption,
                                        MessageButtons buttons)
{
    MessageAnswer answer = MessageAnswer::Ok;
    if (buttons == MessageButtons::OkCancel && !m_answers.empty()) {
        answer = m_answers.front();
        m_answers.pop_front();
    }
    std::string line = "MessageBox \"" + encoding::QuoteForLog(caption) + "\" \"" + encoding::QuoteForLog(text) +
                       "\" -> " + (answer == MessageAnswer::Ok ? "OK" : "Cancel") + "\n";
    WriteLine(line);
    return answer;
}

void CConsoleHost::ShowAppMessage(std::string_view text)
{
    ShowMessage(text, "Tavimore", MessageButtons::Ok);
}

bool CConsoleHost::PollStop()
{
    return ConsumeStop();
}

uint32_t CConsoleHost::GetTickCount()
{
    return static_cast<uint32_t>(platform::ClockMs());
}

bool CConsoleHost::Sleep(uint32_t milliseconds)
{
    // Slices of at most 100 ms, so that a Ctrl+C that lands between the check and the
    // sleep still ends the wait within a fraction of a second.
    constexpr uint32_t kSlice = 100;
    if (ConsumeStop()) return false;
    return platform::SleepInSlices(milliseconds, kSlice, [] { return ConsumeStop(); });
}

bool CConsoleHost::GetLowPowerTimeout(uint32_t& seconds)
{
    return platform::GetLowPowerTimeout(seconds);
}

void CConsoleHost::SetLowPowerTimeout(uint32_t seconds)
{
    platform::SetLowPowerTimeout(seconds);
}

void CConsoleHost::PlaySound(std::string_view file)
{
    WriteLine("Sound \"" + encoding::QuoteForLog(file) + "\"\n");
    m_pSound->PlayWave(file);
}

void CConsoleHost::WaitForSounds()
{
    m_pSound->WaitUntilQuiet([] { return ConsumeStop(); });
}

std::uintptr_t CConsoleMedia::CreateMediaWindow(std::string_view file, MediaPlacement, int32_t,
                                                int32_t)
{
    std::uintptr_t window = m_nNext++;
    m_windows[window].file.assign(file);
    return window;
}

void CConsoleMedia::PlayMedia(std::uintptr_t window)
{
    auto found = m_windows.find(window);
    if (found == m_windows.end()) return;
    CEntry& entry = found->second;
    // Playing again starts the sound from its beginning.
    m_sound.Cancel(entry.sound);
    entry.sound = 0;
    const std::string path = ScriptFilePath(entry.file);
    const bool sound = HasPlayableSound(path);
    if (sound) entry.sound = m_sound.Play(path);
    WriteLine("Media \"" + encoding::QuoteForLog(entry.file) + "\" -> " +
              (sound ? "played as sound" : "not shown (no window)") + "\n");
}

void CConsoleMedia::CloseMediaWindow(std::uintptr_t window)
{
    auto found = m_windows.find(window);
    if (found == m_windows.end()) return;
    m_sound.Cancel(found->second.sound);
    m_windows.erase(found);
}
