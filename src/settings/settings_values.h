#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/job_columns.h"
#include "settings/profiles.h"

namespace velkin {

// Everything that outlives a run, as plain values.
struct Settings {
    std::int32_t left = 100;
    std::int32_t top = 100;
    std::int32_t width = 640;
    std::int32_t height = 400;
    std::array<std::wstring, kProfileCount> profileTexts;
    ColumnWidths columnWidths = DefaultColumnWidths();
    std::wstring winRarPath;
    std::int32_t selectedProfile = 1;
    bool savePath = false;
    bool clearEnd = false;
    bool eachItem = false;

    bool operator==(const Settings&) const = default;
};

// The values a start without a settings file applies.
Settings DefaultSettings();

} // namespace velkin
