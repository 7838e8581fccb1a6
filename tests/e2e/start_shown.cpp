// Starts a program with a show command, as the shell does for a shortcut set to run maximised
// or minimised, waits for it and ends with its exit code:
//
//   start_shown.exe [--detached] [--tail-hex HEX] SHOW PROGRAM [ARGUMENTS...]
//
// SHOW is the SW_ number (3 or 7, say). --detached starts the program without this launcher's
// console, as the shell starts a program (under Wine, programs started from a Unix shell share
// one it makes, and a console program they start would write into it instead of opening a
// window). --tail-hex appends the UTF-16LE text HEX to the program's command line exactly as it
// is, for a command line that no splitting of arguments would produce (what another shell
// passes).
//
// The program runs in a job that ends it when this launcher ends, so whoever ends the launcher
// ends the program as well.
#include <windows.h>

#include <cwchar>
#include <string>

#include "platform/unique_handle.h"

namespace {

std::wstring FromHex(const wchar_t* hex) {
    std::wstring text;
    for (std::size_t at = 0;
         hex[at] != L'\0' && hex[at + 1] != L'\0' && hex[at + 2] != L'\0' && hex[at + 3] != L'\0';
         at += 4) {
        const std::wstring unit{hex[at + 2], hex[at + 3], hex[at], hex[at + 1]};
        text += static_cast<wchar_t>(std::wcstoul(unit.c_str(), nullptr, 16));
    }
    return text;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    int first = 1;
    DWORD flags = CREATE_SUSPENDED;
    std::wstring tail;
    for (; first < argc && argv[first][0] == L'-'; ++first) {
        if (std::wcscmp(argv[first], L"--detached") == 0) {
            flags |= DETACHED_PROCESS;
        } else if (std::wcscmp(argv[first], L"--tail-hex") == 0 && first + 1 < argc) {
            tail = FromHex(argv[++first]);
        } else {
            return 90;
        }
    }
    if (argc < first + 2) {
        return 90;
    }
    // The program's command line: everything after the show command, as it was given.
    const wchar_t* line = ::GetCommandLineW();
    for (int skipped = 0; skipped < first + 1; ++skipped) {
        bool quoted = false;
        while (*line != L'\0' && (quoted || *line != L' ')) {
            quoted = *line == L'"' ? !quoted : quoted;
            ++line;
        }
        while (*line == L' ') {
            ++line;
        }
    }
    std::wstring command(line);
    if (!tail.empty()) {
        command += L' ';
        command += tail;
    }

    const velkin::win::UniqueKernelHandle job(::CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!job || !::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                           sizeof(limits))) {
        return 91;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(std::wcstol(argv[first], nullptr, 10));
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                          &startup, &started)) {
        return 92;
    }
    const velkin::win::UniqueKernelHandle process(started.hProcess);
    const velkin::win::UniqueKernelHandle thread(started.hThread);
    ::AssignProcessToJobObject(job.get(), process.get());
    ::ResumeThread(thread.get());
    ::WaitForSingleObject(process.get(), INFINITE);
    DWORD exitCode = 93;
    ::GetExitCodeProcess(process.get(), &exitCode);
    return static_cast<int>(exitCode);
}
