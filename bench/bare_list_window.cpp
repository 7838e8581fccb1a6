// The fair yardstick for Velkin's start-up: a bare window holding an owner-data report list view
// with Velkin's six columns, built as Velkin is (the same compiler and linker flags, linked
// statically, the same manifest: common controls 6 and per-monitor DPI awareness). What Velkin
// costs beyond it is Velkin's own.
#include <windows.h>
#include <commctrl.h>

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
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"VelkinBareListWindow";
    if (::RegisterClassExW(&windowClass) == 0) {
        return 1;
    }
    // Where and as large as Velkin shows itself without stored settings, so that both paint
    // the same area.
    const HWND window = ::CreateWindowExW(0, windowClass.lpszClassName, L"bare_list_window",
                                          WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 100, 100, 640, 400,
                                          nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    ::ShowWindow(window, showCommand);
    ::UpdateWindow(window);
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
