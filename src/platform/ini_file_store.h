#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/ini_store.h"

namespace velkin::win {

// One INI file through the system's profile functions, which keep the file in the ANSI code
// page without a byte-order mark, as hand-written files and earlier versions have it.
//
// Values are returned as the system reads them: its reader trims blanks and drops one pair of
// enclosing quotes, which with the cut to 2047 characters is the portable rule IniValueText, so
// nothing here trims or strips again.
class IniFileStore final : public IniStore {
public:
    explicit IniFileStore(std::wstring path) : path_(std::move(path)) {}

    const std::wstring& path() const { return path_; }

    std::optional<std::wstring> Read(std::wstring_view section,
                                     std::wstring_view key) const override;
    [[nodiscard]] bool Write(std::wstring_view section, std::wstring_view key,
                             std::wstring_view value) override;
    [[nodiscard]] bool Remove(std::wstring_view section, std::wstring_view key) override;

private:
    std::wstring path_;
};

} // namespace velkin::win
