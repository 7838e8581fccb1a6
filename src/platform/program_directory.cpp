#include "platform/program_directory.h"

#include <windows.h>

#include <system_error>

#include "base/path_parts.h"

namespace velkin::win {
namespace {

// Beyond the longest path the system can hand out, so the loop below always ends.
constexpr DWORD kMaxBuffer = 65536;

} // namespace

std::wstring ProgramDirectory() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
        if (length == 0) {
            throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                                    "GetModuleFileNameW");
        }
        // A full buffer means the name was cut: the system gives no length for the whole.
        if (length < size) {
            buffer.resize(length);
            return velkin::FolderPart(buffer);
        }
        if (size >= kMaxBuffer) {
            throw std::system_error(ERROR_INSUFFICIENT_BUFFER, std::system_category(),
                                    "GetModuleFileNameW");
        }
        buffer.resize(static_cast<std::size_t>(size) * 2);
    }
}

} // namespace velkin::win
