#include "DocumentText.h"

#include <iconv.h>

#include <array>
#include <unordered_map>
#include <vector>

namespace doctext {

namespace {

bool IsLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
bool IsTrailByte(unsigned char c)
{
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

// One conversion of a short sequence with iconv; false when it does not convert whole.
bool Convert(iconv_t cd, const char* in, size_t inLength, char* out, size_t& outLength)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(in);
    size_t inLeft = inLength;
    char* outPtr = out;
    size_t outLeft = outLength;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) return false;
    if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<size_t>(-1)) return false;
    if (inLeft != 0) return false;
    outLength = static_cast<size_t>(outPtr - out);
    return true;
}

// The cp932 tables, built once from the C library's converter.
class CTables {
public:
    // Character of a code (a byte, or lead << 8 | trail), 0 when it has none of its own.
    std::array<char16_t, 65536> decode{};
    // Code of a character (a byte, or lead << 8 | trail); 0xFFFF when cp932 lacks it.
    std::array<uint16_t, 65536> encode{};
    // The codes behind the duplicate private-use characters, in code order.
    std::vector<uint16_t> duplicates;
    // The selector index (1-based) of a code that is another code of its character.
    std::array<uint8_t, 65536> variant{};
    // A character's other codes, in code order; the selector U+FE00 + i picks entry i.
    std::unordered_map<char16_t, std::vector<uint16_t>> others;

    CTables()
    {
        encode.fill(0xFFFF);
        iconv_t toUnicode = iconv_open("UTF-16LE", "CP932");
        iconv_t fromUnicode = iconv_open("CP932", "UTF-16LE");
        if (toUnicode == reinterpret_cast<iconv_t>(-1) ||
            fromUnicode == reinterpret_cast<iconv_t>(-1)) {
            // Without the converter only ASCII is known; every other byte is kept raw.
            for (unsigned c = 0; c < 0x80; ++c)
                Learn(static_cast<uint16_t>(c), static_cast<char16_t>(c));
            return;
        }
        for (unsigned c = 0; c < 0x100; ++c) {
            char in[1] = {static_cast<char>(c)};
            LearnCode(toUnicode, fromUnicode, in, 1, static_cast<uint16_t>(c), false);
        }
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                if (!IsTrailByte(static_cast<unsigned char>(trail))) continue;
                char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                LearnCode(toUnicode, fromUnicode, in, 2, static_cast<uint16_t>(lead << 8 | trail),
                          true);
            }
        }
        iconv_close(toUnicode);
        iconv_close(fromUnicode);
        // A character whose every code is another one's (none here with glibc's table,
        // but a converter may differ) takes its first code as its own.
        for (auto& [c, codes] : others) {
            if (encode[c] != 0xFFFF) continue;
            encode[c] = codes.front();
            variant[codes.front()] = 0;
            codes.erase(codes.begin());
            for (size_t i = 0; i < codes.size(); ++i)
                variant[codes[i]] = static_cast<uint8_t>(i + 1);
        }
        // The duplicates get their private-use characters only now, in code order.
        for (size_t i = 0; i < duplicates.size(); ++i)
            Learn(duplicates[i], static_cast<char16_t>(kDuplicateBase + i));
    }

private:
    static bool IsKeptForm(char16_t c)
    {
        return (c >= kRawByteBase && c < kRawByteBase + 0x100) ||
               (c >= kDuplicateBase && c < kDuplicateBase + 0x700);
    }

    void Learn(uint16_t code, char16_t c)
    {
        decode[code] = c;
        encode[c] = code;
    }

    void LearnCode(iconv_t toUnicode, iconv_t fromUnicode, const char* in, size_t length,
                   uint16_t code, bool doubleByte)
    {
        char unicode[8];
        size_t unicodeLength = sizeof unicode;
        if (!Convert(toUnicode, in, length, unicode, unicodeLength) || unicodeLength != 2) return;
        const auto c = static_cast<char16_t>(static_cast<unsigned char>(unicode[0]) |
                                             static_cast<unsigned char>(unicode[1]) << 8);
        if (c == 0 && code != 0) return;
        char back[8];
        size_t backLength = sizeof back;
        const bool same = Convert(fromUnicode, unicode, 2, back, backLength) &&
                          backLength == length &&
                          std::string_view(back, backLength) == std::string_view(in, length);
        const bool plain = !IsKeptForm(c) && (c < 0xD800 || c > 0xDFFF) &&
                           (c < kVariantBase || c >= kVariantBase + kVariantCount);
        if (same && plain) {
            Learn(code, c);
        } else if (doubleByte && plain && others[c].size() < kVariantCount) {
            // Codes arrive in code order, so the selectors follow it too.
            std::vector<uint16_t>& codes = others[c];
            codes.push_back(code);
            decode[code] = c;
            variant[code] = static_cast<uint8_t>(codes.size());
        } else if (doubleByte && duplicates.size() < 0x700)
            duplicates.push_back(code);
    }
};

const CTables& Tables()
{
    static const CTables tables;
    return tables;
}

void AppendCode(std::string& out, uint16_t code)
{
    if (code > 0xFF) out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
}

// The code a selector picks for a character; 0xFFFF when it picks none.
uint16_t OtherCode(const CTables& tables, char16_t c, QChar selector)
{
    const auto found = tables.others.find(c);
    if (found == tables.others.end()) return 0xFFFF;
    const size_t k = selector.unicode() - kVariantBase;
    return k < found->second.size() ? found->second[k] : 0xFFFF;
}

} // namespace

QString StripVariants(const QString& text)
{
    const CTables& tables = Tables();
    // The result is never longer than the text: written in place, then cut to length.
    QString out(text.size(), Qt::Uninitialized);
    QChar* const begin = out.data();
    QChar* next = begin;
    for (qsizetype i = 0; i < text.size(); ++i) {
        *next++ = text[i];
        if (i + 1 < text.size() && IsVariantSelector(text[i + 1]) &&
            OtherCode(tables, text[i].unicode(), text[i + 1]) != 0xFFFF)
            ++i;
    }
    out.truncate(next - begin);
    return out;
}

LineBreaks DetectLineBreaks(std::string_view bytes)
{
    if (bytes.find("\r\n") != std::string_view::npos) return LineBreaks::CrLf;
    if (bytes.find('\n') != std::string_view::npos) return LineBreaks::Lf;
    return LineBreaks::CrLf;
}

QString Decode(std::string_view bytes, LineBreaks breaks)
{
    const CTables& tables = Tables();
    // A byte gives at most one QChar (a double-byte code at most two), so the text is
    // written in place into room for one per byte, then cut to length.
    const size_t n = bytes.size();
    QString text(static_cast<qsizetype>(n), Qt::Uninitialized);
    QChar* const begin = text.data();
    QChar* out = begin;
    for (size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (breaks == LineBreaks::CrLf && c == '\r' && i + 1 < n && bytes[i + 1] == '\n') {
            *out++ = QChar(u'\n');
            ++i;
            continue;
        }
        if (breaks == LineBreaks::Lf && c == '\n') {
            *out++ = QChar(u'\n');
            continue;
        }
        if (c == '\r' || c == '\n') {
            // Not the document's line break: the text widget would make it one.
            *out++ = QChar(static_cast<char16_t>(kRawByteBase + c));
            continue;
        }
        if (IsLeadByte(c) && i + 1 < n && IsTrailByte(static_cast<unsigned char>(bytes[i + 1]))) {
            const auto code =
                static_cast<uint16_t>(c << 8 | static_cast<unsigned char>(bytes[i + 1]));
            if (char16_t u = tables.decode[code]; u != 0) {
                *out++ = QChar(u);
                if (const uint8_t k = tables.variant[code]; k != 0)
                    *out++ = QChar(static_cast<char16_t>(kVariantBase + k - 1));
                ++i;
                continue;
            }
        }
        const char16_t u = tables.decode[c];
        *out++ = u != 0 || c == 0 ? QChar(u) : QChar(static_cast<char16_t>(kRawByteBase + c));
    }
    text.truncate(out - begin);
    return text;
}

QString DecodeMessage(std::string_view bytes)
{
    QString text = Decode(bytes, LineBreaks::Lf);
    text.replace(QChar(static_cast<char16_t>(kRawByteBase + '\r')), QLatin1Char('\r'));
    return text;
}

std::string Encode(const QString& text, LineBreaks breaks)
{
    const CTables& tables = Tables();
    const char* lineBreak = breaks == LineBreaks::CrLf ? "\r\n" : "\n";
    std::string out;
    out.reserve(static_cast<size_t>(text.size()) * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u == u'\n' || u == 0x2029 || u == 0x2028) {
            out += lineBreak;
        } else if (u >= kRawByteBase && u < kRawByteBase + 0x100) {
            out += static_cast<char>(u - kRawByteBase);
        } else if (IsVariantSelector(text[i])) {
            // A selector that picks no code of the character before it: cp932 has no
            // form for it and it shows nothing, so it is left out.
        } else if (i + 1 < text.size() && IsVariantSelector(text[i + 1]) &&
                   OtherCode(tables, u, text[i + 1]) != 0xFFFF) {
            AppendCode(out, OtherCode(tables, u, text[i + 1]));
            ++i;
        } else if (QChar::isHighSurrogate(u) && i + 1 < text.size() &&
                   text[i + 1].isLowSurrogate()) {
            out += '?'; // outside the BMP: cp932 has none of these
            ++i;
        } else if (const uint16_t code = tables.encode[u]; code != 0xFFFF) {
            AppendCode(out, code);
        } else {
            out += '?';
        }
    }
    return out;
}

} // namespace doctext
