// The document's bytes and the editor's text, converted without loss.
//
// A document is cp932 bytes with its own line breaks; the editor holds a QString with
// '\n' between lines. Every byte sequence converts to a text that converts back to
// the same bytes, so a file that is not valid cp932, or that mixes line breaks, saves
// back unchanged when it was not edited:
//
// - a cp932 character whose Unicode converts back to the same bytes is that character;
// - a double-byte code that cp932 maps to a character whose own code is another one
//   (the NEC and IBM duplicates, such as 0x8790 beside 0x81E0 for U+2252) is that
//   character followed by a variation selector, U+FE00 for the character's first other
//   code and U+FE01 for its second, in code order. The selector draws nothing and
//   moves with its character; a character without one (typed, or pasted from another
//   program) takes the code Windows prefers;
// - every other byte (a stray lead byte, 0x80, 0xA0, 0xFD to 0xFF, a lone CR or LF
//   that is not the document's line break) is the private-use character U+F700 + byte.
//
// Characters typed into the editor that cp932 lacks become '?', as an edit control of
// the Japanese code page stores them.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace doctext {

// How the document separates its lines.
enum class LineBreaks {
    CrLf, // CR LF, the editor's own form
    Lf,   // LF alone: a document that holds LF but never CR LF
};

// The line breaks of a document's bytes: LF when it holds LF but no CR LF.
LineBreaks DetectLineBreaks(std::string_view bytes);

// Bytes to editor text; the given line break becomes '\n'.
QString Decode(std::string_view bytes, LineBreaks breaks = LineBreaks::CrLf);

// Bytes of a message to show: CR LF and LF alone both break the line.
QString DecodeMessage(std::string_view bytes);

// Editor text to bytes; '\n' (and the paragraph and line separators of the text
// widget) become the given line break.
std::string Encode(const QString& text, LineBreaks breaks = LineBreaks::CrLf);

// The first private-use characters of the two kept forms.
inline constexpr char16_t kRawByteBase = 0xF700;
inline constexpr char16_t kDuplicateBase = 0xF000;
// The variation selectors that mark a character's other codes.
inline constexpr char16_t kVariantBase = 0xFE00;
inline constexpr int kVariantCount = 16;

inline bool IsVariantSelector(QChar c)
{
    return c.unicode() >= kVariantBase && c.unicode() < kVariantBase + kVariantCount;
}

// The text without the selectors that pick another code of their character: what
// other programs get, and what a character typed fresh looks like.
QString StripVariants(const QString& text);

} // namespace doctext
