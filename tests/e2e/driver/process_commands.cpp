// Commands about processes and files: an exit awaited, a short path, and the gate that holds
// the fault archiver until a test lets it go on.
#include <windows.h>

#include "driver/commands.h"
#include "driver/window_queries.h"

namespace velkin::driver {

void CommandWaitExit(const Arguments& args) {
    const auto pid = static_cast<DWORD>(args.Number(L"pid", 0));
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    const auto process = OpenTargetProcess(pid, SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION);
    if (::WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        Fail("process " + std::to_string(pid) + " still runs after " + std::to_string(timeoutMs) +
                 " ms",
             kExitTimeout);
    }
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(process.get(), &exitCode)) {
        FailWithLastError("GetExitCodeProcess");
    }
    PrintLine("{\"pid\":" + std::to_string(pid) + ",\"exit_code\":" + std::to_string(exitCode) +
              "}");
}

// The 8.3 form the system gives for a path, to compare with what a program stored.
void CommandShortPath(const Arguments& args) {
    const std::wstring path = args.Require(L"path");
    args.RejectUnused();
    std::wstring buffer(32768, L'\0');
    const DWORD length =
        ::GetShortPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) {
        FailWithLastError("GetShortPathNameW(" + ToUtf8(path) + ")");
    }
    buffer.resize(length);
    PrintLine("{\"path\":" + JsonString(path) + ",\"short\":" + JsonString(buffer) + "}");
}

// Lets the fault archiver that waits on the named event go on, once it waits there.
void CommandSetEvent(const Arguments& args) {
    const std::wstring name = args.Require(L"name");
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    const Deadline deadline(timeoutMs);
    win::UniqueKernelHandle event;
    while (
        !(event = win::UniqueKernelHandle(::OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str())))) {
        if (deadline.Passed()) {
            Fail("no event " + ToUtf8(name) + " within " + std::to_string(timeoutMs) + " ms",
                 kExitTimeout);
        }
        ::Sleep(kPollMs);
    }
    if (!::SetEvent(event.get())) {
        FailWithLastError("SetEvent");
    }
    PrintLine("{\"set\":" + JsonString(name) + "}");
}
} // namespace velkin::driver
