#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velkin {

// The job list's six columns, in the order the list shows them. The job rows fill them, the list
// view shows their captions, and the settings file keeps their widths (Column0 to Column5).
enum class JobColumn { DropNumber, ProfileNumber, FileName, FullPath, Destination, Status };

struct JobColumnInfo {
    std::wstring_view caption;
    std::int32_t width; // before the user drags it, at 96 pixels per inch
};

inline constexpr std::array<JobColumnInfo, 6> kJobColumns = {{
    {L"番号", 50},
    {L"プロファイル", 80},
    {L"ファイル名", 200},
    {L"フルパス", 200},
    {L"保存先", 200},
    {L"ステータス", 70},
}};

inline constexpr int kJobColumnCount = static_cast<int>(kJobColumns.size());

using ColumnWidths = std::array<std::int32_t, kJobColumns.size()>;

constexpr ColumnWidths DefaultColumnWidths() {
    ColumnWidths widths{};
    for (std::size_t i = 0; i < kJobColumns.size(); ++i) {
        widths[i] = kJobColumns[i].width;
    }
    return widths;
}

} // namespace velkin
