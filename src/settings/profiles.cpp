#include "settings/profiles.h"

#include "base/integer_text.h"

namespace velkin {

ProfileSet::ProfileSet() {
    for (int n = 1; n <= kProfileCount; ++n) {
        texts_[Index(n)] = L"pf" + DecimalText(n);
    }
}

const std::array<std::wstring_view, kProfileCount>& ProfileSet::DefaultTexts() {
    static constexpr std::array<std::wstring_view, kProfileCount> kDefaults = {
        L"-EP1 -S -M5 -MD4096", L"-EP1 -S -M5 -MD4096 -df",       L"-EP1 -S -M5 -MD4096",
        L"-EP1 -S -M5 -MD4096", L"-EP1 -S -M5 -MD4096 -df -ioff",
    };
    return kDefaults;
}

const std::array<std::wstring_view, kProfileCount>&
ProfileSet::DefaultTexts(ArchiverKind archiver) {
    static constexpr std::array<std::wstring_view, kProfileCount> kSevenZipDefaults = {
        L"-t7z -mx=9 -ms=on", L"-t7z -mx=9 -ms=on -sdel", L"-tzip -mx=9 -mcu=on",
        L"-t7z -mx=9 -ms=on", L"-t7z -mx=9 -ms=on -sdel",
    };
    return archiver == ArchiverKind::SevenZip ? kSevenZipDefaults : DefaultTexts();
}

std::wstring ProfileSet::Option(int n) const {
    return IsProfileNumber(n) ? texts_[Index(n)] : std::wstring();
}

std::wstring ProfileSet::Caption(int n) const {
    return DecimalText(n) + L' ' + Option(n);
}

void ProfileSet::SetText(int n, std::wstring text) {
    if (IsProfileNumber(n)) {
        texts_[Index(n)] = std::move(text);
    }
}

void ProfileSet::Select(int n) {
    if (IsProfileNumber(n)) {
        selected_ = n;
    }
}

} // namespace velkin
