// The profile menu's captions and the "&" doubling that shows them literally.

#include <algorithm>

#include "app/menu_text.h"
#include "base/integer_text.h"
#include "fuzz_support.h"
#include "settings/profiles.h"

namespace {

// Every "&" of a literal menu text comes doubled; taking one of each pair gives the text.
std::optional<std::wstring> Undouble(std::wstring_view shown) {
    std::wstring text;
    for (std::size_t at = 0; at < shown.size(); ++at) {
        text += shown[at];
        if (shown[at] == L'&') {
            if (at + 1 >= shown.size() || shown[at + 1] != L'&') {
                return std::nullopt;
            }
            ++at;
        }
    }
    return text;
}

void CheckLiteral(const std::wstring& text) {
    const std::wstring shown = velkin::LiteralMenuText(text);
    FUZZ_CHECK(Undouble(shown) == text);
    const auto ampersands = static_cast<std::size_t>(std::count(text.begin(), text.end(), L'&'));
    FUZZ_CHECK(shown.size() == text.size() + ampersands);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    constexpr std::wstring_view kAlphabet = L"&& -a1 \t\"\u3042\u00E9";

    velkin::ProfileSet profiles;
    std::array<std::wstring, velkin::kProfileCount> texts;
    for (int n = 1; n <= velkin::kProfileCount; ++n) {
        texts[static_cast<std::size_t>(n - 1)] = L"pf" + velkin::DecimalText(n);
    }
    int selected = 1;

    while (provider.remaining_bytes() > 0) {
        const auto n = provider.ConsumeBool() ? provider.ConsumeIntegralInRange<int>(-1, 7)
                                              : provider.ConsumeIntegral<int>();
        const bool inRange = n >= 1 && n <= velkin::kProfileCount;
        switch (provider.ConsumeIntegralInRange<int>(0, 2)) {
        case 0: {
            std::wstring text = velkin::fuzz::TextFrom(provider, kAlphabet, 40);
            if (inRange) {
                texts[static_cast<std::size_t>(n - 1)] = text;
            }
            profiles.SetText(n, std::move(text));
            break;
        }
        case 1:
            if (inRange) {
                selected = n;
            }
            profiles.Select(n);
            break;
        default: {
            std::wstring text = velkin::fuzz::TextFrom(provider, kAlphabet, 40);
            texts[static_cast<std::size_t>(selected - 1)] = text;
            profiles.ReplaceSelectedText(std::move(text));
            break;
        }
        }

        FUZZ_CHECK(profiles.SelectedNo() == selected);
        FUZZ_CHECK(profiles.SelectedOption() == texts[static_cast<std::size_t>(selected - 1)]);
        for (int m = 1; m <= velkin::kProfileCount; ++m) {
            const std::wstring caption = profiles.Caption(m);
            FUZZ_CHECK(profiles.Option(m) == texts[static_cast<std::size_t>(m - 1)]);
            FUZZ_CHECK(caption.size() >= 2);
            FUZZ_CHECK(caption[0] == static_cast<wchar_t>(L'0' + m) && caption[1] == L' ');
            FUZZ_CHECK(caption.substr(2) == profiles.Option(m));
            CheckLiteral(caption);
        }
        if (!inRange) {
            FUZZ_CHECK(profiles.Option(n).empty());
            FUZZ_CHECK(profiles.Caption(n) == velkin::DecimalText(n) + L" ");
        }
    }
    CheckLiteral(velkin::fuzz::WideFromBytes({reinterpret_cast<const char*>(data), size}));
    return 0;
}
