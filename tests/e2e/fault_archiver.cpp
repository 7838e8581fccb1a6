// An archiver that fails or waits on purpose, chosen per group by the archive's name, so that one
// run of Velkin meets every kind of failure in a row:
//
//   ...\crash<anything>.<ext>   dereferences a null pointer (a real access violation)
//   ...\exit<N><anything>.<ext> runs the stand-in archiver with VELKIN_STANDIN_EXIT_CODE=N
//   ...\hold<anything>.<ext>    waits until the driver sets the event VelkinE2EArchiverGate
//                               (set-event), then runs the stand-in archiver as it is: a run
//                               that lasts exactly as long as a test needs
//   anything else               runs the stand-in archiver as it is
//
// The stand-in is StandInArchiver.exe beside this program; it gets Velkin's command line with
// only the program token replaced, and its exit code is passed on unchanged.

#include <windows.h>

#include <cwchar>
#include <string>

#include "common/file_beside.h"

namespace {

// The archive token of `"<program>" A <switches> "<archive>" "@<list>"`: the quoted token
// before the last one. Returns its first character and sets *length, or nullptr.
const wchar_t* archive_token(const wchar_t* line, size_t* length) {
    const wchar_t* end = line + wcslen(line);
    while (end > line && end[-1] == L' ') {
        --end;
    }
    int quotes = 0;
    const wchar_t* close = nullptr;
    for (const wchar_t* at = end; at > line; --at) {
        if (at[-1] != L'"') {
            continue;
        }
        ++quotes;
        if (quotes == 3) {
            close = at - 1;
        } else if (quotes == 4) {
            *length = static_cast<size_t>(close - at);
            return at;
        }
    }
    return nullptr;
}

// Everything after the program token: a quoted program ends at its closing quote.
const wchar_t* after_program(const wchar_t* line) {
    if (*line == L'"') {
        const wchar_t* close = wcschr(line + 1, L'"');
        return close ? close + 1 : line + wcslen(line);
    }
    while (*line != L'\0' && *line != L' ') {
        ++line;
    }
    return line;
}

void log_refused_start(DWORD error) {
    const std::string line =
        "the stand-in could not be started: error " + std::to_string(error) + "\r\n";
    const HANDLE log = CreateFileW(velkin::e2e::FileBeside(nullptr, L"fault_archiver.log").c_str(),
                                   FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(log);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const wchar_t* line = GetCommandLineW();
    size_t length = 0;
    const wchar_t* archive = archive_token(line, &length);
    if (archive == nullptr) {
        return 90;
    }
    const wchar_t* name = archive;
    for (size_t i = 0; i < length; ++i) {
        if (archive[i] == L'\\') {
            name = archive + i + 1;
        }
    }
    const size_t name_length = length - static_cast<size_t>(name - archive);
    if (name_length >= 5 && _wcsnicmp(name, L"crash", 5) == 0) {
        volatile int* nowhere = nullptr;
        *nowhere = 1;
    }
    if (name_length > 4 && _wcsnicmp(name, L"exit", 4) == 0) {
        wchar_t code[16] = {};
        size_t digits = 0;
        while (4 + digits < name_length && digits < 15 && name[4 + digits] >= L'0' &&
               name[4 + digits] <= L'9') {
            code[digits] = name[4 + digits];
            ++digits;
        }
        if (digits > 0) {
            SetEnvironmentVariableW(L"VELKIN_STANDIN_EXIT_CODE", code);
        }
    }

    if (name_length >= 4 && _wcsnicmp(name, L"hold", 4) == 0) {
        HANDLE gate = CreateEventW(nullptr, TRUE, FALSE, L"VelkinE2EArchiverGate");
        if (gate == nullptr) {
            return 95;
        }
        // Bounded, so that a test that failed before letting it go leaves nothing hanging.
        WaitForSingleObject(gate, 600000);
        CloseHandle(gate);
    }

    wchar_t standin[MAX_PATH + 32];
    DWORD folder = GetModuleFileNameW(nullptr, standin, MAX_PATH);
    if (folder == 0 || folder >= MAX_PATH) {
        return 91;
    }
    while (folder > 0 && standin[folder - 1] != L'\\') {
        --folder;
    }
    wcscpy(standin + folder, L"StandInArchiver.exe");

    const wchar_t* rest = after_program(line);
    const size_t size = wcslen(standin) + wcslen(rest) + 3;
    auto* child_line =
        static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, size * sizeof(wchar_t)));
    if (child_line == nullptr) {
        return 92;
    }
    child_line[0] = L'"';
    wcscpy(child_line + 1, standin);
    wcscat(child_line, L"\"");
    wcscat(child_line, rest);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    // Under heavy load Wine has refused a start now and then. A refused start ran nothing, so
    // trying again cannot run the stand-in twice; the reason of the last refusal is kept in
    // fault_archiver.log, since a suite sees only the exit code.
    bool ran = false;
    for (int attempt = 0; attempt < 5 && !ran; ++attempt) {
        if (attempt > 0) {
            Sleep(200 * attempt);
        }
        ran = CreateProcessW(standin, child_line, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &started) != FALSE;
    }
    if (!ran) {
        log_refused_start(GetLastError());
        return 93;
    }
    WaitForSingleObject(started.hProcess, INFINITE);
    DWORD exit_code = 94;
    GetExitCodeProcess(started.hProcess, &exit_code);
    ExitProcess(exit_code);
}
