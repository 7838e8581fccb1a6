#include <doctest/doctest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <functional>
#include <vector>

#include "platform/clipboard_files.h"
#include "platform/unique_handle.h"

namespace velkin::win {
namespace {

using Paths = std::vector<std::wstring>;

// A CF_HDROP block as Explorer makes it, with pFiles as given (the header's own size for a
// well-formed one).
HGLOBAL DropBlockOf(const Paths& paths, DWORD pFiles = sizeof(DROPFILES)) {
    std::wstring list;
    for (const auto& path : paths) {
        list += path;
        list += L'\0';
    }
    list += L'\0';
    const std::size_t bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    const HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    auto* header = static_cast<DROPFILES*>(::GlobalLock(block));
    header->pFiles = pFiles;
    header->fWide = TRUE;
    std::memcpy(header + 1, list.data(), list.size() * sizeof(wchar_t));
    ::GlobalUnlock(block);
    return block;
}

// A thread that holds the clipboard open until `letGo` is set, as another program may.
class ClipboardHolder {
public:
    ClipboardHolder()
        : opened_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          letGo_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          closed_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          thread_(::CreateThread(nullptr, 0, &ClipboardHolder::Hold, this, 0, nullptr)) {
        REQUIRE(::WaitForSingleObject(opened_.get(), 10000) == WAIT_OBJECT_0);
    }
    ~ClipboardHolder() {
        LetGo();
        ::WaitForSingleObject(thread_.get(), 10000);
    }
    ClipboardHolder(const ClipboardHolder&) = delete;
    ClipboardHolder& operator=(const ClipboardHolder&) = delete;

    // Returns once the clipboard is closed again.
    void LetGo() {
        ::SetEvent(letGo_.get());
        ::WaitForSingleObject(closed_.get(), 10000);
    }

private:
    static DWORD WINAPI Hold(void* self) {
        auto& holder = *static_cast<ClipboardHolder*>(self);
        // A window of its own: the clipboard is held by a window, not by a thread.
        const HWND window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                              nullptr, nullptr, nullptr);
        ::OpenClipboard(window);
        ::SetEvent(holder.opened_.get());
        ::WaitForSingleObject(holder.letGo_.get(), INFINITE);
        ::CloseClipboard();
        ::DestroyWindow(window);
        ::SetEvent(holder.closed_.get());
        return 0;
    }

    UniqueKernelHandle opened_, letGo_, closed_, thread_;
};

void PutOnClipboard(HGLOBAL block) {
    REQUIRE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    REQUIRE(::SetClipboardData(CF_HDROP, block) != nullptr);
    ::CloseClipboard();
}

} // namespace

TEST_CASE("files on the clipboard: a block from any program is read only inside itself") {
    const Paths paths = {L"C:\\x\\a b.txt", L"C:\\\u8868\\\uD55C\uAD6D \U0001F600"};
    PutOnClipboard(DropBlockOf(paths));
    CHECK(ClipboardFiles(nullptr) == paths);

    // The list placed far past the block's end, or inside its header: nothing, and no crash.
    for (const DWORD pFiles : {DWORD{0x7FFFFFF0}, DWORD{4}}) {
        CAPTURE(pFiles);
        PutOnClipboard(DropBlockOf(paths, pFiles));
        CHECK(ClipboardFiles(nullptr).empty());
    }
}

TEST_CASE("files on the clipboard: a program holding it open for a moment is waited for") {
    const Paths paths = {L"C:\\x\\held.txt"};
    PutOnClipboard(DropBlockOf(paths));
    int waits = 0;
    {
        // The holder lets go during the first pause, so only a second try can read the files.
        ClipboardHolder holder;
        const Paths read = ClipboardFiles(nullptr, [&] {
            if (waits++ == 0) {
                holder.LetGo();
            }
        });
        CHECK(waits == 1);
        CHECK(read == paths);
    }
    // Held for good: every try fails, and nothing comes back.
    ClipboardHolder holder;
    waits = 0;
    CHECK(ClipboardFiles(nullptr, [&] { ++waits; }).empty());
    CHECK(waits == kClipboardTries - 1);
}

} // namespace velkin::win
