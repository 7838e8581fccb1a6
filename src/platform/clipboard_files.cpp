#include "platform/clipboard_files.h"

#include <shellapi.h>

#include "base/scope_exit.h"
#include "platform/dropped_files.h"

namespace velkin::win {

std::vector<std::wstring> ClipboardFiles(HWND owner, const std::function<void()>& betweenTries) {
    if (!::IsClipboardFormatAvailable(CF_HDROP)) {
        return {};
    }
    // There is no word when the clipboard is let go of, so a short wait is all there is.
    bool open = false;
    for (int tries = 0; !open && tries < kClipboardTries; ++tries) {
        if (tries > 0) {
            betweenTries();
        }
        open = ::OpenClipboard(owner) != FALSE;
    }
    if (!open) {
        return {};
    }
    const ScopeExit close([] { ::CloseClipboard(); });
    // The clipboard only lends its block: it is read while the clipboard is open and never
    // released here (no DragFinish).
    const auto block = static_cast<HDROP>(::GetClipboardData(CF_HDROP));
    if (block == nullptr) {
        return {};
    }
    return ReadClipboardPaths(block);
}

bool IsPasteKey(WORD key) {
    const bool control = ::GetKeyState(VK_CONTROL) < 0;
    const bool shift = ::GetKeyState(VK_SHIFT) < 0;
    if (::GetKeyState(VK_MENU) < 0) {
        return false;
    }
    return (key == 'V' && control && !shift) || (key == VK_INSERT && shift && !control);
}

} // namespace velkin::win
