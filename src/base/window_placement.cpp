#include "base/window_placement.h"

#include <algorithm>

namespace velkin {

ScreenRect MoveIntoWorkArea(const ScreenRect& window, const ScreenRect& workArea) {
    const std::int32_t width = window.Width();
    const std::int32_t height = window.Height();
    const std::int32_t left =
        std::clamp(window.left, workArea.left, std::max(workArea.left, workArea.right - width));
    const std::int32_t top =
        std::clamp(window.top, workArea.top, std::max(workArea.top, workArea.bottom - height));
    return ScreenRect{left, top, left + width, top + height};
}

ScreenRect BoundsToStore(const ScreenRect& windowBounds, bool minimisedOrMaximised,
                         const std::optional<RestoredPlace>& restored) {
    // A minimised window's bounds lie far off the screen, a maximised one's cover it.
    if (!minimisedOrMaximised || !restored) {
        return windowBounds;
    }
    const std::int32_t dx = restored->workArea.left - restored->monitor.left;
    const std::int32_t dy = restored->workArea.top - restored->monitor.top;
    const ScreenRect& normal = restored->normalPosition;
    return ScreenRect{normal.left + dx, normal.top + dy, normal.right + dx, normal.bottom + dy};
}

ScreenRect PlaceAfterDpiChange(const ScreenRect& suggested,
                               const std::optional<ScreenRect>& placing) {
    return placing ? *placing : suggested;
}

} // namespace velkin
