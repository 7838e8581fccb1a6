#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace velkin::win {

// The files copied to the clipboard (CF_HDROP, as Explorer puts them there), in order; none
// when it holds no files or cannot be opened.
std::vector<std::wstring> ClipboardFiles(HWND owner);

// Whether the key, pressed with the modifiers held now, pastes: Ctrl+V or Shift+Insert, as in
// every Windows list and edit.
bool IsPasteKey(WORD key);

} // namespace velkin::win
