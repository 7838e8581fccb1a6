#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace velkin::win {

// Another program (a clipboard manager reading what was just copied, say) may hold the clipboard
// open for a moment: it is tried this many times in all, with a pause between tries.
inline constexpr int kClipboardTries = 6;
inline constexpr DWORD kClipboardPauseMs = 20;

// The files copied to the clipboard (CF_HDROP, as Explorer puts them there), in order; none
// when it holds no files, when its block is malformed, or when it stays held by another program.
// betweenTries runs between two tries to open it; by default it pauses.
std::vector<std::wstring> ClipboardFiles(
    HWND owner, const std::function<void()>& betweenTries = [] { ::Sleep(kClipboardPauseMs); });

// Whether the key, pressed with the modifiers held now, pastes: Ctrl+V or Shift+Insert, as in
// every Windows list and edit.
bool IsPasteKey(WORD key);

} // namespace velkin::win
