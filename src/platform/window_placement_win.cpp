#include "platform/window_placement_win.h"

#include <vector>

#include "base/scope_exit.h"
#include "platform/dpi.h"

namespace velkin::win {
namespace {

ScreenRect ScreenRectOf(const RECT& rect) {
    return ScreenRect{rect.left, rect.top, rect.right, rect.bottom};
}

RECT RectOf(const ScreenRect& rect) {
    return RECT{rect.left, rect.top, rect.right, rect.bottom};
}

void MoveWindowTo(HWND window, const RECT& place) {
    ::SetWindowPos(window, nullptr, place.left, place.top, place.right - place.left,
                   place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CALLBACK AddMonitor(HMONITOR handle, HDC, RECT*, LPARAM monitors) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (::GetMonitorInfoW(handle, &info)) {
        try {
            reinterpret_cast<std::vector<MonitorAreas>*>(monitors)->push_back(
                MonitorAreas{ScreenRectOf(info.rcMonitor), ScreenRectOf(info.rcWork)});
        } catch (...) {
            return FALSE;
        }
    }
    return TRUE;
}

std::vector<MonitorAreas> Monitors() {
    std::vector<MonitorAreas> monitors;
    ::EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

} // namespace

void WindowPlacer::PlaceAtStored(HWND window, const RECT& stored) {
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE));
    const RECT placed = RectOf(PlaceOnMonitors(
        ScreenRectOf(stored), Monitors(), CaptionBarHeight(style, exStyle, DpiForWindow(window))));
    // The system sends WM_DPICHANGED from inside the move when the place lies on a monitor of
    // another DPI.
    placing_ = ScreenRectOf(placed);
    const ScopeExit placedNow([this] { placing_.reset(); });
    MoveWindowTo(window, placed);
}

void WindowPlacer::OnDpiChanged(HWND window, const RECT& suggested) const {
    MoveWindowTo(window, RectOf(PlaceAfterDpiChange(ScreenRectOf(suggested), placing_)));
}

RECT WindowBoundsToStore(HWND window) {
    RECT bounds{};
    ::GetWindowRect(window, &bounds);
    const bool minimisedOrMaximised = ::IsIconic(window) || ::IsZoomed(window);
    std::optional<RestoredPlace> restored;
    if (minimisedOrMaximised) {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof(placement);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        if (::GetWindowPlacement(window, &placement) &&
            ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
            restored = RestoredPlace{ScreenRectOf(placement.rcNormalPosition),
                                     ScreenRectOf(monitor.rcMonitor), ScreenRectOf(monitor.rcWork)};
        }
    }
    return RectOf(velkin::BoundsToStore(ScreenRectOf(bounds), minimisedOrMaximised, restored));
}

} // namespace velkin::win
