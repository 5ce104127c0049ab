#include "TavimoreApp.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QTranslator>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <utility>
#include <vector>

#include "Commands.h"
#include "CopyDataEndpoint.h"
#include "Debugger.h"
#include "DeviceOptions.h"
#include "DiagnosticsPanel.h"
#include "EditorSettings.h"
#include "EnvironmentDialog.h"
#include "FindReplaceDialog.h"
#include "InfraredPanel.h"
#include "LargeTextView.h"
#include "MainFrame.h"
#include "OptionDialog.h"
#include "QtHost.h"
#include "ReportPanel.h"
#include "ScriptDiagnostics.h"
#include "TavimoreDoc.h"
#include "TavimoreView.h"
#include "UiTexts.h"
#include "WatchPanel.h"

#ifndef TAVIMORE_DOC_DIR
#define TAVIMORE_DOC_DIR ""
#endif
#ifndef TAVIMORE_DOC_SUBDIR
#define TAVIMORE_DOC_SUBDIR "share/doc/Tavimore"
#endif

// The icons are compiled into the application's library; a static library's
// resources are registered by hand.
static void InitResources()
{
    Q_INIT_RESOURCE(tavimore);
}

// ---- About box

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(ui::kAboutCaption);
    auto* row = new QHBoxLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap(QStringLiteral(":/icons/tavimore.xpm")));
    icon->setAlignment(Qt::AlignTop);
    row->addWidget(icon);
    auto* texts = new QVBoxLayout;
    texts->addWidget(new QLabel(ui::kAboutVersion, this));
    auto* second = new QLabel(ui::kAboutLine2, this);
    second->setWordWrap(true);
    texts->addWidget(second);
    texts->addStretch();
    row->addLayout(texts, 1);
    auto* ok = new QPushButton(ui::kButtonOk, this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addStretch();
    row->addLayout(buttons);
    // A box of fixed size: no maximise button, no resizing.
    setWindowFlags(kFixedDialogFlags);
    setFixedSize(sizeHint().expandedTo(QSize(400, 0)));
}

// ---- Application

CTavimoreApp::CTavimoreApp() : m_pHost(std::make_unique<CQtHost>())
{
    InitResources();
}

CTavimoreApp::~CTavimoreApp()
{
    // The option dialog goes first, then the window, then the document with the engine.
    delete m_pHelp.data();
    m_pOptionDialog.reset();
    m_pHost->SetViewWidget(nullptr);
    m_pFrame.reset();
    m_pDocument.reset();
}

bool CTavimoreApp::InitInstance(const QStringList& arguments, QString& error)
{
    // Qt's own dialogs (files, printing) speak the editor's language.
    auto* translator = new QTranslator(qApp);
    if (translator->load(QStringLiteral("qtbase_ja"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);

    // The device libraries: the environment first, then the command line.
    CDeviceOptions devices = DeviceOptionsFromEnvironment();
    std::vector<std::string> args;
    for (const QString& arg : arguments)
        args.push_back(QFile::encodeName(arg).toStdString());
    QString file;
    for (size_t i = 0; i < args.size(); ++i) {
        const QString& arg = arguments[static_cast<qsizetype>(i)];
        std::string why;
        switch (TakeDeviceOption(args, i, devices, why)) {
        case DeviceOptionTaken::Yes:
            continue;
        case DeviceOptionTaken::Error:
            error = QString::fromStdString(why);
            return false;
        case DeviceOptionTaken::No:
            break;
        }
        if (arg == QLatin1String("--")) {
            if (i + 1 < args.size()) file = arguments[static_cast<qsizetype>(i) + 1];
            break;
        } else if (arg.startsWith(QLatin1String("--"))) {
            error = QStringLiteral("unknown option '%1'").arg(arg);
            return false;
        } else if (file.isEmpty()) {
            file = arg;
        }
    }
    // An elevated editor loads only the libraries of its installation.
    if (std::string why = ApplyDeviceOptions(devices); !why.empty()) {
        error = QString::fromStdString(why);
        return false;
    }
    m_pHost->SetLibraryChoice(DeviceLibrary::Ports, devices.ports.value);
    m_pHost->SetLibraryChoice(DeviceLibrary::Ftdi, devices.ftdi.value);
    m_strPortsChoice = devices.ports.value;
    m_strFtdiChoice = devices.ftdi.value;

    m_pDocument = std::make_unique<CTavimoreDoc>(*m_pHost);
    m_pFrame = std::make_unique<CMainFrame>();
    m_pFrame->View()->ShowText(m_pDocument->TextDocument());
    m_pHost->SetViewWidget(m_pFrame->View());
    m_pHost->SetStopButton(m_pFrame->StopButton());
    m_pHost->SetFailureNote(
        [this](const QString& note) { m_pFrame->statusBar()->showMessage(note); });
    m_pFind = new CFindReplaceDialog(m_pFrame->View(), m_pFrame.get());
    m_pFind->SetViewer(m_pFrame->LongView(), [this] { MakeEditable(); });
    ConnectCommands();
    RebuildRecentMenu();

    // A file named on the command line that cannot be opened ends the application,
    // after the user has been told why (once, before any window shows).
    if (file.isEmpty()) {
        OnFileNew();
    } else if (!OpenDocumentFile(file)) {
        error.clear();
        return false;
    }

    m_pFrame->show();
    m_pHost->SetMainWindow(m_pFrame.get());
    m_pFrame->View()->setFocus();

    m_pOptionDialog = std::make_unique<COptionDialog>();
    m_pOptionDialog->SetDocument(m_pDocument.get());
    KeepAboveMainWindow(m_pOptionDialog.get(), m_pFrame.get());
    m_pOptionDialog->hide();

    m_pEndpoint = new CCopyDataEndpoint(this);
    m_pEndpoint->SetOwnerWindow(m_pFrame.get());
    QString endpointError;
    if (!m_pEndpoint->Listen(endpointError))
        qWarning("tavimore: no endpoint for texts from other programs: %s",
                 qPrintable(endpointError));
    return true;
}

void CTavimoreApp::ConnectCommands()
{
    CMainFrame* frame = m_pFrame.get();
    for (const auto& [command, action] : frame->CommandActions()) {
        if (command->handler == nullptr) continue;
        connect(action, &QAction::triggered, frame,
                [this, handler = command->handler] { handler(*this); });
    }

    // The view's keys ask the document; the document's state shows in the frame.
    CTavimoreView* view = frame->View();
    CTavimoreDoc* doc = m_pDocument.get();
    connect(view, &CTavimoreView::RunRequested, doc, &CTavimoreDoc::RunText);
    connect(view, &CTavimoreView::StepRequested, doc, &CTavimoreDoc::StepLine);
    const auto stop = [doc] {
        // Esc stops a run, or a paused debug run; with neither it does nothing.
        if (doc->IsRunInProgress() || doc->IsDebugPaused()) doc->StopScript();
    };
    connect(view, &CTavimoreView::StopRequested, doc, stop);
    connect(frame->LongView(), &CLargeTextView::StopRequested, doc, stop);
    connect(view, &CTavimoreView::TitleToggledOn, doc, [doc] { doc->SetTitle(ui::kTitleToggle); });
    connect(doc, &CTavimoreDoc::TextReplaced, view, &CTavimoreView::OnTextReplaced);
    connect(doc, &CTavimoreDoc::CaretRequested, view, &CTavimoreView::ShowCaret);
    connect(doc, &CTavimoreDoc::StatementMarked, view, &CTavimoreView::MarkStatement);
    connect(doc, &CTavimoreDoc::RunStateChanged, frame, &CMainFrame::ShowRunning);
    connect(doc, &CTavimoreDoc::RegLChanged, frame, &CMainFrame::ShowRegL);
    connect(doc, &CTavimoreDoc::TitleChanged, frame,
            [frame, doc] { frame->setWindowTitle(CMainFrame::FrameTitle(doc->Title())); });
    connect(doc, &CTavimoreDoc::RunFinished, frame, [this] {
        if (!m_bCloseAfterRun) return;
        m_bCloseAfterRun = false;
        QTimer::singleShot(0, m_pFrame.get(), [this] { m_pFrame->close(); });
    });
    connect(frame, &CMainFrame::FilesDropped, frame, [this](const QStringList& paths) {
        // Each file is opened in turn; the last one stays.
        for (const QString& path : paths)
            if (!OpenDocumentFile(path)) break;
    });
    frame->SetCloseCheck([this] { return CanCloseFrame(); });

    // The infrared panel shows each new capture the registers hold after a run or step.
    auto* infrared = new CInfraredPanel(frame);
    frame->addDockWidget(Qt::BottomDockWidgetArea, infrared);
    infrared->hide();
    connect(doc, &CTavimoreDoc::RunFinished, infrared,
            [infrared, doc] { infrared->UpdateFromEngine(doc->Engine()); });

    CreateResultPanels();
    ConnectDebugger();
    ConnectLongOutput();
}

void CTavimoreApp::ConnectLongOutput()
{
    CMainFrame* frame = m_pFrame.get();
    CLargeTextView* viewer = frame->LongView();
    CTavimoreDoc* doc = m_pDocument.get();
    connect(doc, &CTavimoreDoc::LongOutputChanged, frame, [frame, viewer, doc] {
        const std::shared_ptr<const CLargeText>& output = doc->LongOutput();
        viewer->SetText(output);
        // As after a run that writes the text, the caret ends after the output.
        if (output != nullptr) viewer->SetSelection(output->End(), output->End());
        frame->ShowLongOutput(output != nullptr);
    });
    connect(viewer, &CLargeTextView::RunRequested, doc, &CTavimoreDoc::RunText);
    connect(viewer, &CLargeTextView::StepRequested, doc, &CTavimoreDoc::StepLine);
    // A key that would change the output makes it the view's text, which takes the key.
    connect(viewer, &CLargeTextView::EditRequested, this, [this](QEvent* event) {
        MakeEditable();
        QCoreApplication::sendEvent(m_pFrame->View(), event);
    });
    CDebugger* debugger = &doc->Debugger();
    viewer->SetBreakpointSource([debugger] { return debugger->BreakpointLines(); });
    connect(debugger, &CDebugger::BreakpointsChanged, viewer->viewport(),
            qOverload<>(&QWidget::update));
    // Breakpoints belong to the text's lines, which the output becomes first.
    connect(viewer, &CLargeTextView::BreakpointToggleRequested, debugger,
            [this, debugger](int line) {
                MakeEditable();
                debugger->ToggleBreakpoint(line);
            });
}

void CTavimoreApp::MakeEditable()
{
    if (m_pDocument->LongOutput() == nullptr) return;
    CLargeTextView* viewer = m_pFrame->LongView();
    const CTextPos anchor = viewer->Anchor();
    const CTextPos caret = viewer->Caret();
    m_pDocument->MakeEditable();
    // The caret and the selection stay where they were in the output.
    CTavimoreView* view = m_pFrame->View();
    const auto position = [view](CTextPos at) {
        const QTextBlock block = view->document()->findBlockByNumber(at.line);
        return block.position() + std::min(at.column, block.length() - 1);
    };
    QTextCursor cursor(view->document());
    cursor.setPosition(position(anchor));
    cursor.setPosition(position(caret), QTextCursor::KeepAnchor);
    view->ShowCaret(cursor);
}

int CTavimoreApp::CaretLine() const
{
    return m_pFrame->IsLongOutputShown() ? m_pFrame->LongView()->CaretLine()
                                         : m_pFrame->View()->CaretLine();
}

void CTavimoreApp::ConnectDebugger()
{
    CMainFrame* frame = m_pFrame.get();
    CTavimoreView* view = frame->View();
    CTavimoreDoc* doc = m_pDocument.get();
    CDebugger* debugger = &doc->Debugger();
    view->SetBreakpointSource([debugger] { return debugger->BreakpointLines(); });
    connect(debugger, &CDebugger::BreakpointsChanged, view->Gutter(),
            qOverload<>(&QWidget::update));
    connect(view, &CTavimoreView::BreakpointToggleRequested, debugger,
            [debugger](int line) { debugger->ToggleBreakpoint(line); });

    // The watch panel sits right of the text; hidden until asked for or until a debug
    // run first pauses, it follows every run, step and pause.
    m_pWatchPanel = new CWatchPanel(doc->Engine(), *debugger, frame);
    frame->addDockWidget(Qt::RightDockWidgetArea, m_pWatchPanel);
    m_pWatchPanel->hide();
    QAction* toggle = frame->Action(cmd::kDebugWatchPanel);
    connect(m_pWatchPanel, &QDockWidget::visibilityChanged, toggle,
            [this, toggle] { toggle->setChecked(m_pWatchPanel->isVisible()); });
    connect(doc, &CTavimoreDoc::RunFinished, m_pWatchPanel, &CWatchPanel::Refresh);
    connect(m_pWatchPanel, &CWatchPanel::ValueRejected, frame,
            [frame](const QString& why) { frame->statusBar()->showMessage(why, 5000); });

    // A pause says where and why until the debug run goes on or ends.
    connect(doc, &CTavimoreDoc::DebugPaused, frame,
            [this, frame, view](int line, const QString& changedWatch) {
                // The line as the gutter numbers it.
                const QString number = view->LineNumberText(line);
                frame->statusBar()->showMessage(
                    changedWatch.isEmpty() ? ui::kPausedAtBreakpoint.arg(number)
                                           : ui::kPausedOnChange.arg(number, changedWatch));
                frame->ShowPaused(true);
                ShowWatchPanel(false);
            });
    connect(doc, &CTavimoreDoc::DebugEnded, frame, [frame] {
        frame->statusBar()->clearMessage();
        frame->ShowPaused(false);
    });
    connect(doc, &CTavimoreDoc::RunStateChanged, frame, [frame, doc](bool running) {
        if (running && doc->IsDebugPaused()) frame->statusBar()->clearMessage();
    });
    // A step taken while paused leaves the debug run paused, which the bar goes on saying.
    connect(doc, &CTavimoreDoc::RunFinished, frame, [frame, doc] {
        if (!doc->IsDebugPaused()) return;
        frame->ShowPaused(true);
        if (frame->statusBar()->currentMessage().isEmpty())
            frame->statusBar()->showMessage(ui::kStillPaused);
    });
}

void CTavimoreApp::OnToggleBreakpoint()
{
    MakeEditable();
    m_pDocument->Debugger().ToggleBreakpoint(CaretLine());
}

void CTavimoreApp::OnDebugRun()
{
    const int line = CaretLine();
    MakeEditable();
    m_pDocument->DebugRun(line);
}

void CTavimoreApp::OnAddWatch()
{
    QString text;
    if (m_askWatch) {
        text = m_askWatch();
    } else {
        bool ok = false;
        text = QInputDialog::getText(m_pFrame.get(),
                                     ui::kCmdDebugAddWatchPrompt.section(QLatin1Char('\n'), 1),
                                     ui::kAddWatchLabel, QLineEdit::Normal, QString(), &ok);
        if (!ok) return;
    }
    if (text.trimmed().isEmpty()) return;
    QString error;
    if (!m_pDocument->Debugger().AddWatch(text, error)) {
        ReportError(error);
        return;
    }
    ShowWatchPanel(false);
}

void CTavimoreApp::ShowWatchPanel(bool focus)
{
    // At its first showing the panel gets room for its columns.
    static constexpr int kFirstWidth = 400;
    const bool first = !m_bWatchPanelShown;
    m_bWatchPanelShown = true;
    m_pWatchPanel->show();
    m_pWatchPanel->raise();
    if (first && !m_pWatchPanel->isFloating())
        m_pFrame->resizeDocks({m_pWatchPanel}, {kFirstWidth}, Qt::Horizontal);
    if (focus) m_pWatchPanel->Tree()->setFocus();
}

void CTavimoreApp::OnToggleWatchPanel()
{
    // Showing the panel gives it the keyboard, so that its values can be read and
    // copied without the mouse; on a panel shown but not in use the command does that
    // instead of hiding it.
    QAction* toggle = m_pFrame->Action(cmd::kDebugWatchPanel);
    const bool inUse = m_pWatchPanel->isAncestorOf(QApplication::focusWidget());
    if (m_pWatchPanel->isVisible() && !inUse) {
        toggle->setChecked(true);
    } else if (!toggle->isChecked()) {
        m_pWatchPanel->hide();
        m_pFrame->View()->setFocus();
        return;
    }
    ShowWatchPanel(true);
}

void CTavimoreApp::CreateResultPanels()
{
    CMainFrame* frame = m_pFrame.get();
    CTavimoreView* view = frame->View();
    CTavimoreDoc* doc = m_pDocument.get();

    // The findings hold cursors in the text, so they go with it.
    m_pDiagnostics = new CScriptDiagnostics(
        doc->TextDocument(), [doc] { return doc->EngineText(); }, doc->TextDocument());
    view->SetDiagnostics(m_pDiagnostics);
    connect(doc, &CTavimoreDoc::RunStateChanged, m_pDiagnostics, &CScriptDiagnostics::SetHeld);
    m_pDiagnosticsPanel = new CDiagnosticsPanel(m_pDiagnostics, frame);
    m_pReportPanel = new CReportPanel(frame);
    frame->addDockWidget(Qt::BottomDockWidgetArea, m_pDiagnosticsPanel);
    frame->tabifyDockWidget(m_pDiagnosticsPanel, m_pReportPanel);
    m_pDiagnosticsPanel->raise();
    // The panels take a strip below the text, which keeps most of the height.
    frame->resizeDocks({m_pDiagnosticsPanel}, {190}, Qt::Vertical);
    connect(m_pDiagnosticsPanel, &CDiagnosticsPanel::LineChosen, this, &CTavimoreApp::GoToLine);
    connect(m_pReportPanel, &CReportPanel::LineChosen, this, &CTavimoreApp::GoToLine);

    // The panels number lines as the gutter does.
    QAction* fromOne = frame->Action(cmd::kViewLinesFromOne);
    auto numberFrom = [this](bool one) {
        m_pDiagnostics->SetLineNumberBase(one ? 1 : 0);
        m_pReportPanel->Model()->SetLineNumberBase(one ? 1 : 0);
    };
    numberFrom(fromOne->isChecked());
    connect(fromOne, &QAction::toggled, this, numberFrom);

    connect(doc, &CTavimoreDoc::RunFinished, m_pReportPanel, [this, doc] {
        // A paused debug run has no report yet: the panel keeps the last one.
        if (doc->Engine().GetRunEnd() == RunEnd::Paused) return;
        m_pReportPanel->ShowReport(doc->Report());
        // A run that showed message boxes brings the panel forward: they say what failed.
        if (m_pReportPanel->Model()->BoxCount() > 0) {
            m_pReportPanel->show();
            m_pReportPanel->raise();
        }
    });

    frame->ShowModified(doc->IsModified());
    connect(doc->TextDocument(), &QTextDocument::modificationChanged, frame,
            &CMainFrame::ShowModified);
}

void CTavimoreApp::GoToLine(int line)
{
    if (m_pFrame->IsLongOutputShown()) {
        CLargeTextView* viewer = m_pFrame->LongView();
        if (line >= viewer->Text()->LineCount()) return;
        viewer->SetSelection({line, 0}, {line, 0});
        viewer->setFocus();
        return;
    }
    CTavimoreView* view = m_pFrame->View();
    const QTextBlock block = view->document()->findBlockByNumber(line);
    if (!block.isValid()) return;
    view->ShowCaret(QTextCursor(block));
    view->setFocus();
}

bool CTavimoreApp::RefuseWhileRunning()
{
    // The document must not change under a running script: the run's output would
    // replace the new text.
    if (!m_pDocument->IsRunInProgress()) return false;
    QApplication::beep();
    return true;
}

void CTavimoreApp::ReportError(const QString& text)
{
    if (m_reportError) {
        m_reportError(text);
        return;
    }
    // Before the main window shows (a file of the command line), the box stands alone
    // in the middle of the screen.
    QWidget* owner = m_pFrame != nullptr && m_pFrame->isVisible() ? m_pFrame.get() : nullptr;
    QMessageBox box(QMessageBox::Warning, ui::kAppTitle, text, QMessageBox::NoButton, owner);
    box.addButton(ui::kButtonOk, QMessageBox::AcceptRole);
    box.exec();
}

void CTavimoreApp::OnFileNew()
{
    if (RefuseWhileRunning() || !SaveModified()) return;
    m_pDocument->OnNewDocument();
}

void CTavimoreApp::OnFileOpen()
{
    if (RefuseWhileRunning() || !SaveModified()) return;
    QFileDialog dialog(m_pFrame.get(), ui::kOpenCaption, QString(), ui::kAllFilesFilter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    const QString path = RunFileDialog(dialog);
    if (!path.isEmpty()) OpenDocumentFile(path);
}

QString CTavimoreApp::RunFileDialog(QFileDialog& dialog)
{
    // Wide enough for the name, size, type and date columns of the detailed view
    // (a dialog of the desktop's own keeps its own size).
    const QSize hint = dialog.sizeHint();
    dialog.resize(qMax(hint.width(), kFileDialogSize.width()),
                  qMax(hint.height(), kFileDialogSize.height()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
}

bool CTavimoreApp::OpenDocumentFile(const QString& path)
{
    if (RefuseWhileRunning() || !SaveModified()) return false;
    QString error;
    if (!m_pDocument->OnOpenDocument(path, error)) {
        ReportError(ui::kOpenFailed.arg(QDir::toNativeSeparators(path), error));
        // A recent file that can no longer be read leaves the list.
        if (m_recent.Paths().contains(QFileInfo(path).absoluteFilePath())) {
            m_recent.Remove(path);
            RebuildRecentMenu();
        }
        return false;
    }
    m_recent.Add(path);
    RebuildRecentMenu();
    return true;
}

bool CTavimoreApp::SaveTo(const QString& path)
{
    QString error;
    if (!m_pDocument->OnSaveDocument(path, error)) {
        ReportError(ui::kSaveFailed.arg(QDir::toNativeSeparators(path), error));
        return false;
    }
    m_recent.Add(path);
    RebuildRecentMenu();
    return true;
}

bool CTavimoreApp::OnFileSave()
{
    if (m_pDocument->PathName().isEmpty()) return OnFileSaveAs();
    return SaveTo(m_pDocument->PathName());
}

bool CTavimoreApp::OnFileSaveAs()
{
    QString path;
    if (m_askSaveAs)
        path = m_askSaveAs();
    else {
        QFileDialog dialog(m_pFrame.get(), ui::kSaveAsCaption, QString(), ui::kAllFilesFilter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.selectFile(m_pDocument->PathName().isEmpty() ? ui::kAppTitle
                                                            : m_pDocument->PathName());
        path = RunFileDialog(dialog);
    }
    if (path.isEmpty()) return false;
    return SaveTo(path);
}

bool CTavimoreApp::SaveModified()
{
    if (!m_pDocument->IsModified()) return true;
    // The document is named as its title shows it (a file name, or "true" once typed into).
    const QString name = m_pDocument->Title().isEmpty() ? ui::kUntitled : m_pDocument->Title();
    SaveAnswer answer = SaveAnswer::Cancel;
    if (m_askToSave) {
        answer = m_askToSave(name);
    } else {
        QMessageBox box(QMessageBox::Warning, ui::kAppTitle, ui::kAskToSave.arg(name),
                        QMessageBox::NoButton, m_pFrame.get());
        QPushButton* yes = box.addButton(ui::kButtonYes, QMessageBox::YesRole);
        QAbstractButton* no = box.addButton(ui::kButtonNo, QMessageBox::NoRole);
        QAbstractButton* cancel = box.addButton(ui::kButtonCancel, QMessageBox::RejectRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(cancel);
        box.exec();
        if (box.clickedButton() == yes)
            answer = SaveAnswer::Yes;
        else if (box.clickedButton() == no)
            answer = SaveAnswer::No;
    }
    if (answer == SaveAnswer::Cancel) return false;
    if (answer == SaveAnswer::No) return true;
    return OnFileSave();
}

bool CTavimoreApp::CanCloseFrame()
{
    if (m_pDocument->IsRunInProgress()) {
        // The window closes once the run has ended.
        m_bCloseAfterRun = true;
        m_pDocument->StopScript();
        return false;
    }
    if (!SaveModified()) return false;
    if (m_pOptionDialog) m_pOptionDialog->hide();
    if (m_pFind) m_pFind->hide();
    return true;
}

void CTavimoreApp::RebuildRecentMenu()
{
    QMenu* menu = m_pFrame->FileMenu();
    QAction* placeholder = m_pFrame->RecentPlaceholder();
    for (QAction* action : m_recentActions) {
        menu->removeAction(action);
        action->deleteLater();
    }
    m_recentActions.clear();
    const QStringList paths = m_recent.Paths();
    placeholder->setVisible(paths.isEmpty());
    for (int i = 0; i < paths.size(); ++i) {
        QString shown = QDir::toNativeSeparators(paths[i]);
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* action = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown), menu);
        action->setData(cmd::kFileMruFirst + i);
        action->setStatusTip(ui::kRecentPrompt);
        const QString path = paths[i];
        connect(action, &QAction::triggered, this, [this, path] { OpenDocumentFile(path); });
        menu->insertAction(placeholder, action);
        m_recentActions << action;
    }
}

void CTavimoreApp::OnAppAbout()
{
    CAboutDialog about(m_pFrame.get());
    about.exec();
}

void CTavimoreApp::OnChooseFont()
{
    CTavimoreView* view = m_pFrame->View();
    bool chosen = false;
    const QFont font = QFontDialog::getFont(&chosen, view->font(), m_pFrame.get(),
                                            ui::kCmdViewFontPrompt.section(QLatin1Char('\n'), 1));
    if (!chosen) return;
    m_pFrame->SetEditorFont(font);
    editorsettings::SetEditorFont(font.toString());
}

void CTavimoreApp::OnHelpKeys()
{
    auto* dialog = new QDialog(m_pFrame.get());
    dialog->setObjectName(QStringLiteral("keysDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(ui::kKeysTitle);
    const QStringList rows = ui::kKeysList.split(QLatin1Char('\n'));
    auto* table = new QTableWidget(static_cast<int>(rows.size()), 2, dialog);
    table->setObjectName(QStringLiteral("keysTable"));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->horizontalHeader()->hide();
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    for (int row = 0; row < rows.size(); ++row) {
        const QStringList cells = rows[row].split(QLatin1Char('\t'));
        for (int column = 0; column < 2 && column < cells.size(); ++column)
            table->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    table->resizeColumnToContents(0);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(table);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    layout->addWidget(buttons);
    dialog->resize(560, 420);
    dialog->show();
}

void CTavimoreApp::OnEnvironmentCheck()
{
    if (m_pEnvironmentDialog == nullptr)
        m_pEnvironmentDialog =
            new CEnvironmentDialog(m_strPortsChoice, m_strFtdiChoice, m_pFrame.get());
    else
        m_pEnvironmentDialog->Refresh();
    m_pEnvironmentDialog->show();
    m_pEnvironmentDialog->raise();
    m_pEnvironmentDialog->activateWindow();
}

void CTavimoreApp::OnShowOptions()
{
    m_pOptionDialog->show();
    m_pOptionDialog->raise();
    m_pOptionDialog->activateWindow();
}

void CTavimoreApp::OnFilePrint()
{
    QPrintDialog dialog(&m_printer, m_pFrame.get());
    // Printing lays out the text, which a long output becomes first.
    MakeEditable();
    if (dialog.exec() == QDialog::Accepted) m_pFrame->View()->print(&m_printer);
}

void CTavimoreApp::OnFilePrintDirect()
{
    MakeEditable();
    m_pFrame->View()->print(&m_printer);
}

void CTavimoreApp::OnFilePrintPreview()
{
    MakeEditable();
    QPrintPreviewDialog preview(&m_printer, m_pFrame.get());
    connect(&preview, &QPrintPreviewDialog::paintRequested, m_pFrame->View(),
            &QPlainTextEdit::print);
    preview.exec();
}

void CTavimoreApp::OnFilePrintSetup()
{
    QPageSetupDialog setup(&m_printer, m_pFrame.get());
    setup.exec();
}

QString CTavimoreApp::HelpFile()
{
    // Beside the executable's tree first (a build tree, or an installation moved
    // elsewhere), then where the program was installed.
    const QString name = QStringLiteral("language.md");
    QStringList candidates;
    QDir dir(QFile::decodeName(QByteArray::fromStdString(platform::ExecutableFolder())));
    for (int up = 0; up < 3 && !dir.path().isEmpty(); ++up) {
        candidates << dir.filePath(QStringLiteral("docs/") + name)
                   << dir.filePath(QStringLiteral(TAVIMORE_DOC_SUBDIR "/") + name);
        if (!dir.cdUp()) break;
    }
    candidates << QStringLiteral(TAVIMORE_DOC_DIR "/") + name;
    for (const QString& candidate : candidates)
        if (QFileInfo(candidate).isFile()) return QFileInfo(candidate).absoluteFilePath();
    return QString();
}

void CTavimoreApp::OnHelpFinder()
{
    const QString file = HelpFile();
    if (file.isEmpty()) {
        ReportError(ui::kNoHelp);
        return;
    }
    // The help is the language description, shown in a window of the editor's own so
    // that it reads the same on every desktop.
    if (m_pHelp == nullptr) {
        m_pHelp = new QTextBrowser;
        m_pHelp->setAttribute(Qt::WA_DeleteOnClose);
        m_pHelp->setObjectName(QStringLiteral("helpWindow"));
        m_pHelp->setWindowTitle(ui::kHelpCaption);
        m_pHelp->setOpenExternalLinks(true);
        m_pHelp->resize(760, 600);
        KeepAboveMainWindow(m_pHelp, m_pFrame.get());
    }
    m_pHelp->setSource(QUrl::fromLocalFile(file), QTextDocument::MarkdownResource);
    m_pHelp->show();
    m_pHelp->raise();
    m_pHelp->activateWindow();
}

void CTavimoreApp::OnEditFind(bool replace)
{
    m_pFind->ShowFor(replace);
}

QWidget* CTavimoreApp::HelpWindow() const
{
    return m_pHelp.data();
}
