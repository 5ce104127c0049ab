// Conversions between the engine's cp932 bytes and UTF-8, used only at the program's
// edges: standard output and error, file names and command lines, window titles.
#pragma once

#include <string>
#include <string_view>

namespace encoding {

// cp932 to UTF-8; a byte that starts no cp932 character becomes U+FFFD.
std::string Cp932ToUtf8(std::string_view cp932);

// UTF-8 to cp932; a character cp932 lacks, or a byte that is not UTF-8, becomes '?'.
std::string Utf8ToCp932(std::string_view utf8);

// A cp932 text as a log line shows it: UTF-8, with CR and LF written \r and \n and
// quotes and backslashes escaped.
std::string QuoteForLog(std::string_view cp932);

} // namespace encoding
