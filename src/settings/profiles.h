#pragma once

#include <array>
#include <string>
#include <string_view>

#include "base/archiver_kind.h"

namespace velkin {

inline constexpr int kProfileCount = 5;

// The five archiver switch strings, numbered 1 to 5, and which one is selected. Exactly one is
// selected at all times. A profile's text is kept exactly as given, blanks and all.
class ProfileSet {
public:
    // Placeholders "pf1" to "pf5", profile 1 selected, until the settings are read: start-up
    // always replaces them.
    ProfileSet();

    // WinRAR's defaults, which every archiver outside the 7-Zip family starts with.
    static const std::array<std::wstring_view, kProfileCount>& DefaultTexts();
    // The defaults of the archiver's kind. The 7-Zip family's mirror WinRAR's where the family
    // has the same switch: a solid 7z archive at its highest level for profiles 1 and 4 (stored
    // names without the base folder are the family's own way, as -EP1 asks of WinRAR), the same
    // deleting the files afterwards (-sdel for -df) for profiles 2 and 5, where the family has no
    // switch to power the PC off, and a ZIP archive with its names in UTF-8 for profile 3, so
    // that every other program reads them whole.
    static const std::array<std::wstring_view, kProfileCount>& DefaultTexts(ArchiverKind archiver);
    static bool IsProfileNumber(int n) { return n >= 1 && n <= kProfileCount; }

    int SelectedNo() const { return selected_; }
    const std::wstring& SelectedOption() const { return texts_[Index(selected_)]; }
    // Empty text for any number outside 1 to 5.
    std::wstring Option(int n) const;

    // The menu caption: the digit, one blank, the text.
    std::wstring Caption(int n) const;

    void SetText(int n, std::wstring text);
    // Numbers outside 1 to 5 change nothing.
    void Select(int n);
    void ReplaceSelectedText(std::wstring text) { texts_[Index(selected_)] = std::move(text); }

private:
    static std::size_t Index(int n) { return static_cast<std::size_t>(n - 1); }

    std::array<std::wstring, kProfileCount> texts_;
    int selected_ = 1;
};

} // namespace velkin
