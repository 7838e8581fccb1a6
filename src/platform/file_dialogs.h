#pragma once

#include <windows.h>
#include <commdlg.h>

#include <optional>
#include <string>
#include <string_view>

namespace velkin::win {

// The properties of one of the platform's file dialogs. The filter is one text that reads as it
// is shown, a description and a pattern separated by "|" and entries likewise; DialogFilterList
// makes the dialog's list of it.
struct FileDialogSpec {
    std::wstring title;
    std::wstring filter;
    std::wstring defaultExtension;
    std::wstring initialFolder;
    std::wstring fileName;
    DWORD options = 0;
};

// The chosen full path, or nothing when the user cancelled.
std::optional<std::wstring> ShowOpenDialog(HWND owner, const FileDialogSpec& spec);
std::optional<std::wstring> ShowSaveDialog(HWND owner, const FileDialogSpec& spec);

// The system's folder picker, opened in initialFolder when it names one: the chosen folder, or
// nothing when the user cancelled. COM is taken for the dialog's time.
std::optional<std::wstring> ShowFolderDialog(HWND owner, const std::wstring& initialFolder);

// "a|b|c|d" as the dialog wants it: "a\0b\0c\0d\0\0".
std::wstring DialogFilterList(std::wstring_view filter);

} // namespace velkin::win
