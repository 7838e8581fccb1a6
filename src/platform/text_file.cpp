#include "platform/text_file.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string_view>

#include "base/message_texts.h"
#include "base/stream_digest.h"
#include "base/velkin_error.h"

namespace velkin::win {
namespace {

constexpr DWORD kChunk = 1u << 30;
// Reading back needs no more memory than this at a time.
constexpr std::size_t kReadChunk = 1u << 20;

[[noreturn]] void CannotCreate(const std::wstring& path) {
    throw Error(FormatMessageText(text::kCannotCreateFile, path));
}

// Writes what it is given to the file as it comes, and keeps the digest of it.
class DigestedFile final : public ByteSink {
public:
    DigestedFile(HANDLE file, const std::wstring& path) : file_(file), path_(path) {}

    void Append(std::string_view bytes) override {
        if (!WriteAll(file_, bytes)) {
            CannotCreate(path_);
        }
        digest_.Add(bytes);
    }

    void StartOver() override {
        if (!::SetFilePointerEx(file_, LARGE_INTEGER{}, nullptr, FILE_BEGIN) ||
            !::SetEndOfFile(file_)) {
            CannotCreate(path_);
        }
        digest_ = StreamDigest();
    }

    StreamDigest::Value Digest() const { return digest_.Finish(); }

private:
    HANDLE file_;
    const std::wstring& path_;
    StreamDigest digest_;
};

// The digest of the file's bytes from its start, or nothing when it cannot be read.
std::optional<StreamDigest::Value> DigestOf(HANDLE file) {
    StreamDigest digest;
    std::string read(kReadChunk, '\0');
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, read.data(), static_cast<DWORD>(read.size()), &got, nullptr)) {
            return std::nullopt;
        }
        if (got == 0) {
            return digest.Finish();
        }
        digest.Add(std::string_view(read.data(), got));
    }
}

} // namespace

bool WriteAll(HANDLE file, std::string_view bytes) {
    for (std::size_t written = 0; written < bytes.size();) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, kChunk));
        DWORD done = 0;
        if (!::WriteFile(file, bytes.data() + written, chunk, &done, nullptr) || done == 0) {
            return false;
        }
        written += done;
    }
    return true;
}

UniqueFileHandle WriteAndHoldFile(const std::wstring& path,
                                  const std::function<void(ByteSink&)>& write) {
    StreamDigest::Value written;
    {
        const UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                                  nullptr));
        if (!file) {
            CannotCreate(path);
        }
        DigestedFile sink(file.get(), path);
        write(sink);
        written = sink.Digest();
    }
    // Held for reading only, which the archiver's own opening tolerates, while writers are
    // refused. Another program may have written the file between the close and this open;
    // reading it back tells. The bytes themselves are not kept for that: a list of a million
    // paths would need a block of its size.
    UniqueFileHandle held(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held || DigestOf(held.get()) != written) {
        CannotCreate(path);
    }
    return held;
}

} // namespace velkin::win
