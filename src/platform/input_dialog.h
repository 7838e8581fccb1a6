#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace velkin::win {

struct InputDialogTexts {
    std::wstring_view caption;
    std::wstring_view prompt;
    std::wstring_view okButton;
    std::wstring_view cancelButton;
};

// A modal single-line input dialog: the field starts with the initial text, all of it selected,
// and takes at most maxLength characters of typing. The entered text, exactly as it stands, when
// the user leaves with OK; nothing when they cancel, press Escape or close the window.
std::optional<std::wstring> ShowInputDialog(HWND owner, const InputDialogTexts& texts,
                                            std::wstring_view initialText, int maxLength);

} // namespace velkin::win
