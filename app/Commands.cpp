#include "Commands.h"

#include <QWhatsThis>

#include "LargeTextView.h"
#include "MainFrame.h"
#include "TavimoreApp.h"
#include "TavimoreDoc.h"
#include "TavimoreView.h"
#include "UiTexts.h"

namespace cmd {

namespace {

CTavimoreView& View(CTavimoreApp& app)
{
    return *app.MainFrame()->View();
}

// The view, with a run's long output shown made its text first: for the commands
// that change the text.
CTavimoreView& EditableView(CTavimoreApp& app)
{
    app.MakeEditable();
    return View(app);
}

// The viewer of a long output when it is shown, else null.
CLargeTextView* ShownViewer(CTavimoreApp& app)
{
    return app.MainFrame()->IsLongOutputShown() ? app.MainFrame()->LongView() : nullptr;
}

constexpr QKeyCombination kNoKey(Qt::Key_unknown);

} // namespace

const std::vector<Command>& Commands()
{
    using M = Menu;
    // One row a command, kept compact so that the table reads as one.
    // clang-format off
    static const std::vector<Command> commands = {
        // File
        {.id = kFileNew, .text = ui::kCmdFileNew, .prompt = ui::kCmdFileNewPrompt, .icon = "new",
         .keys = {Qt::CTRL | Qt::Key_N, kNoKey}, .menu = M::File, .menuGroup = 1, .toolGroup = 1,
         .handler = [](CTavimoreApp& app) { app.OnFileNew(); }},
        {.id = kFileOpen, .text = ui::kCmdFileOpen, .prompt = ui::kCmdFileOpenPrompt,
         .icon = "open", .keys = {Qt::CTRL | Qt::Key_O, kNoKey}, .menu = M::File, .menuGroup = 1,
         .toolGroup = 2, .handler = [](CTavimoreApp& app) { app.OnFileOpen(); }},
        {.id = kFileSave, .text = ui::kCmdFileSave, .prompt = ui::kCmdFileSavePrompt,
         .icon = "save", .keys = {Qt::CTRL | Qt::Key_S, kNoKey}, .menu = M::File, .menuGroup = 1,
         .toolGroup = 2, .handler = [](CTavimoreApp& app) { app.OnFileSave(); }},
        {.id = kFileSaveAs, .text = ui::kCmdFileSaveAs, .prompt = ui::kCmdFileSaveAsPrompt,
         .menu = M::File, .menuGroup = 1,
         .handler = [](CTavimoreApp& app) { app.OnFileSaveAs(); }},
        {.id = kFilePrint, .text = ui::kCmdFilePrint, .prompt = ui::kCmdFilePrintPrompt,
         .icon = "print", .keys = {Qt::CTRL | Qt::Key_P, kNoKey}, .menu = M::File, .menuGroup = 2,
         .toolGroup = 4, .handler = [](CTavimoreApp& app) { app.OnFilePrint(); }},
        {.id = kFilePrintPreview, .text = ui::kCmdFilePrintPreview,
         .prompt = ui::kCmdFilePrintPreviewPrompt, .menu = M::File, .menuGroup = 2,
         .handler = [](CTavimoreApp& app) { app.OnFilePrintPreview(); }},
        {.id = kFilePrintSetup, .text = ui::kCmdFilePrintSetup,
         .prompt = ui::kCmdFilePrintSetupPrompt, .menu = M::File, .menuGroup = 2,
         .handler = [](CTavimoreApp& app) { app.OnFilePrintSetup(); }},
        {.id = kFileSendMail, .text = ui::kCmdFileSendMail, .prompt = ui::kCmdFileSendMailPrompt,
         .menu = M::File, .menuGroup = 3, .enabled = false},
        // The place of the recent files, greyed while the list is empty.
        {.id = kFileMruFirst, .text = ui::kRecentPlaceholder, .prompt = ui::kRecentPrompt,
         .menu = M::File, .menuGroup = 4, .enabled = false},
        {.id = kAppExit, .text = ui::kCmdAppExit, .prompt = ui::kCmdAppExitPrompt,
         .menu = M::File, .menuGroup = 5,
         .handler = [](CTavimoreApp& app) { app.MainFrame()->close(); }},
        {.id = kFileNoText, .menu = M::File, .menuGroup = 5, .enabled = false},
        {.id = kFilePrintDirect, .handler = [](CTavimoreApp& app) { app.OnFilePrintDirect(); }},

        // Edit
        {.id = kEditUndo, .text = ui::kCmdEditUndo, .prompt = ui::kCmdEditUndoPrompt,
         .keys = {Qt::CTRL | Qt::Key_Z, Qt::ALT | Qt::Key_Backspace}, .menu = M::Edit,
         .menuGroup = 1, .handler = [](CTavimoreApp& app) { View(app).undo(); }},
        {.id = kEditRedo, .text = ui::kCmdEditRedo, .prompt = ui::kCmdEditRedoPrompt,
         .keys = {Qt::CTRL | Qt::Key_Y, Qt::CTRL | Qt::SHIFT | Qt::Key_Z}, .menu = M::Edit,
         .menuGroup = 1, .handler = [](CTavimoreApp& app) { View(app).redo(); }},
        {.id = kEditCut, .text = ui::kCmdEditCut, .prompt = ui::kCmdEditCutPrompt, .icon = "cut",
         .keys = {Qt::CTRL | Qt::Key_X, Qt::SHIFT | Qt::Key_Delete}, .menu = M::Edit,
         .menuGroup = 2, .toolGroup = 3, .handler = [](CTavimoreApp& app) { EditableView(app).cut(); }},
        {.id = kEditCopy, .text = ui::kCmdEditCopy, .prompt = ui::kCmdEditCopyPrompt,
         .icon = "copy", .keys = {Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert},
         .menu = M::Edit, .menuGroup = 2, .toolGroup = 3,
         .handler = [](CTavimoreApp& app) {
             if (CLargeTextView* viewer = ShownViewer(app)) viewer->Copy();
             else View(app).copy();
         }},
        {.id = kEditPaste, .text = ui::kCmdEditPaste, .prompt = ui::kCmdEditPastePrompt,
         .icon = "paste", .keys = {Qt::CTRL | Qt::Key_V, Qt::SHIFT | Qt::Key_Insert},
         .menu = M::Edit, .menuGroup = 2, .toolGroup = 3,
         .handler = [](CTavimoreApp& app) { EditableView(app).paste(); }},
        {.id = kEditSelectAll, .text = ui::kCmdEditSelectAll,
         .prompt = ui::kCmdEditSelectAllPrompt, .keys = {Qt::CTRL | Qt::Key_A, kNoKey},
         .menu = M::Edit, .menuGroup = 2,
         .handler = [](CTavimoreApp& app) {
             if (CLargeTextView* viewer = ShownViewer(app)) viewer->SelectAll();
             else View(app).selectAll();
         }},
        {.id = kEditFind, .text = ui::kCmdEditFind, .prompt = ui::kCmdEditFindPrompt,
         .keys = {Qt::CTRL | Qt::Key_F, kNoKey}, .menu = M::Edit, .menuGroup = 3,
         .handler = [](CTavimoreApp& app) { app.OnEditFind(false); }},
        {.id = kEditReplace, .text = ui::kCmdEditReplace, .prompt = ui::kCmdEditReplacePrompt,
         .keys = {Qt::CTRL | Qt::Key_R, kNoKey}, .menu = M::Edit, .menuGroup = 3,
         .handler = [](CTavimoreApp& app) { app.OnEditFind(true); }},

        // View: the frame shows and hides its bars itself.
        {.id = kViewToolBar, .text = ui::kCmdViewToolBar, .prompt = ui::kCmdViewToolBarPrompt,
         .menu = M::View, .menuGroup = 1, .checkable = true},
        {.id = kViewStatusBar, .text = ui::kCmdViewStatusBar,
         .prompt = ui::kCmdViewStatusBarPrompt, .menu = M::View, .menuGroup = 1,
         .checkable = true},
        {.id = kViewHighlight, .text = ui::kCmdViewHighlight,
         .prompt = ui::kCmdViewHighlightPrompt, .menu = M::View, .menuGroup = 2,
         .checkable = true},
        {.id = kViewLinesFromOne, .text = ui::kCmdViewLinesFromOne,
         .prompt = ui::kCmdViewLinesFromOnePrompt, .menu = M::View, .menuGroup = 2,
         .checkable = true},
        {.id = kViewFont, .text = ui::kCmdViewFont, .prompt = ui::kCmdViewFontPrompt,
         .menu = M::View, .menuGroup = 2, .handler = [](CTavimoreApp& app) { app.OnChooseFont(); }},

        // Debug
        {.id = kDebugToggleBreakpoint, .text = ui::kCmdDebugToggleBreakpoint,
         .prompt = ui::kCmdDebugToggleBreakpointPrompt,
         .keys = {QKeyCombination(Qt::Key_F9), kNoKey}, .menu = M::Debug, .menuGroup = 1,
         .handler = [](CTavimoreApp& app) { app.OnToggleBreakpoint(); }},
        {.id = kDebugRun, .text = ui::kCmdDebugRun, .prompt = ui::kCmdDebugRunPrompt,
         .keys = {Qt::CTRL | Qt::Key_F5, kNoKey}, .menu = M::Debug, .menuGroup = 1,
         .handler = [](CTavimoreApp& app) { app.OnDebugRun(); }},
        {.id = kDebugAddWatch, .text = ui::kCmdDebugAddWatch,
         .prompt = ui::kCmdDebugAddWatchPrompt, .keys = {Qt::SHIFT | Qt::Key_F9, kNoKey},
         .menu = M::Debug, .menuGroup = 2, .handler = [](CTavimoreApp& app) { app.OnAddWatch(); }},
        {.id = kDebugWatchPanel, .text = ui::kCmdViewWatchPanel,
         .prompt = ui::kCmdViewWatchPanelPrompt, .keys = {Qt::CTRL | Qt::ALT | Qt::Key_W, kNoKey},
         .menu = M::Debug, .menuGroup = 2, .checkable = true,
         .handler = [](CTavimoreApp& app) { app.OnToggleWatchPanel(); }},

        // Help
        {.id = kHelpFinder, .text = ui::kCmdHelpFinder, .prompt = ui::kCmdHelpFinderPrompt,
         .menu = M::Help, .menuGroup = 1, .handler = [](CTavimoreApp& app) { app.OnHelpFinder(); }},
        {.id = kEnvironmentCheck, .text = ui::kCmdEnvironmentCheck,
         .prompt = ui::kCmdEnvironmentCheckPrompt, .menu = M::Help, .menuGroup = 1,
         .handler = [](CTavimoreApp& app) { app.OnEnvironmentCheck(); }},
        {.id = kHelpKeys, .text = ui::kCmdHelpKeys, .prompt = ui::kCmdHelpKeysPrompt,
         .menu = M::Help, .menuGroup = 1, .handler = [](CTavimoreApp& app) { app.OnHelpKeys(); }},
        {.id = kAppAbout, .text = ui::kCmdAppAbout, .prompt = ui::kCmdAppAboutPrompt,
         .icon = "about", .menu = M::Help, .menuGroup = 2, .toolGroup = 4,
         .handler = [](CTavimoreApp& app) { app.OnAppAbout(); }},
        {.id = kContextHelp, .prompt = ui::kCmdContextHelpPrompt, .icon = "contexthelp",
         .keys = {Qt::SHIFT | Qt::Key_F1, kNoKey}, .toolGroup = 4,
         .handler = [](CTavimoreApp&) { QWhatsThis::enterWhatsThisMode(); }},
        {.id = kHelp, .prompt = ui::kCmdHelpPrompt, .keys = {QKeyCombination(Qt::Key_F1), kNoKey},
         .handler = [](CTavimoreApp& app) { app.OnHelpFinder(); }},

        // Script (tool bar only)
        {.id = kScriptRun, .prompt = ui::kCmdScriptRunPrompt, .icon = "run", .toolGroup = 5,
         .handler = [](CTavimoreApp& app) { app.Document()->RunText(); }},
        {.id = kScriptStop, .prompt = ui::kCmdScriptStopPrompt, .icon = "stop", .toolGroup = 5,
         .handler = [](CTavimoreApp& app) { app.Document()->StopScript(); }},
        {.id = kShowOptions, .prompt = ui::kCmdShowOptionsPrompt, .icon = "options", .toolGroup = 6,
         .handler = [](CTavimoreApp& app) { app.OnShowOptions(); }},
        {.id = kSpare1, .icon = "spare1", .toolGroup = 6, .enabled = false},
        {.id = kSpare2, .icon = "spare2", .toolGroup = 6, .enabled = false},
    };
    // clang-format on
    return commands;
}

} // namespace cmd
