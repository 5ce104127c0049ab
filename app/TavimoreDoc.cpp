#include "TavimoreDoc.h"

#include <QAbstractUndoItem>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextDocumentLayout>
#include <QSaveFile>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>

#include "Debugger.h"
#include "QtHost.h"
#include "Stepper.h"
#include "UiTexts.h"

// A step of the text's history that changes what is shown: a long output (before or
// after), or the text itself (null). The text is not touched.
class CLongOutputSwitch final : public QAbstractUndoItem {
public:
    CLongOutputSwitch(CTavimoreDoc& doc, std::shared_ptr<const CLargeText> before,
                      std::shared_ptr<const CLargeText> after)
        : m_doc(doc), m_pBefore(std::move(before)), m_pAfter(std::move(after))
    {
    }
    void undo() override { m_doc.SetLongOutput(m_pBefore); }
    void redo() override { m_doc.SetLongOutput(m_pAfter); }

private:
    CTavimoreDoc& m_doc;
    std::shared_ptr<const CLargeText> m_pBefore;
    std::shared_ptr<const CLargeText> m_pAfter;
};

CTavimoreDoc::CTavimoreDoc(CQtHost& host, QObject* parent)
    : QObject(parent), m_host(host), m_pEngine(std::make_unique<CScriptEngine>(host))
{
    // The report becomes the text: a log at the engine's full bound (256 MiB) would
    // cost the text widget about 2 GB and most of a minute, so the editor's runs keep
    // a quarter of it (still over a million status lines).
    m_pEngine->SetLogLimit(CScriptEngine::kDefaultLogLimit / 4);
    // The report panel shows which statement produced each box and status line.
    m_pEngine->SetRecordSources(true);
    m_text.setDocumentLayout(new QPlainTextDocumentLayout(&m_text));
    m_text.setUndoRedoEnabled(true);
    m_pDebugger = std::make_unique<CDebugger>(m_text, *m_pEngine);
}

CTavimoreDoc::~CTavimoreDoc() = default;

void CTavimoreDoc::SetTitle(const QString& title)
{
    if (title == m_strTitle) return;
    m_strTitle = title;
    emit TitleChanged();
}

void CTavimoreDoc::ReplaceText(const QString& text)
{
    // A loaded text starts with no undo history and unmodified.
    SetLongOutput(nullptr);
    m_text.setPlainText(text);
    m_text.clearUndoRedoStacks();
    m_text.setModified(false);
    emit TextReplaced();
}

void CTavimoreDoc::SetLongOutput(std::shared_ptr<const CLargeText> output)
{
    if (output == m_pLongOutput) return;
    m_pLongOutput = std::move(output);
    if (!m_bQuietSwitch) emit LongOutputChanged();
}

QTextCursor CTavimoreDoc::WriteText(const QString& text)
{
    QTextCursor cursor(&m_text);
    cursor.beginEditBlock();
    // A long output shown until now is what undo brings back.
    if (m_pLongOutput != nullptr)
        m_text.appendUndoItem(new CLongOutputSwitch(*this, m_pLongOutput, nullptr));
    cursor.select(QTextCursor::Document);
    cursor.insertText(text);
    cursor.endEditBlock();
    SetLongOutput(nullptr);
    return cursor;
}

void CTavimoreDoc::MakeEditable()
{
    if (m_pLongOutput == nullptr) return;
    const std::shared_ptr<const CLargeText> output = m_pLongOutput;
    const bool modified = m_text.isModified();
    {
        // The switch to the output is the last step of the history: undone, it shows
        // what was shown before, and the edit that writes the output drops it from the
        // redo history. Those who watch see one change, from the output to the text.
        const QScopedValueRollback quiet(m_bQuietSwitch, true);
        m_text.undo();
        WriteText(doctext::Decode(output->Bytes()));
    }
    // The text now holds what was shown: it is as modified as it was.
    m_text.setModified(modified);
    emit LongOutputChanged();
}

QString CTavimoreDoc::Text() const
{
    if (m_pLongOutput != nullptr) return doctext::Decode(m_pLongOutput->Bytes());
    // The raw text keeps every character (the plain text would turn no-break spaces
    // into spaces); blocks are separated by the paragraph separator.
    QString text = m_text.toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

bool CTavimoreDoc::OnNewDocument()
{
    AbandonDebugRun();
    m_pDebugger->LoadBreakpoints(QString());
    m_strPath.clear();
    m_eLineBreaks = doctext::LineBreaks::CrLf;
    SetTitle(QString());
    ReplaceText(QString());
    return true;
}

bool CTavimoreDoc::OnOpenDocument(const QString& path, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return false;
    }
    const std::string_view view(bytes.constData(), static_cast<size_t>(bytes.size()));
    AbandonDebugRun();
    // The old file's breakpoints are let go before its text is.
    m_pDebugger->LoadBreakpoints(QString());
    m_eLineBreaks = doctext::DetectLineBreaks(view);
    m_strPath = QFileInfo(path).absoluteFilePath();
    SetTitle(QFileInfo(path).fileName());
    ReplaceText(doctext::Decode(view, m_eLineBreaks));
    m_pDebugger->LoadBreakpoints(m_strPath);
    return true;
}

namespace {

// Why a write failed, in the user's words: a full disk says so, anything else is the
// system's own reason.
QString WriteFailure(const QFileDevice& file)
{
    if (file.error() == QFileDevice::ResourceError) return ui::kDiskFull;
    return file.errorString();
}

} // namespace

bool CTavimoreDoc::OnSaveDocument(const QString& path, QString& error)
{
    // A long output is written from its bytes when they are the file's form already.
    const bool asShown = m_pLongOutput != nullptr && m_eLineBreaks == doctext::LineBreaks::CrLf;
    const std::string encoded = asShown ? std::string() : doctext::Encode(Text(), m_eLineBreaks);
    const std::string& bytes = asShown ? m_pLongOutput->Bytes() : encoded;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    // Written and flushed before the commit: the commit closes the file, and closing
    // forgets why a write failed. A write that stops short (the disk filled up on the
    // way) is tried again for the rest, so that the failure comes with its reason.
    const auto size = static_cast<qint64>(bytes.size());
    qint64 done = 0;
    while (done < size) {
        const qint64 written = file.write(bytes.data() + done, size - done);
        if (written <= 0) break;
        done += written;
    }
    if (done < size || !file.flush()) {
        error = WriteFailure(file);
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = WriteFailure(file);
        return false;
    }
    m_strPath = QFileInfo(path).absoluteFilePath();
    SetTitle(QFileInfo(path).fileName());
    SetModified(false);
    m_pDebugger->KeepFor(m_strPath);
    return true;
}

std::string CTavimoreDoc::EngineText() const
{
    if (m_pLongOutput != nullptr) return m_pLongOutput->Bytes();
    return doctext::Encode(Text());
}

void CTavimoreDoc::Refuse() const
{
    // A run or step is already in progress (this command came through its message
    // pump or one of its message boxes): nothing happens.
    QApplication::beep();
}

void CTavimoreDoc::HandEngineWindowContext()
{
    // The parent of windows a script opens inside the editor is the view; the Qt host
    // hands the widget itself out (CQtHost::ViewWidget), so the handle only marks it.
    m_pEngine->SetWindowContext(reinterpret_cast<std::uintptr_t>(m_host.ViewWidget()),
                                reinterpret_cast<std::uintptr_t>(QCoreApplication::instance()));
}

void CTavimoreDoc::RunScript(const std::string& text)
{
    if (m_pEngine->IsRunInProgress()) {
        Refuse();
        return;
    }
    AbandonDebugRun();
    m_host.ResetStop();
    HandEngineWindowContext();
    m_pEngine->SetScript(text);
    emit RunStateChanged(true);
    m_pEngine->Run(-1);
    m_host.EndRun();
    emit RunStateChanged(false);
    ShowRunOutput();
}

void CTavimoreDoc::ShowRunOutput()
{
    emit StatementMarked(-1);
    auto output = std::make_shared<const CLargeText>(m_pEngine->OutputText());
    m_pRunOutput = output;
    if (output->LineCount() > kLongOutputLines) {
        // The text stays as it is; its history records that the output is shown.
        QTextCursor edit(&m_text);
        edit.beginEditBlock();
        m_text.appendUndoItem(new CLongOutputSwitch(*this, m_pLongOutput, output));
        edit.endEditBlock();
        SetLongOutput(std::move(output));
    } else {
        // The whole text, replaced as one edit that undo takes back; the caret ends
        // after the output.
        emit CaretRequested(WriteText(doctext::Decode(output->Bytes())));
    }
    RefreshRegL();
    emit RunFinished();
}

void CTavimoreDoc::StepLine(int line)
{
    if (m_pEngine->IsRunInProgress()) {
        Refuse();
        return;
    }
    // A step rewrites its line: a long output becomes the text first.
    MakeEditable();
    const QTextBlock block = m_text.findBlockByNumber(line);
    if (!block.isValid()) return;

    // The line and its line break, selected and shown while the statement runs. The
    // cursor follows edits made meanwhile (in a message box's loop), so the result
    // replaces this line wherever it has moved.
    QTextCursor lineCursor(&m_text);
    lineCursor.setPosition(block.position());
    const QTextBlock next = block.next();
    if (next.isValid())
        lineCursor.setPosition(next.position(), QTextCursor::KeepAnchor);
    else
        lineCursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    emit CaretRequested(lineCursor);

    m_host.ResetStop();
    HandEngineWindowContext();
    emit RunStateChanged(true);
    const CStepResult result = StepDocumentLine(*m_pEngine, EngineText(), line);
    m_host.EndRun();
    emit RunStateChanged(false);
    if (!result.ran) {
        emit RunFinished();
        Refuse();
        return;
    }
    // The rewrite replaces the line: its breakpoint stays on it, and those below
    // move down by the lines the result added.
    const std::vector<int> breakpoints = m_pDebugger->BreakpointLines();
    const int blocksBefore = m_text.blockCount();
    lineCursor.beginEditBlock();
    lineCursor.insertText(doctext::Decode(result.replacement));
    lineCursor.endEditBlock();
    if (!breakpoints.empty()) {
        const int added = m_text.blockCount() - blocksBefore;
        std::vector<int> moved;
        for (int mark : breakpoints)
            moved.push_back(mark > line ? mark + added : mark);
        m_pDebugger->SetBreakpointLines(moved);
    }
    // The caret goes to the statement that would run next.
    const QTextBlock target = m_text.findBlockByNumber(result.caretLine);
    QTextCursor caret(&m_text);
    caret.setPosition(target.isValid() ? target.position() : lineCursor.position());
    emit CaretRequested(caret);
    emit StatementMarked(target.isValid() ? result.caretLine : -1);
    RefreshRegL();
    emit RunFinished();
}

CRunReport CTavimoreDoc::Report() const
{
    CRunReport report;
    // The output is the script, CR LF, the report line, CR LF, then the status lines.
    const std::string& output = m_pEngine->OutputText();
    const size_t afterScript = std::min(output.size(), m_pEngine->ScriptText().size() + 2);
    const size_t brk = output.find("\r\n", afterScript);
    const size_t start = brk == std::string::npos ? output.size() : brk + 2;
    if (m_pRunOutput != nullptr && m_pRunOutput->Bytes() == output) {
        // The output the run left in the document holds them already.
        report.owner = m_pRunOutput;
        report.ownedStatusText = std::string_view(m_pRunOutput->Bytes()).substr(start);
    } else {
        report.statusText = output.substr(start);
    }
    report.statusLines = m_pEngine->StatusLineSources();
    for (const CScriptEngine::CBoxRecord& box : m_pEngine->BoxSources())
        report.boxes.push_back(
            {box.line, doctext::DecodeMessage(box.caption), doctext::DecodeMessage(box.text)});
    return report;
}

void CTavimoreDoc::StopScript()
{
    if (!m_pEngine->IsRunInProgress() && m_pEngine->IsDebugPaused()) {
        // A stop while paused ends the debug run where it stands: what ran so far is
        // reported as for a stopped run.
        m_pEngine->RequestStop();
        FinishDebugRun();
        return;
    }
    if (m_pEngine->IsRunInProgress()) m_host.NoteStopRequest();
    m_pEngine->RequestStop();
    RefreshRegL();
}

void CTavimoreDoc::RefreshRegL()
{
    const std::string text =
        m_pEngine->FormatNumber(static_cast<int32_t>(m_pEngine->GetRegL()), 8, 16);
    emit RegLChanged(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void CTavimoreDoc::DebugRun(int line)
{
    if (m_pEngine->IsRunInProgress()) {
        Refuse();
        return;
    }
    // A pause shows its statement in the text: a long output becomes the text first.
    MakeEditable();
    const bool continuing = m_pEngine->IsDebugPaused();
    m_host.ResetStop();
    HandEngineWindowContext();
    // A continuation runs the text as it stands now (a step meanwhile may have written
    // its result into it), from the caret's line; its report shows that text.
    m_pEngine->SetScript(EngineText());
    m_pDebugger->PrepareRun();
    emit StatementMarked(-1);
    emit RunStateChanged(true);
    m_pEngine->DebugRun(continuing ? line : 0, *m_pDebugger);
    m_host.EndRun();
    emit RunStateChanged(false);

    if (m_pEngine->GetRunEnd() == RunEnd::Paused) {
        // The text stays; the caret and the mark go to the statement that runs next.
        const int paused = m_pEngine->PausedLine();
        const QTextBlock block = m_text.findBlockByNumber(paused);
        QTextCursor caret(&m_text);
        if (block.isValid())
            caret.setPosition(block.position());
        else
            caret.movePosition(QTextCursor::End);
        emit CaretRequested(caret);
        emit StatementMarked(block.isValid() ? paused : -1);
        RefreshRegL();
        emit DebugPaused(paused,
                         m_pDebugger->PausedOnChange() ? m_pDebugger->ChangedWatch() : QString());
        emit RunFinished();
        return;
    }
    ShowRunOutput();
    emit DebugEnded();
}

void CTavimoreDoc::FinishDebugRun()
{
    // Continuing past the last line runs nothing and builds the report.
    m_pEngine->SetScript(EngineText());
    m_pEngine->DebugRun(m_text.blockCount(), *m_pDebugger);
    ShowRunOutput();
    emit DebugEnded();
}

void CTavimoreDoc::AbandonDebugRun()
{
    if (!m_pEngine->IsDebugPaused()) return;
    m_pEngine->AbandonDebugRun();
    emit StatementMarked(-1);
    emit DebugEnded();
}
