#include "platform/archiver_process.h"

#include <vector>

#include "platform/message_loop.h"
#include "platform/unique_handle.h"

namespace velkin::win {

std::optional<std::uint32_t> RunAndWait(const std::wstring& commandLine) {
    // The process may write into the command line, so it gets a copy of its own.
    std::vector<wchar_t> writableLine(commandLine.begin(), commandLine.end());
    writableLine.push_back(L'\0');

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, writableLine.data(), nullptr, nullptr, FALSE,
                          NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &started)) {
        return std::nullopt;
    }
    const UniqueKernelHandle process(started.hProcess);
    const UniqueKernelHandle thread(started.hThread);

    // Wakes at once for either the process's end or a message, so the window is repainted and
    // answers without delay, and the end is noticed the moment it happens.
    for (;;) {
        const HANDLE handles[] = {process.get()};
        const DWORD woken =
            ::MsgWaitForMultipleObjectsEx(1, handles, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0 + 1) {
            ProcessPendingMessages();
            continue;
        }
        break;
    }
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(process.get(), &exitCode) || exitCode == STILL_ACTIVE) {
        // The wait failed; the run counts as ended, though nothing tells how.
        return 0xFFFFFFFFu;
    }
    return exitCode;
}

} // namespace velkin::win
