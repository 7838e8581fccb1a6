// Starts a program with a show command, as the shell does for a shortcut set to run maximised
// or minimised, waits for it and ends with its exit code:
//
//   start_shown.exe SHOW PROGRAM [ARGUMENTS...]     SHOW: the SW_ number, 3 or 7 say
//
// The program runs in a job that ends it when this launcher ends, so whoever ends the launcher
// ends the program as well.
#include <windows.h>

#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        return 90;
    }
    // The program's command line: everything after the show command, as it was given.
    const wchar_t* line = ::GetCommandLineW();
    for (int skipped = 0; skipped < 2; ++skipped) {
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

    const HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job == nullptr || !::SetInformationJobObject(job, JobObjectExtendedLimitInformation,
                                                     &limits, sizeof(limits))) {
        return 91;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(std::wcstol(argv[1], nullptr, 10));
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                          nullptr, nullptr, &startup, &started)) {
        return 92;
    }
    ::AssignProcessToJobObject(job, started.hProcess);
    ::ResumeThread(started.hThread);
    ::WaitForSingleObject(started.hProcess, INFINITE);
    DWORD exitCode = 93;
    ::GetExitCodeProcess(started.hProcess, &exitCode);
    return static_cast<int>(exitCode);
}
