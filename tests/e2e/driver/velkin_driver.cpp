// Drives a running Velkin from outside its process, the way an automation tool or a user would:
// through window handles, window messages, synthesized keyboard input and, for the menu that
// Wine keeps inside the owning process, an injected probe module.
//
// A run does one command and prints its result as UTF-8 JSON on stdout, one object per line.
// Exit codes: 0 done, 1 failed, 2 bad command line, 3 timed out. "serve" instead reads one
// command per line from stdin (a JSON array of the words) and answers each with its result
// lines and an "end" line carrying the exit code: starting a Wine process costs far more than
// any command, and a test sends hundreds of them.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/scope_exit.h"
#include "common/json_text.h"
#include "platform/unique_handle.h"

namespace {

using velkin::e2e::HandleText;
using velkin::e2e::JsonBool;
using velkin::e2e::JsonString;
using velkin::e2e::Utf8;
using velkin::win::UniqueKernelHandle;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitTimeout = 3;

// How long a message to a window of the program may wait for its answer. Not SMTO_ABORTIFHUNG:
// Wine takes a window for hung after 5 s without a fetched message, which a busy machine brings
// about while the window's thread works through a large drop.
constexpr UINT kMessageTimeoutMs = 30000;
constexpr DWORD kPollMs = 50;

class DriverError : public std::runtime_error {
public:
    DriverError(const std::string& message, int exitCode)
        : std::runtime_error(message), exitCode_(exitCode) {}
    int exitCode() const { return exitCode_; }

private:
    int exitCode_;
};

[[noreturn]] void Fail(const std::string& message, int exitCode = kExitFailure) {
    throw DriverError(message, exitCode);
}

[[noreturn]] void FailWithLastError(const std::string& what) {
    const DWORD error = ::GetLastError();
    Fail(what + " failed (error " + std::to_string(error) + ")");
}

void PrintLine(const std::string& line) {
    const std::string text = line + "\n";
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
                &written, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Command line: a command name, then "--name value" options and plain words.

class Arguments {
public:
    // words: what follows the command name.
    explicit Arguments(const std::vector<std::wstring>& words) {
        for (std::size_t i = 0; i < words.size(); ++i) {
            const std::wstring_view word = words[i];
            if (word.starts_with(L"--") && word.size() > 2) {
                if (i + 1 >= words.size()) {
                    Fail("option " + Utf8(word) + " needs a value", kExitUsage);
                }
                options_[std::wstring(word.substr(2))] = words[++i];
            } else {
                words_.emplace_back(word);
            }
        }
    }

    std::optional<std::wstring> Get(const std::wstring& name) const {
        used_.push_back(name);
        const auto found = options_.find(name);
        if (found == options_.end()) {
            return std::nullopt;
        }
        return found->second;
    }

    std::wstring Require(const std::wstring& name) const {
        auto value = Get(name);
        if (!value) {
            Fail("missing option --" + Utf8(name), kExitUsage);
        }
        return *value;
    }

    unsigned long long Number(const std::wstring& name, unsigned long long fallback) const {
        const auto value = Get(name);
        return value ? ParseNumber(name, *value) : fallback;
    }

    DWORD TimeoutMs() const { return static_cast<DWORD>(Number(L"timeout-ms", 10000)); }

    HWND Window(const std::wstring& name = L"hwnd") const {
        const HWND window =
            reinterpret_cast<HWND>(static_cast<std::uintptr_t>(ParseNumber(name, Require(name))));
        if (!::IsWindow(window)) {
            Fail("--" + Utf8(name) + " " + HandleText(window) + " is not a window");
        }
        return window;
    }

    const std::vector<std::wstring>& Words() const { return words_; }

    // A misspelt option must not be silently ignored: the command would then do something
    // other than what its caller meant.
    void RejectUnused() const {
        for (const auto& [name, value] : options_) {
            bool known = false;
            for (const auto& used : used_) {
                known = known || used == name;
            }
            if (!known) {
                Fail("unknown option --" + Utf8(name), kExitUsage);
            }
        }
    }

private:
    static unsigned long long ParseNumber(const std::wstring& name, const std::wstring& text) {
        wchar_t* end = nullptr;
        const unsigned long long value = std::wcstoull(text.c_str(), &end, 0);
        if (text.empty() || end == nullptr || *end != L'\0') {
            Fail("--" + Utf8(name) + " needs a number, not " + Utf8(text), kExitUsage);
        }
        return value;
    }

    std::map<std::wstring, std::wstring> options_;
    std::vector<std::wstring> words_;
    mutable std::vector<std::wstring> used_;
};

// ---------------------------------------------------------------------------------------------
// Windows

class Deadline {
public:
    explicit Deadline(DWORD timeoutMs) : end_(::GetTickCount64() + timeoutMs) {}
    bool Passed() const { return ::GetTickCount64() >= end_; }
    DWORD Remaining() const {
        const ULONGLONG now = ::GetTickCount64();
        return now >= end_ ? 0 : static_cast<DWORD>(end_ - now);
    }

private:
    ULONGLONG end_;
};

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    ::GetClassNameW(window, name, 256);
    return name;
}

// A window's caption as the system keeps it, without a message to the window:
// GetWindowTextLength sends one, and a window whose thread is busy (a file dialog filling
// itself in, say) would hold a listing of every window until its thread got to it.
std::wstring Caption(HWND window) {
    std::wstring text(1024, L'\0');
    for (;;) {
        const int length =
            ::InternalGetWindowText(window, text.data(), static_cast<int>(text.size()));
        if (length < static_cast<int>(text.size()) - 1) {
            text.resize(static_cast<std::size_t>(std::max(length, 0)));
            return text;
        }
        text.resize(text.size() * 2);
    }
}

// The live text of a control of another process (an edit box's content, say): asked of the
// control itself, which GetWindowText does not do across processes.
std::wstring ControlText(HWND control) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kMessageTimeoutMs,
                               &length)) {
        FailWithLastError("WM_GETTEXTLENGTH");
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(control, WM_GETTEXT, text.size(),
                               reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL,
                               kMessageTimeoutMs, &copied)) {
        FailWithLastError("WM_GETTEXT");
    }
    text.resize(copied);
    return text;
}

DWORD WindowProcessId(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return pid;
}

std::string RectJson(const RECT& rect) {
    return "[" + std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
           std::to_string(rect.right) + "," + std::to_string(rect.bottom) + "]";
}

std::string WindowJson(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    RECT client{};
    ::GetClientRect(window, &client);
    DWORD pid = 0;
    const DWORD tid = ::GetWindowThreadProcessId(window, &pid);
    return "{\"hwnd\":\"" + HandleText(window) + "\",\"pid\":" + std::to_string(pid) +
           ",\"tid\":" + std::to_string(tid) + ",\"class\":" + JsonString(ClassName(window)) +
           ",\"caption\":" + JsonString(Caption(window)) +
           ",\"visible\":" + JsonBool(::IsWindowVisible(window) != FALSE) +
           ",\"enabled\":" + JsonBool(::IsWindowEnabled(window) != FALSE) +
           ",\"rect\":" + RectJson(rect) + ",\"client\":" + RectJson(client) + "}";
}

struct WindowFilter {
    std::optional<std::wstring> className;
    std::optional<std::wstring> title;
    std::optional<DWORD> pid;

    static WindowFilter From(const Arguments& args) {
        WindowFilter filter;
        filter.className = args.Get(L"class");
        filter.title = args.Get(L"title");
        if (const auto pid = args.Get(L"pid")) {
            filter.pid = static_cast<DWORD>(args.Number(L"pid", 0));
        }
        return filter;
    }

    bool Matches(HWND window) const {
        return ::IsWindowVisible(window) && (!pid || WindowProcessId(window) == *pid) &&
               (!className || ClassName(window) == *className) &&
               (!title || Caption(window) == *title);
    }
};

std::vector<HWND> TopLevelWindows(const WindowFilter& filter) {
    struct Search {
        const WindowFilter* filter;
        std::vector<HWND> found;
    } search{&filter, {}};
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(param);
            if (search.filter->Matches(window)) {
                search.found.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    ::EnumChildWindows(
        parent,
        [](HWND window, LPARAM param) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    return children;
}

HWND WaitForWindow(const WindowFilter& filter, DWORD timeoutMs, const std::string& what) {
    const Deadline deadline(timeoutMs);
    for (;;) {
        const auto found = TopLevelWindows(filter);
        if (!found.empty()) {
            return found.front();
        }
        if (deadline.Passed()) {
            Fail("no window " + what + " within " + std::to_string(timeoutMs) + " ms",
                 kExitTimeout);
        }
        ::Sleep(kPollMs);
    }
}

std::string FilterText(const WindowFilter& filter) {
    std::string text;
    if (filter.className) {
        text += " class=" + Utf8(*filter.className);
    }
    if (filter.title) {
        text += " title=" + Utf8(*filter.title);
    }
    if (filter.pid) {
        text += " pid=" + std::to_string(*filter.pid);
    }
    return text.empty() ? text : text.substr(1);
}

// ---------------------------------------------------------------------------------------------
// Memory inside the target process, for messages whose parameters point to memory.

class RemoteMemory {
public:
    RemoteMemory(HANDLE process, std::size_t size) : process_(process), size_(size) {
        address_ =
            ::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (address_ == nullptr) {
            FailWithLastError("VirtualAllocEx");
        }
    }
    ~RemoteMemory() { ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE); }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    void* At(std::size_t offset) const { return static_cast<char*>(address_) + offset; }

    void Write(std::size_t offset, const void* data, std::size_t size) const {
        Check(offset, size);
        SIZE_T written = 0;
        if (!::WriteProcessMemory(process_, At(offset), data, size, &written) || written != size) {
            FailWithLastError("WriteProcessMemory");
        }
    }

    void Read(std::size_t offset, void* data, std::size_t size) const {
        Check(offset, size);
        SIZE_T read = 0;
        if (!::ReadProcessMemory(process_, At(offset), data, size, &read) || read != size) {
            FailWithLastError("ReadProcessMemory");
        }
    }

private:
    void Check(std::size_t offset, std::size_t size) const {
        if (offset > size_ || size > size_ - offset) {
            Fail("remote memory access out of range");
        }
    }

    HANDLE process_;
    std::size_t size_;
    void* address_ = nullptr;
};

UniqueKernelHandle OpenTargetProcess(DWORD pid, DWORD access) {
    UniqueKernelHandle process(::OpenProcess(access, FALSE, pid));
    if (!process) {
        FailWithLastError("OpenProcess(" + std::to_string(pid) + ")");
    }
    return process;
}

LRESULT SendChecked(HWND window, UINT message, WPARAM wParam, LPARAM lParam, const char* what) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kMessageTimeoutMs,
                               &result)) {
        FailWithLastError(what);
    }
    return static_cast<LRESULT>(result);
}

// ---------------------------------------------------------------------------------------------
// Commands

void CommandWindow(const Arguments& args) {
    const auto filter = WindowFilter::From(args);
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    PrintLine(WindowJson(WaitForWindow(filter, timeoutMs, FilterText(filter))));
}

void CommandWindows(const Arguments& args) {
    const auto filter = WindowFilter::From(args);
    args.RejectUnused();
    for (const HWND window : TopLevelWindows(filter)) {
        PrintLine(WindowJson(window));
    }
}

void CommandWaitNone(const Arguments& args) {
    const auto filter = WindowFilter::From(args);
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    const Deadline deadline(timeoutMs);
    while (!TopLevelWindows(filter).empty()) {
        if (deadline.Passed()) {
            Fail("a window " + FilterText(filter) + " is still there after " +
                     std::to_string(timeoutMs) + " ms",
                 kExitTimeout);
        }
        ::Sleep(kPollMs);
    }
    PrintLine("{\"gone\":true}");
}

void CommandWaitGone(const Arguments& args) {
    const auto value = args.Require(L"hwnd");
    const HWND window = reinterpret_cast<HWND>(
        static_cast<std::uintptr_t>(std::wcstoull(value.c_str(), nullptr, 0)));
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    const Deadline deadline(timeoutMs);
    while (::IsWindow(window) && ::IsWindowVisible(window)) {
        if (deadline.Passed()) {
            Fail("window " + HandleText(window) + " is still there after " +
                     std::to_string(timeoutMs) + " ms",
                 kExitTimeout);
        }
        ::Sleep(kPollMs);
    }
    PrintLine("{\"hwnd\":\"" + HandleText(window) + "\",\"gone\":true}");
}

HWND FindListView(HWND window) {
    if (ClassName(window) == WC_LISTVIEWW) {
        return window;
    }
    for (const HWND child : ChildWindows(window)) {
        if (ClassName(child) == WC_LISTVIEWW) {
            return child;
        }
    }
    Fail("no " + Utf8(WC_LISTVIEWW) + " inside " + HandleText(window));
}

void CommandList(const Arguments& args) {
    const HWND list = FindListView(args.Window());
    args.RejectUnused();

    constexpr std::size_t kTextChars = 1024;
    constexpr std::size_t kTextOffset = 256; // room for an LVCOLUMNW or an LVITEMW before it
    static_assert(sizeof(LVCOLUMNW) <= kTextOffset && sizeof(LVITEMW) <= kTextOffset);
    const auto process =
        OpenTargetProcess(WindowProcessId(list), PROCESS_VM_OPERATION | PROCESS_VM_READ |
                                                     PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION);
    const RemoteMemory memory(process.get(), kTextOffset + kTextChars * sizeof(wchar_t));
    const auto remoteText = static_cast<wchar_t*>(memory.At(kTextOffset));

    auto readText = [&](std::size_t length) {
        std::wstring text(kTextChars, L'\0');
        memory.Read(kTextOffset, text.data(), kTextChars * sizeof(wchar_t));
        text.resize(std::min(length, std::wcslen(text.c_str())));
        return text;
    };
    auto clearText = [&] {
        const wchar_t nothing = L'\0';
        memory.Write(kTextOffset, &nothing, sizeof(nothing));
    };

    const HWND header =
        reinterpret_cast<HWND>(SendChecked(list, LVM_GETHEADER, 0, 0, "LVM_GETHEADER"));
    const int columnCount =
        header != nullptr
            ? static_cast<int>(SendChecked(header, HDM_GETITEMCOUNT, 0, 0, "HDM_GETITEMCOUNT"))
            : 0;
    std::string columns = "[";
    for (int column = 0; column < columnCount; ++column) {
        LVCOLUMNW info{};
        info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        info.pszText = remoteText;
        info.cchTextMax = static_cast<int>(kTextChars);
        memory.Write(0, &info, sizeof(info));
        clearText();
        if (!SendChecked(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                         reinterpret_cast<LPARAM>(memory.At(0)), "LVM_GETCOLUMNW")) {
            Fail("LVM_GETCOLUMNW refused column " + std::to_string(column));
        }
        memory.Read(0, &info, sizeof(info));
        const std::wstring caption = readText(kTextChars);
        columns += std::string(column > 0 ? "," : "") + "{\"caption\":" + JsonString(caption) +
                   ",\"width\":" + std::to_string(info.cx) + "}";
    }
    columns += "]";

    const int rowCount =
        static_cast<int>(SendChecked(list, LVM_GETITEMCOUNT, 0, 0, "LVM_GETITEMCOUNT"));
    std::string rows = "[";
    for (int row = 0; row < rowCount; ++row) {
        rows += row > 0 ? ",[" : "[";
        for (int column = 0; column < columnCount; ++column) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = row;
            item.iSubItem = column;
            item.pszText = remoteText;
            item.cchTextMax = static_cast<int>(kTextChars);
            memory.Write(0, &item, sizeof(item));
            clearText();
            const auto length = static_cast<std::size_t>(
                SendChecked(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                            reinterpret_cast<LPARAM>(memory.At(0)), "LVM_GETITEMTEXTW"));
            rows += std::string(column > 0 ? "," : "") + JsonString(readText(length));
        }
        rows += "]";
    }
    rows += "]";

    const int selected = static_cast<int>(SendChecked(
        list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED, "LVM_GETNEXTITEM"));
    PrintLine("{\"hwnd\":\"" + HandleText(list) +
              "\",\"column_count\":" + std::to_string(columnCount) + ",\"columns\":" + columns +
              ",\"row_count\":" + std::to_string(rowCount) + ",\"rows\":" + rows +
              ",\"selected\":" + std::to_string(selected) + "}");
}

// Part of a big list: only the asked rows (every step-th of them) and columns, since every cell
// costs a cross-process message (reading 20,000 whole rows would take minutes under Wine).
void CommandRows(const Arguments& args) {
    const HWND list = FindListView(args.Window());
    const auto from = static_cast<int>(args.Number(L"from", 0));
    const auto wanted = args.Get(L"count");
    const auto step = static_cast<int>(std::max(1ULL, args.Number(L"step", 1)));
    const std::wstring columnList = args.Get(L"columns").value_or(L"0,1,2,3,4,5");
    args.RejectUnused();
    std::vector<int> columns;
    for (std::size_t start = 0; start < columnList.size();) {
        std::size_t comma = columnList.find(L',', start);
        if (comma == std::wstring::npos) {
            comma = columnList.size();
        }
        columns.push_back(static_cast<int>(
            std::wcstol(columnList.substr(start, comma - start).c_str(), nullptr, 10)));
        start = comma + 1;
    }

    constexpr std::size_t kTextChars = 1024;
    constexpr std::size_t kTextOffset = 256;
    static_assert(sizeof(LVITEMW) <= kTextOffset);
    const auto process =
        OpenTargetProcess(WindowProcessId(list), PROCESS_VM_OPERATION | PROCESS_VM_READ |
                                                     PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION);
    const RemoteMemory memory(process.get(), kTextOffset + kTextChars * sizeof(wchar_t));
    const auto remoteText = static_cast<wchar_t*>(memory.At(kTextOffset));

    const int rowCount =
        static_cast<int>(SendChecked(list, LVM_GETITEMCOUNT, 0, 0, "LVM_GETITEMCOUNT"));
    const int last =
        wanted
            ? std::min(rowCount, from + static_cast<int>(std::wcstol(wanted->c_str(), nullptr, 10)))
            : rowCount;
    std::string rows = "[";
    for (int row = std::max(0, from); row < last; row += step) {
        rows += row > std::max(0, from) ? ",[" : "[";
        for (std::size_t c = 0; c < columns.size(); ++c) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = row;
            item.iSubItem = columns[c];
            item.pszText = remoteText;
            item.cchTextMax = static_cast<int>(kTextChars);
            memory.Write(0, &item, sizeof(item));
            const wchar_t nothing = L'\0';
            memory.Write(kTextOffset, &nothing, sizeof(nothing));
            const auto length = static_cast<std::size_t>(
                SendChecked(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                            reinterpret_cast<LPARAM>(memory.At(0)), "LVM_GETITEMTEXTW"));
            std::wstring text(kTextChars, L'\0');
            memory.Read(kTextOffset, text.data(), kTextChars * sizeof(wchar_t));
            text.resize(std::min(length, std::wcslen(text.c_str())));
            rows += std::string(c > 0 ? "," : "") + JsonString(text);
        }
        rows += "]";
    }
    rows += "]";
    const int selected = static_cast<int>(SendChecked(
        list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED, "LVM_GETNEXTITEM"));
    PrintLine("{\"row_count\":" + std::to_string(rowCount) + ",\"from\":" +
              std::to_string(std::max(0, from)) + ",\"step\":" + std::to_string(step) +
              ",\"rows\":" + rows + ",\"selected\":" + std::to_string(selected) + "}");
}

// The list's row count, once; with --until N, every change of it until it reaches N, each with
// the time it was seen (QueryPerformanceCounter in 100 ns units, which Wine takes from the
// host's raw monotonic clock), so that a caller can tell what was still under way when.
void CommandRowCount(const Arguments& args) {
    const HWND list = FindListView(args.Window());
    const auto until = args.Get(L"until");
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    const long long target = until ? std::wcstoll(until->c_str(), nullptr, 10) : 0;
    const Deadline deadline(timeoutMs);
    long long previous = -1;
    for (;;) {
        const auto count =
            static_cast<long long>(SendChecked(list, LVM_GETITEMCOUNT, 0, 0, "LVM_GETITEMCOUNT"));
        LARGE_INTEGER now{};
        ::QueryPerformanceCounter(&now);
        if (count != previous) {
            const long long ticks = static_cast<long long>(static_cast<double>(now.QuadPart) * 1e7 /
                                                           static_cast<double>(frequency.QuadPart));
            PrintLine("{\"row_count\":" + std::to_string(count) +
                      ",\"time_100ns\":" + std::to_string(ticks) + "}");
            previous = count;
        }
        if (!until || count >= target) {
            return;
        }
        if (deadline.Passed()) {
            Fail("the list has " + std::to_string(count) + " rows, not " + std::to_string(target) +
                     ", after " + std::to_string(timeoutMs) + " ms",
                 kExitTimeout);
        }
    }
}

void CommandSelectRow(const Arguments& args) {
    const HWND list = FindListView(args.Window());
    const auto row = static_cast<int>(args.Number(L"row", 0));
    args.RejectUnused();
    // What scrolling to a row and clicking it leaves behind: the row in view, selected and
    // focused. Rows far down a long list cannot be reached by key strokes in reasonable time.
    const int count =
        static_cast<int>(SendChecked(list, LVM_GETITEMCOUNT, 0, 0, "LVM_GETITEMCOUNT"));
    if (row < 0 || row >= count) {
        Fail("row " + std::to_string(row) + " is not in the list of " + std::to_string(count));
    }
    SendChecked(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE, "LVM_ENSUREVISIBLE");
    const auto process =
        OpenTargetProcess(WindowProcessId(list), PROCESS_VM_OPERATION | PROCESS_VM_READ |
                                                     PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION);
    const RemoteMemory memory(process.get(), sizeof(LVITEMW));
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    memory.Write(0, &item, sizeof(item));
    if (!SendChecked(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(memory.At(0)), "LVM_SETITEMSTATE")) {
        Fail("LVM_SETITEMSTATE refused row " + std::to_string(row));
    }
    const auto selected = static_cast<int>(SendChecked(
        list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED, "LVM_GETNEXTITEM"));
    // Where the row's first-column text is on the screen: what a click to edit it aims at.
    RECT label{};
    label.left = LVIR_LABEL;
    memory.Write(0, &label, sizeof(label));
    SendChecked(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                reinterpret_cast<LPARAM>(memory.At(0)), "LVM_GETITEMRECT");
    memory.Read(0, &label, sizeof(label));
    ::MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&label), 2);
    PrintLine("{\"row_count\":" + std::to_string(count) +
              ",\"selected\":" + std::to_string(selected) + ",\"label_rect\":[" +
              std::to_string(label.left) + "," + std::to_string(label.top) + "," +
              std::to_string(label.right) + "," + std::to_string(label.bottom) + "]}");
}

std::wstring DirectoryOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring ModulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            FailWithLastError("GetModuleFileNameW");
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring LowerCase(std::wstring text) {
    for (auto& c : text) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return text;
}

std::string ReadWholeFile(const std::wstring& path) {
    const velkin::win::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                                           FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        FailWithLastError("opening " + Utf8(path));
    }
    std::string content;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        content.append(buffer, read);
    }
    return content;
}

void CommandMenu(const Arguments& args) {
    const HWND window = args.Window();
    const std::wstring probe =
        args.Get(L"probe").value_or(DirectoryOf(ModulePath(nullptr)) + L"velkin_menu_probe.dll");
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();

    if (::GetFileAttributesW(probe.c_str()) == INVALID_FILE_ATTRIBUTES) {
        Fail("probe module " + Utf8(probe) + " not found");
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
            Fail("the probe left no dump at " + Utf8(dump) + " within " +
                     std::to_string(timeoutMs) + " ms",
                 kExitTimeout);
        }
        ::Sleep(kDumpPollMs);
    }
    // The probe's rename shows the dump a moment before the probe lets go of it.
    while (!deadline.Passed()) {
        const velkin::win::UniqueFileHandle ready(::CreateFileW(
            dump.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
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

// Without a window manager, X gives the keyboard to the window under the pointer, and Wine
// follows X: the pointer has to be over the window that should get the keys.
POINT PointerSpot(HWND window, const std::optional<std::wstring>& at) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    if (at) {
        int x = 0;
        int y = 0;
        if (std::swscanf(at->c_str(), L"%d,%d", &x, &y) != 2) {
            Fail("--at needs X,Y relative to the window", kExitUsage);
        }
        return {rect.left + x, rect.top + y};
    }
    // Close to the bottom right corner: menus drop down from the top left and dialogs are
    // centred, so neither is likely to lie under the pointer there and get hovered.
    const LONG inset = 8;
    return {std::max(rect.left, rect.right - inset), std::max(rect.top, rect.bottom - inset)};
}

void Send(std::vector<INPUT>& inputs) {
    if (inputs.empty()) {
        return;
    }
    const UINT sent = ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size()) {
        FailWithLastError("SendInput");
    }
}

// Moves the pointer as a mouse does: SendInput with absolute coordinates, which reach the
// target as input (WM_MOUSEMOVE, then the leave tracking) where a bare SetCursorPos may not.
void MovePointerTo(POINT at, DWORD timeoutMs) {
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    if (width <= 1 || height <= 1) {
        Fail("no screen size");
    }
    INPUT input{};
    input.type = INPUT_MOUSE;
    // Rounded up, so that the system's scaling back (rounding down) lands on the pixel itself.
    input.mi.dx = static_cast<LONG>((static_cast<long long>(at.x) * 65536 + width - 1) / width);
    input.mi.dy = static_cast<LONG>((static_cast<long long>(at.y) * 65536 + height - 1) / height);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    std::vector<INPUT> inputs{input};
    Send(inputs);
    const Deadline deadline(timeoutMs);
    for (;;) {
        POINT now{};
        ::GetCursorPos(&now);
        if (now.x == at.x && now.y == at.y) {
            return;
        }
        if (deadline.Passed()) {
            Fail("the pointer went to " + std::to_string(now.x) + "," + std::to_string(now.y) +
                     " instead of " + std::to_string(at.x) + "," + std::to_string(at.y),
                 kExitTimeout);
        }
        ::Sleep(kPollMs);
    }
}

// The thread that owns a window, as the system sees it: which window of it is active and which
// has the keyboard focus, and whether it is in a menu.
GUITHREADINFO ThreadInfo(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) {
        FailWithLastError("GetGUIThreadInfo");
    }
    return info;
}

// Returns once the window's thread has come back to its message loop and handled a message.
void Sync(HWND window, DWORD timeoutMs) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result)) {
        Fail("window " + HandleText(window) + " did not answer within " +
                 std::to_string(timeoutMs) + " ms",
             kExitTimeout);
    }
}

bool PointerOver(HWND window) {
    POINT now{};
    return ::GetCursorPos(&now) && ::GetAncestor(::WindowFromPoint(now), GA_ROOT) == window;
}

// Makes the window the one that gets the keys. Wine follows X here: when the pointer crosses
// into a window or X moves the focus, the X server reports its keyboard state to the window's
// thread, and Wine then lets go of every modifier X never saw pressed, such as the Alt that
// SendInput holds for a chord. A chord sent while such a report is still on its way loses its
// Alt. So nothing is stirred up that need not be: a window already active in the foreground
// is left as it is (SendInput's keys go to it wherever the pointer is), and otherwise the
// pointer only moves when it is not over the window. What was stirred up is over before the
// first key: the pointer's move has reached the X server (GetCursorPos asks it), the window's
// thread has taken in the activation and answered a message round trip.
void Activate(HWND window, const std::optional<std::wstring>& at, DWORD timeoutMs) {
    const Deadline deadline(timeoutMs);
    const bool active =
        ::GetForegroundWindow() == window && ThreadInfo(window).hwndActive == window;
    if (at || (!active && !PointerOver(window))) {
        MovePointerTo(PointerSpot(window, at), timeoutMs);
    }
    if (!active) {
        ::SetForegroundWindow(window);
        for (;;) {
            const HWND foreground = ::GetForegroundWindow();
            if (foreground == window && ThreadInfo(window).hwndActive == window) {
                break;
            }
            if (deadline.Passed()) {
                Fail("window " + HandleText(window) + " did not come to the foreground (it is " +
                         HandleText(foreground) + ")",
                     kExitTimeout);
            }
            ::Sleep(kPollMs);
            if (foreground != window) {
                ::SetForegroundWindow(window);
            }
        }
    }
    Sync(window, std::max<DWORD>(deadline.Remaining(), 1000));
}

void CommandActivate(const Arguments& args) {
    const HWND window = args.Window();
    const auto at = args.Get(L"at");
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    Activate(window, at, timeoutMs);
    POINT pointer{};
    ::GetCursorPos(&pointer);
    PrintLine("{\"foreground\":\"" + HandleText(::GetForegroundWindow()) + "\",\"pointer\":[" +
              std::to_string(pointer.x) + "," + std::to_string(pointer.y) + "]}");
}

struct KeyName {
    std::wstring_view name;
    WORD key;
    bool extended;
};

constexpr KeyName kKeyNames[] = {
    {L"enter", VK_RETURN, false},   {L"return", VK_RETURN, false}, {L"esc", VK_ESCAPE, false},
    {L"escape", VK_ESCAPE, false},  {L"tab", VK_TAB, false},       {L"space", VK_SPACE, false},
    {L"backspace", VK_BACK, false}, {L"delete", VK_DELETE, true},  {L"insert", VK_INSERT, true},
    {L"up", VK_UP, true},           {L"down", VK_DOWN, true},      {L"left", VK_LEFT, true},
    {L"right", VK_RIGHT, true},     {L"home", VK_HOME, true},      {L"end", VK_END, true},
    {L"pgup", VK_PRIOR, true},      {L"pgdn", VK_NEXT, true},      {L"apps", VK_APPS, true},
    {L"f1", VK_F1, false},          {L"f2", VK_F2, false},         {L"f3", VK_F3, false},
    {L"f4", VK_F4, false},          {L"f5", VK_F5, false},         {L"f6", VK_F6, false},
    {L"f7", VK_F7, false},          {L"f8", VK_F8, false},         {L"f9", VK_F9, false},
    {L"f10", VK_F10, false},        {L"f11", VK_F11, false},       {L"f12", VK_F12, false},
    {L"ctrl", VK_CONTROL, false},   {L"alt", VK_MENU, false},      {L"shift", VK_SHIFT, false},
};

KeyName ParseKey(std::wstring_view name) {
    const std::wstring lower = LowerCase(std::wstring(name));
    for (const auto& key : kKeyNames) {
        if (key.name == lower) {
            return key;
        }
    }
    if (lower.size() == 1 &&
        ((lower[0] >= L'a' && lower[0] <= L'z') || (lower[0] >= L'0' && lower[0] <= L'9'))) {
        return {name, static_cast<WORD>(std::towupper(lower[0])), false};
    }
    Fail("unknown key " + Utf8(name), kExitUsage);
}

INPUT KeyInput(const KeyName& key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key.key;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key.key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (key.extended ? KEYEVENTF_EXTENDEDKEY : 0);
    return input;
}

// A chord is "key" or "modifier+...+key", optionally "*N" for N presses: "alt+p", "down*2".
std::vector<INPUT> ChordInputs(std::wstring_view chord) {
    int repeat = 1;
    if (const auto star = chord.find(L'*'); star != std::wstring_view::npos) {
        repeat = std::max(1, static_cast<int>(std::wcstol(
                                 std::wstring(chord.substr(star + 1)).c_str(), nullptr, 10)));
        chord = chord.substr(0, star);
    }
    std::vector<KeyName> keys;
    for (std::size_t start = 0; start <= chord.size();) {
        auto plus = chord.find(L'+', start);
        if (plus == start) { // "+" itself is no key name of ours
            Fail("empty key in " + Utf8(chord), kExitUsage);
        }
        if (plus == std::wstring_view::npos) {
            plus = chord.size();
        }
        keys.push_back(ParseKey(chord.substr(start, plus - start)));
        start = plus + 1;
    }
    std::vector<INPUT> inputs;
    for (int n = 0; n < repeat; ++n) {
        for (const auto& key : keys) {
            inputs.push_back(KeyInput(key, false));
        }
        for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
            inputs.push_back(KeyInput(*key, true));
        }
    }
    return inputs;
}

void ActivateIfAsked(const Arguments& args) {
    if (args.Get(L"hwnd")) {
        Activate(args.Window(), args.Get(L"at"), args.TimeoutMs());
    }
}

// The list view's row count, waited for as long as the whole wait may last, or nothing once
// the list is gone. While Wine's X11 driver turns a large drag into a drop, inside the window's
// thread, that thread fetches no message for seconds on a busy machine, and Wine then takes the
// window for hung: SMTO_ABORTIFHUNG would give up at once. Asking again is harmless, as the
// question changes nothing.
std::optional<long long> ListRowCount(HWND list, const Deadline& deadline, DWORD timeoutMs) {
    DWORD_PTR answer = 0;
    if (::SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL,
                              std::max<DWORD>(deadline.Remaining(), 1), &answer)) {
        return static_cast<long long>(answer);
    }
    if (!::IsWindow(list)) {
        return std::nullopt;
    }
    Fail("the list view did not answer within " + std::to_string(timeoutMs) + " ms", kExitTimeout);
}

// Returns the moment the list view in the window first answers with more rows than the
// threshold: while a drop is being taken in, the window answers only between rows.
void WaitForMoreRows(HWND window, long long threshold, DWORD timeoutMs) {
    const HWND list = FindListView(window);
    const Deadline deadline(timeoutMs);
    for (;;) {
        const auto answer = ListRowCount(list, deadline, timeoutMs);
        if (!answer) {
            Fail("the list view is gone");
        }
        if (*answer > threshold) {
            return;
        }
        if (deadline.Passed()) {
            Fail("the list has " + std::to_string(*answer) + " rows after " +
                     std::to_string(timeoutMs) + " ms",
                 kExitTimeout);
        }
    }
}

void CommandKeys(const Arguments& args) {
    ActivateIfAsked(args);
    const auto afterRows = args.Get(L"after-rows");
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    if (args.Words().empty()) {
        Fail("keys needs at least one chord, e.g. alt+p down enter", kExitUsage);
    }
    std::vector<std::vector<INPUT>> chords;
    for (const auto& word : args.Words()) {
        chords.push_back(ChordInputs(word)); // all parsed before anything is sent
    }
    if (afterRows) {
        WaitForMoreRows(args.Window(), std::wcstoll(afterRows->c_str(), nullptr, 10), timeoutMs);
    }
    for (auto& inputs : chords) {
        Send(inputs);
    }
    std::string sent = "[";
    for (std::size_t i = 0; i < args.Words().size(); ++i) {
        if (i > 0) {
            sent += ',';
        }
        sent += JsonString(args.Words()[i]);
    }
    PrintLine("{\"sent\":" + sent + "]}");
}

void CommandType(const Arguments& args) {
    ActivateIfAsked(args);
    const std::wstring text = args.Require(L"text");
    args.RejectUnused();
    std::vector<INPUT> inputs;
    for (const wchar_t unit : text) {
        for (const bool up : {false, true}) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = static_cast<WORD>(unit);
            input.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
            inputs.push_back(input);
        }
    }
    Send(inputs);
    PrintLine("{\"typed\":" + JsonString(text) + "}");
}

std::string ControlJson(HWND control) {
    return "{\"hwnd\":\"" + HandleText(control) + "\",\"class\":" + JsonString(ClassName(control)) +
           ",\"id\":" + std::to_string(::GetDlgCtrlID(control)) +
           ",\"text\":" + JsonString(ControlText(control)) +
           ",\"visible\":" + JsonBool(::IsWindowVisible(control) != FALSE) +
           ",\"enabled\":" + JsonBool(::IsWindowEnabled(control) != FALSE) + "}";
}

bool IsClass(HWND window, std::wstring_view name) {
    return LowerCase(ClassName(window)) == LowerCase(std::wstring(name));
}

void CommandDialog(const Arguments& args) {
    WindowFilter filter = WindowFilter::From(args);
    if (!filter.className) {
        filter.className = L"#32770"; // dialogs and message boxes
    }
    if (const auto caption = args.Get(L"caption")) {
        filter.title = caption;
    }
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    const HWND dialog = WaitForWindow(filter, timeoutMs, FilterText(filter));

    std::string statics;
    std::string edits;
    std::string buttons;
    std::string controls;
    auto append = [](std::string& list, const std::string& item) {
        list += (list.empty() ? "" : ",") + item;
    };
    for (const HWND child : ChildWindows(dialog)) {
        if (::GetParent(child) != dialog) {
            continue;
        }
        const std::string json = ControlJson(child);
        append(controls, json);
        if (IsClass(child, L"Static")) {
            append(statics, JsonString(ControlText(child)));
        } else if (IsClass(child, L"Edit")) {
            append(edits, JsonString(ControlText(child)));
        } else if (IsClass(child, L"Button")) {
            append(buttons, JsonString(ControlText(child)));
        }
    }
    const std::string window = WindowJson(dialog);
    PrintLine(window.substr(0, window.size() - 1) + ",\"statics\":[" + statics + "],\"edits\":[" +
              edits + "],\"buttons\":[" + buttons + "],\"controls\":[" + controls + "]}");
}

HWND ChildOfClass(HWND dialog, std::wstring_view className, std::size_t index) {
    std::size_t seen = 0;
    for (const HWND child : ChildWindows(dialog)) {
        if (::GetParent(child) == dialog && IsClass(child, className) && seen++ == index) {
            return child;
        }
    }
    Fail("no " + Utf8(className) + " number " + std::to_string(index) + " in " +
         HandleText(dialog));
}

void CommandSetEdit(const Arguments& args) {
    const HWND dialog = args.Window();
    const auto index = static_cast<std::size_t>(args.Number(L"index", 0));
    const std::wstring text = args.Require(L"text");
    args.RejectUnused();
    const HWND edit = ChildOfClass(dialog, L"Edit", index);
    if (!SendChecked(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), "WM_SETTEXT")) {
        Fail("the edit control refused the text");
    }
    PrintLine("{\"hwnd\":\"" + HandleText(edit) + "\",\"text\":" + JsonString(ControlText(edit)) +
              "}");
}

std::wstring WithoutAccessMarks(std::wstring_view caption) {
    std::wstring plain;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && i + 1 < caption.size()) {
            ++i;
        }
        plain += caption[i];
    }
    return plain;
}

void CommandClick(const Arguments& args) {
    const HWND dialog = args.Window();
    const std::wstring caption = args.Require(L"button");
    args.RejectUnused();
    for (const HWND child : ChildWindows(dialog)) {
        if (::GetParent(child) != dialog || !IsClass(child, L"Button")) {
            continue;
        }
        const std::wstring text = ControlText(child);
        if (text == caption || WithoutAccessMarks(text) == caption) {
            // Posted, not sent: a button that opens a modal window would keep a sent message
            // from returning until that window closes.
            if (!::PostMessageW(child, BM_CLICK, 0, 0)) {
                FailWithLastError("PostMessageW(BM_CLICK)");
            }
            PrintLine("{\"clicked\":\"" + HandleText(child) + "\",\"caption\":" + JsonString(text) +
                      ",\"id\":" + std::to_string(::GetDlgCtrlID(child)) + "}");
            return;
        }
    }
    Fail("no button " + Utf8(caption) + " in " + HandleText(dialog));
}

void CommandClose(const Arguments& args) {
    const HWND window = args.Window();
    args.RejectUnused();
    // What the caption's close box sends; there is no caption to click without a window manager.
    if (!::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0)) {
        FailWithLastError("PostMessageW(WM_SYSCOMMAND)");
    }
    PrintLine("{\"closed\":\"" + HandleText(window) + "\"}");
}

void CommandPostClose(const Arguments& args) {
    const HWND window = args.Window();
    const auto afterRows = args.Get(L"after-rows");
    const auto untilRows = args.Get(L"until");
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    auto ticksNow = [&] {
        LARGE_INTEGER now{};
        ::QueryPerformanceCounter(&now);
        return static_cast<long long>(static_cast<double>(now.QuadPart) * 1e7 /
                                      static_cast<double>(frequency.QuadPart));
    };
    // WM_CLOSE itself, as another program or a task manager posts it, with no system command
    // in between.
    auto post = [&] {
        if (!::PostMessageW(window, WM_CLOSE, 0, 0)) {
            FailWithLastError("PostMessageW(WM_CLOSE)");
        }
    };
    if (!afterRows) {
        post();
        PrintLine("{\"posted\":\"" + HandleText(window) +
                  "\",\"time_100ns\":" + std::to_string(ticksNow()) + "}");
        return;
    }
    // With --after-rows the message goes the moment the list view in the window first answers
    // with more rows than that, and again after every later answer until it has --until rows:
    // the window answers only between rows while a drop is being taken in, so a close is
    // waiting at each of those moments. A command started afterwards would come too late.
    const HWND list = FindListView(window);
    const long long threshold = std::wcstoll(afterRows->c_str(), nullptr, 10);
    const long long until =
        untilRows ? std::wcstoll(untilRows->c_str(), nullptr, 10) : threshold + 1;
    const Deadline deadline(timeoutMs);
    long long first = -1;
    long long firstTicks = 0;
    long long count = -1;
    int posts = 0;
    for (;;) {
        const auto answer = ListRowCount(list, deadline, timeoutMs);
        if (!answer) {
            break; // the window is gone: closed
        }
        count = *answer;
        if (count > threshold) {
            post();
            if (posts++ == 0) {
                first = count;
                firstTicks = ticksNow();
            }
        }
        if (count >= until) {
            break;
        }
        if (deadline.Passed()) {
            Fail("the list has " + std::to_string(count) + " rows after " +
                     std::to_string(timeoutMs) + " ms",
                 kExitTimeout);
        }
    }
    PrintLine("{\"posted\":\"" + HandleText(window) + "\",\"row_count\":" + std::to_string(first) +
              ",\"time_100ns\":" + std::to_string(firstTicks) + ",\"posts\":" +
              std::to_string(posts) + ",\"last_row_count\":" + std::to_string(count) + "}");
}

void CommandSync(const Arguments& args) {
    const HWND window = args.Window();
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    Sync(window, timeoutMs);
    PrintLine("{\"synced\":\"" + HandleText(window) + "\"}");
}

// A registered window message (RegisterWindowMessageW) sent as another program sends it; returns
// once H's thread has handled it. The shell announces a window's taskbar button this way.
void CommandSendRegistered(const Arguments& args) {
    const HWND window = args.Window();
    const auto name = args.Get(L"name");
    const DWORD timeoutMs = args.TimeoutMs();
    if (!name || name->empty()) {
        Fail("send-registered needs --name, the message's registered name", kExitUsage);
    }
    args.RejectUnused();
    const UINT message = ::RegisterWindowMessageW(name->c_str());
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, message, 0, 0, SMTO_NORMAL, timeoutMs, &result)) {
        Fail("window " + HandleText(window) + " did not handle " + Utf8(*name) + " within " +
                 std::to_string(timeoutMs) + " ms",
             kExitTimeout);
    }
    PrintLine("{\"sent\":\"" + HandleText(window) + "\",\"message\":" + std::to_string(message) +
              "}");
}

// The X window that Wine's X11 driver shows for the top-level window H, for looking at its
// properties with X tools (xprop -id).
void CommandX11Window(const Arguments& args) {
    const HWND window = args.Window();
    args.RejectUnused();
    const auto x11 =
        reinterpret_cast<std::uintptr_t>(::GetPropW(window, L"__wine_x11_whole_window"));
    if (x11 == 0) {
        Fail("window " + HandleText(window) + " has no X window of its own");
    }
    PrintLine("{\"hwnd\":\"" + HandleText(window) + "\",\"x11_window\":" + std::to_string(x11) +
              "}");
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

// Where the keys would go now: the foreground window and, in the thread of H, the active and
// the focus window, whether a menu is being tracked, and an edit's selection if one has the
// focus. Key strokes are judged by these before they are sent and by their effects after.
void CommandFocus(const Arguments& args) {
    const HWND window = args.Window();
    args.RejectUnused();
    const GUITHREADINFO info = ThreadInfo(window);
    std::string selection = "null";
    if (info.hwndFocus != nullptr && IsClass(info.hwndFocus, L"Edit")) {
        const auto range =
            static_cast<DWORD>(SendChecked(info.hwndFocus, EM_GETSEL, 0, 0, "EM_GETSEL"));
        selection = "[" + std::to_string(LOWORD(range)) + "," + std::to_string(HIWORD(range)) + "]";
    }
    PrintLine(
        "{\"foreground\":\"" + HandleText(::GetForegroundWindow()) + "\",\"active\":\"" +
        HandleText(info.hwndActive) + "\",\"focus\":\"" + HandleText(info.hwndFocus) +
        "\",\"focus_class\":" +
        JsonString(info.hwndFocus != nullptr ? ClassName(info.hwndFocus) : L"") +
        ",\"focus_parent\":\"" +
        HandleText(info.hwndFocus != nullptr ? ::GetParent(info.hwndFocus) : nullptr) +
        "\",\"in_menu\":" + JsonBool((info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE)) != 0) +
        ",\"selection\":" + selection + "}");
}

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
        FailWithLastError("GetShortPathNameW(" + Utf8(path) + ")");
    }
    buffer.resize(length);
    PrintLine("{\"path\":" + JsonString(path) + ",\"short\":" + JsonString(buffer) + "}");
}

// Stands in for dragging a window's frame: without a window manager there is no frame to drag.
void CommandMove(const Arguments& args) {
    const HWND window = args.Window();
    const std::wstring rect = args.Require(L"rect");
    args.RejectUnused();
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    if (std::swscanf(rect.c_str(), L"%d,%d,%d,%d", &x, &y, &width, &height) != 4) {
        Fail("--rect needs X,Y,WIDTH,HEIGHT", kExitUsage);
    }
    if (!::SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE)) {
        FailWithLastError("SetWindowPos");
    }
    PrintLine(WindowJson(window));
}

// Stands in for dragging a header divider, which needs a pointer drag that Wine on a bare X
// server does not reliably turn into a header track.
void CommandSetColumnWidth(const Arguments& args) {
    const HWND list = FindListView(args.Window());
    const auto column = static_cast<WPARAM>(args.Number(L"column", 0));
    const auto width = static_cast<int>(args.Number(L"width", 0));
    if (!args.Get(L"column") || !args.Get(L"width")) {
        Fail("set-column-width needs --column and --width", kExitUsage);
    }
    args.RejectUnused();
    if (!SendChecked(list, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0),
                     "LVM_SETCOLUMNWIDTH")) {
        Fail("LVM_SETCOLUMNWIDTH refused column " + std::to_string(column));
    }
    PrintLine("{\"hwnd\":\"" + HandleText(list) + "\",\"column\":" + std::to_string(column) +
              ",\"width\":" + std::to_string(width) + "}");
}

// Which standard icon a dialog shows: an icon handle means nothing outside its process, so the
// icon's pixels on the screen are compared with each standard icon drawn here on the same
// background. "differences" counts the pixels that differ per candidate.
void CommandIcon(const Arguments& args) {
    const HWND dialog = args.Window();
    args.RejectUnused();
    HWND iconControl = nullptr;
    for (const HWND child : ChildWindows(dialog)) {
        if (::GetParent(child) == dialog && IsClass(child, L"Static") &&
            (::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            ::IsWindowVisible(child)) {
            iconControl = child;
            break;
        }
    }
    if (iconControl == nullptr) {
        Fail("no visible icon control in " + HandleText(dialog));
    }
    RECT rect{};
    ::GetWindowRect(iconControl, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) {
        Fail("the icon control of " + HandleText(dialog) + " has no area");
    }

    const HDC screen = ::GetDC(nullptr);
    auto capture = [&](const std::function<void(HDC)>& paint) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        const HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        const HDC memory = ::CreateCompatibleDC(screen);
        const HGDIOBJ old = ::SelectObject(memory, bitmap);
        paint(memory);
        ::GdiFlush();
        const auto* pixels = static_cast<const DWORD*>(bits);
        std::vector<DWORD> result(pixels, pixels + static_cast<std::size_t>(width) * height);
        ::SelectObject(memory, old);
        ::DeleteDC(memory);
        ::DeleteObject(bitmap);
        for (auto& pixel : result) {
            pixel &= 0x00FFFFFF;
        }
        return result;
    };
    const std::vector<DWORD> shown = capture([&](HDC memory) {
        ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    });

    const DWORD background = shown.front(); // a corner, where no standard icon paints
    const struct {
        const char* name;
        LPCWSTR id;
    } kCandidates[] = {{"error", IDI_ERROR},
                       {"warning", IDI_WARNING},
                       {"information", IDI_INFORMATION},
                       {"question", IDI_QUESTION}};
    std::string differences;
    std::string best;
    std::size_t bestCount = SIZE_MAX;
    for (const auto& candidate : kCandidates) {
        const HICON icon = ::LoadIconW(nullptr, candidate.id);
        const std::vector<DWORD> drawn = capture([&](HDC memory) {
            const HBRUSH brush = ::CreateSolidBrush(
                RGB(GetBValue(background), GetGValue(background), GetRValue(background)));
            const RECT all{0, 0, width, height};
            ::FillRect(memory, &all, brush);
            ::DeleteObject(brush);
            ::DrawIconEx(memory, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
        });
        std::size_t count = 0;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            count += shown[i] != drawn[i] ? 1 : 0;
        }
        differences += std::string(differences.empty() ? "" : ",") + "\"" + candidate.name +
                       "\":" + std::to_string(count);
        if (count < bestCount) {
            bestCount = count;
            best = candidate.name;
        }
    }
    ::ReleaseDC(nullptr, screen);
    PrintLine("{\"control\":\"" + HandleText(iconControl) + "\",\"rect\":" + RectJson(rect) +
              ",\"best\":\"" + best + "\",\"pixels\":" + std::to_string(shown.size()) +
              ",\"differences\":{" + differences + "}}");
}

// The window with its styles, and every window inside it (children of children too) with its
// class, control id, text, screen rectangle and styles: what a user sees of a form and where.
void CommandInspect(const Arguments& args) {
    const HWND window = args.Window();
    args.RejectUnused();
    auto styles = [](HWND of) {
        return ",\"style\":" + std::to_string(static_cast<DWORD>(::GetWindowLongW(of, GWL_STYLE))) +
               ",\"exstyle\":" +
               std::to_string(static_cast<DWORD>(::GetWindowLongW(of, GWL_EXSTYLE)));
    };
    std::string children;
    for (const HWND child : ChildWindows(window)) {
        RECT rect{};
        ::GetWindowRect(child, &rect);
        const std::string control = ControlJson(child);
        if (!children.empty()) {
            children += ',';
        }
        children += control.substr(0, control.size() - 1) + ",\"parent\":\"" +
                    HandleText(::GetParent(child)) + "\",\"rect\":" + RectJson(rect) +
                    styles(child) + "}";
    }
    RECT client{};
    ::GetClientRect(window, &client);
    POINT origin{0, 0};
    ::ClientToScreen(window, &origin);
    const std::string json = WindowJson(window);
    PrintLine(json.substr(0, json.size() - 1) + styles(window) + ",\"client_origin\":[" +
              std::to_string(origin.x) + "," + std::to_string(origin.y) + "],\"children\":[" +
              children + "]}");
}

POINT ParsePoint(const Arguments& args) {
    const std::wstring at = args.Require(L"at");
    POINT point{};
    if (std::swscanf(at.c_str(), L"%ld,%ld", &point.x, &point.y) != 2) {
        Fail("--at needs X,Y in screen pixels", kExitUsage);
    }
    return point;
}

void CommandPointer(const Arguments& args) {
    const POINT at = ParsePoint(args);
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    MovePointerTo(at, timeoutMs);
    const HWND under = ::WindowFromPoint(at);
    PrintLine("{\"pointer\":[" + std::to_string(at.x) + "," + std::to_string(at.y) +
              "],\"under\":\"" + HandleText(under) +
              "\",\"class\":" + JsonString(ClassName(under)) + "}");
}

// A real click: the pointer goes there first, then a press and a release of the button.
void CommandClickAt(const Arguments& args) {
    const POINT at = ParsePoint(args);
    const std::wstring button = LowerCase(args.Get(L"button").value_or(L"left"));
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    DWORD down = 0;
    DWORD up = 0;
    if (button == L"left") {
        down = MOUSEEVENTF_LEFTDOWN;
        up = MOUSEEVENTF_LEFTUP;
    } else if (button == L"right") {
        down = MOUSEEVENTF_RIGHTDOWN;
        up = MOUSEEVENTF_RIGHTUP;
    } else if (button == L"middle") {
        down = MOUSEEVENTF_MIDDLEDOWN;
        up = MOUSEEVENTF_MIDDLEUP;
    } else {
        Fail("--button is left, right or middle", kExitUsage);
    }
    MovePointerTo(at, timeoutMs);
    const HWND under = ::WindowFromPoint(at);
    std::vector<INPUT> inputs(2);
    for (auto& input : inputs) {
        input.type = INPUT_MOUSE;
    }
    inputs[0].mi.dwFlags = down;
    inputs[1].mi.dwFlags = up;
    Send(inputs);
    PrintLine("{\"clicked\":[" + std::to_string(at.x) + "," + std::to_string(at.y) +
              "],\"button\":" + JsonString(button) + ",\"under\":\"" + HandleText(under) +
              "\",\"class\":" + JsonString(ClassName(under)) + "}");
}

// ---------------------------------------------------------------------------------------------
// Ways in besides a drag: the clipboard, WM_COPYDATA as another program sends it, and the gate
// that holds the fault archiver until a test lets it go on.

// Puts files (CF_HDROP, wide, as Explorer copies them) or text on the clipboard. The clipboard
// needs an owner window for SetClipboardData; the data outlives it. --list-at sets the block's
// pFiles to any value, as a careless or hostile program may.
void CommandClipboard(const Arguments& args) {
    const auto text = args.Get(L"text");
    const auto listAt = static_cast<DWORD>(args.Number(L"list-at", sizeof(DROPFILES)));
    args.RejectUnused();
    if (text.has_value() == !args.Words().empty()) {
        Fail("clipboard takes --text T or paths, not both", kExitUsage);
    }
    std::vector<wchar_t> units;
    if (text) {
        units.assign(text->begin(), text->end());
        units.push_back(L'\0');
    } else {
        for (const auto& path : args.Words()) {
            units.insert(units.end(), path.begin(), path.end());
            units.push_back(L'\0');
        }
        units.push_back(L'\0');
    }
    const std::size_t header = text ? 0 : sizeof(DROPFILES);
    const std::size_t size = header + units.size() * sizeof(wchar_t);
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (block == nullptr) {
        FailWithLastError("GlobalAlloc");
    }
    auto* bytes = static_cast<char*>(::GlobalLock(block));
    if (!text) {
        auto* files = reinterpret_cast<DROPFILES*>(bytes);
        files->pFiles = listAt;
        files->fWide = TRUE;
    }
    std::memcpy(bytes + header, units.data(), units.size() * sizeof(wchar_t));
    ::GlobalUnlock(block);

    const HWND owner = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         nullptr, nullptr);
    const bool opened = owner != nullptr && ::OpenClipboard(owner);
    const bool set = opened && ::EmptyClipboard() &&
                     ::SetClipboardData(text ? CF_UNICODETEXT : CF_HDROP, block) != nullptr;
    const DWORD error = ::GetLastError();
    if (opened) {
        ::CloseClipboard();
    }
    if (owner != nullptr) {
        ::DestroyWindow(owner);
    }
    if (!set) {
        ::GlobalFree(block); // the clipboard did not take it
        Fail("putting data on the clipboard failed (error " + std::to_string(error) + ")");
    }
    PrintLine(std::string("{\"clipboard\":") + (text ? "\"text\"" : "\"files\"") +
              ",\"items\":" + std::to_string(text ? 1 : args.Words().size()) + "}");
}

std::vector<char> ParseHex(const std::wstring& hex) {
    if (hex.size() % 2 != 0) {
        Fail("--hex needs pairs of hexadecimal digits", kExitUsage);
    }
    std::vector<char> bytes;
    for (std::size_t at = 0; at < hex.size(); at += 2) {
        wchar_t* end = nullptr;
        const std::wstring pair = hex.substr(at, 2);
        const unsigned long value = std::wcstoul(pair.c_str(), &end, 16);
        if (end != pair.c_str() + 2) {
            Fail("--hex needs pairs of hexadecimal digits", kExitUsage);
        }
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

// WM_COPYDATA with the given dwData and bytes (--size pads them with zeros or cuts them), sent
// as another program would; prints the window's answer.
void CommandCopyData(const Arguments& args) {
    const HWND window = args.Window();
    const auto tag = static_cast<ULONG_PTR>(args.Number(L"tag", 0));
    std::vector<char> bytes = ParseHex(args.Get(L"hex").value_or(L""));
    if (args.Get(L"size")) {
        bytes.resize(static_cast<std::size_t>(args.Number(L"size", 0)));
    }
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    COPYDATASTRUCT data{tag, static_cast<DWORD>(bytes.size()), bytes.data()};
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                               SMTO_ABORTIFHUNG, timeoutMs, &answer)) {
        FailWithLastError("SendMessageTimeoutW(WM_COPYDATA)");
    }
    PrintLine("{\"answer\":" + std::to_string(answer) +
              ",\"bytes\":" + std::to_string(bytes.size()) + "}");
}

// Lets the fault archiver that waits on the named event go on, once it waits there.
void CommandSetEvent(const Arguments& args) {
    const std::wstring name = args.Require(L"name");
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    const Deadline deadline(timeoutMs);
    UniqueKernelHandle event;
    while (!(event = UniqueKernelHandle(::OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str())))) {
        if (deadline.Passed()) {
            Fail("no event " + Utf8(name) + " within " + std::to_string(timeoutMs) + " ms",
                 kExitTimeout);
        }
        ::Sleep(kPollMs);
    }
    if (!::SetEvent(event.get())) {
        FailWithLastError("SetEvent");
    }
    PrintLine("{\"set\":" + JsonString(name) + "}");
}

struct Command {
    std::wstring_view name;
    void (*run)(const Arguments&);
    std::string_view usage;
};

constexpr Command kCommands[] = {
    {L"window", CommandWindow,
     "window [--class C] [--title T] [--pid P] [--timeout-ms N]  wait for a visible top-level "
     "window"},
    {L"windows", CommandWindows, "windows [--class C] [--title T] [--pid P]  list them now"},
    {L"wait-none", CommandWaitNone,
     "wait-none [--class C] [--title T] [--pid P] [--timeout-ms N]  until none is visible"},
    {L"wait-gone", CommandWaitGone, "wait-gone --hwnd H [--timeout-ms N]"},
    {L"list", CommandList, "list --hwnd H  columns and rows of the list view in window H"},
    {L"rows", CommandRows,
     "rows --hwnd H [--from N] [--count N] [--step N] [--columns 0,3]  some cells, selection"},
    {L"row-count", CommandRowCount,
     "row-count --hwnd H [--until N] [--timeout-ms N]  its row count (each change until N)"},
    {L"menu", CommandMenu, "menu --hwnd H [--probe DLL] [--timeout-ms N]  the menu tree"},
    {L"activate", CommandActivate, "activate --hwnd H [--at X,Y]  foreground and pointer"},
    {L"keys", CommandKeys, "keys [--hwnd H [--at X,Y] [--after-rows N]] CHORD...  alt+p down*2"},
    {L"type", CommandType, "type [--hwnd H [--at X,Y]] --text T  as Unicode key strokes"},
    {L"dialog", CommandDialog,
     "dialog [--caption C] [--pid P] [--class C] [--timeout-ms N]  wait for one, read it"},
    {L"set-edit", CommandSetEdit, "set-edit --hwnd DIALOG [--index N] --text T"},
    {L"click", CommandClick, "click --hwnd DIALOG --button CAPTION"},
    {L"close", CommandClose, "close --hwnd H  as the close box does"},
    {L"post-close", CommandPostClose,
     "post-close --hwnd H [--after-rows N [--until M]] [--timeout-ms N]  posts WM_CLOSE to H"},
    {L"select-row", CommandSelectRow,
     "select-row --hwnd H --row N  scrolls the list view in H to row N, selects and focuses it; "
     "the screen rect of its first-column text"},
    {L"sync", CommandSync, "sync --hwnd H [--timeout-ms N]  until its thread is idle again"},
    {L"send-registered", CommandSendRegistered,
     "send-registered --hwnd H --name NAME [--timeout-ms N]  sends a registered message, as the "
     "shell does"},
    {L"x11-window", CommandX11Window, "x11-window --hwnd H  the X window Wine shows for H"},
    {L"menu-command", CommandMenuCommand,
     "menu-command --hwnd H --id N  posts WM_COMMAND as choosing menu item N does"},
    {L"focus", CommandFocus,
     "focus --hwnd H  foreground, H's thread's active and focus window, menu mode, selection"},
    {L"wait-exit", CommandWaitExit, "wait-exit --pid P [--timeout-ms N]  prints the exit code"},
    {L"short-path", CommandShortPath, "short-path --path P  the 8.3 form the system gives"},
    {L"move", CommandMove, "move --hwnd H --rect X,Y,W,H  SetWindowPos, as a frame drag would"},
    {L"set-column-width", CommandSetColumnWidth,
     "set-column-width --hwnd H --column N --width W  LVM_SETCOLUMNWIDTH on H's list view"},
    {L"icon", CommandIcon, "icon --hwnd DIALOG  which standard icon it shows (by its pixels)"},
    {L"inspect", CommandInspect,
     "inspect --hwnd H  the window, its styles and every window inside it with screen rects"},
    {L"pointer", CommandPointer, "pointer --at X,Y  moves the pointer there by SendInput"},
    {L"click-at", CommandClickAt,
     "click-at --at X,Y [--button left|right|middle]  pointer there, then press and release"},
    {L"clipboard", CommandClipboard,
     "clipboard [--text T] [--list-at N] [PATH...]  puts the files (CF_HDROP, with pFiles N) or "
     "the text on the clipboard"},
    {L"copy-data", CommandCopyData,
     "copy-data --hwnd H --tag N [--hex BYTES] [--size N] [--timeout-ms N]  sends WM_COPYDATA"},
    {L"set-event", CommandSetEvent,
     "set-event --name N [--timeout-ms N]  sets the named event once it exists"},
};

std::string UsageText() {
    std::string usage = "usage: velkin_driver COMMAND [OPTIONS]\n       velkin_driver serve\n";
    for (const auto& command : kCommands) {
        usage += "  ";
        usage += command.usage;
        usage += "\n";
    }
    return usage;
}

void WriteError(const std::string& text) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()),
                &written, nullptr);
}

struct Outcome {
    int exitCode = 0;
    std::string error;
};

// words: the command name, then its options and words.
Outcome Execute(const std::vector<std::wstring>& words) {
    if (words.empty()) {
        return {kExitUsage, "no command"};
    }
    for (const auto& command : kCommands) {
        if (command.name != words.front()) {
            continue;
        }
        try {
            command.run(Arguments(std::vector<std::wstring>(words.begin() + 1, words.end())));
            return {};
        } catch (const DriverError& error) {
            return {error.exitCode(), error.what()};
        } catch (const std::exception& error) {
            return {kExitFailure, error.what()};
        }
    }
    return {kExitUsage, "unknown command " + Utf8(words.front())};
}

// One request line: a JSON array of strings. Non-ASCII text may come raw (UTF-8) or escaped
// (\uXXXX, surrogate pairs as two escapes, which is how Python writes it).
std::vector<std::wstring> ParseRequest(const std::string& line) {
    std::vector<std::wstring> words;
    std::size_t at = 0;
    auto skipBlanks = [&] {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t' || line[at] == '\r')) {
            ++at;
        }
    };
    auto expect = [&](char c) {
        skipBlanks();
        if (at >= line.size() || line[at] != c) {
            Fail(std::string("request is no JSON array of strings: expected '") + c + "' at byte " +
                     std::to_string(at),
                 kExitUsage);
        }
        ++at;
    };
    auto hex4 = [&] {
        if (at + 4 > line.size()) {
            Fail("request: \\u needs four hex digits", kExitUsage);
        }
        const std::string digits = line.substr(at, 4);
        char* end = nullptr;
        const unsigned long value = std::strtoul(digits.c_str(), &end, 16);
        if (end != digits.c_str() + 4) {
            Fail("request: bad \\u escape " + digits, kExitUsage);
        }
        at += 4;
        return static_cast<wchar_t>(value);
    };
    expect('[');
    skipBlanks();
    if (at < line.size() && line[at] == ']') {
        return words;
    }
    for (;;) {
        expect('"');
        std::wstring word;
        std::string raw; // a run of unescaped bytes, UTF-8
        auto flush = [&] {
            if (!raw.empty()) {
                const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, raw.data(),
                                                         static_cast<int>(raw.size()), nullptr, 0);
                if (length <= 0) {
                    Fail("request is not UTF-8", kExitUsage);
                }
                std::wstring wide(static_cast<std::size_t>(length), L'\0');
                ::MultiByteToWideChar(CP_UTF8, 0, raw.data(), static_cast<int>(raw.size()),
                                      wide.data(), length);
                word += wide;
                raw.clear();
            }
        };
        for (;;) {
            if (at >= line.size()) {
                Fail("request: unterminated string", kExitUsage);
            }
            const char c = line[at++];
            if (c == '"') {
                break;
            }
            if (c != '\\') {
                raw += c;
                continue;
            }
            flush();
            if (at >= line.size()) {
                Fail("request: unterminated escape", kExitUsage);
            }
            const char escaped = line[at++];
            switch (escaped) {
            case 'n':
                word += L'\n';
                break;
            case 'r':
                word += L'\r';
                break;
            case 't':
                word += L'\t';
                break;
            case 'b':
                word += L'\b';
                break;
            case 'f':
                word += L'\f';
                break;
            case 'u':
                word += hex4();
                break;
            default: // '"', '\\', '/'
                word += static_cast<wchar_t>(escaped);
                break;
            }
        }
        flush();
        words.push_back(std::move(word));
        skipBlanks();
        if (at < line.size() && line[at] == ',') {
            ++at;
            continue;
        }
        expect(']');
        return words;
    }
}

// Reads requests until stdin ends; every answer ends with {"end":EXIT CODE[,"error":TEXT]},
// after the command's own lines. A failed command leaves the server running.
int Serve() {
    PrintLine("{\"serving\":" + std::to_string(::GetCurrentProcessId()) + "}");
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    std::string pending;
    char buffer[4096];
    for (;;) {
        std::size_t newline = pending.find('\n');
        while (newline == std::string::npos) {
            DWORD got = 0;
            if (!::ReadFile(input, buffer, sizeof(buffer), &got, nullptr) || got == 0) {
                return 0;
            }
            pending.append(buffer, got);
            newline = pending.find('\n');
        }
        const std::string line = pending.substr(0, newline);
        pending.erase(0, newline + 1);
        if (line.find_first_not_of(" \t\r") == std::string::npos) {
            continue;
        }
        Outcome outcome;
        try {
            outcome = Execute(ParseRequest(line));
        } catch (const DriverError& error) {
            outcome = {error.exitCode(), error.what()};
        }
        std::string end = "{\"end\":" + std::to_string(outcome.exitCode);
        if (!outcome.error.empty()) {
            std::wstring wide(outcome.error.size(), L'\0');
            const int length = ::MultiByteToWideChar(CP_UTF8, 0, outcome.error.data(),
                                                     static_cast<int>(outcome.error.size()),
                                                     wide.data(), static_cast<int>(wide.size()));
            wide.resize(static_cast<std::size_t>(std::max(length, 0)));
            end += ",\"error\":" + JsonString(wide);
        }
        PrintLine(end + "}");
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    // Window and pointer coordinates in physical pixels, the same as the target's.
    ::SetProcessDPIAware();
    if (argc == 2 && std::wstring_view(argv[1]) == L"serve") {
        return Serve();
    }
    if (argc < 2) {
        WriteError(UsageText());
        return kExitUsage;
    }
    const Outcome outcome = Execute(std::vector<std::wstring>(argv + 1, argv + argc));
    if (outcome.exitCode == kExitUsage) {
        WriteError("velkin_driver: " + outcome.error + "\n" + UsageText());
    } else if (outcome.exitCode != 0) {
        WriteError("velkin_driver " + Utf8(argv[1]) + ": " + outcome.error + "\n");
    }
    return outcome.exitCode;
}
