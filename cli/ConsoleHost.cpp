#include "ConsoleHost.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "Doctor.h"
#include "Encoding.h"
#include "Messages.h"

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
    if (which == DeviceLibrary::Ftdi) m_bFtdiUsed = true;
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
    std::string line = "MessageBox \"" + encoding::QuoteForLog(caption) + "\" \"" +
                       encoding::QuoteForLog(text) + "\" -> " +
                       (answer == MessageAnswer::Ok ? "OK" : "Cancel") + "\n";
    WriteLine(line);
    // The library messages say only that the library is unusable; the check says why.
    if (m_bExplain && text == msg::kWinIoUnavailable && m_strPortsChoice == "system") {
        const auto probe = doctor::CreateDoctorProbe();
        Explain("port access",
                doctor::FirstFailure(doctor::CheckPorts(
                    *probe, doctor::DoctorSetup(m_strPortsChoice, m_strFtdiChoice))));
    } else if (m_bExplain && text == msg::kFtLibraryMissing && m_strFtdiChoice == "system") {
        const auto probe = doctor::CreateDoctorProbe();
        m_bFtdiExplained = true;
        Explain("FT245RL", doctor::FirstFailure(doctor::CheckFtdi(
                               *probe, doctor::DoctorSetup(m_strPortsChoice, m_strFtdiChoice))));
    }
    return answer;
}

void CConsoleHost::ExplainFailures(std::string portsChoice, std::string ftdiChoice)
{
    m_bExplain = true;
    m_strPortsChoice = std::move(portsChoice);
    m_strFtdiChoice = std::move(ftdiChoice);
}

void CConsoleHost::Explain(const char* what, const std::string& cause)
{
    if (cause.empty()) return;
    WriteLine(std::string("tavimore-run: ") + what + ": " + cause +
              " 'tavimore-run --doctor' shows the fix.\n");
}

void CConsoleHost::ExplainAfterRun()
{
    if (!m_bExplain) return;
    const bool ftdi = m_bFtdiUsed && !m_bFtdiExplained && m_strFtdiChoice == "system";
    if (!ftdi && !m_desktop.windowsUsed && !m_desktop.powerOffUsed) return;
    const auto probe = doctor::CreateDoctorProbe();
    const doctor::CDoctorSetup setup = doctor::DoctorSetup(m_strPortsChoice, m_strFtdiChoice);
    if (ftdi) Explain("FT245RL", doctor::FirstFailure(doctor::CheckFtdi(*probe, setup)));
    if (!m_desktop.windowsUsed && !m_desktop.powerOffUsed) return;
    bool windowsExplained = false;
    for (const doctor::CFinding& finding : doctor::CheckDesktop(*probe, setup)) {
        if (finding.verdict != doctor::Verdict::Fails) continue;
        const bool windows = finding.check == "session" || finding.check == "window-manager";
        if (windows && m_desktop.windowsUsed && !windowsExplained) {
            Explain("windows", finding.cause);
            windowsExplained = true;
        }
        if (finding.check == "poweroff" && m_desktop.powerOffUsed)
            Explain("power off", finding.cause);
    }
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
