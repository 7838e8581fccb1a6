// Ways into Velkin besides a drag: the clipboard and WM_COPYDATA, as other programs use them.
#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <cwchar>
#include <vector>

#include "driver/commands.h"
#include "platform/unique_handle.h"

namespace velkin::driver {
namespace {

std::vector<char> ParseHex(const std::wstring& hex) {
    if (hex.size() % 2 != 0) {
        Fail("--hex needs pairs of hexadecimal digits", kExitUsage);
    }
    std::vector<char> bytes;
    for (std::size_t at = 0; at < hex.size(); at += 2) {
        wchar_t* end = nullptr;
        const std::wstring pair = hex.substr(at, 2);
        const unsigned long value = std::wcstoul(pair.c_str(), &end, 16);
        if (end != pair.c_str() + 2) {
            Fail("--hex needs pairs of hexadecimal digits", kExitUsage);
        }
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

} // namespace

// Puts files (CF_HDROP, wide, as Explorer copies them) or text on the clipboard. The clipboard
// needs an owner window for SetClipboardData; the data outlives it. --list-at sets the block's
// pFiles to any value, as a careless or hostile program may.
void CommandClipboard(const Arguments& args) {
    const auto text = args.Get(L"text");
    const auto listAt = static_cast<DWORD>(args.Number(L"list-at", sizeof(DROPFILES)));
    args.RejectUnused();
    if (text.has_value() == !args.Words().empty()) {
        Fail("clipboard takes --text T or paths, not both", kExitUsage);
    }
    std::vector<wchar_t> units;
    if (text) {
        units.assign(text->begin(), text->end());
        units.push_back(L'\0');
    } else {
        for (const auto& path : args.Words()) {
            units.insert(units.end(), path.begin(), path.end());
            units.push_back(L'\0');
        }
        units.push_back(L'\0');
    }
    const std::size_t header = text ? 0 : sizeof(DROPFILES);
    const std::size_t size = header + units.size() * sizeof(wchar_t);
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (block == nullptr) {
        FailWithLastError("GlobalAlloc");
    }
    auto* bytes = static_cast<char*>(::GlobalLock(block));
    if (!text) {
        auto* files = reinterpret_cast<DROPFILES*>(bytes);
        files->pFiles = listAt;
        files->fWide = TRUE;
    }
    std::memcpy(bytes + header, units.data(), units.size() * sizeof(wchar_t));
    ::GlobalUnlock(block);

    const win::UniqueWindow owner(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                                    nullptr, nullptr, nullptr));
    const bool opened = owner && ::OpenClipboard(owner.get());
    const bool set = opened && ::EmptyClipboard() &&
                     ::SetClipboardData(text ? CF_UNICODETEXT : CF_HDROP, block) != nullptr;
    const DWORD error = ::GetLastError();
    if (opened) {
        ::CloseClipboard();
    }
    if (!set) {
        ::GlobalFree(block); // the clipboard did not take it
        Fail("putting data on the clipboard failed (error " + std::to_string(error) + ")");
    }
    PrintLine(std::string("{\"clipboard\":") + (text ? "\"text\"" : "\"files\"") +
              ",\"items\":" + std::to_string(text ? 1 : args.Words().size()) + "}");
}

// WM_COPYDATA with the given dwData and bytes (--size pads them with zeros or cuts them), sent
// as another program would; prints the window's answer.
void CommandCopyData(const Arguments& args) {
    const HWND window = args.Window();
    const auto tag = static_cast<ULONG_PTR>(args.Number(L"tag", 0));
    std::vector<char> bytes = ParseHex(args.Get(L"hex").value_or(L""));
    if (args.Get(L"size")) {
        bytes.resize(static_cast<std::size_t>(args.Number(L"size", 0)));
    }
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    COPYDATASTRUCT data{tag, static_cast<DWORD>(bytes.size()), bytes.data()};
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                               SMTO_ABORTIFHUNG, timeoutMs, &answer)) {
        FailWithLastError("SendMessageTimeoutW(WM_COPYDATA)");
    }
    PrintLine("{\"answer\":" + std::to_string(answer) +
              ",\"bytes\":" + std::to_string(bytes.size()) + "}");
}
} // namespace velkin::driver
