#include "platform/archiver_process.h"

#include <optional>
#include <string>
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

namespace {

// At most this often the progress a console program prints is handed on.
constexpr ULONGLONG kProgressEveryMs = 100;
// What a console program ends with when Velkin has to end it.
constexpr UINT kEndedByVelkin = 255;
// How long a console program asked to stop has before Velkin ends it.
constexpr ULONGLONG kStopGraceMs = 5000;

// Ctrl+Break to the program's process group (its own, as it was started), the way a user's key
// in its console would send it; whether the event went. Velkin has no console of its own, so it
// borrows the program's for the moment. Wine cannot attach to another process's console.
bool SendBreak(DWORD processId) {
    if (!::AttachConsole(processId)) {
        return false;
    }
    const bool sent = ::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, processId) != FALSE;
    ::FreeConsole();
    return sent;
}

// One output stream of a console program: a thread reads its pipe into the stream's text until
// the program's end closes it, and signals `printed` at each new progress figure.
class StreamReader {
public:
    StreamReader(UniqueKernelHandle pipe, HANDLE printed)
        : pipe_(std::move(pipe)), printed_(printed) {
        ::InitializeSRWLock(&lock_);
        thread_.reset(::CreateThread(nullptr, 0, &StreamReader::Read, this, 0, nullptr));
    }
    StreamReader(const StreamReader&) = delete;
    StreamReader& operator=(const StreamReader&) = delete;
    // Waits for the thread: the pipe ends when every writer's handle is closed, which a
    // program's end does.
    ~StreamReader() { Join(); }

    bool started() const { return static_cast<bool>(thread_); }

    void Join() {
        if (thread_) {
            ::WaitForSingleObject(thread_.get(), INFINITE);
            thread_.reset();
            text_.Finish();
        }
    }

    std::optional<ConsoleProgress> TakeProgress() {
        ::AcquireSRWLockExclusive(&lock_);
        auto progress = text_.TakeProgress();
        ::ReleaseSRWLockExclusive(&lock_);
        return progress;
    }

    // Once joined.
    const ConsoleText& text() const { return text_; }

private:
    static DWORD WINAPI Read(void* self) {
        static_cast<StreamReader*>(self)->ReadToEnd();
        return 0;
    }

    void ReadToEnd() {
        // Whatever the program prints is taken as it comes: a full pipe would stop it.
        std::string buffer(16 * 1024, '\0');
        DWORD read = 0;
        while (::ReadFile(pipe_.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                          nullptr) &&
               read != 0) {
            ::AcquireSRWLockExclusive(&lock_);
            text_.Feed(std::string_view(buffer.data(), read));
            // Peeked at, not taken: the waiting thread takes it when it is due.
            const bool fresh = text_.HasFreshProgress();
            ::ReleaseSRWLockExclusive(&lock_);
            if (fresh) {
                ::SetEvent(printed_);
            }
        }
    }

    UniqueKernelHandle pipe_;
    HANDLE printed_;
    SRWLOCK lock_{};
    ConsoleText text_;
    UniqueKernelHandle thread_;
};

// A pipe whose read end stays Velkin's and whose write end the program inherits.
struct OutputPipe {
    UniqueKernelHandle read;
    UniqueKernelHandle write;
};

std::optional<OutputPipe> MakeOutputPipe() {
    SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    if (!::CreatePipe(&read, &write, &inherited, 0)) {
        return std::nullopt;
    }
    OutputPipe pipe{UniqueKernelHandle(read), UniqueKernelHandle(write)};
    if (!::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0)) {
        return std::nullopt;
    }
    return pipe;
}

} // namespace

ConsoleRunEnd RunConsoleAndWait(const std::wstring& commandLine, ForegroundWatch& watch,
                                ConsoleRunWatch& console) {
    std::vector<wchar_t> writableLine(commandLine.begin(), commandLine.end());
    writableLine.push_back(L'\0');

    auto output = MakeOutputPipe();
    auto error = MakeOutputPipe();
    SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
    const UniqueFileHandle nothing(::CreateFileW(L"NUL", GENERIC_READ,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const UniqueKernelHandle printed(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!output || !error || !nothing || !printed) {
        return {{ProcessEnd::Kind::NotStarted}, {}, {}};
    }

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing.get();
    startup.hStdOutput = output->write.get();
    startup.hStdError = error->write.get();
    PROCESS_INFORMATION started{};
    // Only the three handles above are inheritable among Velkin's, and only this thread starts
    // programs, so the program inherits those and nothing else.
    if (!::CreateProcessW(nullptr, writableLine.data(), nullptr, nullptr, TRUE,
                          NORMAL_PRIORITY_CLASS | CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP,
                          nullptr, nullptr, &startup, &started)) {
        return {{ProcessEnd::Kind::NotStarted}, {}, {}};
    }
    const UniqueKernelHandle process(started.hProcess);
    const UniqueKernelHandle thread(started.hThread);
    // Only the program may hold the write ends now: the pipes end when it does.
    output->write.reset();
    error->write.reset();
    watch.ArchiverStarted(process.get(), started.dwProcessId);
    const ScopeExit ended([&watch] { watch.ArchiverEnded(); });

    StreamReader outputReader(std::move(output->read), printed.get());
    StreamReader errorReader(std::move(error->read), printed.get());
    // Should the wait end by an error, the readers must not wait for a program still running.
    const ScopeExit stopped([&process] {
        if (::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(process.get(), kEndedByVelkin);
        }
    });
    if (!outputReader.started() || !errorReader.started()) {
        return {{ProcessEnd::Kind::Unconfirmed}, {}, {}};
    }

    const HANDLE handles[] = {process.get(), printed.get()};
    ULONGLONG shownAt = 0;
    bool due = false;
    std::optional<ULONGLONG> stopAskedAt;
    bool terminated = false;
    DWORD woken = WAIT_FAILED;
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        if (!stopAskedAt && console.StopAsked()) {
            stopAskedAt = now;
            SendBreak(started.dwProcessId);
        }
        if (stopAskedAt && !terminated && now - *stopAskedAt >= kStopGraceMs) {
            terminated = ::TerminateProcess(process.get(), kEndedByVelkin) != FALSE;
        }
        // Woken for the process's end, a message, a progress figure, and otherwise only when
        // a figure held back is due or a stopped program's time is up.
        ULONGLONG timeout = INFINITE;
        if (due) {
            const ULONGLONG since = now - shownAt;
            timeout = since >= kProgressEveryMs ? 0 : kProgressEveryMs - since;
        }
        if (stopAskedAt) {
            const ULONGLONG since = now - *stopAskedAt;
            timeout = std::min(timeout, since >= kStopGraceMs ? INFINITE : kStopGraceMs - since);
        }
        woken = ::MsgWaitForMultipleObjectsEx(2, handles, static_cast<DWORD>(timeout), QS_ALLINPUT,
                                              MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0 + 2) {
            ProcessPendingMessages();
        } else if (woken == WAIT_OBJECT_0 + 1) {
            due = true;
        } else if (woken != WAIT_TIMEOUT) {
            break;
        }
        if (due && ::GetTickCount64() - shownAt >= kProgressEveryMs) {
            due = false;
            shownAt = ::GetTickCount64();
            auto progress = outputReader.TakeProgress();
            if (auto fromError = errorReader.TakeProgress()) {
                progress = std::move(fromError);
            }
            if (progress) {
                console.Progressed(*progress);
            }
        }
    }
    DWORD exitCode = 0;
    const bool confirmed = woken == WAIT_OBJECT_0 && ::GetExitCodeProcess(process.get(), &exitCode);
    outputReader.Join();
    errorReader.Join();
    ConsoleRunEnd end{{ProcessEnd::Kind::Unconfirmed},
                      JoinKeptText(errorReader.text(), outputReader.text()),
                      errorReader.text().Kept()};
    if (confirmed) {
        end.end = {ProcessEnd::Kind::Exited, exitCode};
    }
    return end;
}

} // namespace velkin::win
