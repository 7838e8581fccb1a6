// Loaded into Velkin by velkin_driver as a message hook of Velkin's own window thread: Wine keeps
// menus inside their process, so the menu tree can only be read from there. The dump is made by
// that thread when it takes the driver's message, between two of its own messages: no thread of
// the driver's making runs in Velkin, and nothing is done under the loader lock.
#include <windows.h>

#include <algorithm>
#include <string>

#include "common/append_file.h"
#include "common/file_beside.h"
#include "common/handle_text.h"
#include "core/json.h"

namespace {

using velkin::e2e::HandleText;
using velkin::standin::JsonBool;
using velkin::standin::JsonString;

constexpr wchar_t kMainWindowClass[] = L"TVLKN_MAIN";

HWND FindMainWindow() {
    HWND found = nullptr;
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(window, &pid);
            wchar_t className[64] = {};
            ::GetClassNameW(window, className, 64);
            if (pid == ::GetCurrentProcessId() &&
                std::wstring_view(className) == kMainWindowClass) {
                *reinterpret_cast<HWND*>(param) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring ItemCaption(HMENU menu, UINT index) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_STRING;
    if (!::GetMenuItemInfoW(menu, index, TRUE, &item) || item.cch == 0) {
        return {};
    }
    std::wstring caption(item.cch + 1, L'\0');
    item.dwTypeData = caption.data();
    item.cch = static_cast<UINT>(caption.size());
    if (!::GetMenuItemInfoW(menu, index, TRUE, &item)) {
        return {};
    }
    caption.resize(item.cch);
    return caption;
}

std::string DumpItems(HMENU menu, int depth) {
    std::string out = "[";
    const int count = ::GetMenuItemCount(menu);
    for (int index = 0; index < count; ++index) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU;
        if (!::GetMenuItemInfoW(menu, static_cast<UINT>(index), TRUE, &item)) {
            out += std::string(index > 0 ? "," : "") + "{\"index\":" + std::to_string(index) +
                   ",\"error\":\"GetMenuItemInfoW failed\"}";
            continue;
        }
        const char* type = (item.fType & MFT_SEPARATOR) != 0 ? "separator"
                           : item.hSubMenu != nullptr        ? "popup"
                                                             : "command";
        if (index > 0) {
            out += ',';
        }
        out += "{\"index\":" + std::to_string(index) + ",\"type\":\"" + type + "\"" +
               ",\"caption\":" + JsonString(ItemCaption(menu, static_cast<UINT>(index))) +
               ",\"id\":" + std::to_string(item.wID) + ",\"ftype\":" + std::to_string(item.fType) +
               ",\"state\":" + std::to_string(item.fState) +
               ",\"checked\":" + JsonBool((item.fState & MFS_CHECKED) != 0) +
               ",\"radio\":" + JsonBool((item.fType & MFT_RADIOCHECK) != 0) +
               ",\"grayed\":" + JsonBool((item.fState & MFS_DISABLED) != 0) +
               ",\"hilite\":" + JsonBool((item.fState & MFS_HILITE) != 0);
        if (item.hSubMenu != nullptr && depth < 8) {
            out += ",\"items\":" + DumpItems(item.hSubMenu, depth + 1);
        }
        out += '}';
    }
    out += ']';
    return out;
}

std::string Dump() {
    std::string out = "{\"pid\":" + std::to_string(::GetCurrentProcessId());
    const HWND window = FindMainWindow();
    if (window == nullptr) {
        return out + ",\"error\":\"no TVLKN_MAIN window in this process\"}";
    }
    const HMENU bar = ::GetMenu(window);
    out += ",\"hwnd\":\"" + HandleText(window) + "\",\"menu\":\"" + HandleText(bar) + "\"";
    if (bar == nullptr || !::IsMenu(bar)) {
        return out + ",\"error\":\"the window has no menu\"}";
    }
    return out + ",\"items\":" + DumpItems(bar, 0) + "}";
}

// The driver reads the dump from beside this module, under a name carrying the process id so
// that two targets never share a file.
std::wstring DumpPath(HINSTANCE self) {
    std::wstring path = velkin::e2e::ModulePath(self);
    path.resize(std::min(path.size(), path.find_last_of(L'.')));
    return path + L"." + std::to_wstring(::GetCurrentProcessId()) + L".json";
}

void WriteDump(const std::wstring& path, const std::string& content) {
    // Written aside and renamed, so a reader never sees half a dump.
    const std::wstring partial = path + L".part";
    ::DeleteFileW(partial.c_str());
    if (velkin::e2e::AppendToFile(partial, content)) {
        ::MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    } else {
        ::DeleteFileW(partial.c_str());
    }
}

// The message the driver posts to ask for a dump.
constexpr wchar_t kDumpMessage[] = L"VelkinMenuProbeDump";

HINSTANCE self = nullptr;

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
    }
    return TRUE;
}

// WH_GETMESSAGE: called in Velkin's window thread for every message it takes.
extern "C" __declspec(dllexport) LRESULT CALLBACK
    VelkinMenuProbeHook(int code, WPARAM removed, LPARAM message) {
    static const UINT dumpMessage = ::RegisterWindowMessageW(kDumpMessage);
    if (code == HC_ACTION && removed == PM_REMOVE) {
        const auto* taken = reinterpret_cast<const MSG*>(message);
        if (taken->message == dumpMessage) {
            try {
                WriteDump(DumpPath(self), Dump());
            } catch (...) {
                // Nothing may escape into the target; a missing dump tells the driver.
            }
        }
    }
    return ::CallNextHookEx(nullptr, code, removed, message);
}
