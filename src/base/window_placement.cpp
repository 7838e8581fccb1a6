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

ScreenRect StoredWindowRect(std::int32_t left, std::int32_t top, std::int32_t width,
                            std::int32_t height) {
    return ScreenRect{left, top, left + width, top + height};
}

namespace {

bool Intersect(const ScreenRect& a, const ScreenRect& b) {
    return std::max(a.left, b.left) < std::min(a.right, b.right) &&
           std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

std::int64_t Gap(std::int32_t lowEnd, std::int32_t highStart) {
    return std::max<std::int64_t>(0, std::int64_t{highStart} - lowEnd);
}

} // namespace

ScreenRect PlaceOnMonitors(const ScreenRect& stored, std::span<const MonitorAreas> monitors,
                           std::int32_t /*captionHeight*/) {
    const MonitorAreas* nearest = nullptr;
    std::int64_t nearestDistance = 0;
    for (const auto& m : monitors) {
        if (Intersect(stored, m.monitor)) {
            return stored;
        }
        const std::int64_t distance =
            std::max(Gap(stored.right, m.monitor.left), Gap(m.monitor.right, stored.left)) +
            std::max(Gap(stored.bottom, m.monitor.top), Gap(m.monitor.bottom, stored.top));
        if (nearest == nullptr || distance < nearestDistance) {
            nearest = &m;
            nearestDistance = distance;
        }
    }
    return nearest != nullptr ? MoveIntoWorkArea(stored, nearest->workArea) : stored;
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
