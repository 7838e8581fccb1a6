#include "joblist/job_row.h"

namespace velkin {

const std::wstring& JobRow::Text(JobColumn column) const {
    switch (column) {
    case JobColumn::DropNumber:
        return dropNumber;
    case JobColumn::ProfileNumber:
        return profileNumber;
    case JobColumn::FileName:
        return fileName;
    case JobColumn::FullPath:
        return fullPath;
    case JobColumn::Destination:
        return destination;
    case JobColumn::Status:
        break;
    }
    return status;
}

std::wstring& JobRow::Text(JobColumn column) {
    return const_cast<std::wstring&>(static_cast<const JobRow&>(*this).Text(column));
}

} // namespace velkin
