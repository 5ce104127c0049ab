// The command identifiers of the editor, each with its menu text, keys and prompt.
#pragma once

namespace cmd {

enum Id : int {
    kFileNew = 57600,
    kFileOpen = 57601,
    kFileSave = 57603,
    kFileSaveAs = 57604,
    kFilePrintSetup = 57606,
    kFilePrint = 57607,
    kFilePrintDirect = 57608,
    kFilePrintPreview = 57609,
    kFileSendMail = 57612,
    kFileMruFirst = 57616,
    kFileMruLast = 57631,
    kEditCopy = 57634,
    kEditCut = 57635,
    kEditFind = 57636,
    kEditPaste = 57637,
    kEditReplace = 57641,
    kEditSelectAll = 57642,
    kEditUndo = 57643,
    kAppAbout = 57664,
    kAppExit = 57665,
    kHelpFinder = 57667,
    kContextHelp = 57669,
    kHelp = 57670,
    kFileNoText = 61185,
    kViewToolBar = 59392,
    kViewStatusBar = 59393,
    kScriptRun = 32771,
    kScriptStop = 32772,
    kShowOptions = 32773,
    kSpare1 = 32774,
    kSpare2 = 32775,
};

} // namespace cmd
