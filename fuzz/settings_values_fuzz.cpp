// The settings file's value rules: the read rule for text, the lenient number rule against a
// reference reader written apart from it, loading from any store, and a save read back through a
// store that behaves like the file, a text in quotes whole.

#include <algorithm>
#include <map>
#include <set>

#include "base/integer_text.h"
#include "base/velkin_error.h"
#include "fuzz_support.h"
#include "settings/settings_file.h"

namespace {

using velkin::fuzz::TextFrom;

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

bool HasBlankEnd(std::wstring_view text) {
    return !text.empty() && (IsBlank(text.front()) || IsBlank(text.back()));
}

bool IsQuoted(std::wstring_view text) {
    return text.size() >= 2 && (text.front() == L'"' || text.front() == L'\'') &&
           text.back() == text.front();
}

// What the file keeps of a value: the blanks at its ends and one pair of enclosing quotes go,
// and the reader holds at most 2047 characters.
std::wstring KeptOfValue(std::wstring_view value) {
    const auto first = value.find_first_not_of(L" \t");
    if (first == std::wstring_view::npos) {
        return {};
    }
    value = value.substr(first, value.find_last_not_of(L" \t") - first + 1);
    if (IsQuoted(value)) {
        value = value.substr(1, value.size() - 2);
    }
    return std::wstring(value.substr(0, velkin::kMaxIniValueLength));
}

// What a save and a load give back of a text: the save puts one more pair of quotes around a
// text the reader would take a pair from, so that comes back whole (up to the reader's limit);
// any other text comes back as the file keeps it.
std::wstring SavedThenRead(std::wstring_view text) {
    const auto first = text.find_first_not_of(L" \t");
    if (first != std::wstring_view::npos &&
        IsQuoted(text.substr(first, text.find_last_not_of(L" \t") - first + 1))) {
        return std::wstring(text.substr(0, velkin::kMaxIniValueLength));
    }
    return KeptOfValue(text);
}

// "0x"/"0X" with something after it, or "$": hexadecimal digits, no sign. Anything else: an
// optional sign and decimal digits. The value must fit 32 bits; hexadecimal has no sign to make
// it negative.
std::optional<std::int32_t> ReferenceIniInteger(std::wstring_view value) {
    int base = 10;
    bool negative = false;
    if (value.size() > 2 && (value.starts_with(L"0x") || value.starts_with(L"0X"))) {
        base = 16;
        value.remove_prefix(2);
    } else if (value.starts_with(L'$')) {
        base = 16;
        value.remove_prefix(1);
    } else if (value.starts_with(L'+') || value.starts_with(L'-')) {
        negative = value.front() == L'-';
        value.remove_prefix(1);
    }
    return velkin::fuzz::ReferenceInt32(value, base, negative);
}

// The keys in the order of the file, with what each holds.
enum class Kind { Number, Text, Flag };
struct Key {
    std::wstring_view name;
    Kind kind;
};
constexpr Key kFileKeys[] = {
    {L"MainX", Kind::Number},    {L"MainY", Kind::Number},           {L"MainW", Kind::Number},
    {L"MainH", Kind::Number},    {L"RAROption1", Kind::Text},        {L"RAROption2", Kind::Text},
    {L"RAROption3", Kind::Text}, {L"RAROption4", Kind::Text},        {L"RAROption5", Kind::Text},
    {L"Column0", Kind::Number},  {L"Column1", Kind::Number},         {L"Column2", Kind::Number},
    {L"Column3", Kind::Number},  {L"Column4", Kind::Number},         {L"Column5", Kind::Number},
    {L"WinRARPath", Kind::Text}, {L"RAROptionSelect", Kind::Number}, {L"SavePath", Kind::Flag},
    {L"ClearEnd", Kind::Flag},
};

// Where each key's value lives in Settings, for building expectations field by field.
struct FieldRef {
    std::int32_t* number = nullptr;
    std::wstring* text = nullptr;
    bool* flag = nullptr;
};
FieldRef Field(velkin::Settings& s, std::wstring_view name) {
    if (name == L"MainX")
        return {&s.left};
    if (name == L"MainY")
        return {&s.top};
    if (name == L"MainW")
        return {&s.width};
    if (name == L"MainH")
        return {&s.height};
    if (name.starts_with(L"RAROption") && name.size() == 10) {
        return {nullptr, &s.profileTexts[static_cast<std::size_t>(name[9] - L'1')]};
    }
    if (name.starts_with(L"Column")) {
        return {&s.columnWidths[static_cast<std::size_t>(name[6] - L'0')]};
    }
    if (name == L"WinRARPath")
        return {nullptr, &s.winRarPath};
    if (name == L"RAROptionSelect")
        return {&s.selectedProfile};
    if (name == L"SavePath")
        return {nullptr, nullptr, &s.savePath};
    return {nullptr, nullptr, &s.clearEnd};
}

// A store that hands back whatever it was filled with and remembers what was asked.
class ScriptedStore final : public velkin::IniStore {
public:
    std::map<std::wstring, std::wstring, std::less<>> values;
    mutable std::vector<std::pair<std::wstring, std::wstring>> reads;

    std::optional<std::wstring> Read(std::wstring_view section,
                                     std::wstring_view key) const override {
        reads.emplace_back(section, key);
        const auto found = values.find(key);
        return found == values.end() ? std::nullopt : std::optional(found->second);
    }
    bool Write(std::wstring_view, std::wstring_view, std::wstring_view) override { return false; }
    bool Remove(std::wstring_view, std::wstring_view) override { return false; }
};

// Keeps "key=value" lines as a file does. A value with a line break or NUL cannot be one line,
// so such a write fails. Reading applies the file's rule, as a store that is not the platform's
// reader must.
class FileLikeStore final : public velkin::IniStore {
public:
    std::vector<std::wstring> lines{L"[Main]"};
    std::size_t writes = 0;

    std::optional<std::wstring> Read(std::wstring_view section,
                                     std::wstring_view key) const override {
        if (section != L"Main") {
            return std::nullopt;
        }
        for (const auto& line : lines) {
            if (line.size() > key.size() && line.starts_with(key) && line[key.size()] == L'=') {
                return velkin::IniValueText(std::wstring_view(line).substr(key.size() + 1));
            }
        }
        return std::nullopt;
    }
    bool Write(std::wstring_view section, std::wstring_view key, std::wstring_view value) override {
        if (section != L"Main" ||
            value.find_first_of(std::wstring_view(L"\r\n\0", 3)) != std::wstring_view::npos) {
            return false;
        }
        ++writes;
        const std::wstring line = std::wstring(key) + L"=" + std::wstring(value);
        for (auto& existing : lines) {
            if (existing.starts_with(key) && existing.size() > key.size() &&
                existing[key.size()] == L'=') {
                existing = line;
                return true;
            }
        }
        lines.push_back(line);
        return true;
    }
    bool Remove(std::wstring_view section, std::wstring_view key) override {
        if (section == L"Main") {
            std::erase_if(lines, [&](const std::wstring& line) {
                return line.size() > key.size() && line.starts_with(key) &&
                       line[key.size()] == L'=';
            });
        }
        return true;
    }
};

// Blanks, both quotes, '=' and line breaks are what the file's rules are about.
constexpr std::wstring_view kValueAlphabet = L" \t\"'=;[]0123456789abcdefxX$+-\r\n\u3042\u00A0";

std::wstring ValueText(FuzzedDataProvider& data) {
    std::wstring text = TextFrom(data, kValueAlphabet, 24);
    // Sometimes long enough to meet the reader's length limit.
    if (!text.empty() && data.ConsumeBool()) {
        const auto copies = data.ConsumeIntegralInRange<std::size_t>(0, 2100 / text.size() + 1);
        std::wstring repeated;
        for (std::size_t i = 0; i < copies; ++i) {
            repeated += text;
        }
        text = repeated + TextFrom(data, kValueAlphabet, 4);
    }
    return text;
}

void CheckValueRules(const std::wstring& raw) {
    const std::wstring once = velkin::IniValueText(raw);
    FUZZ_CHECK(once == KeptOfValue(raw));
    FUZZ_CHECK(once.size() <= velkin::kMaxIniValueLength);
    FUZZ_CHECK(raw.find(once) != std::wstring::npos);
    // A second pass leaves the text alone exactly when the first left nothing it would take.
    const bool settled = !HasBlankEnd(once) && !IsQuoted(once);
    FUZZ_CHECK((velkin::IniValueText(once) == once) == settled);
    if (!HasBlankEnd(raw) && !IsQuoted(raw) && raw.size() <= velkin::kMaxIniValueLength) {
        FUZZ_CHECK(once == raw);
    }

    for (const std::wstring* value : {&raw, &once}) {
        const auto parsed = velkin::ParseIniInteger(*value);
        FUZZ_CHECK(parsed == ReferenceIniInteger(*value));
        FUZZ_CHECK(velkin::IniIntegerOr(*value, 77) == parsed.value_or(77));
        FUZZ_CHECK(velkin::IniFlagOr(*value, true) == (parsed ? *parsed != 0 : true));
        FUZZ_CHECK(velkin::IniFlagOr(*value, false) == (parsed ? *parsed != 0 : false));
    }
    FUZZ_CHECK(velkin::IniIntegerOr(std::nullopt, -5) == -5);
    FUZZ_CHECK(velkin::IniFlagOr(std::nullopt, true) && !velkin::IniFlagOr(std::nullopt, false));
}

velkin::Settings SettingsFrom(FuzzedDataProvider& data) {
    velkin::Settings s;
    for (const Key& key : kFileKeys) {
        const FieldRef field = Field(s, key.name);
        if (field.number) {
            *field.number = data.ConsumeIntegral<std::int32_t>();
        } else if (field.text) {
            *field.text = ValueText(data);
        } else {
            *field.flag = data.ConsumeBool();
        }
    }
    s.eachItem = data.ConsumeBool();
    return s;
}

void CheckLoadFromAnyStore(FuzzedDataProvider& data) {
    ScriptedStore store;
    for (const Key& key : kFileKeys) {
        if (data.ConsumeBool()) {
            store.values.emplace(key.name, ValueText(data));
        }
    }
    const bool ownDefaults = data.ConsumeBool();
    velkin::Settings defaults = ownDefaults ? SettingsFrom(data) : velkin::DefaultSettings();

    const velkin::Settings loaded =
        ownDefaults ? velkin::LoadSettings(store, defaults) : velkin::LoadSettings(store);

    velkin::Settings expected = defaults;
    for (const Key& key : kFileKeys) {
        const auto found = store.values.find(key.name);
        if (found == store.values.end()) {
            continue;
        }
        const FieldRef field = Field(expected, key.name);
        const auto number = ReferenceIniInteger(found->second);
        if (field.number) {
            *field.number = number.value_or(*field.number);
        } else if (field.text) {
            *field.text = found->second;
        } else {
            *field.flag = number ? *number != 0 : *field.flag;
        }
    }
    FUZZ_CHECK(loaded == expected);

    // Every key is asked for once, in section Main, and "EachItem" after them.
    FUZZ_CHECK(store.reads.size() == std::size(kFileKeys) + 1);
    FUZZ_CHECK(store.reads.back().second == L"EachItem");
    std::set<std::wstring> asked;
    for (const auto& [section, key] : store.reads) {
        FUZZ_CHECK(section == L"Main");
        asked.insert(key);
    }
    FUZZ_CHECK(asked.size() == std::size(kFileKeys) + 1);
}

void CheckSaveThenLoad(FuzzedDataProvider& data) {
    const velkin::Settings saved = SettingsFrom(data);
    FileLikeStore store;
    std::size_t firstUnwritable = std::size(kFileKeys);
    velkin::Settings probe = saved;
    for (std::size_t i = 0; i < std::size(kFileKeys); ++i) {
        const FieldRef field = Field(probe, kFileKeys[i].name);
        if (field.text &&
            field.text->find_first_of(std::wstring_view(L"\r\n\0", 3)) != std::wstring::npos) {
            firstUnwritable = i;
            break;
        }
    }

    const std::wstring path = L"C:\\Velkin\\Velkin.ini";
    try {
        velkin::SaveSettings(store, saved, path);
        FUZZ_CHECK(firstUnwritable == std::size(kFileKeys));
    } catch (const velkin::Error& error) {
        FUZZ_CHECK(firstUnwritable < std::size(kFileKeys));
        FUZZ_CHECK(error.message().find(path) != std::wstring::npos);
    }
    // The save stops at the first failed write; everything before it was written, in order,
    // and "EachItem" after the 19 only while it is on.
    const std::size_t eachItemLine = firstUnwritable == std::size(kFileKeys) && saved.eachItem;
    FUZZ_CHECK(store.writes == firstUnwritable + eachItemLine);
    FUZZ_CHECK(store.lines.size() == firstUnwritable + eachItemLine + 1);
    FUZZ_CHECK(!eachItemLine || store.lines.back() == L"EachItem=1");
    for (std::size_t i = 0; i < firstUnwritable; ++i) {
        FUZZ_CHECK(store.lines[i + 1].starts_with(std::wstring(kFileKeys[i].name) + L"="));
    }
    if (firstUnwritable != std::size(kFileKeys)) {
        return;
    }

    // Defaults that differ from every saved value show that each value came from the file.
    velkin::Settings others = saved;
    for (const Key& key : kFileKeys) {
        const FieldRef field = Field(others, key.name);
        if (field.number) {
            *field.number = ~*field.number;
        } else if (field.text) {
            *field.text += L"~";
        } else {
            *field.flag = !*field.flag;
        }
    }
    // "EachItem" is read as on from the file, or, off and so missing, as the default says.
    others.eachItem = true;
    const velkin::Settings loaded = velkin::LoadSettings(store, others);
    FUZZ_CHECK(loaded.eachItem);
    velkin::Settings original = saved;
    velkin::Settings back = loaded;
    for (const Key& key : kFileKeys) {
        const FieldRef want = Field(original, key.name);
        const FieldRef got = Field(back, key.name);
        if (want.number) {
            FUZZ_CHECK(*got.number == *want.number);
        } else if (want.flag) {
            FUZZ_CHECK(*got.flag == *want.flag);
        } else {
            FUZZ_CHECK(*got.text == SavedThenRead(*want.text));
            if (!HasBlankEnd(*want.text) && !IsQuoted(*want.text) &&
                want.text->size() <= velkin::kMaxIniValueLength) {
                FUZZ_CHECK(*got.text == *want.text);
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    switch (provider.ConsumeIntegralInRange<int>(0, 2)) {
    case 0: {
        // Raw text first, so that any character can reach the rules.
        const std::wstring raw = velkin::fuzz::WideFromBytes(
            provider.ConsumeRandomLengthString(provider.remaining_bytes()));
        CheckValueRules(raw);
        break;
    }
    case 1:
        CheckValueRules(ValueText(provider));
        CheckLoadFromAnyStore(provider);
        break;
    default:
        CheckSaveThenLoad(provider);
        break;
    }
    return 0;
}
