// A bare window that accepts dropped files and appends each drop's paths to a file, so that the
// drag source used by the end-to-end tests can be checked on its own under Wine.
//
// Usage: drop_target.exe OUTPUT_FILE [WINDOW_TITLE]
// Each drop becomes its paths in UTF-8, one per line, followed by an empty line. A drop is
// written with a single append, so a reader never sees half of one.
// A second window, titled WINDOW_TITLE + " (refuses)", does not accept files: the drag source
// must report that the drop was refused.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "common/append_file.h"
#include "core/text.h"

namespace {

std::wstring g_output;
HWND g_main_window;

void record_drop(HDROP drop) {
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    std::string block;
    std::wstring path;
    for (UINT i = 0; i < count; ++i) {
        UINT length = DragQueryFileW(drop, i, nullptr, 0);
        path.assign(length + 1, L'\0');
        UINT copied = DragQueryFileW(drop, i, path.data(), length + 1);
        block += velkin::standin::ToUtf8(std::wstring_view(path.data(), copied));
        block += '\n';
    }
    block += '\n';
    DragFinish(drop);
    if (!velkin::e2e::AppendToFile(g_output, block))
        std::fprintf(stderr, "drop_target: cannot append to the output file (error %lu)\n",
                     GetLastError());
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_DROPFILES:
        record_drop(reinterpret_cast<HDROP>(wparam));
        return 0;
    case WM_DESTROY:
        if (window == g_main_window)
            PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: drop_target.exe OUTPUT_FILE [WINDOW_TITLE]\n");
        return 2;
    }
    g_output = argv[1];
    const wchar_t* title = argc == 3 ? argv[2] : L"drop target";

    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = L"XdndDropTarget";
    if (!RegisterClassW(&window_class))
        return 1;

    g_main_window = CreateWindowExW(0, window_class.lpszClassName, title, WS_OVERLAPPEDWINDOW, 100,
                                    100, 400, 300, nullptr, nullptr, instance, nullptr);
    if (!g_main_window)
        return 1;
    DragAcceptFiles(g_main_window, TRUE);
    ShowWindow(g_main_window, SW_SHOWNORMAL);
    UpdateWindow(g_main_window);

    std::wstring refusing_title = std::wstring(title) + L" (refuses)";
    HWND refusing =
        CreateWindowExW(0, window_class.lpszClassName, refusing_title.c_str(), WS_OVERLAPPEDWINDOW,
                        600, 100, 300, 200, nullptr, nullptr, instance, nullptr);
    if (!refusing)
        return 1;
    ShowWindow(refusing, SW_SHOWNOACTIVATE);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
