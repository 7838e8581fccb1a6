#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace velkin {

enum class JobColumn { DropNumber, ProfileNumber, FileName, FullPath, Destination, Status };

// One row of the job list: six texts, in the order of the list's columns.
struct JobRow {
    std::wstring dropNumber;
    std::wstring profileNumber;
    std::wstring fileName;
    std::wstring fullPath;
    std::wstring destination;
    std::wstring status;

    const std::wstring& Text(JobColumn column) const;
    std::wstring& Text(JobColumn column);
};

struct JobColumnInfo {
    std::wstring_view caption;
    int width; // at 96 pixels per inch
};

inline constexpr std::array<JobColumnInfo, 6> kJobColumns = {{
    {L"番号", 50},
    {L"プロファイル", 80},
    {L"ファイル名", 200},
    {L"フルパス", 200},
    {L"保存先", 200},
    {L"ステータス", 70},
}};

using JobRows = std::vector<JobRow>;

} // namespace velkin
