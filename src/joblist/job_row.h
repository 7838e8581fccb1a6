#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/job_columns.h"

namespace velkin {

// One row of the job list: six texts, in the order of the list's columns.
//
// A drop of 100,000 items makes 100,000 rows, so a row allocates nothing of its own beyond its
// path: the file name is the tail of the full path, and the rows of one drop share one
// destination text.
class JobRow {
public:
    JobRow() = default;
    JobRow(std::wstring dropNumber, std::wstring profileNumber, std::wstring fullPath,
           std::shared_ptr<const std::wstring> destination, std::wstring status = {});
    JobRow(std::wstring dropNumber, std::wstring profileNumber, std::wstring fullPath,
           std::wstring destination, std::wstring status = {});

    std::wstring dropNumber; // may be edited in place by the user
    std::wstring profileNumber;
    std::wstring status;

    const std::wstring& FullPath() const { return fullPath_; }
    // After the last separator of the full path.
    std::wstring_view FileName() const {
        return std::wstring_view(fullPath_).substr(fileNameStart_);
    }
    const std::wstring& Destination() const;

    // Every text ends in a NUL character right after its view, so it can be shown as it is.
    std::wstring_view Text(JobColumn column) const;

private:
    std::wstring fullPath_;
    std::size_t fileNameStart_ = 0;
    std::shared_ptr<const std::wstring> destination_;
};

using JobRows = std::vector<JobRow>;

} // namespace velkin
