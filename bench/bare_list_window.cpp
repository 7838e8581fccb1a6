// The fair yardstick for Velkin's start-up: a bare window holding an owner-data report list view
// with Velkin's six columns, built as Velkin is (the same compiler and linker flags, linked
// statically, the same manifest: common controls 6 and per-monitor DPI awareness). What Velkin
// costs beyond it is Velkin's own.
#include <windows.h>
#include <commctrl.h>

#include "yardstick_window.h"

namespace {

HWND list = nullptr;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        constexpr DWORD kStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                                 LVS_EDITLABELS | LVS_OWNERDATA | LVS_NOSORTHEADER;
        list = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", kStyle, 0, 0, 0, 0, window,
                                 nullptr, ::GetModuleHandleW(nullptr), nullptr);
        constexpr DWORD kExtended = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
        ListView_SetExtendedListViewStyleEx(list, kExtended, kExtended);
        const wchar_t* const captions[] = {L"番号",     L"プロファイル", L"ファイル名",
                                           L"フルパス", L"保存先",       L"ステータス"};
        const int widths[] = {50, 80, 200, 200, 200, 70};
        for (int index = 0; index < 6; ++index) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
            column.fmt = LVCFMT_LEFT;
            column.cx = widths[index];
            column.pszText = const_cast<wchar_t*>(captions[index]);
            column.iSubItem = index;
            ListView_InsertColumn(list, index, &column);
        }
        return 0;
    }
    case WM_SIZE:
        ::MoveWindow(list, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        ::SetFocus(list);
        return 0;
    default:
        return bench::YardstickProcedure(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    // Where and as large as Velkin shows itself without stored settings, so that both paint
    // the same area.
    return bench::RunYardstick(instance, showCommand,
                               {L"VelkinBareListWindow", L"bare_list_window", WindowProc,
                                COLOR_BTNFACE, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 100, 100, 640,
                                400});
}
