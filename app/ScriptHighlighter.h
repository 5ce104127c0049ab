// CScriptHighlighter: colours a script by what the engine makes of each line.
//
// A line's first token decides its class as the run loop decides it: a comment ('/',
// which also covers the report lines a run writes; a '/' later on a line is not one,
// since CALC divides with it), a label line (L'name), the
// operand check ('#'), or a mnemonic found in the engine's keyword chain; any other
// first token is underlined, since running it gives "unknown mnemonic". Operands are
// coloured by their prefix: L' labels, B'/D'/H' constants, REG registers, and texts
// in double quotes. The colours are dark enough to read on the editor's cyan ground.
#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QVector>

class CScriptHighlighter final : public QSyntaxHighlighter {
    Q_OBJECT
public:
    enum class Kind { Mnemonic, Unknown, Label, Constant, Register, Comment, Quoted };
    struct Span {
        int start;
        int length;
        Kind kind;
        bool operator==(const Span&) const = default;
    };

    explicit CScriptHighlighter(QObject* parent = nullptr);

    // The coloured pieces of one line, in order; text between them keeps the
    // editor's own colour.
    static QVector<Span> Classify(const QString& line);
    static QTextCharFormat Format(Kind kind);

protected:
    void highlightBlock(const QString& text) override;
};
