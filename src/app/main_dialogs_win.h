#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "joblist/archive_naming.h"

namespace velkin::win {

// The main window's three dialogs, as its form description has them.

// OpenDialog, at start-up without an archiver location: the short form of the chosen
// WinRAR.exe. Empty when nothing was chosen or the file has no short form; nothing is said then.
// No window of the program is visible yet, so the dialog stands on its own.
std::wstring AskArchiverLocation();

// SaveDialog, for a drop whose destination the user chooses: the chosen full path, or nothing
// when they cancelled.
std::optional<std::wstring> AskArchivePath(HWND owner, const SaveDialogRequest& request);

// The input dialog of "選択プロファイルの編集(&E)": the entered switches, or nothing when the
// user cancelled.
std::optional<std::wstring> AskProfileText(HWND owner, std::wstring_view current);

} // namespace velkin::win
