// An archiver that fails or waits on purpose, chosen per group by the archive's name, so that one
// run of Velkin meets every kind of failure in a row:
//
//   ...\crash<anything>.<ext>   dereferences a null pointer (a real access violation)
//   ...\exit<N><anything>.<ext> runs the stand-in archiver with VELKIN_STANDIN_EXIT_CODE=N
//   ...\hold<anything>.<ext>    waits until the driver sets the event VelkinE2EArchiverGate
//                               (set-event), then runs the stand-in archiver as it is: a run
//                               that lasts exactly as long as a test needs; ends with 96
//                               when Velkin ends first
//   anything else               runs the stand-in archiver as it is
//
// The stand-in is StandInArchiver.exe beside this program; it gets Velkin's command line with
// only the program token replaced, and its exit code is passed on unchanged.

#include <windows.h>
#include <tlhelp32.h>

#include <cwctype>
#include <string>
#include <string_view>

#include "base/ascii_case.h"
#include "common/append_file.h"
#include "common/file_beside.h"
#include "core/command_line.h"
#include "platform/unique_handle.h"

namespace {

using velkin::win::UniqueKernelHandle;

// Everything after the program token, as Velkin wrote it.
std::wstring_view AfterProgram(std::wstring_view line, const std::wstring& program) {
    std::size_t end = line.find(program);
    if (end == std::wstring_view::npos) {
        return {};
    }
    end += program.size();
    if (end < line.size() && line[end] == L'"') {
        ++end;
    }
    return line.substr(end);
}

// The process that started this one: Velkin.
UniqueKernelHandle OpenCaller() {
    const velkin::win::UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (bool more = snapshot && ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == ::GetCurrentProcessId()) {
            return UniqueKernelHandle(::OpenProcess(SYNCHRONIZE, FALSE, entry.th32ParentProcessID));
        }
    }
    return {};
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::wstring_view line = ::GetCommandLineW();
    const auto parsed = velkin::standin::ParseCommandLine(line);
    if (!parsed.ok) {
        return 90;
    }
    const std::wstring_view archive = parsed.archivePath;
    const auto slash = archive.find_last_of(L'\\');
    const std::wstring_view name =
        slash == std::wstring_view::npos ? archive : archive.substr(slash + 1);
    if (velkin::StartsWithAsciiNoCase(name, L"crash")) {
        volatile int* nowhere = nullptr;
        *nowhere = 1;
    }
    if (name.size() > 4 && velkin::StartsWithAsciiNoCase(name, L"exit")) {
        std::wstring code;
        for (std::size_t at = 4; at < name.size() && code.size() < 15 && std::iswdigit(name[at]);
             ++at) {
            code += name[at];
        }
        if (!code.empty()) {
            ::SetEnvironmentVariableW(L"VELKIN_STANDIN_EXIT_CODE", code.c_str());
        }
    }
    if (velkin::StartsWithAsciiNoCase(name, L"hold")) {
        const UniqueKernelHandle gate(
            ::CreateEventW(nullptr, TRUE, FALSE, L"VelkinE2EArchiverGate"));
        const UniqueKernelHandle caller = OpenCaller();
        if (!gate) {
            return 95;
        }
        // Bounded, and over when Velkin is (a test may kill it on purpose): a program left
        // waiting keeps Wine's desktop process, and with it the suite's output, open.
        const HANDLE waits[] = {gate.get(), caller.get()};
        if (!caller || ::WaitForMultipleObjects(2, waits, FALSE, 600000) == WAIT_OBJECT_0 + 1) {
            return 96; // nobody to hand the archive to
        }
    }

    const std::wstring standin = velkin::e2e::FileBeside(nullptr, L"StandInArchiver.exe");
    if (standin == L"StandInArchiver.exe") {
        return 91;
    }
    std::wstring childLine =
        L"\"" + standin + L"\"" + std::wstring(AfterProgram(line, parsed.program));

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    // Under heavy load Wine has refused a start now and then. A refused start ran nothing, so
    // trying again cannot run the stand-in twice; the reason of the last refusal is kept in
    // fault_archiver.log, since a suite sees only the exit code.
    bool ran = false;
    for (int attempt = 0; attempt < 5 && !ran; ++attempt) {
        if (attempt > 0) {
            ::Sleep(200 * attempt);
        }
        ran = ::CreateProcessW(standin.c_str(), childLine.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &started) != FALSE;
    }
    if (!ran) {
        const std::string why =
            "the stand-in could not be started: error " + std::to_string(::GetLastError()) + "\r\n";
        velkin::e2e::AppendToFile(velkin::e2e::FileBeside(nullptr, L"fault_archiver.log"), why);
        return 93;
    }
    const UniqueKernelHandle process(started.hProcess);
    const UniqueKernelHandle thread(started.hThread);
    ::WaitForSingleObject(process.get(), INFINITE);
    DWORD exitCode = 94;
    ::GetExitCodeProcess(process.get(), &exitCode);
    ::ExitProcess(exitCode);
}
