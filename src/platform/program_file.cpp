#include "platform/program_file.h"

#include <windows.h>

#include <string>

#include "platform/unique_handle.h"

namespace velkin::win {

ProgramSubsystem ProgramSubsystemOf(const std::wstring& path) {
    const UniqueFileHandle file(::CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return ProgramSubsystem::Window;
    }
    std::string header(kProgramHeaderBytes, '\0');
    DWORD read = 0;
    if (!::ReadFile(file.get(), header.data(), static_cast<DWORD>(header.size()), &read, nullptr)) {
        return ProgramSubsystem::Window;
    }
    header.resize(read);
    return SubsystemOfHeader(header);
}

} // namespace velkin::win
