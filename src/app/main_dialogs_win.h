#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "joblist/archive_naming.h"

namespace velkin::win {

// The main window's dialogs and its question box, each with the texts and options it always
// shows, so that every caller asks the same way.

// The open dialog, at start-up without an archiver location: the short form of the chosen
// WinRAR.exe. Empty when nothing was chosen or the file has no short form; nothing is said then.
// No window of the program is visible yet, so the dialog stands on its own.
std::wstring AskArchiverLocation();

// The save dialog, for a drop whose destination the user chooses: the chosen full path, or nothing
// when they cancelled.
std::optional<std::wstring> AskArchivePath(HWND owner, const SaveDialogRequest& request);

// The folder picker, for a drop whose items each get an archive and whose destination the user
// chooses: the chosen folder, or nothing when they cancelled.
std::optional<std::wstring> AskArchiveFolder(HWND owner, const std::wstring& initialFolder);

// The input dialog of "選択プロファイルの編集(&E)": the entered switches, or nothing when the
// user cancelled.
std::optional<std::wstring> AskProfileText(HWND owner, std::wstring_view current);

// Says that an edited profile was left as it was, naming the characters the settings file cannot
// hold: a warning, OK alone.
void TellProfileNotStored(HWND owner, std::wstring_view characters);

// Asked after a close failed to save the settings a second time: Yes ends the program without
// them; No, the default, keeps the window.
bool AskEndWithoutSettings(HWND owner);

// The question before a command that cannot be undone: Yes and No, No the default, so that a
// stray Enter keeps the rows; only Yes consents.
bool AskConfirmation(HWND owner, std::wstring_view question);

} // namespace velkin::win
