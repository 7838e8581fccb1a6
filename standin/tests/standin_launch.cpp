// Starts a program with a command line taken byte for byte from a UTF-8 file, waits for it and
// prints its exit code: the exact line a caller like Velkin would pass to CreateProcessW.
// It says "starting" first, so that a caller can tell a launcher that never ran (a Wine start
// lost on a loaded machine) from one that started the program.
// Usage: standin_launch COMMAND_LINE_FILE
#include <windows.h>

#include <cstdio>
#include <string>

#include "core/text.h"
#include "platform/unique_handle.h"

namespace {

using velkin::win::UniqueFileHandle;
using velkin::win::UniqueKernelHandle;

int Fail(const char* what) {
    std::printf("launch failed: %s (error %lu)\n", what, ::GetLastError());
    std::fflush(stdout);
    return 255;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::printf("usage: standin_launch COMMAND_LINE_FILE\n");
        return 255;
    }
    std::string bytes;
    {
        const UniqueFileHandle file(::CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            return Fail("command line file cannot be opened");
        }
        char buffer[4096];
        DWORD got = 0;
        while (::ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got != 0) {
            bytes.append(buffer, got);
        }
    }
    std::wstring line;
    if (!velkin::standin::FromUtf8(bytes, line)) {
        return Fail("command line file is not UTF-8");
    }
    line.push_back(L'\0'); // CreateProcessW may write into the line

    std::printf("starting\n");
    std::fflush(stdout);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                          nullptr, nullptr, &startup, &started)) {
        return Fail("CreateProcessW");
    }
    const UniqueKernelHandle process(started.hProcess);
    const UniqueKernelHandle thread(started.hThread);
    ::WaitForSingleObject(process.get(), INFINITE);
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(process.get(), &exitCode)) {
        return Fail("GetExitCodeProcess");
    }
    std::printf("exit code: %lu\n", exitCode);
    std::fflush(stdout);
    return static_cast<int>(exitCode & 0xFF);
}
