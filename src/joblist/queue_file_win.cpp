#include "joblist/queue_file_win.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "platform/text_file.h"
#include "platform/unique_handle.h"

namespace velkin::win {
namespace {

constexpr const wchar_t* kPattern = L"Velkin.*.queue";

class HeldQueueFile final : public QueueFile {
public:
    HeldQueueFile(UniqueFileHandle file, std::wstring path)
        : file_(std::move(file)), path_(std::move(path)) {}

    bool Append(std::string_view bytes) override {
        LARGE_INTEGER end{};
        if (!::SetFilePointerEx(file_.get(), LARGE_INTEGER{}, &end, FILE_END)) {
            return false;
        }
        return WriteAll(file_.get(), bytes);
    }

    bool Truncate(std::uint64_t size) override {
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(size);
        return ::SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN) &&
               ::SetEndOfFile(file_.get());
    }

    void Sync() override { ::FlushFileBuffers(file_.get()); }

    void Remove() override {
        // Emptied first: should another Velkin open it between the close and the deletion, it
        // finds nothing to offer.
        Truncate(0);
        FILE_DISPOSITION_INFO disposition{TRUE};
        const bool marked = ::SetFileInformationByHandle(file_.get(), FileDispositionInfo,
                                                         &disposition, sizeof(disposition));
        file_.reset();
        if (!marked) {
            ::DeleteFileW(path_.c_str());
        }
    }

private:
    UniqueFileHandle file_;
    std::wstring path_;
};

std::optional<std::string> ReadWhole(HANDLE file) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size) || size.QuadPart < 0 ||
        static_cast<std::uint64_t>(size.QuadPart) > (std::uint64_t{1} << 40)) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    for (std::size_t read = 0; read < bytes.size();) {
        DWORD got = 0;
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - read, 1u << 30));
        if (!::ReadFile(file, bytes.data() + read, chunk, &got, nullptr) || got == 0) {
            return std::nullopt;
        }
        read += got;
    }
    return bytes;
}

struct Found {
    std::wstring name;
    FILETIME written;
};

std::vector<Found> QueueFilesIn(const std::wstring& directory) {
    std::vector<Found> found;
    WIN32_FIND_DATAW entry{};
    const HANDLE search = ::FindFirstFileW((directory + kPattern).c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return found;
    }
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            found.push_back({entry.cFileName, entry.ftLastWriteTime});
        }
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return ::CompareFileTime(&a.written, &b.written) < 0;
    });
    return found;
}

} // namespace

std::unique_ptr<QueueFile> CreateQueueFile(const std::wstring& directory) {
    // Two windows of one folder never share a name: each has its process, and a process that
    // makes its file anew (after giving one up) has another moment.
    for (int attempt = 0; attempt < 16; ++attempt) {
        wchar_t name[64];
        std::swprintf(name, 64, L"Velkin.%lx-%llx.queue", ::GetCurrentProcessId(),
                      ::GetTickCount64() + static_cast<unsigned long long>(attempt));
        std::wstring path = directory + name;
        UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                            FILE_SHARE_READ, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            return std::make_unique<HeldQueueFile>(std::move(file), std::move(path));
        }
        if (::GetLastError() != ERROR_FILE_EXISTS) {
            return nullptr;
        }
    }
    return nullptr;
}

std::optional<QueueLeftBehind> TakeQueueLeftBehind(const std::wstring& directory) {
    for (const Found& found : QueueFilesIn(directory)) {
        std::wstring path = directory + found.name;
        // Opened for this program alone: a running Velkin holds its own file, and this fails.
        UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                            nullptr));
        if (!file) {
            continue;
        }
        const auto bytes = ReadWhole(file.get());
        QueueReplay replay = ReplayQueue(bytes.value_or(std::string()));
        if (replay.kind == QueueReplay::Kind::OtherVersion) {
            continue;
        }
        auto held = std::make_unique<HeldQueueFile>(std::move(file), std::move(path));
        RestoreQueue(replay.rows, replay.dropCount);
        if (replay.rows.empty()) {
            held->Remove();
            continue;
        }
        return QueueLeftBehind{std::move(held), std::move(replay)};
    }
    return std::nullopt;
}

} // namespace velkin::win
