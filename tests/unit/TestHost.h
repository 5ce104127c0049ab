// CTestHost: a host that records every call and answers from a script.
//
// Message boxes are recorded in tavimore-run's form ("MessageBox \"caption\" \"text\"
// -> OK", UTF-8) and answered from a queue (then OK). The clock is fake: Sleep
// advances it and returns at once, so waits of any length cost nothing. A stop can
// be planned to arrive at a fake time or at the n-th call of PollStop.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "Host.h"

// Media windows that exist only as records: each is a number from 1 on.
class CTestMedia final : public CMediaServices {
public:
    explicit CTestMedia(std::vector<std::string>& calls) : m_calls(calls) {}
    // "MediaCreate fill \"file\" -> 1", "MediaCreate sized 320x240 ...", "MediaCreate full ...".
    std::uintptr_t CreateMediaWindow(std::string_view file, MediaPlacement placement,
                                     int32_t width, int32_t height) override;
    void PlayMedia(std::uintptr_t window) override;            // "MediaPlay 1"
    void CloseMediaWindow(std::uintptr_t window) override;     // "MediaClose 1"
    // When false, no window can be made: CreateMediaWindow returns 0.
    bool canCreate = true;

private:
    std::vector<std::string>& m_calls;
    std::uintptr_t m_nNext = 1;
};

class CTestHost : public CHost {
public:
    MessageAnswer ShowMessage(std::string_view text, std::string_view caption,
                              MessageButtons buttons) override;
    void ShowAppMessage(std::string_view text) override;
    void PumpMessages() override;
    bool PollStop() override;
    uint32_t GetTickCount() override { return m_now; }
    bool Sleep(uint32_t milliseconds) override;
    void CloseMediaWindow(std::uintptr_t window) override;
    void PlaySound(std::string_view file) override;
    CMediaServices* Media() override { return hasMedia ? &media : nullptr; }

    // Every call, in order: "MessageBox ...", "Pump", "Sleep 1000", "CloseMedia 7",
    // "PlaySound C:\\WINDOWS\\MEDIA\\Ding.wav" (UTF-8), and the media calls above.
    std::vector<std::string> calls;
    CTestMedia media{calls};
    // Whether the host offers media windows at all.
    bool hasMedia = true;
    // Only the message boxes, in the same form.
    std::vector<std::string> Messages() const;

    std::deque<MessageAnswer> answers;
    uint32_t m_now = 1000;
    // A stop request that arrives when the fake clock reaches this time (0: never).
    uint32_t stopAt = 0;
    // Runs on every pump: lets a test act as the user would while a script pumps.
    std::function<void()> onPump;
    int pollCount = 0;
    // A stop request answered by the n-th call of PollStop (0: never).
    int stopAtPoll = 0;

private:
    bool StopDue();
};

// UTF-8 to cp932 and back, for writing readable tests.
std::string Sj(std::string_view utf8);
std::string Utf(std::string_view cp932);
