// The editor's own texts: menus, prompts, captions and labels.
#pragma once

#include <QString>

namespace ui {

inline const QString kAppTitle = QStringLiteral("Tavimore");
inline const QString kIdleText = QStringLiteral("ヘルプを表示するには F1 キーを押してください。");

// Menus
inline const QString kMenuFile = QStringLiteral("ファイル(&F)");
inline const QString kMenuEdit = QStringLiteral("編集(&E)");
inline const QString kMenuView = QStringLiteral("表示(&V)");
inline const QString kMenuHelp = QStringLiteral("ヘルプ(&H)");
inline const QString kRecentPlaceholder = QStringLiteral("最近使ったファイル");
inline const QString kRecentPrompt = QStringLiteral("指定のファイルを開く");

// About box
inline const QString kAboutCaption = QStringLiteral("バージョン情報 Tavimore");
inline const QString kAboutVersion = QStringLiteral("Tavimore Version 1.0");
inline const QString kAboutLine2 =
    QStringLiteral("IOポートの直接操作から、分岐命令、ビデオの再生、曲の再生、いろいろできます");

// Option dialog
inline const QString kOptionCaption = QStringLiteral("Output Window (Tavimore出力)");
inline const QString kLevelLabel = QStringLiteral("エラーレベル出力調整");
inline const QString kRegWLabel = QStringLiteral("REGWの調整（レジスタと同期）");

// Caret-line displays
inline const QString kLineSuffix = QStringLiteral("行目");
inline const QString kTitleToggle = QStringLiteral("true");

// Status bar indicators
inline const QString kIndicatorCaps = QStringLiteral("CAP");
inline const QString kIndicatorNum = QStringLiteral("NUM");
inline const QString kIndicatorScroll = QStringLiteral("SCRL");

// Message-box buttons, as the Japanese desktop labels them
inline const QString kButtonOk = QStringLiteral("OK");
inline const QString kButtonCancel = QStringLiteral("キャンセル");
inline const QString kButtonYes = QStringLiteral("はい(&Y)");
inline const QString kButtonNo = QStringLiteral("いいえ(&N)");

// Files
inline const QString kAllFilesFilter = QStringLiteral("すべてのファイル (*)");
inline const QString kOpenCaption = QStringLiteral("開く");
inline const QString kSaveAsCaption = QStringLiteral("名前を付けて保存");
inline const QString kAskToSave = QStringLiteral("%1 への変更を保存しますか?");
inline const QString kUntitled = QStringLiteral("無題");
inline const QString kOpenFailed = QStringLiteral("%1 を開けませんでした。\n%2");
inline const QString kSaveFailed =
    QStringLiteral("%1 を保存できませんでした。\n%2\n元のファイルは変更されていません。");
// The end of a box that shows only the start of a long text from another program.
inline const QString kLongTextCut = QStringLiteral("\n…\n（全部で %1 バイトの文字列の先頭です）");
inline const QString kDiskFull = QStringLiteral("ディスクの空き領域が足りません。");
inline const QString kHelpCaption = QStringLiteral("Tavimore ヘルプ");
inline const QString kNoHelp = QStringLiteral("ヘルプ ファイルが見つかりません。");

// Find and replace
inline const QString kFindCaption = QStringLiteral("検索");
inline const QString kReplaceCaption = QStringLiteral("置換");
inline const QString kFindWhat = QStringLiteral("検索する文字列(&N):");
inline const QString kReplaceWith = QStringLiteral("置換後の文字列(&P):");
inline const QString kMatchCase = QStringLiteral("大文字と小文字を区別する(&C)");
inline const QString kWholeWord = QStringLiteral("単語単位で探す(&W)");
inline const QString kDirection = QStringLiteral("検索する方向");
inline const QString kUp = QStringLiteral("上へ(&U)");
inline const QString kDown = QStringLiteral("下へ(&D)");
inline const QString kFindNext = QStringLiteral("次を検索(&F)");
inline const QString kReplace = QStringLiteral("置換して次に(&R)");
inline const QString kReplaceAll = QStringLiteral("すべて置換(&A)");

} // namespace ui
