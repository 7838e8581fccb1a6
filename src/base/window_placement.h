#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace velkin {

// Where a top-level window stands, as arithmetic without the system: the Win32 side
// (platform/window_placement_win.h) asks the system about monitors and placements and hands the
// answers in here, so that the rules can be tested natively.

// A rectangle in screen pixels; right and bottom lie just outside it, as with the system's RECT.
struct ScreenRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    std::int64_t Width() const { return std::int64_t{right} - left; }
    std::int64_t Height() const { return std::int64_t{bottom} - top; }

    bool operator==(const ScreenRect&) const = default;
};

// The rectangle of a place as the settings file keeps it: its top-left corner and its size. A
// size below 0 is 0, as the system takes it; an edge that would lie past the coordinates' range
// moves the place back inside it, its size kept.
ScreenRect StoredWindowRect(std::int32_t left, std::int32_t top, std::int32_t width,
                            std::int32_t height);

// A monitor as the system tells it: all of it, and the part of it that bars such as the task bar
// leave to windows.
struct MonitorAreas {
    ScreenRect monitor;
    ScreenRect workArea;
};

// Where a window put at a stored place goes, among the monitors there are now. The place stands
// while the user can reach its caption bar to drag it: below the window's top edge, the height
// of the caption bar (`captionHeight`, with the frame above it) inside work areas along at least
// a quarter of the window's width. Otherwise (a monitor unplugged since, a hand-edited value) the
// window moves into the work area of the nearest monitor (MoveIntoWorkArea). No monitor at all
// leaves the place as stored.
ScreenRect PlaceOnMonitors(const ScreenRect& stored, std::span<const MonitorAreas> monitors,
                           std::int32_t captionHeight);

// A window moved into a work area moves as little as it takes for its top-left part to lie
// inside, the size kept. A window larger than the area keeps its top-left corner at the area's
// (and an edge past the coordinates' range stops at the range's end).
ScreenRect MoveIntoWorkArea(const ScreenRect& window, const ScreenRect& workArea);

// What the system tells about a minimised or maximised window's restored place: the place as
// its placement gives it, in work-area coordinates, and the monitor it is on.
struct RestoredPlace {
    ScreenRect normalPosition;
    ScreenRect monitor;
    ScreenRect workArea;
};

// The place to keep for the next start: where the window stands when it is shown normally; for a
// minimised or maximised one, where it returns to, in screen coordinates. A restored place the
// system could not tell leaves the window's bounds as they are.
ScreenRect BoundsToStore(const ScreenRect& windowBounds, bool minimisedOrMaximised,
                         const std::optional<RestoredPlace>& restored);

// Where a window goes when its DPI changes. The system suggests a rectangle that keeps the
// window's size in inches at the new DPI: right when the user moved the window onto a monitor of
// another DPI. When the change comes from the program putting the window at its stored place (a
// place on a monitor of another DPI than the one it was created on), the stored place stands as
// stored: taking the suggestion would rescale it, and the window would grow or shrink at every
// start. `placing` is the place the program is applying, nothing when it is applying none.
ScreenRect PlaceAfterDpiChange(const ScreenRect& suggested,
                               const std::optional<ScreenRect>& placing);

} // namespace velkin
