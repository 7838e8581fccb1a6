#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/code_page.h"
#include "base/ini_store.h"
#include "settings/settings_values.h"

namespace velkin {

// The settings file sits next to the program, never in the current directory.
inline constexpr std::wstring_view kSettingsFileName = L"Velkin.ini";
inline constexpr std::wstring_view kSettingsSection = L"Main";

// The program directory ends in "\" already.
std::wstring SettingsFilePath(std::wstring_view programDirectory);

// What a read gives for the text after "=": blanks at both ends removed, then one pair of
// equal quotation marks (' or ") around the whole value removed, then cut to
// kMaxIniValueLength characters.
std::wstring IniValueText(std::wstring_view rawValue);

// A value read by the file's lenient number rule (ParseIniInteger); a missing or unreadable
// value gives the fallback, and nothing is reported.
std::int32_t IniIntegerOr(const std::optional<std::wstring>& value, std::int32_t fallback);
// Read as a number, 1 standing for a true fallback and 0 for false; any number but 0 is true.
bool IniFlagOr(const std::optional<std::wstring>& value, bool fallback);

// Every key of section Main; a key that is missing or unreadable keeps DefaultSettings().
// RAROptionSelect is kept as read, whatever the number: ProfileSet::Select ignores the rest.
Settings LoadSettings(const IniStore& store);
// The same with other defaults, such as sizes scaled for the screen.
Settings LoadSettings(const IniStore& store, Settings defaults);

// Which of the five profiles the store holds a key for (a key with an empty value counts).
std::array<bool, kProfileCount> ProfilesHeld(const IniStore& store);

// The characters of a text that the settings file, kept in the ANSI code page, cannot hold: each
// once, in the order they first appear, a surrogate pair as one character. Empty when it holds
// them all.
std::wstring CharactersNotHeld(std::wstring_view text, const CodePage& codePage);

// Writes all keys, a text that IniValueText would unquote inside one more pair of quotes, so
// that it reads back as it is, and "EachItem" only while it is on (removed when off); the first
// write that fails stops the save and throws velkin::Error
// "<settingsPath> に書き込めません".
void SaveSettings(IniStore& store, const Settings& settings, std::wstring_view settingsPath);

} // namespace velkin
