// Byte-string helpers for code page 932 (Shift-JIS as Windows defines it).
//
// The engine keeps every text as the cp932 bytes the user typed. A lead byte
// (0x81-0x9F, 0xE0-0xFC) and the byte after it form one double-byte character:
// searches step over such pairs so that a trail byte never matches, and case rules
// apply to ASCII letters and to the full-width Latin letters only.
#pragma once

#include <string>
#include <string_view>

namespace text {

inline bool IsLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Number of bytes of the character that starts at s[i] (1 or 2).
inline size_t CharLength(std::string_view s, size_t i)
{
    return (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

// White space as the C library's isspace sees it in the "C" locale.
inline bool IsSpace(unsigned char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Position of the first single-byte character c at or after from, or npos.
// from must be the start of a character.
size_t FindChar(std::string_view s, char c, size_t from = 0);

// Position of the first CR LF pair at or after from, or npos.
size_t FindLineBreak(std::string_view s, size_t from = 0);

std::string_view TrimLeft(std::string_view s);
std::string_view TrimRight(std::string_view s);

// A text from outside the program (a device's serial number, a window title) as it
// may enter the document: the document is a script, so a line break inside such a
// text would start a line that runs as a statement. CR and LF become spaces, and a
// NUL ends the text.
std::string FromOutside(std::string_view s);

// Letters made upper case: a-z and the full-width a-z (0x8281-0x829A).
std::string ToUpper(std::string_view s);

// Equal without regard to letter case, comparing character by character.
bool EqualsNoCase(std::string_view a, std::string_view b);

// A key under which texts that are EqualsNoCase compare equal byte for byte.
inline std::string FoldCase(std::string_view s)
{
    return ToUpper(s);
}

} // namespace text
