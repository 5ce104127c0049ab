// The editor's commands: one table from which the main frame builds its actions,
// menus, tool bar and accelerators, and through which the application connects
// each action to its handler.
//
// Adding a command: an identifier below, a row in the table (Commands.cpp) with its
// handler, and its texts in UiTexts.h.
#pragma once

#include <QKeyCombination>
#include <QString>

#include <array>
#include <vector>

class CTavimoreApp;

namespace cmd {

// The numbers are the commands' identities (an action's object name is
// "command<id>").
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
    kEditRedo = 57644,
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
    kEnvironmentCheck = 32776,
    kViewHighlight = 32777,
    kViewLinesFromOne = 32778,
    kHelpKeys = 32779,
    kViewFont = 32780,
    kDebugToggleBreakpoint = 32800,
    kDebugRun = 32801,
    kDebugAddWatch = 32802,
    kDebugWatchPanel = 32803,
};

// The menu a command is listed in.
enum class Menu { None, File, Edit, View, Debug, Help };

struct Command {
    Id id;
    QString text{};             // the menu text ("" when the command is in no menu)
    QString prompt{};           // status-bar text, then after a line break the tool tip
    const char* icon = nullptr; // the tool-bar icon's name, or null
    std::array<QKeyCombination, 2> keys{QKeyCombination(Qt::Key_unknown),
                                        QKeyCombination(Qt::Key_unknown)};
    Menu menu = Menu::None;
    // Within a menu, and on the tool bar, a separator goes between two groups.
    int menuGroup = 0;
    int toolGroup = 0; // 0: not on the tool bar; the bar lists groups 1, 2, ... in order
    bool enabled = true;
    bool checkable = false;
    // What the command does; null for commands the frame or the editor handle
    // themselves, or that do nothing.
    void (*handler)(CTavimoreApp& app) = nullptr;
};

// Every command, in menu order.
const std::vector<Command>& Commands();

} // namespace cmd
