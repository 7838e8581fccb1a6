#pragma once

#include <windows.h>

#include <string_view>

namespace velkin::win {

// The exception display: the application's error box. All windows of the program are disabled
// while it is open, and the window that was active before is active again afterwards. It stays
// until the user dismisses it: a quit message already waiting is held back until then.
void ShowExceptionDisplay(std::wstring_view message);

// Shows the exception that is being handled; call only inside a catch block.
void ShowCurrentException() noexcept;

// A message box owned by the given window; the user's answer (IDYES, IDOK, ...).
int ShowMessageBox(HWND owner, std::wstring_view text, std::wstring_view caption, UINT flags);

} // namespace velkin::win
