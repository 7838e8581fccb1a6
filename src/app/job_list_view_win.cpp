#include "app/job_list_view_win.h"

#include <commctrl.h>

#include <string>

namespace velkin::win {

JobListView::JobListView(HWND parent, int controlId, const JobRows& rows) : rows_(rows) {
    // No LVS_SHOWSELALWAYS: the selection is hidden while the list lacks the focus.
    // LVS_NOSORTHEADER: a header click does nothing, rows stay in the order they came.
    constexpr DWORD kStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                             LVS_EDITLABELS | LVS_OWNERDATA | LVS_NOSORTHEADER;
    list_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", kStyle, 0, 0, 0, 0, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                              ::GetModuleHandleW(nullptr), nullptr);
    constexpr DWORD kExtended = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
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
}

void JobListView::ShowAppendedRows() {
    ListView_SetItemCountEx(list_, static_cast<int>(rows_.size()),
                            LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void JobListView::ShowAllRows() {
    ShowAppendedRows();
    ::InvalidateRect(list_, nullptr, FALSE);
}

void JobListView::RedrawRows(std::size_t first, std::size_t last) {
    ListView_RedrawItems(list_, static_cast<int>(first), static_cast<int>(last));
}

void JobListView::SetColumnWidth(int column, int width) {
    ListView_SetColumnWidth(list_, column, width);
}

int JobListView::ColumnWidth(int column) const {
    return ListView_GetColumnWidth(list_, column);
}

void JobListView::SetFont(HFONT font) {
    ::SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
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
            // text (which ends in a NUL) saves a copy per painted cell.
            const auto text = rows_[row].Text(static_cast<JobColumn>(item.iSubItem));
            item.pszText = const_cast<wchar_t*>(text.data());
        }
        result = 0;
        return true;
    }
    case LVN_BEGINLABELEDITW:
        result = FALSE; // column 0 may be edited in place
        return true;
    default:
        return false;
    }
}

} // namespace velkin::win
