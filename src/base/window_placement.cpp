#include "base/window_placement.h"

#include <algorithm>
#include <limits>

namespace velkin {
namespace {

// Edges are computed in 64 bits: a hand-edited place can put an edge past the coordinates' range.
std::int32_t Saturated(std::int64_t coordinate) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(coordinate, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max()));
}

// How far two spans [aLow, aHigh) and [bLow, bHigh) overlap; 0 when they do not.
std::int64_t Overlap(std::int32_t aLow, std::int32_t aHigh, std::int32_t bLow, std::int32_t bHigh) {
    return std::max<std::int64_t>(0, std::int64_t{std::min(aHigh, bHigh)} -
                                         std::int64_t{std::max(aLow, bLow)});
}

// How far apart two spans are; 0 when they touch or overlap.
std::int64_t Gap(std::int32_t aLow, std::int32_t aHigh, std::int32_t bLow, std::int32_t bHigh) {
    return std::max<std::int64_t>(
        {0, std::int64_t{bLow} - std::int64_t{aHigh}, std::int64_t{aLow} - std::int64_t{bHigh}});
}

// The caption bar can be dragged when, below the window's top edge, the caption's height lies
// inside work areas along at least a quarter of the window's width. Work areas side by side add
// up; a caption split between areas one above the other counts in neither.
bool CaptionInReach(const ScreenRect& window, std::span<const MonitorAreas> monitors,
                    std::int32_t captionHeight) {
    const std::int64_t captionBottom = std::int64_t{window.top} + captionHeight;
    std::int64_t inReach = 0;
    for (const auto& m : monitors) {
        if (window.top >= m.workArea.top && captionBottom <= m.workArea.bottom) {
            inReach += Overlap(window.left, window.right, m.workArea.left, m.workArea.right);
        }
    }
    return inReach > 0 && 4 * inReach >= window.Width();
}

// As the system chooses the monitor nearest a rectangle: the one it overlaps most, else the one
// least far from it.
const MonitorAreas* NearestMonitor(const ScreenRect& window,
                                   std::span<const MonitorAreas> monitors) {
    const MonitorAreas* nearest = nullptr;
    std::int64_t mostOverlap = 0;
    std::int64_t leastGap = 0;
    for (const auto& m : monitors) {
        const ScreenRect& r = m.monitor;
        const std::int64_t overlap = Overlap(window.left, window.right, r.left, r.right) *
                                     Overlap(window.top, window.bottom, r.top, r.bottom);
        const std::int64_t gap = Gap(window.left, window.right, r.left, r.right) +
                                 Gap(window.top, window.bottom, r.top, r.bottom);
        if (nearest == nullptr || overlap > mostOverlap || (mostOverlap == 0 && gap < leastGap)) {
            nearest = &m;
            mostOverlap = overlap;
            leastGap = gap;
        }
    }
    return nearest;
}

} // namespace

ScreenRect MoveIntoWorkArea(const ScreenRect& window, const ScreenRect& workArea) {
    const std::int64_t width = window.Width();
    const std::int64_t height = window.Height();
    const std::int64_t left = std::clamp<std::int64_t>(
        window.left, workArea.left, std::max<std::int64_t>(workArea.left, workArea.right - width));
    const std::int64_t top = std::clamp<std::int64_t>(
        window.top, workArea.top, std::max<std::int64_t>(workArea.top, workArea.bottom - height));
    return ScreenRect{Saturated(left), Saturated(top), Saturated(left + width),
                      Saturated(top + height)};
}

ScreenRect StoredWindowRect(std::int32_t left, std::int32_t top, std::int32_t width,
                            std::int32_t height) {
    const std::int64_t w = std::max(width, 0);
    const std::int64_t h = std::max(height, 0);
    const std::int64_t l =
        std::min<std::int64_t>(left, std::numeric_limits<std::int32_t>::max() - w);
    const std::int64_t t =
        std::min<std::int64_t>(top, std::numeric_limits<std::int32_t>::max() - h);
    return ScreenRect{Saturated(l), Saturated(t), Saturated(l + w), Saturated(t + h)};
}

ScreenRect PlaceOnMonitors(const ScreenRect& stored, std::span<const MonitorAreas> monitors,
                           std::int32_t captionHeight) {
    if (CaptionInReach(stored, monitors, captionHeight)) {
        return stored;
    }
    const MonitorAreas* nearest = NearestMonitor(stored, monitors);
    return nearest != nullptr ? MoveIntoWorkArea(stored, nearest->workArea) : stored;
}

ScreenRect BoundsToStore(const ScreenRect& windowBounds, bool minimisedOrMaximised,
                         const std::optional<RestoredPlace>& restored) {
    // A minimised window's bounds lie far off the screen, a maximised one's cover it.
    if (!minimisedOrMaximised || !restored) {
        return windowBounds;
    }
    const std::int64_t dx = std::int64_t{restored->workArea.left} - restored->monitor.left;
    const std::int64_t dy = std::int64_t{restored->workArea.top} - restored->monitor.top;
    const ScreenRect& normal = restored->normalPosition;
    return ScreenRect{Saturated(normal.left + dx), Saturated(normal.top + dy),
                      Saturated(normal.right + dx), Saturated(normal.bottom + dy)};
}

ScreenRect PlaceAfterDpiChange(const ScreenRect& suggested,
                               const std::optional<ScreenRect>& placing) {
    return placing ? *placing : suggested;
}

} // namespace velkin
