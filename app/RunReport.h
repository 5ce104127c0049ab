// What a run or step left to show beside the text: each message box it showed and each
// status line of its report, with the line of the statement behind it.
#pragma once

#include <QString>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct CRunReport {
    struct Box {
        int line; // 0-based line of the statement that showed it
        QString caption;
        QString text;
    };
    // The report's status lines, cp932, each "/ " and the status, ending in CR LF.
    std::string statusText;
    // Or, in place of statusText, the status lines within a text that `owner` keeps
    // (the run's whole output, which the document may be showing: not held twice).
    std::shared_ptr<const void> owner;
    std::string_view ownedStatusText;
    std::string_view StatusText() const
    {
        return owner != nullptr ? ownedStatusText : std::string_view(statusText);
    }
    // The line of the statement behind each status line, in order.
    std::vector<int> statusLines;
    std::vector<Box> boxes;
};
