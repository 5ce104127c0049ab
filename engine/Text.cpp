#include "Text.h"

namespace text {

size_t FindChar(std::string_view s, char c, size_t from)
{
    for (size_t i = from; i < s.size(); i += CharLength(s, i)) {
        if (s[i] == c) return i;
    }
    return std::string_view::npos;
}

size_t FindLineBreak(std::string_view s, size_t from)
{
    for (size_t i = from; i < s.size(); i += CharLength(s, i)) {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') return i;
    }
    return std::string_view::npos;
}

std::string FromOutside(std::string_view s)
{
    std::string out(s.substr(0, s.find('\0')));
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

std::string_view TrimLeft(std::string_view s)
{
    size_t i = 0;
    while (i < s.size() && IsSpace(static_cast<unsigned char>(s[i])))
        ++i;
    return s.substr(i);
}

std::string_view TrimRight(std::string_view s)
{
    size_t n = s.size();
    while (n > 0 && IsSpace(static_cast<unsigned char>(s[n - 1])))
        --n;
    return s.substr(0, n);
}

std::string ToUpper(std::string_view s)
{
    std::string out(s);
    for (size_t i = 0; i < out.size();) {
        auto c = static_cast<unsigned char>(out[i]);
        if (CharLength(out, i) == 2) {
            auto t = static_cast<unsigned char>(out[i + 1]);
            if (c == 0x82 && t >= 0x81 && t <= 0x9A) out[i + 1] = static_cast<char>(t - 0x21);
            i += 2;
        } else {
            if (c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 0x20);
            i += 1;
        }
    }
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && ToUpper(a) == ToUpper(b);
}

} // namespace text
