// Commands about the list view of a window of another process. Its messages that carry
// pointers need memory inside that process.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "driver/commands.h"
#include "driver/window_queries.h"

namespace velkin::driver {
namespace {

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

// The list view's texts, read through memory inside its process: a column's caption and width,
// a cell's text.
class ListReader {
public:
    explicit ListReader(HWND list)
        : list_(list),
          process_(OpenTargetProcess(WindowProcessId(list), PROCESS_VM_OPERATION | PROCESS_VM_READ |
                                                                PROCESS_VM_WRITE |
                                                                PROCESS_QUERY_INFORMATION)),
          memory_(process_.get(), kTextOffset + kTextChars * sizeof(wchar_t)) {}

    int RowCount() const {
        return static_cast<int>(SendChecked(list_, LVM_GETITEMCOUNT, 0, 0, "LVM_GETITEMCOUNT"));
    }

    int Selected() const {
        return static_cast<int>(SendChecked(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                            LVNI_SELECTED, "LVM_GETNEXTITEM"));
    }

    int ColumnCount() const {
        const HWND header =
            reinterpret_cast<HWND>(SendChecked(list_, LVM_GETHEADER, 0, 0, "LVM_GETHEADER"));
        return header != nullptr ? static_cast<int>(SendChecked(header, HDM_GETITEMCOUNT, 0, 0,
                                                                "HDM_GETITEMCOUNT"))
                                 : 0;
    }

    // {"caption":...,"width":...}
    std::string ColumnJson(int column) const {
        LVCOLUMNW info{};
        info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        info.pszText = RemoteText();
        info.cchTextMax = static_cast<int>(kTextChars);
        memory_.Write(0, &info, sizeof(info));
        ClearText();
        if (!SendChecked(list_, LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                         reinterpret_cast<LPARAM>(memory_.At(0)), "LVM_GETCOLUMNW")) {
            Fail("LVM_GETCOLUMNW refused column " + std::to_string(column));
        }
        memory_.Read(0, &info, sizeof(info));
        return "{\"caption\":" + JsonString(ReadText(kTextChars)) +
               ",\"width\":" + std::to_string(info.cx) + "}";
    }

    std::wstring Cell(int row, int column) const {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.iSubItem = column;
        item.pszText = RemoteText();
        item.cchTextMax = static_cast<int>(kTextChars);
        memory_.Write(0, &item, sizeof(item));
        ClearText();
        const auto length = static_cast<std::size_t>(
            SendChecked(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                        reinterpret_cast<LPARAM>(memory_.At(0)), "LVM_GETITEMTEXTW"));
        return ReadText(length);
    }

    // [[cell, ...], ...]: the given columns of every step-th row from first to before end.
    std::string RowsJson(int first, int end, int step, const std::vector<int>& columns) const {
        std::string rows = "[";
        for (int row = first; row < end; row += step) {
            rows += row > first ? ",[" : "[";
            for (std::size_t c = 0; c < columns.size(); ++c) {
                rows += std::string(c > 0 ? "," : "") + JsonString(Cell(row, columns[c]));
            }
            rows += "]";
        }
        return rows + "]";
    }

private:
    static constexpr std::size_t kTextChars = 1024;
    static constexpr std::size_t kTextOffset = 256; // room for an LVCOLUMNW or an LVITEMW
    static_assert(sizeof(LVCOLUMNW) <= kTextOffset && sizeof(LVITEMW) <= kTextOffset);

    wchar_t* RemoteText() const { return static_cast<wchar_t*>(memory_.At(kTextOffset)); }

    void ClearText() const {
        const wchar_t nothing = L'\0';
        memory_.Write(kTextOffset, &nothing, sizeof(nothing));
    }

    std::wstring ReadText(std::size_t length) const {
        std::wstring text(kTextChars, L'\0');
        memory_.Read(kTextOffset, text.data(), kTextChars * sizeof(wchar_t));
        text.resize(std::min(length, std::wcslen(text.c_str())));
        return text;
    }

    HWND list_;
    win::UniqueKernelHandle process_;
    RemoteMemory memory_;
};

} // namespace

void CommandList(const Arguments& args) {
    const HWND list = FindListView(args.Window());
    args.RejectUnused();
    const ListReader reader(list);
    const int columnCount = reader.ColumnCount();
    std::string columns = "[";
    std::vector<int> all;
    for (int column = 0; column < columnCount; ++column) {
        columns += std::string(column > 0 ? "," : "") + reader.ColumnJson(column);
        all.push_back(column);
    }
    columns += "]";
    const int rowCount = reader.RowCount();
    const std::string rows = reader.RowsJson(0, rowCount, 1, all);
    PrintLine("{\"hwnd\":\"" + HandleText(list) +
              "\",\"column_count\":" + std::to_string(columnCount) + ",\"columns\":" + columns +
              ",\"row_count\":" + std::to_string(rowCount) + ",\"rows\":" + rows +
              ",\"selected\":" + std::to_string(reader.Selected()) + "}");
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
    const ListReader reader(list);
    const int rowCount = reader.RowCount();
    const int last =
        wanted
            ? std::min(rowCount, from + static_cast<int>(std::wcstol(wanted->c_str(), nullptr, 10)))
            : rowCount;
    const std::string rows = reader.RowsJson(std::max(0, from), last, step, columns);
    PrintLine("{\"row_count\":" + std::to_string(rowCount) + ",\"from\":" +
              std::to_string(std::max(0, from)) + ",\"step\":" + std::to_string(step) +
              ",\"rows\":" + rows + ",\"selected\":" + std::to_string(reader.Selected()) + "}");
}

// The list's row count, once; with --until N, every change of it until it reaches N, each with
// the time it was seen (Now100ns), so that a caller can tell what was still under way when.
void CommandRowCount(const Arguments& args) {
    const HWND list = FindListView(args.Window());
    const auto until = args.Get(L"until");
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    const long long target = until ? std::wcstoll(until->c_str(), nullptr, 10) : 0;
    const Deadline deadline(timeoutMs);
    long long previous = -1;
    for (;;) {
        const auto count =
            static_cast<long long>(SendChecked(list, LVM_GETITEMCOUNT, 0, 0, "LVM_GETITEMCOUNT"));
        const long long ticks = Now100ns();
        if (count != previous) {
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
    PrintLine("{\"row_count\":" + std::to_string(count) + ",\"selected\":" +
              std::to_string(selected) + ",\"label_rect\":" + RectJson(label) + "}");
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
} // namespace velkin::driver
