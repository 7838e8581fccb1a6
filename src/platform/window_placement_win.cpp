#include "platform/window_placement_win.h"

#include <optional>

#include "platform/window_placement.h"

namespace velkin::win {
namespace {

ScreenRect ScreenRectOf(const RECT& rect) {
    return ScreenRect{rect.left, rect.top, rect.right, rect.bottom};
}

RECT RectOf(const ScreenRect& rect) {
    return RECT{rect.left, rect.top, rect.right, rect.bottom};
}

} // namespace

void PlaceOnScreen(HWND window, const RECT& stored) {
    RECT placed = stored;
    if (::MonitorFromRect(&stored, MONITOR_DEFAULTTONULL) == nullptr) {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        if (::GetMonitorInfoW(::MonitorFromRect(&stored, MONITOR_DEFAULTTONEAREST), &monitor)) {
            placed = RectOf(MoveIntoWorkArea(ScreenRectOf(stored), ScreenRectOf(monitor.rcWork)));
        }
    }
    ::SetWindowPos(window, nullptr, placed.left, placed.top, placed.right - placed.left,
                   placed.bottom - placed.top, SWP_NOZORDER | SWP_NOACTIVATE);
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
