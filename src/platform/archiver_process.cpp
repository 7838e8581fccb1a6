#include "platform/archiver_process.h"

#include <vector>

#include "base/scope_exit.h"
#include "platform/message_loop.h"
#include "platform/unique_handle.h"

namespace velkin::win {

ProcessEnd RunAndWait(const std::wstring& commandLine, ForegroundWatch& watch) {
    // The process may write into the command line, so it gets a copy of its own.
    std::vector<wchar_t> writableLine(commandLine.begin(), commandLine.end());
    writableLine.push_back(L'\0');

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, writableLine.data(), nullptr, nullptr, FALSE,
                          NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &started)) {
        return {ProcessEnd::Kind::NotStarted};
    }
    const UniqueKernelHandle process(started.hProcess);
    const UniqueKernelHandle thread(started.hThread);
    watch.ArchiverStarted(process.get(), started.dwProcessId);
    const ScopeExit ended([&watch] { watch.ArchiverEnded(); });

    // Wakes at once for either the process's end or a message, so the window is repainted and
    // answers without delay, and the end is noticed the moment it happens.
    const HANDLE handles[] = {process.get()};
    DWORD woken = WAIT_FAILED;
    do {
        woken =
            ::MsgWaitForMultipleObjectsEx(1, handles, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0 + 1) {
            ProcessPendingMessages();
        }
    } while (woken == WAIT_OBJECT_0 + 1);
    // A program may end with 259 (STILL_ACTIVE) of its own accord: whether its end was seen is
    // the wait's to say, not the code's.
    DWORD exitCode = 0;
    if (woken != WAIT_OBJECT_0 || !::GetExitCodeProcess(process.get(), &exitCode)) {
        return {ProcessEnd::Kind::Unconfirmed};
    }
    return {ProcessEnd::Kind::Exited, exitCode};
}

} // namespace velkin::win
