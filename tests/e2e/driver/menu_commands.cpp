// Commands about the menu, which Wine keeps inside the owning process: velkin_menu_probe.dll
// reads it there (DRIVER.md).
#include <windows.h>

#include <string>

#include "base/scope_exit.h"
#include "common/file_beside.h"
#include "driver/commands.h"
#include "driver/window_queries.h"

namespace velkin::driver {
namespace {

std::string ReadWholeFile(const std::wstring& path) {
    const win::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                                   nullptr));
    if (!file) {
        FailWithLastError("opening " + ToUtf8(path));
    }
    std::string content;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        content.append(buffer, read);
    }
    return content;
}

} // namespace

void CommandMenu(const Arguments& args) {
    const HWND window = args.Window();
    const std::wstring probe =
        args.Get(L"probe").value_or(e2e::FileBeside(nullptr, L"velkin_menu_probe.dll"));
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();

    if (::GetFileAttributesW(probe.c_str()) == INVALID_FILE_ATTRIBUTES) {
        Fail("probe module " + ToUtf8(probe) + " not found");
    }
    const DWORD pid = WindowProcessId(window);
    const std::wstring dump =
        probe.substr(0, probe.find_last_of(L'.')) + L"." + std::to_wstring(pid) + L".json";
    ::DeleteFileW(dump.c_str());

    // The probe is hooked into the window's thread, which loads it and makes the dump when it
    // takes the message posted here, as one of its own messages.
    const HMODULE module = ::LoadLibraryW(probe.c_str());
    if (module == nullptr) {
        FailWithLastError("LoadLibraryW(probe)");
    }
    // Through void*: the export's type is known here, not to GetProcAddress.
    const auto hook = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void*>(::GetProcAddress(module, "VelkinMenuProbeHook")));
    if (hook == nullptr) {
        Fail("the probe has no VelkinMenuProbeHook");
    }
    const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
    const HHOOK hooked = ::SetWindowsHookExW(WH_GETMESSAGE, hook, module, thread);
    if (hooked == nullptr) {
        FailWithLastError("SetWindowsHookExW");
    }
    const velkin::ScopeExit unhook([hooked] { ::UnhookWindowsHookEx(hooked); });
    if (!::PostMessageW(window, ::RegisterWindowMessageW(L"VelkinMenuProbeDump"), 0, 0)) {
        FailWithLastError("PostMessageW(VelkinMenuProbeDump)");
    }
    // An idle thread makes the dump within milliseconds, and suites read the menu often: looked
    // for more often than other states.
    constexpr DWORD kDumpPollMs = 5;
    const Deadline deadline(timeoutMs);
    while (::GetFileAttributesW(dump.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (deadline.Passed()) {
            Fail("the probe left no dump at " + ToUtf8(dump) + " within " +
                     std::to_string(timeoutMs) + " ms",
                 kExitTimeout);
        }
        ::Sleep(kDumpPollMs);
    }
    // The probe's rename shows the dump a moment before the probe lets go of it.
    while (!deadline.Passed()) {
        const win::UniqueFileHandle ready(::CreateFileW(dump.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                        nullptr, OPEN_EXISTING, 0, nullptr));
        if (ready || ::GetLastError() != ERROR_SHARING_VIOLATION) {
            break;
        }
        ::Sleep(kDumpPollMs);
    }
    std::string content = ReadWholeFile(dump);
    ::DeleteFileW(dump.c_str());
    while (!content.empty() && (content.back() == '\n' || content.back() == '\r')) {
        content.pop_back();
    }
    PrintLine(content);
    if (content.find("\"error\"") != std::string::npos) {
        Fail("the probe reported an error");
    }
}

// A menu command as the menu sends it when its item is chosen (the caller takes the id from
// the menu tree), for scenarios about what a command does rather than about the keys that
// reach it. Posted: a command that opens a modal window would keep a sent one from returning.
void CommandMenuCommand(const Arguments& args) {
    const HWND window = args.Window();
    const auto id = args.Number(L"id", 0);
    if (!args.Get(L"id") || id == 0 || id > 0xFFFF) {
        Fail("menu-command needs --id, a menu item id", kExitUsage);
    }
    args.RejectUnused();
    if (!::PostMessageW(window, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0)) {
        FailWithLastError("PostMessageW(WM_COMMAND)");
    }
    PrintLine("{\"posted\":\"" + HandleText(window) + "\",\"id\":" + std::to_string(id) + "}");
}
} // namespace velkin::driver
