#include "app/job_list_view_win.h"

#include <commctrl.h>

#include <stdexcept>
#include <string>
#include <utility>

#include "base/group_log.h"
#include "base/message_texts.h"
#include "platform/dpi.h"

namespace velkin::win {
namespace {

// How many lines of the archiver's error text a row's tooltip shows.
constexpr std::size_t kTipLines = 5;

// With Alt held, Delete comes to the list as a system key, which the list does not report as it
// reports every other key (LVN_KEYDOWN); reported the same way here, it reaches the owner's key
// handler whatever shift keys are held. The list sees it first, as it would without this.
LRESULT CALLBACK ReportSystemDelete(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR id, DWORD_PTR) {
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(list, ReportSystemDelete, id);
    }
    const LRESULT result = ::DefSubclassProc(list, message, wParam, lParam);
    if (message == WM_SYSKEYDOWN && wParam == VK_DELETE) {
        NMLVKEYDOWN key{};
        key.hdr.hwndFrom = list;
        key.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(list));
        key.hdr.code = LVN_KEYDOWN;
        key.wVKey = VK_DELETE;
        ::SendMessageW(::GetParent(list), WM_NOTIFY, key.hdr.idFrom,
                       reinterpret_cast<LPARAM>(&key));
    }
    return result;
}

} // namespace

JobListView::JobListView(HWND parent, int controlId, const JobRows& rows, UINT dpi,
                         JobListEvents events)
    : rows_(rows), events_(std::move(events)), dpi_(dpi) {
    // No LVS_SHOWSELALWAYS: the selection is hidden while the list lacks the focus.
    // LVS_NOSORTHEADER: a header click does nothing, rows stay in the order they came.
    constexpr DWORD kStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                             LVS_EDITLABELS | LVS_OWNERDATA | LVS_NOSORTHEADER;
    list_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", kStyle, 0, 0, 0, 0, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                              ::GetModuleHandleW(nullptr), nullptr);
    if (list_ == nullptr) {
        throw std::runtime_error("CreateWindowExW failed");
    }
    ::SetWindowSubclass(list_, ReportSystemDelete, 0, 0);
    constexpr DWORD kExtended =
        LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_INFOTIP;
    ListView_SetExtendedListViewStyleEx(list_, kExtended, kExtended);

    int index = 0;
    for (const auto& info : kJobColumns) {
        std::wstring caption(info.caption);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = info.width;
        column.pszText = caption.data();
        column.iSubItem = index;
        ListView_InsertColumn(list_, index, &column);
        ++index;
    }
    ApplyFont();
}

void JobListView::ShowAppendedRows() {
    ListView_SetItemCountEx(list_, static_cast<int>(rows_.size()),
                            LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

bool JobListView::AppendedRowsInView() const {
    // One more than a page: the last row may show in part.
    return ListView_GetItemCount(list_) <=
           ListView_GetTopIndex(list_) + ListView_GetCountPerPage(list_);
}

void JobListView::ShowAllRows() {
    ShowAppendedRows();
    ::InvalidateRect(list_, nullptr, FALSE);
}

void JobListView::RedrawRows(const std::vector<std::size_t>& rows) {
    // Run by run of neighbours: repainting a whole list costs tens of milliseconds a time.
    for (std::size_t at = 0; at < rows.size();) {
        std::size_t end = at + 1;
        while (end < rows.size() && rows[end] == rows[end - 1] + 1) {
            ++end;
        }
        ListView_RedrawItems(list_, static_cast<int>(rows[at]), static_cast<int>(rows[end - 1]));
        at = end;
    }
    ::UpdateWindow(list_);
}

void JobListView::SetColumnWidths(const ColumnWidths& widths) {
    for (int column = 0; column < kJobColumnCount; ++column) {
        ListView_SetColumnWidth(list_, column, widths[static_cast<std::size_t>(column)]);
    }
}

ColumnWidths JobListView::GetColumnWidths() const {
    ColumnWidths widths{};
    for (int column = 0; column < kJobColumnCount; ++column) {
        widths[static_cast<std::size_t>(column)] = ListView_GetColumnWidth(list_, column);
    }
    return widths;
}

void JobListView::ChangeDpi(UINT dpi) {
    const UINT oldDpi = std::exchange(dpi_, dpi);
    ApplyFont();
    for (int column = 0; column < kJobColumnCount; ++column) {
        const int width = ListView_GetColumnWidth(list_, column);
        ListView_SetColumnWidth(list_, column, RescaleForDpi(width, oldDpi, dpi_));
    }
}

void JobListView::ApplyFont() {
    font_ = WindowFont(dpi_);
    ::SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
}

void JobListView::Resize(int width, int height) {
    ::MoveWindow(list_, 0, 0, width, height, TRUE);
}

std::optional<std::size_t> JobListView::SelectedRow() const {
    const int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(row);
}

bool JobListView::OnNotify(NMHDR& header, LRESULT& result) {
    if (header.hwndFrom != list_) {
        return false;
    }
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        auto& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
        const auto row = static_cast<std::size_t>(item.iItem);
        if ((item.mask & LVIF_TEXT) != 0 && row < rows_.size() && item.iSubItem >= 0 &&
            item.iSubItem < static_cast<int>(kJobColumns.size())) {
            // The list copies the text before it asks again, so pointing at the row's own
            // text (which ends in a NUL), or at the one full path put together, saves a copy
            // per painted cell.
            const auto text = rows_[row].Text(static_cast<JobColumn>(item.iSubItem), fullPath_);
            item.pszText = const_cast<wchar_t*>(text.data());
        }
        result = 0;
        return true;
    }
    case LVN_BEGINLABELEDITW:
        result = FALSE; // column 0 may be edited in place
        return true;
    case LVN_ENDLABELEDITW: {
        const auto& item = reinterpret_cast<const NMLVDISPINFOW&>(header).item;
        // No text: the edit was cancelled.
        result = item.pszText != nullptr &&
                         events_.numberEdited(static_cast<std::size_t>(item.iItem), item.pszText)
                     ? TRUE
                     : FALSE;
        return true;
    }
    case LVN_GETINFOTIPW: {
        // A row whose group did not end well names what the archiver said first.
        auto& tip = reinterpret_cast<NMLVGETINFOTIPW&>(header);
        const auto row = static_cast<std::size_t>(tip.iItem);
        if (row < rows_.size() && rows_[row].log && rows_[row].status != text::kStatusDone &&
            tip.pszText != nullptr && tip.cchTextMax > 0) {
            const std::wstring lines = FirstErrorLines(*rows_[row].log, kTipLines);
            if (!lines.empty()) {
                const std::size_t room = static_cast<std::size_t>(tip.cchTextMax) - 1;
                const std::size_t length = lines.copy(tip.pszText, room);
                tip.pszText[length] = L'\0';
            }
        }
        result = 0;
        return true;
    }
    case LVN_KEYDOWN:
        events_.keyDown(reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey);
        result = 0;
        return true;
    default:
        return false;
    }
}

} // namespace velkin::win
