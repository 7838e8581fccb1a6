#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velkin {

// The platform reader's buffer holds 2048 characters, one of them the terminating zero.
inline constexpr std::size_t kMaxIniValueLength = 2047;

// A store of "key=value" lines grouped in sections, as the settings file is. The settings
// declare what they need of it; the platform's profile functions provide it.
//
// Read gives the value by the rule of IniValueText (settings/settings_file.h). The platform's own
// reader already trims blanks and drops one pair of enclosing quotes, so its store only cuts the
// length, and nothing above a store applies the rule again (a second pass would turn `""a""` into
// `a`). A store that is not the platform's reader applies IniValueText itself.
class IniStore {
public:
    virtual ~IniStore() = default;

    // Nothing when the key is missing; a present key with nothing after "=" gives empty text.
    virtual std::optional<std::wstring> Read(std::wstring_view section,
                                             std::wstring_view key) const = 0;

    // Replaces the key's value where it stands or adds the key at the end of the section,
    // leaving everything else alone. The value is stored exactly as given, without quoting.
    // False when the value could not be stored.
    [[nodiscard]] virtual bool Write(std::wstring_view section, std::wstring_view key,
                                     std::wstring_view value) = 0;

    // Takes the key's line out of the section, if there is one. False when the file could not
    // be changed.
    [[nodiscard]] virtual bool Remove(std::wstring_view section, std::wstring_view key) = 0;
};

} // namespace velkin
