// The editor's own texts: menus, prompts, captions and labels.
#pragma once

#include <QString>
#include <QStringList>

namespace ui {

inline const QString kAppTitle = QStringLiteral("Tavimore");
inline const QString kIdleText = QStringLiteral("ヘルプを表示するには F1 キーを押してください。");

// Menus
inline const QString kMenuFile = QStringLiteral("ファイル(&F)");
inline const QString kMenuEdit = QStringLiteral("編集(&E)");
inline const QString kMenuView = QStringLiteral("表示(&V)");
inline const QString kMenuDebug = QStringLiteral("デバッグ(&D)");
inline const QString kMenuHelp = QStringLiteral("ヘルプ(&H)");
inline const QString kRecentPlaceholder = QStringLiteral("最近使ったファイル");
inline const QString kRecentPrompt = QStringLiteral("指定のファイルを開く");

// Commands: the menu text (with its keys after a tab, as the menus show them) and
// the prompt (status-bar text, then after a line break the tool tip)
inline const QString kCmdFileNew = QStringLiteral("新規作成\tCtrl+N(&N)");
inline const QString kCmdFileNewPrompt = QStringLiteral("新規にファイルを作成\n新規ファイル");
inline const QString kCmdFileOpen = QStringLiteral("開く...\tCtrl+O(&O)");
inline const QString kCmdFileOpenPrompt = QStringLiteral("既存のファイルを開く\n開く");
inline const QString kCmdFileSave = QStringLiteral("上書き保存\tCtrl+S(&S)");
inline const QString kCmdFileSavePrompt = QStringLiteral("作業中のファイルを上書きして保存\n保存");
inline const QString kCmdFileSaveAs = QStringLiteral("名前を付けて保存(&A)...");
inline const QString kCmdFileSaveAsPrompt =
    QStringLiteral("作業中のファイルを新しい名前で保存\n名前をつけて保存");
inline const QString kCmdFilePrint = QStringLiteral("印刷...\tCtrl+P(&P)");
inline const QString kCmdFilePrintPrompt = QStringLiteral("作業中のファイルを印刷\n印刷");
inline const QString kCmdFilePrintPreview = QStringLiteral("印刷プレビュー(&V)");
inline const QString kCmdFilePrintPreviewPrompt =
    QStringLiteral("印刷イメージを表示\n印刷プレビュー");
inline const QString kCmdFilePrintSetup = QStringLiteral("プリンタの設定(&R)...");
inline const QString kCmdFilePrintSetupPrompt =
    QStringLiteral("プリンタおよび印刷オプションの変更\n印刷設定");
inline const QString kCmdFileSendMail = QStringLiteral("送信(&D)...");
inline const QString kCmdFileSendMailPrompt =
    QStringLiteral("電子ﾒｰﾙ ｼｽﾃﾑを使って、作業中の文書を送信/回覧\n送信");
// The exit prompt has no tool-tip part: its two halves are joined by a backslash.
inline const QString kCmdAppExit = QStringLiteral("アプリケーションの終了(&X)");
inline const QString kCmdAppExitPrompt =
    QStringLiteral("アプリケーションを終了し、ファイルの保存を指示\\終了");
inline const QString kCmdEditUndo = QStringLiteral("元に戻す\tCtrl+Z(&U)");
inline const QString kCmdEditUndoPrompt = QStringLiteral("直前に行った動作を元に戻す\n元に戻す");
inline const QString kCmdEditRedo = QStringLiteral("やり直し\tCtrl+Y(&R)");
inline const QString kCmdEditRedoPrompt = QStringLiteral("元に戻した動作をやり直す\nやり直し");
inline const QString kCmdEditCut = QStringLiteral("切り取り\tCtrl+X(&T)");
inline const QString kCmdEditCutPrompt =
    QStringLiteral("選択範囲を切り取ってクリップボードに保存\n切り取り");
inline const QString kCmdEditCopy = QStringLiteral("コピー\tCtrl+C(&C)");
inline const QString kCmdEditCopyPrompt =
    QStringLiteral("選択範囲をコピーしてクリップボードに保存\n保存");
inline const QString kCmdEditPaste = QStringLiteral("貼り付け\tCtrl+V(&P)");
inline const QString kCmdEditPastePrompt =
    QStringLiteral("クリップボードの内容を貼り付け\n貼り付け");
inline const QString kCmdEditSelectAll = QStringLiteral("すべてを選択\tCtrl+A(&A)");
inline const QString kCmdEditSelectAllPrompt =
    QStringLiteral("ファイル内のすべてを選択\nすべて選択");
inline const QString kCmdEditFind = QStringLiteral("検索\tCtrl+F(&F)");
inline const QString kCmdEditFindPrompt = QStringLiteral("指定した文字列の検索\n検索");
inline const QString kCmdEditReplace = QStringLiteral("置換\tCtrl+R(&R)");
inline const QString kCmdEditReplacePrompt =
    QStringLiteral("指定した文字列を他の文字列で置換\n置換");
inline const QString kCmdViewToolBar = QStringLiteral("ツール バー(&T)");
inline const QString kCmdViewToolBarPrompt =
    QStringLiteral("ツール バーの 表示/非表示\nツール バーの表示切り替え");
inline const QString kCmdViewStatusBar = QStringLiteral("ステータス バー(&S)");
inline const QString kCmdViewStatusBarPrompt =
    QStringLiteral("ステータス バーの 表示/非表示\nステータス バーの表示切り替え");
inline const QString kCmdViewHighlight = QStringLiteral("色分け表示(&H)");
inline const QString kCmdViewHighlightPrompt =
    QStringLiteral("ニーモニック、ラベル、レジスタ、コメントを色分けして表示\n色分け表示");
inline const QString kCmdViewLinesFromOne = QStringLiteral("行番号を 1 から数える(&1)");
inline const QString kCmdViewLinesFromOnePrompt =
    QStringLiteral("行番号を 1 から表示 (オフ: 言語と同じく 0 から)\n行番号を 1 から");
// The Run, Stop and Options buttons: tool tips only (their status-bar text stays idle).
inline const QString kCmdScriptRunPrompt = QStringLiteral("\nスクリプト全体を実行 (F5)");
inline const QString kCmdScriptStopPrompt = QStringLiteral("\n実行中のスクリプトを停止 (Esc)");
inline const QString kCmdShowOptionsPrompt =
    QStringLiteral("\nオプション: REGW、デバッグ レベル、出力ウィンドウ");
inline const QString kRunningIndicator = QStringLiteral("実行中");
inline const QString kPausedIndicator = QStringLiteral("一時停止中");
inline const QString kCmdHelpKeys = QStringLiteral("キー一覧(&K)...");
inline const QString kCmdHelpKeysPrompt = QStringLiteral("エディタで使えるキーの一覧\nキー一覧");
inline const QString kKeysTitle = QStringLiteral("キー一覧 (keys)");
// The keys of the editor, as the list under ヘルプ shows them: key, then what it does.
inline const QString kKeysList =
    QStringLiteral("F5\tスクリプト全体を実行し、結果を文書に書き込む\n"
                   "F7\tカーソル行の文を 1 つ実行する (ステップ)\n"
                   "Ctrl+F5\tデバッグ実行 (停止中はカーソル行から続行)\n"
                   "F9\tブレークポイントの切り替え (行番号の欄のクリックでも)\n"
                   "Shift+F9\tウォッチの追加 (REGn または REGa-REGb)\n"
                   "Ctrl+Alt+W\tウォッチ パネルを表示してキー入力を移す / 隠す\n"
                   ". .\t2 回目の '.' でカーソル行を実行する (1 回目は入力される)\n"
                   "F6\t次のキーを区切りキーとして送る ('.' の準備を解除)\n"
                   "Esc\t実行中のスクリプトを停止する\n"
                   "Ctrl+N / Ctrl+O / Ctrl+S\t新規作成 / 開く / 上書き保存\n"
                   "Ctrl+P\t印刷\n"
                   "Ctrl+Z, Alt+Backspace\t元に戻す\n"
                   "Ctrl+Y, Ctrl+Shift+Z\tやり直し\n"
                   "Ctrl+X / Ctrl+C / Ctrl+V\t切り取り / コピー / 貼り付け\n"
                   "Ctrl+A\tすべて選択\n"
                   "Ctrl+F / Ctrl+R\t検索 / 置換\n"
                   "F1\tヘルプ\n"
                   "Shift+F1\tコマンドの説明 (クリックしたコマンド)");
inline const QString kCmdViewFont = QStringLiteral("フォント(&F)...");
inline const QString kCmdViewFontPrompt =
    QStringLiteral("エディタのフォントとサイズを選ぶ\nフォント");
// The debugger: commands, the watch panel and the status bar's notes.
inline const QString kCmdDebugToggleBreakpoint =
    QStringLiteral("ブレークポイントの切り替え\tF9(&B)");
inline const QString kCmdDebugToggleBreakpointPrompt =
    QStringLiteral("カーソル行のブレークポイントを設定/解除\nブレークポイント");
inline const QString kCmdDebugRun = QStringLiteral("デバッグ実行\tCtrl+F5(&D)");
inline const QString kCmdDebugRunPrompt = QStringLiteral(
    "ブレークポイントで止まりながら実行 (停止中はカーソル行から続行)\nデバッグ実行 (Ctrl+F5)");
inline const QString kCmdDebugAddWatch = QStringLiteral("ウォッチの追加...\tShift+F9(&A)");
inline const QString kCmdDebugAddWatchPrompt =
    QStringLiteral("レジスタ (REGn または REGa-REGb) をウォッチに追加\nウォッチの追加");
inline const QString kCmdViewWatchPanel = QStringLiteral("ウォッチ\tCtrl+Alt+W(&W)");
inline const QString kCmdViewWatchPanelPrompt =
    QStringLiteral("ウォッチ パネル (watch) の表示/非表示\nウォッチ");
inline const QString kWatchCaption = QStringLiteral("ウォッチ (watch)");
inline const QString kAddWatchLabel =
    QStringLiteral("レジスタ: REGn または範囲 REGa-REGb (例: REG1, REG10-REG20)");
inline const QString kWatchBadName =
    QStringLiteral("REGn または REGa-REGb (n は 0 から 9999) で指定してください。");
inline const QString kWatchTooLong = QStringLiteral("範囲は %1 レジスタまでです。");
inline const QString kWatchBadValue =
    QStringLiteral("値は 10 進数、H'16進数 または B'2進数 で入力してください。");
inline const QStringList kWatchColumns = {
    QStringLiteral("名前"), QStringLiteral("16進"),   QStringLiteral("10進"),
    QStringLiteral("2進"),  QStringLiteral("文字列"), QStringLiteral("値が変わったら停止")};
inline const QString kWatchDebugLevel = QStringLiteral("デバッグ レベル");
inline const QString kWatchCallStack = QStringLiteral("コール スタック (戻り行)");
inline const QString kWatchCallEmpty = QStringLiteral("(空)");
inline const QString kWatchCalledFrom = QStringLiteral("%1 行目の CALL から");
inline const QString kWatchBitIn = QStringLiteral("ビット バッファ (入力)");
inline const QString kWatchBitOut = QStringLiteral("ビット バッファ (出力)");
inline const QString kWatchRemove = QStringLiteral("ウォッチを削除(&D)");
inline const QString kWatchCopy = QStringLiteral("コピー(&C)");
inline const QString kPausedAtBreakpoint =
    QStringLiteral("%1 行目のブレークポイントで停止中 — Ctrl+F5 で続行、F7 でステップ、Esc で停止");
inline const QString kStillPaused =
    QStringLiteral("デバッグ実行は停止中 — Ctrl+F5 でカーソル行から続行、Esc で停止");
inline const QString kPausedOnChange =
    QStringLiteral("%2 が変わったため %1 行目で停止中 — Ctrl+F5 で続行、F7 でステップ、Esc で停止");
inline const QString kCmdHelpFinder = QStringLiteral("トピックの検索(&H)");
inline const QString kCmdHelpFinderPrompt =
    QStringLiteral("ヘルプ トピックの一覧\nヘルプ トピック");
inline const QString kCmdEnvironmentCheck = QStringLiteral("環境チェック(&E)...");
inline const QString kCmdEnvironmentCheckPrompt = QStringLiteral(
    "ポート、FT245RL、デスクトップが使えるかを調べ、直し方を示します。\n環境チェック");
inline const QString kEnvCheckCaption = QStringLiteral("環境チェック");
inline const QString kEnvCheckIntro =
    QStringLiteral("このシステムで各命令が使えるかと、使えない理由・直し方 (fix:) です。"
                   "The same as tavimore-run --doctor.");
inline const QString kEnvCheckCopy = QStringLiteral("コピー(&C)");
inline const QString kEnvCheckAgain = QStringLiteral("再チェック(&R)");
// The status-bar note after a refused device or desktop instruction: the cause, then where to look.
inline const QString kEnvCheckHint =
    QStringLiteral("%1 — ヘルプ → 環境チェック で直し方を確認できます");
inline const QString kCmdAppAbout = QStringLiteral("バージョン情報 Tavimore(&A)...");
inline const QString kCmdAppAboutPrompt =
    QStringLiteral("プログラム情報、バージョン、著作権を表示します。\nバージョン情報");
inline const QString kCmdContextHelpPrompt =
    QStringLiteral("クリックしたボタンやメニュー、ウィンドウについてヘルプを表示します。\nヘルプ");
inline const QString kCmdHelpPrompt =
    QStringLiteral("現在のタスクまたはコマンドのヘルプを表示\nヘルプ");

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

// The diagnostics and report panels
inline const QString kDiagnosticsTitle = QStringLiteral("診断");
inline const QString kReportTitle = QStringLiteral("レポート");
inline const QString kColumnLine = QStringLiteral("行");
inline const QString kColumnKind = QStringLiteral("種類");
inline const QString kColumnMessage = QStringLiteral("メッセージ");
inline const QString kColumnText = QStringLiteral("内容");
inline const QString kReportKindBox = QStringLiteral("メッセージ ボックス");
inline const QString kReportKindStatus = QStringLiteral("ステータス");
// The kinds of findings, before the checker's name of the fault.
inline const QString kDiagnosticError = QStringLiteral("エラー: ");
inline const QString kDiagnosticWarning = QStringLiteral("警告: ");
inline const QString kDiagnosticsNone =
    QStringLiteral("問題は見つかりませんでした (no problems found)");
inline const QString kDiagnosticsCount = QStringLiteral("%1 件 (%1 found)");
inline const QString kDiagnosticsOmitted =
    QStringLiteral("%1 件、ほか %2 件は省略 (%1 shown, %2 more not listed)");
inline const QString kDiagnosticsSkipped =
    QStringLiteral("%1 行を超える文書は入力中に診断しません。[今すぐ診断] で診断します "
                   "(long text: not checked while typing)");
inline const QString kDiagnosticsCheckNow = QStringLiteral("今すぐ診断(&C)");
inline const QString kReportEmpty =
    QStringLiteral("実行またはステップの後、ステータス行とメッセージ ボックスを表示します");
inline const QString kReportSummary =
    QStringLiteral("ステータス行 %1、メッセージ ボックス %2 (status lines, message boxes)");
// The status-bar indicator of a text changed since it was opened or saved.
inline const QString kModifiedIndicator = QStringLiteral("変更");
inline const QString kModifiedTip = QStringLiteral("保存されていない変更があります (modified)");

} // namespace ui
