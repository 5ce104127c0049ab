#include "ScriptHighlighter.h"

#include <QColor>
#include <QFont>

#include "DocumentText.h"
#include "KeywordChain.h"

namespace {

// One token of a statement: the engine separates tokens by half-width spaces only.
struct Token {
    int start;
    int length;
};

bool StartsWithPrefix(const QString& text, int at, QChar letter)
{
    return at + 1 < text.size() && text[at].toUpper() == letter &&
           text[at + 1] == QLatin1Char('\'');
}

bool IsMnemonic(const QString& token)
{
    if (token == QLatin1String("#")) return true;
    return CKeywordChain::Get().Find(doctext::Encode(token)) != nullptr;
}

// The kind of an operand token, or false when it is drawn in the plain colour.
bool OperandKind(const QString& line, int at, CScriptHighlighter::Kind& kind)
{
    using Kind = CScriptHighlighter::Kind;
    if (StartsWithPrefix(line, at, QLatin1Char('L'))) {
        kind = Kind::Label;
        return true;
    }
    for (QChar letter : {QLatin1Char('B'), QLatin1Char('D'), QLatin1Char('H')}) {
        if (StartsWithPrefix(line, at, letter)) {
            kind = Kind::Constant;
            return true;
        }
    }
    if (line.mid(at, 3).compare(QLatin1String("REG"), Qt::CaseInsensitive) == 0) {
        kind = Kind::Register;
        return true;
    }
    return false;
}

} // namespace

CScriptHighlighter::CScriptHighlighter(QObject* parent) : QSyntaxHighlighter(parent) {}

QVector<CScriptHighlighter::Span> CScriptHighlighter::Classify(const QString& line)
{
    QVector<Span> spans;
    const int size = static_cast<int>(line.size());
    int at = 0;
    bool first = true;
    while (at < size) {
        if (line[at] == QLatin1Char(' ')) {
            ++at;
            continue;
        }
        // A text in quotes runs to its closing quote (or to the end of the line) and
        // may hold spaces.
        if (!first && line[at] == QLatin1Char('"')) {
            qsizetype close = line.indexOf(QLatin1Char('"'), at + 1);
            const int end = close < 0 ? size : static_cast<int>(close) + 1;
            spans.push_back({at, end - at, Kind::Quoted});
            at = end;
            continue;
        }
        int end = at;
        while (end < size && line[end] != QLatin1Char(' '))
            ++end;
        const QString token = line.mid(at, end - at);
        if (first) {
            first = false;
            // A comment line (the report's lines are such). Later on a line a '/'
            // may be CALC's division, so only the first token decides.
            if (token.startsWith(QLatin1Char('/'))) {
                spans.push_back({at, size - at, Kind::Comment});
                break;
            }
            if (StartsWithPrefix(line, at, QLatin1Char('L'))) {
                spans.push_back({at, size - at, Kind::Label});
                break;
            }
            spans.push_back({at, end - at, IsMnemonic(token) ? Kind::Mnemonic : Kind::Unknown});
        } else {
            Kind kind;
            if (OperandKind(line, at, kind)) spans.push_back({at, end - at, kind});
        }
        at = end;
    }
    return spans;
}

QTextCharFormat CScriptHighlighter::Format(Kind kind)
{
    QTextCharFormat format;
    switch (kind) {
    case Kind::Mnemonic:
        format.setForeground(QColor(0, 0, 128));
        format.setFontWeight(QFont::Bold);
        break;
    case Kind::Unknown:
        format.setUnderlineStyle(QTextCharFormat::SingleUnderline);
        format.setUnderlineColor(QColor(200, 0, 0));
        break;
    case Kind::Label:
        format.setForeground(QColor(128, 0, 128));
        format.setFontWeight(QFont::Bold);
        break;
    case Kind::Constant:
        format.setForeground(QColor(160, 0, 0));
        break;
    case Kind::Register:
        format.setForeground(QColor(0, 100, 0));
        break;
    case Kind::Comment:
        format.setForeground(QColor(80, 80, 80));
        format.setFontItalic(true);
        break;
    case Kind::Quoted:
        format.setForeground(QColor(128, 64, 0));
        break;
    }
    return format;
}

void CScriptHighlighter::Attach(QTextDocument* text)
{
    disconnect(m_bulkWatch);
    m_bBulk = false;
    // Connected before QSyntaxHighlighter's own slot, so that it sees a change first.
    // QSyntaxHighlighter colours every line a change touches, in its slot on the same
    // signal; for a large change that slot is taken off the signal (it is then not
    // called for this change) and put back once the change is in, and the view
    // colours the lines it shows. Where the slot cannot be found, m_bBulk alone makes
    // colouring the change's lines cheap.
    if (text != nullptr) {
        m_bulkWatch =
            connect(text, &QTextDocument::contentsChange, this, [this, text](int, int, int added) {
                if (added <= kBulkChars || m_bBulk) return;
                m_bBulk = true;
                const bool detached = disconnect(text, SIGNAL(contentsChange(int, int, int)), this,
                                                 SLOT(_q_reformatBlocks(int, int, int)));
                QMetaObject::invokeMethod(
                    this,
                    [this, text, detached] {
                        if (!m_bBulk || document() != text) return;
                        m_bBulk = false;
                        if (detached)
                            connect(text, SIGNAL(contentsChange(int, int, int)), this,
                                    SLOT(_q_reformatBlocks(int, int, int)));
                        emit BulkChangeTaken();
                    },
                    Qt::QueuedConnection);
            });
    }
    setDocument(text);
}

void CScriptHighlighter::HighlightLines(QTextBlock first, int count)
{
    if (document() == nullptr || m_bBulk) return;
    for (QTextBlock block = first; block.isValid() && count > 0; block = block.next(), --count) {
        // A line with no colours yet that should have some: it came in with a large
        // change. (A line whose classes give no colour costs one Classify when shown.)
        if (block.layout()->formats().isEmpty() && !Classify(block.text()).isEmpty())
            rehighlightBlock(block);
    }
}

void CScriptHighlighter::highlightBlock(const QString& text)
{
    if (m_bBulk) return;
    for (const Span& span : Classify(text))
        setFormat(span.start, span.length, Format(span.kind));
}
