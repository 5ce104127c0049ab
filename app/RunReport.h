// What a run or step left to show beside the text: each message box it showed and each
// status line of its report, with the line of the statement behind it.
#pragma once

#include <QString>

#include <string>
#include <vector>

struct CRunReport {
    struct Box {
        int line; // 0-based line of the statement that showed it
        QString caption;
        QString text;
    };
    // The report's status lines, cp932, each "/ " and the status, ending in CR LF.
    std::string statusText;
    // The line of the statement behind each status line, in order.
    std::vector<int> statusLines;
    std::vector<Box> boxes;
};
