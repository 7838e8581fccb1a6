#include "platform/dpi.h"

#include "platform/gdi_scopes.h"

namespace velkin::win {
namespace {

template <typename Function> Function User32Function(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

} // namespace

UINT DpiForWindow(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow != nullptr && window != nullptr) {
        if (const UINT dpi = getDpiForWindow(window); dpi != 0) {
            return dpi;
        }
    }
    const WindowDc screen;
    const int dpi = screen.get() != nullptr ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

SIZE WindowSizeForClient(SIZE client, DWORD style, DWORD exStyle, UINT dpi) {
    using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    RECT bounds{0, 0, client.cx, client.cy};
    if (adjustForDpi == nullptr || !adjustForDpi(&bounds, style, FALSE, exStyle, dpi)) {
        ::AdjustWindowRectEx(&bounds, style, FALSE, exStyle);
    }
    return SIZE{bounds.right - bounds.left, bounds.bottom - bounds.top};
}

} // namespace velkin::win
