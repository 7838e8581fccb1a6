#include "platform/program_windows.h"

#include <optional>
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

bool SameName(std::wstring_view a, std::wstring_view b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// What tells a folder from every other whatever form its path takes: the system names the
// running program's file in the form it was started by (8.3 names, the \\?\ prefix, its
// letter case), another process's in the long form.
struct FolderIdentity {
    DWORD volumeSerial = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool operator==(const FolderIdentity&) const = default;
};

std::optional<FolderIdentity> IdentityOf(std::wstring_view folder) {
    const std::wstring path(folder);
    // Backup semantics open a folder; its attributes are all that is read.
    const UniqueFileHandle handle(::CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!handle || !::GetFileInformationByHandle(handle.get(), &info)) {
        return std::nullopt;
    }
    return FolderIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

} // namespace

std::vector<HWND> WindowsOfProgramsIn(std::wstring_view folder, const wchar_t* className) {
    std::vector<HWND> found;
    const DWORD self = ::GetCurrentProcessId();
    const std::optional<FolderIdentity> identity = IdentityOf(folder);
    for (HWND window = ::FindWindowExW(nullptr, nullptr, className, nullptr); window != nullptr;
         window = ::FindWindowExW(nullptr, window, className, nullptr)) {
        DWORD processId = 0;
        ::GetWindowThreadProcessId(window, &processId);
        if (processId == self || !::IsWindowVisible(window)) {
            continue;
        }
        const std::wstring other = ProgramFolderOf(processId);
        if (other.empty()) {
            continue;
        }
        // Where a folder cannot be opened, its name is all there is to go by.
        if (SameName(other, folder) || (identity && IdentityOf(other) == identity)) {
            found.push_back(window);
        }
    }
    return found;
}

} // namespace velkin::win
