#include "platform/dpi.h"

#include "platform/gdi_scopes.h"

namespace velkin::win {
namespace {

template <typename Function> Function User32Function(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

// The outer rectangle around this client rectangle, the menu left out.
RECT WindowRectForClient(RECT client, DWORD style, DWORD exStyle, UINT dpi) {
    using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    if (adjustForDpi == nullptr || !adjustForDpi(&client, style, FALSE, exStyle, dpi)) {
        ::AdjustWindowRectEx(&client, style, FALSE, exStyle);
    }
    return client;
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
    const RECT bounds = WindowRectForClient(RECT{0, 0, client.cx, client.cy}, style, exStyle, dpi);
    return SIZE{bounds.right - bounds.left, bounds.bottom - bounds.top};
}

int CaptionBarHeight(DWORD style, DWORD exStyle, UINT dpi) {
    return -WindowRectForClient(RECT{}, style, exStyle, dpi).top;
}

UniqueFont WindowFont(UINT dpi, bool fixedPitch) {
    return UniqueFont(
        ::CreateFontW(-ScaleForDpi(12, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                      SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      fixedPitch ? FIXED_PITCH | FF_MODERN : DEFAULT_PITCH | FF_DONTCARE,
                      fixedPitch ? L"ＭＳ ゴシック" : L"ＭＳ Ｐゴシック"));
}

void CentreOnOwner(HWND window, HWND owner, SIZE designClient, DWORD style, DWORD exStyle) {
    const UINT dpi = DpiForWindow(owner);
    const SIZE size =
        WindowSizeForClient({ScaleForDpi(designClient.cx, dpi), ScaleForDpi(designClient.cy, dpi)},
                            style, exStyle, dpi);
    RECT bounds{};
    ::GetWindowRect(owner, &bounds);
    ::SetWindowPos(window, nullptr, (bounds.left + bounds.right - size.cx) / 2,
                   (bounds.top + bounds.bottom - size.cy) / 2, size.cx, size.cy,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void TakeSuggestedRect(HWND window, LPARAM dpiChanged) {
    const auto& suggested = *reinterpret_cast<const RECT*>(dpiChanged);
    ::SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace velkin::win
