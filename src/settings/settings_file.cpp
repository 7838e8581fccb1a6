#include "settings/settings_file.h"

#include <array>
#include <variant>

#include "base/message_texts.h"
#include "base/strict_integer.h"
#include "base/velkin_error.h"

namespace velkin {
namespace {

// The kind of a key is the type it points at: std::int32_t is a number, std::wstring is text and
// bool is a flag. Its default is what DefaultSettings() holds there.
using SettingRef = std::variant<std::int32_t*, std::wstring*, bool*>;

struct SettingKey {
    std::wstring_view name;
    SettingRef (*locate)(Settings&);
};

template <class... Ts> struct Overloaded : Ts... { using Ts::operator()...; };
template <class... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;

// In the order of a save, which is the order of a file that a save creates.
constexpr std::array<SettingKey, 19> kKeys = {{
    {L"MainX", [](Settings& s) -> SettingRef { return &s.left; }},
    {L"MainY", [](Settings& s) -> SettingRef { return &s.top; }},
    {L"MainW", [](Settings& s) -> SettingRef { return &s.width; }},
    {L"MainH", [](Settings& s) -> SettingRef { return &s.height; }},
    {L"RAROption1", [](Settings& s) -> SettingRef { return &s.profileTexts[0]; }},
    {L"RAROption2", [](Settings& s) -> SettingRef { return &s.profileTexts[1]; }},
    {L"RAROption3", [](Settings& s) -> SettingRef { return &s.profileTexts[2]; }},
    {L"RAROption4", [](Settings& s) -> SettingRef { return &s.profileTexts[3]; }},
    {L"RAROption5", [](Settings& s) -> SettingRef { return &s.profileTexts[4]; }},
    {L"Column0", [](Settings& s) -> SettingRef { return &s.columnWidths[0]; }},
    {L"Column1", [](Settings& s) -> SettingRef { return &s.columnWidths[1]; }},
    {L"Column2", [](Settings& s) -> SettingRef { return &s.columnWidths[2]; }},
    {L"Column3", [](Settings& s) -> SettingRef { return &s.columnWidths[3]; }},
    {L"Column4", [](Settings& s) -> SettingRef { return &s.columnWidths[4]; }},
    {L"Column5", [](Settings& s) -> SettingRef { return &s.columnWidths[5]; }},
    {L"WinRARPath", [](Settings& s) -> SettingRef { return &s.winRarPath; }},
    {L"RAROptionSelect", [](Settings& s) -> SettingRef { return &s.selectedProfile; }},
    {L"SavePath", [](Settings& s) -> SettingRef { return &s.savePath; }},
    {L"ClearEnd", [](Settings& s) -> SettingRef { return &s.clearEnd; }},
}};

// Earlier versions read the keys in this order; kept so that a store sees the same reads.
constexpr std::array<std::wstring_view, kKeys.size()> kLoadOrder = {
    L"MainX",      L"MainY",      L"MainW",      L"MainH",           L"RAROption1",
    L"RAROption2", L"RAROption3", L"RAROption4", L"RAROption5",      L"Column0",
    L"Column1",    L"Column2",    L"Column3",    L"Column4",         L"Column5",
    L"SavePath",   L"ClearEnd",   L"WinRARPath", L"RAROptionSelect",
};

constexpr std::size_t KeyIndex(std::wstring_view name) {
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        if (kKeys[i].name == name) {
            return i;
        }
    }
    return kKeys.size();
}

constexpr bool LoadOrderCoversEveryKeyOnce() {
    std::array<int, kKeys.size()> seen{};
    for (const auto name : kLoadOrder) {
        const std::size_t at = KeyIndex(name);
        if (at == kKeys.size() || seen[at]++ != 0) {
            return false;
        }
    }
    return true;
}
static_assert(LoadOrderCoversEveryKeyOnce());

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

int HexDigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    return -1;
}

// Digits only, no sign; the magnitude may reach 2^31 so that the negative end still fits.
std::optional<std::uint32_t> ParseMagnitude(std::wstring_view digits, int base) {
    if (digits.empty()) {
        return std::nullopt;
    }
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 31;
    std::uint64_t magnitude = 0;
    for (const wchar_t c : digits) {
        const int digit = HexDigitValue(c);
        if (digit < 0 || digit >= base) {
            return std::nullopt;
        }
        magnitude = magnitude * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (magnitude > kLimit) {
            return std::nullopt;
        }
    }
    return static_cast<std::uint32_t>(magnitude);
}

std::optional<std::int32_t> Positive(std::optional<std::uint32_t> magnitude) {
    constexpr std::uint32_t kMax = 0x7FFFFFFF;
    if (!magnitude || *magnitude > kMax) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*magnitude);
}

} // namespace

std::wstring SettingsFilePath(std::wstring_view programDirectory) {
    return std::wstring(programDirectory) + std::wstring(kSettingsFileName);
}

std::wstring IniValueText(std::wstring_view rawValue) {
    std::wstring_view value = rawValue;
    while (!value.empty() && IsBlank(value.front())) {
        value.remove_prefix(1);
    }
    while (!value.empty() && IsBlank(value.back())) {
        value.remove_suffix(1);
    }
    if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::wstring(value.substr(0, kMaxIniValueLength));
}

std::optional<std::int32_t> ParseIniInteger(std::wstring_view value) {
    if (value.size() > 2 && (value.starts_with(L"0x") || value.starts_with(L"0X"))) {
        return Positive(ParseMagnitude(value.substr(2), 16));
    }
    if (value.starts_with(L'$')) {
        return Positive(ParseMagnitude(value.substr(1), 16));
    }
    const bool negative = value.starts_with(L'-');
    if (negative || value.starts_with(L'+')) {
        value.remove_prefix(1);
    }
    const auto magnitude = ParseMagnitude(value, 10);
    if (!negative) {
        return Positive(magnitude);
    }
    if (!magnitude) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(-static_cast<std::int64_t>(*magnitude));
}

std::int32_t IniIntegerOr(const std::optional<std::wstring>& value, std::int32_t fallback) {
    if (!value) {
        return fallback;
    }
    return ParseIniInteger(*value).value_or(fallback);
}

bool IniFlagOr(const std::optional<std::wstring>& value, bool fallback) {
    return IniIntegerOr(value, fallback ? 1 : 0) != 0;
}

Settings LoadSettings(const IniStore& store) {
    return LoadSettings(store, DefaultSettings());
}

Settings LoadSettings(const IniStore& store, Settings defaults) {
    Settings settings = std::move(defaults);
    for (const auto name : kLoadOrder) {
        const SettingKey& key = kKeys[KeyIndex(name)];
        const std::optional<std::wstring> value = store.Read(kSettingsSection, key.name);
        std::visit(Overloaded{
                       [&](std::int32_t* number) { *number = IniIntegerOr(value, *number); },
                       [&](std::wstring* text) {
                           if (value) {
                               *text = *value;
                           }
                       },
                       [&](bool* flag) { *flag = IniFlagOr(value, *flag); },
                   },
                   key.locate(settings));
    }
    return settings;
}

void SaveSettings(IniStore& store, const Settings& settings, std::wstring_view settingsPath) {
    // The table hands out references for loading; a copy lets saving use it unchanged.
    Settings values = settings;
    for (const SettingKey& key : kKeys) {
        const std::wstring text =
            std::visit(Overloaded{
                           [](const std::int32_t* number) { return DecimalText(*number); },
                           [](const std::wstring* value) { return *value; },
                           [](const bool* flag) { return std::wstring(*flag ? L"1" : L"0"); },
                       },
                       key.locate(values));
        if (!store.Write(kSettingsSection, key.name, text)) {
            throw Error(FormatMessageText(text::kCannotWriteSettings, settingsPath));
        }
    }
}

} // namespace velkin
