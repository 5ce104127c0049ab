// The host of tavimore-run: a program without a window.
//
// Message boxes become lines on standard error, in UTF-8, and boxes that ask are
// answered from the --answer list (then OK). Ctrl+C is a stop request: the first one
// stops the run after its statement (sleeps end at once); a second one ends the
// program.
#pragma once

#include <deque>
#include <string>

#include "Host.h"

class CConsoleHost final : public CHost {
public:
    explicit CConsoleHost(std::deque<MessageAnswer> answers);

    // Installs the Ctrl+C handler; the handler only sets a flag.
    static void InstallInterruptHandler();

    MessageAnswer ShowMessage(std::string_view text, std::string_view caption,
                              MessageButtons buttons) override;
    void ShowAppMessage(std::string_view text) override;
    void PumpMessages() override {}
    bool PollStop() override;
    uint32_t GetTickCount() override;
    bool Sleep(uint32_t milliseconds) override;

private:
    std::deque<MessageAnswer> m_answers;
};
