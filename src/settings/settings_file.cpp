#include "settings/settings_file.h"

#include <algorithm>
#include <array>
#include <variant>
#include <vector>

#include "base/integer_text.h"
#include "base/message_texts.h"
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

// Options that came after the 19 keys, flags each: a key is in the file only while its option is
// on, and taken out when it is off, so that the file of a user who never turns one on holds the
// 19 keys alone, as before the option existed. They are read after the 19.
struct FlagKeptWhileOn {
    std::wstring_view name;
    bool* (*locate)(Settings&);
};

constexpr std::array<FlagKeptWhileOn, 1> kFlagsKeptWhileOn = {{
    {L"EachItem", [](Settings& s) { return &s.eachItem; }},
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

// The profiles' keys follow each other in the table, profile 1 first.
constexpr std::size_t kFirstProfileKey = KeyIndex(L"RAROption1");
static_assert(kFirstProfileKey + kProfileCount - 1 == KeyIndex(L"RAROption5"));

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

std::wstring_view TrimmedBlanks(std::wstring_view value) {
    while (!value.empty() && IsBlank(value.front())) {
        value.remove_prefix(1);
    }
    while (!value.empty() && IsBlank(value.back())) {
        value.remove_suffix(1);
    }
    return value;
}

bool IsQuote(wchar_t c) {
    return c == L'"' || c == L'\'';
}

// Whether the reader would take a pair of quotes away from the text.
bool ReadUnquoted(std::wstring_view text) {
    const std::wstring_view trimmed = TrimmedBlanks(text);
    return trimmed.size() >= 2 && IsQuote(trimmed.front()) && trimmed.back() == trimmed.front();
}

// The text as written, so that the reader gives it back: one more pair of quotes where the reader
// would take one away, which also keeps the blanks inside them. Any other text is written as it
// is, as earlier versions wrote it.
std::wstring TextToWrite(const std::wstring& text) {
    return ReadUnquoted(text) ? L'"' + text + L'"' : text;
}

} // namespace

std::wstring SettingsFilePath(std::wstring_view programDirectory) {
    return std::wstring(programDirectory) + std::wstring(kSettingsFileName);
}

std::wstring IniValueText(std::wstring_view rawValue) {
    std::wstring_view value = TrimmedBlanks(rawValue);
    if (ReadUnquoted(value)) {
        value = value.substr(1, value.size() - 2);
    }
    return std::wstring(value.substr(0, kMaxIniValueLength));
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

std::wstring CharactersNotHeld(std::wstring_view text, const CodePage& codePage) {
    std::vector<std::wstring_view> notHeld;
    for (std::size_t at = 0; at < text.size();) {
        const bool pair = at + 1 < text.size() && text[at] >= 0xD800 && text[at] <= 0xDBFF &&
                          text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF;
        const std::wstring_view character = text.substr(at, pair ? 2 : 1);
        at += character.size();
        if (std::find(notHeld.begin(), notHeld.end(), character) == notHeld.end() &&
            !codePage.ToAnsi(character)) {
            notHeld.push_back(character);
        }
    }
    std::wstring characters;
    for (const auto character : notHeld) {
        characters += character;
    }
    return characters;
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
    for (const FlagKeptWhileOn& key : kFlagsKeptWhileOn) {
        bool* const flag = key.locate(settings);
        *flag = IniFlagOr(store.Read(kSettingsSection, key.name), *flag);
    }
    return settings;
}

std::array<bool, kProfileCount> ProfilesHeld(const IniStore& store) {
    std::array<bool, kProfileCount> held{};
    for (std::size_t n = 0; n < held.size(); ++n) {
        held[n] = store.Read(kSettingsSection, kKeys[kFirstProfileKey + n].name).has_value();
    }
    return held;
}

void SaveSettings(IniStore& store, const Settings& settings, std::wstring_view settingsPath) {
    // The table hands out references for loading; a copy lets saving use it unchanged.
    Settings values = settings;
    for (const SettingKey& key : kKeys) {
        const std::wstring text =
            std::visit(Overloaded{
                           [](const std::int32_t* number) { return DecimalText(*number); },
                           [](const std::wstring* value) { return TextToWrite(*value); },
                           [](const bool* flag) { return std::wstring(*flag ? L"1" : L"0"); },
                       },
                       key.locate(values));
        if (!store.Write(kSettingsSection, key.name, text)) {
            throw Error(FormatMessageText(text::kCannotWriteSettings, settingsPath));
        }
    }
    for (const FlagKeptWhileOn& key : kFlagsKeptWhileOn) {
        const bool stored = *key.locate(values) ? store.Write(kSettingsSection, key.name, L"1")
                                                : store.Remove(kSettingsSection, key.name);
        if (!stored) {
            throw Error(FormatMessageText(text::kCannotWriteSettings, settingsPath));
        }
    }
}

} // namespace velkin
