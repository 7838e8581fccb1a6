#include "platform/text_file.h"

#include <windows.h>

#include <algorithm>

#include "base/message_texts.h"
#include "base/velkin_error.h"
#include "platform/unique_handle.h"

namespace velkin::win {

void WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    const auto fail = [&path] { throw Error(FormatMessageText(text::kCannotCreateFile, path)); };
    const UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        fail();
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1u << 30));
        DWORD done = 0;
        if (!::WriteFile(file.get(), bytes.data() + written, chunk, &done, nullptr) || done == 0) {
            fail();
        }
        written += done;
    }
}

} // namespace velkin::win
