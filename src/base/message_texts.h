#pragma once

#include <string_view>

// The texts of the program's messages and dialogs, byte for byte: the application title and the
// main window's class name, the message boxes and the exception display, the dialogs' captions,
// prompts and filters, and the fixed statuses of a row. A line break inside a message is a single
// line feed, and the question marks are ASCII.
//
// Texts that belong to one window's layout stay with that layout: the menu captions in
// app/main_menu_win.cpp, the list's column captions in base/job_columns.h, the About window's
// texts in about/about_window_win.cpp. A failed run's status is put together with the archiver's
// exit-code meanings in runner/exit_status.cpp.
namespace velkin::text {

inline constexpr std::wstring_view kApplicationTitle = L"Velkin 070509";
inline constexpr std::wstring_view kMainWindowClass = L"TVLKN_MAIN";

inline constexpr std::wstring_view kNotAnInteger = L"'%s' は整数ではありません";

inline constexpr std::wstring_view kConfirmCaption = L"確認";
inline constexpr std::wstring_view kConfirmDeleteGroupSuffix =
    L" 番のドロップ分を削除します。\n宜しいですか?";
inline constexpr std::wstring_view kConfirmClear = L"現在のリストをクリアします。よろしいですか?";
inline constexpr std::wstring_view kConfirmStart = L"圧縮を開始します。\n宜しいですか?";
inline constexpr std::wstring_view kClearByHand =
    L"続けて登録と圧縮する場合はリストをクリアして下さい。";
inline constexpr std::wstring_view kClearByHandCaption = L"手動でクリアして下さい";
inline constexpr std::wstring_view kArchiverStartFailed = L"WinRARの起動に失敗しました.";
inline constexpr std::wstring_view kCannotCreateFile = L"ファイル %s を作成できません";
inline constexpr std::wstring_view kCannotWriteSettings = L"%s に書き込めません";
// Asked when a close fails to save the settings again, after the error box.
inline constexpr std::wstring_view kEndWithoutSettings =
    L"設定を保存できません。保存せずに終了しますか?";
// Heads the characters of an edited profile that the settings file cannot hold.
inline constexpr std::wstring_view kProfileNotStored =
    L"次の文字は設定ファイルに保存できないため、プロファイルを変更しませんでした: ";
// Asked when the archiver ended with "stopped by the user" and groups are left.
inline constexpr std::wstring_view kContinueAfterBreak =
    L"圧縮が中断されました。残りの %d グループの圧縮を続けますか?";
// Asked at start-up when a window that did not close as usual left its queue behind.
inline constexpr std::wstring_view kRestoreQueue =
    L"前回終了しなかった %d グループ (%d 件) があります。リストに戻しますか?";
// Heads the list of paths from the command line, a hand-off or the clipboard that were not taken.
inline constexpr std::wstring_view kRefusedPaths =
    L"次のパスはファイル名に使えない文字を含むため登録しませんでした:";

// The exception display for errors that bring no text of the program's own.
inline constexpr std::wstring_view kOutOfMemory = L"メモリが不足しています";
inline constexpr std::wstring_view kUnknownError = L"不明なエラーが発生しました";

// Statuses of a job row while and after its group is compressed.
inline constexpr std::wstring_view kStatusRunning = L"圧縮中";
inline constexpr std::wstring_view kStatusDone = L"OK";
inline constexpr std::wstring_view kStatusNotStarted = L"起動失敗";
// The archiver was started, but the wait for its end failed: it may still be running.
inline constexpr std::wstring_view kStatusEndUnconfirmed = L"終了を確認できません";

inline constexpr std::wstring_view kEditProfileCaption = L"プロファイルの編集";
inline constexpr std::wstring_view kEditProfilePrompt = L"コマンドライン";
inline constexpr std::wstring_view kOk = L"OK";
inline constexpr std::wstring_view kCancel = L"キャンセル";

inline constexpr std::wstring_view kOpenDialogTitle = L"WinRAR.exeを指定してください";
inline constexpr std::wstring_view kOpenDialogFilter = L"実行ファイル (*.exe)|*.exe";
inline constexpr std::wstring_view kOpenDialogDefaultExtension = L"exe";
inline constexpr std::wstring_view kSaveDialogTitle = L"名前を付けて保存";
// What the save dialog offers for one drop is its archive type alone, "rar (*.rar)|*.rar" for a
// .rar archive, made from the type's extension (joblist/archive_naming).

// The window a console archiver's run shows.
inline constexpr std::wstring_view kProgressWindowClass = L"TVLKN_PROGRESS";
inline constexpr std::wstring_view kProgressGroup = L"グループ %d / %d";
inline constexpr std::wstring_view kStopButton = L"中止";

// The log of a group's run (編集 → 圧縮ログの表示).
inline constexpr std::wstring_view kLogWindowClass = L"TVLKN_LOG";
inline constexpr std::wstring_view kLogCaption = L"圧縮ログ";
inline constexpr std::wstring_view kLogCommandLine = L"コマンドライン: ";
inline constexpr std::wstring_view kLogExitCode = L"終了コード: ";
inline constexpr std::wstring_view kLogStatus = L"ステータス: ";

} // namespace velkin::text
