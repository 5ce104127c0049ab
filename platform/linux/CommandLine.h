// Splitting a command line into a program's arguments, as a POSIX shell reads words.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Blanks (space, tab, newline) separate words; a backslash takes the next character
// literally (a backslash before a newline joins lines); single quotes keep everything
// up to the next single quote; double quotes keep everything up to the next double
// quote except that a backslash still escapes $ ` " \ and newline there. Nothing is
// expanded and no operator is recognised: `$HOME`, `*`, `>` and `|` are plain
// characters, since no shell runs. Returns false, with words unspecified, for a quote
// left open.
bool SplitCommandLine(std::string_view line, std::vector<std::string>& words);
