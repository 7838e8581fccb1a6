#include "platform/text_file.h"

#include <windows.h>

#include <algorithm>

#include "base/message_texts.h"
#include "base/velkin_error.h"

namespace velkin::win {
namespace {

constexpr DWORD kChunk = 1u << 30;
// Reading back needs no more memory than this at a time.
constexpr std::size_t kReadChunk = 1u << 20;

[[noreturn]] void CannotCreate(const std::wstring& path) {
    throw Error(FormatMessageText(text::kCannotCreateFile, path));
}

void WriteAll(HANDLE file, const std::string& bytes, const std::wstring& path) {
    for (std::size_t written = 0; written < bytes.size();) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, kChunk));
        DWORD done = 0;
        if (!::WriteFile(file, bytes.data() + written, chunk, &done, nullptr) || done == 0) {
            CannotCreate(path);
        }
        written += done;
    }
}

// Whether the file holds exactly these bytes, read from its start.
bool HoldsExactly(HANDLE file, const std::string& bytes) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size) ||
        static_cast<std::uint64_t>(size.QuadPart) != bytes.size()) {
        return false;
    }
    std::string read(std::min<std::size_t>(bytes.size(), kReadChunk), '\0');
    for (std::size_t done = 0; done < bytes.size();) {
        const DWORD chunk = static_cast<DWORD>(std::min(bytes.size() - done, read.size()));
        DWORD got = 0;
        if (!::ReadFile(file, read.data(), chunk, &got, nullptr) || got == 0 ||
            bytes.compare(done, got, read.data(), got) != 0) {
            return false;
        }
        done += got;
    }
    return true;
}

} // namespace

UniqueFileHandle WriteAndHoldFile(const std::wstring& path, const std::string& bytes) {
    {
        const UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                                  nullptr));
        if (!file) {
            CannotCreate(path);
        }
        WriteAll(file.get(), bytes, path);
    }
    // Held for reading only, which the archiver's own opening tolerates, while writers are
    // refused. Another program may have written the file between the close and this open;
    // reading it back tells.
    UniqueFileHandle held(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held || !HoldsExactly(held.get(), bytes)) {
        CannotCreate(path);
    }
    return held;
}

} // namespace velkin::win
