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
#include <QTextBlock>
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

    // Colours text from now on (nullptr: none). Use this, not setDocument: a change
    // that brings in more than kBulkChars at once (a run's report, its undo, a large
    // paste) is not coloured where it lands, since colouring 400,000 report lines
    // would cost more than the run; HighlightLines colours its lines as they are shown.
    void Attach(QTextDocument* text);
    // Colours the count lines from first on that a large change left plain.
    void HighlightLines(QTextBlock first, int count);
    static constexpr int kBulkChars = 256 * 1024;

signals:
    // A large change has been taken in: the view colours the lines it shows.
    void BulkChangeTaken();

protected:
    void highlightBlock(const QString& text) override;

private:
    QMetaObject::Connection m_bulkWatch;
    bool m_bBulk = false; // within the change that brought in a large text
};
