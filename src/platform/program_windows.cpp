#include "platform/program_windows.h"

#include <string>

#include "base/path_parts.h"
#include "platform/unique_handle.h"

namespace velkin::win {
namespace {

// The longest path the system hands out, terminator included.
constexpr DWORD kMaxPath = 32768;

std::wstring ProgramFolderOf(DWORD processId) {
    const UniqueKernelHandle process(
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) {
        return {};
    }
    std::wstring image(kMaxPath, L'\0');
    DWORD length = kMaxPath;
    if (!::QueryFullProcessImageNameW(process.get(), 0, image.data(), &length)) {
        return {};
    }
    image.resize(length);
    return FolderPart(image);
}

bool SameFolder(std::wstring_view a, std::wstring_view b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

} // namespace

std::vector<HWND> WindowsOfProgramsIn(std::wstring_view folder, const wchar_t* className) {
    std::vector<HWND> found;
    const DWORD self = ::GetCurrentProcessId();
    for (HWND window = ::FindWindowExW(nullptr, nullptr, className, nullptr); window != nullptr;
         window = ::FindWindowExW(nullptr, window, className, nullptr)) {
        DWORD processId = 0;
        ::GetWindowThreadProcessId(window, &processId);
        if (processId == self || !::IsWindowVisible(window)) {
            continue;
        }
        const std::wstring other = ProgramFolderOf(processId);
        if (!other.empty() && SameFolder(other, folder)) {
            found.push_back(window);
        }
    }
    return found;
}

} // namespace velkin::win
