#include "TavimoreDoc.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "QtHost.h"
#include "Stepper.h"
#include "TavimoreView.h"
#include "UiTexts.h"

CTavimoreDoc::CTavimoreDoc(CQtHost& host, QObject* parent)
    : QObject(parent), m_host(host), m_pEngine(std::make_unique<CScriptEngine>(host))
{
    // The report becomes the editor's text: a log at the engine's full bound (256 MiB)
    // would cost the text widget about 2 GB and most of a minute, so the editor's
    // runs keep a quarter of it (still over a million status lines).
    m_pEngine->SetLogLimit(CScriptEngine::kDefaultLogLimit / 4);
}

CTavimoreDoc::~CTavimoreDoc() = default;

void CTavimoreDoc::SetView(CTavimoreView* view)
{
    m_pView = view;
    if (view != nullptr) view->SetDocument(this);
    m_host.SetViewWidget(view);
}

void CTavimoreDoc::SetTitle(const QString& title)
{
    if (title == m_strTitle) return;
    m_strTitle = title;
    emit TitleChanged();
}

bool CTavimoreDoc::IsModified() const
{
    return m_pView != nullptr && m_pView->document()->isModified();
}

void CTavimoreDoc::SetModified(bool modified)
{
    if (m_pView != nullptr) m_pView->document()->setModified(modified);
}

bool CTavimoreDoc::OnNewDocument()
{
    if (m_pView != nullptr) m_pView->SetEditorText(QString());
    m_strPath.clear();
    m_eLineBreaks = doctext::LineBreaks::CrLf;
    SetTitle(QString());
    SetModified(false);
    if (m_pView != nullptr) m_pView->OnUpdate();
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
    m_eLineBreaks = doctext::DetectLineBreaks(view);
    if (m_pView != nullptr) m_pView->SetEditorText(doctext::Decode(view, m_eLineBreaks));
    m_strPath = QFileInfo(path).absoluteFilePath();
    SetTitle(QFileInfo(path).fileName());
    SetModified(false);
    if (m_pView != nullptr) m_pView->OnUpdate();
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
    const QString text = m_pView != nullptr ? m_pView->EditorText() : QString();
    const std::string bytes = doctext::Encode(text, m_eLineBreaks);
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
    return true;
}

std::string CTavimoreDoc::EngineText() const
{
    return doctext::Encode(m_pView != nullptr ? m_pView->EditorText() : QString());
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
    m_pEngine->SetWindowContext(reinterpret_cast<std::uintptr_t>(m_pView.data()),
                                reinterpret_cast<std::uintptr_t>(QCoreApplication::instance()));
}

void CTavimoreDoc::RunScript(const std::string& text)
{
    if (m_pEngine->IsRunInProgress() || m_pView == nullptr) {
        Refuse();
        return;
    }
    m_host.ResetStop();
    HandEngineWindowContext();
    m_pEngine->SetScript(text);
    m_pEngine->Run(-1);
    m_host.EndRun();

    if (m_pView != nullptr) {
        // The whole text, replaced as one edit that undo takes back.
        QTextCursor cursor(m_pView->document());
        cursor.beginEditBlock();
        cursor.select(QTextCursor::Document);
        cursor.insertText(doctext::Decode(m_pEngine->GetOutput()));
        cursor.endEditBlock();
        m_pView->setTextCursor(cursor);
    }
    RefreshRegLDisplay();
    emit RunFinished();
}

void CTavimoreDoc::StepAtCaret()
{
    StepLine(GetCaretLine());
}

int CTavimoreDoc::GetCaretLine() const
{
    if (m_pView == nullptr) return 0;
    const QTextCursor cursor = m_pView->textCursor();
    return m_pView->document()->findBlock(cursor.selectionStart()).blockNumber();
}

void CTavimoreDoc::StepLine(int line)
{
    if (m_pEngine->IsRunInProgress() || m_pView == nullptr) {
        Refuse();
        return;
    }
    QTextDocument* document = m_pView->document();
    const QTextBlock block = document->findBlockByNumber(line);
    if (!block.isValid()) return;

    // The line and its line break, selected and shown while the statement runs. The
    // cursor follows edits made meanwhile (in a message box's loop), so the result
    // replaces this line wherever it has moved.
    QTextCursor lineCursor(document);
    lineCursor.setPosition(block.position());
    const QTextBlock next = block.next();
    if (next.isValid())
        lineCursor.setPosition(next.position(), QTextCursor::KeepAnchor);
    else
        lineCursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    m_pView->setTextCursor(lineCursor);
    m_pView->ensureCursorVisible();

    m_host.ResetStop();
    HandEngineWindowContext();
    const CStepResult result = StepDocumentLine(*m_pEngine, EngineText(), line);
    m_host.EndRun();
    if (!result.ran) {
        emit RunFinished();
        Refuse();
        return;
    }
    if (m_pView != nullptr) {
        lineCursor.beginEditBlock();
        lineCursor.insertText(doctext::Decode(result.replacement));
        lineCursor.endEditBlock();
        // The caret goes to the statement that would run next.
        const QTextBlock target = document->findBlockByNumber(result.caretLine);
        QTextCursor caret(document);
        caret.setPosition(target.isValid() ? target.position() : lineCursor.position());
        m_pView->setTextCursor(caret);
        m_pView->ensureCursorVisible();
    }
    RefreshRegLDisplay();
    emit RunFinished();
}

void CTavimoreDoc::StopScript()
{
    if (m_pEngine->IsRunInProgress()) m_host.NoteStopRequest();
    m_pEngine->RequestStop();
    RefreshRegLDisplay();
}

void CTavimoreDoc::RefreshRegLDisplay()
{
    if (m_pRegLDisplay == nullptr) return;
    const std::string text =
        m_pEngine->FormatNumber(static_cast<int32_t>(m_pEngine->GetRegL()), 8, 16);
    m_pRegLDisplay->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}
