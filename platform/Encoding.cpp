#include "Encoding.h"

#include <iconv.h>

#include <cerrno>

namespace encoding {

namespace {

// Length of the UTF-8 sequence that starts with byte c (1 for a stray byte).
size_t Utf8Length(unsigned char c)
{
    if (c >= 0xF0 && c <= 0xF4) return 4;
    if (c >= 0xE0) return c <= 0xEF ? 3 : 1;
    if (c >= 0xC2) return 2;
    return 1;
}

// Converts with iconv, replacing what cannot be converted. skip tells how many input
// bytes a failed character spans.
template <typename Skip>
std::string Convert(const char* to, const char* from, std::string_view input,
                    std::string_view replacement, Skip skip)
{
    std::string out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(input);
    out.reserve(input.size() * 3 / 2 + 4);
    char buffer[4096];
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (result != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL: one character that has no conversion.
        out.append(replacement);
        size_t n = skip(static_cast<unsigned char>(*in));
        if (n > inLeft) n = inLeft;
        in += n;
        inLeft -= n;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

} // namespace

std::string Cp932ToUtf8(std::string_view cp932)
{
    return Convert("UTF-8", "CP932", cp932, "\xEF\xBF\xBD",
                   [](unsigned char) { return size_t{1}; });
}

std::string Utf8ToCp932(std::string_view utf8)
{
    return Convert("CP932", "UTF-8", utf8, "?", Utf8Length);
}

std::string QuoteForLog(std::string_view cp932)
{
    std::string utf8 = Cp932ToUtf8(cp932);
    std::string out;
    out.reserve(utf8.size() + 2);
    for (char c : utf8) {
        switch (c) {
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

} // namespace encoding
