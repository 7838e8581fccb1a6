#include "joblist/job_row.h"

#include "base/path_parts.h"

namespace velkin {
namespace {

const std::wstring& EmptyText() {
    static const std::wstring empty;
    return empty;
}

} // namespace

JobRow::JobRow(std::wstring dropNumber, std::wstring profileNumber, std::wstring fullPath,
               std::shared_ptr<const std::wstring> destination, std::wstring status)
    : dropNumber(std::move(dropNumber)), profileNumber(std::move(profileNumber)),
      status(std::move(status)), fullPath_(std::move(fullPath)),
      destination_(std::move(destination)) {
    fileNameStart_ = fullPath_.size() - FileNamePartLength(fullPath_);
}

JobRow::JobRow(std::wstring dropNumber, std::wstring profileNumber, std::wstring fullPath,
               std::wstring destination, std::wstring status)
    : JobRow(std::move(dropNumber), std::move(profileNumber), std::move(fullPath),
             std::make_shared<const std::wstring>(std::move(destination)), std::move(status)) {}

const std::wstring& JobRow::Destination() const {
    return destination_ ? *destination_ : EmptyText();
}

std::wstring_view JobRow::Text(JobColumn column) const {
    switch (column) {
    case JobColumn::DropNumber:
        return dropNumber;
    case JobColumn::ProfileNumber:
        return profileNumber;
    case JobColumn::FileName:
        return FileName();
    case JobColumn::FullPath:
        return fullPath_;
    case JobColumn::Destination:
        return Destination();
    case JobColumn::Status:
        break;
    }
    return status;
}

} // namespace velkin
