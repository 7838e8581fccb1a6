#include <doctest/doctest.h>

#include <cstdint>
#include <limits>
#include <optional>

#include "base/window_placement.h"

namespace velkin {

TEST_CASE("a place off every monitor moves into the nearest work area, its size kept") {
    // A 1280x800 work area below a 40-pixel task bar at the top of the monitor.
    constexpr ScreenRect kArea{0, 40, 1280, 840};
    struct Case {
        const char* what;
        ScreenRect stored;
        ScreenRect placed;
    };
    const Case cases[] = {
        {"right of the area", {3000, 100, 3640, 500}, {640, 100, 1280, 500}},
        {"left of and above it", {-2000, -900, -1360, -500}, {0, 40, 640, 440}},
        {"below it", {100, 5000, 740, 5400}, {100, 440, 740, 840}},
        {"larger than the area", {-5000, 0, -3000, 1500}, {0, 40, 2000, 1540}},
        {"inside already", {100, 100, 740, 500}, {100, 100, 740, 500}},
    };
    for (const auto& c : cases) {
        CAPTURE(c.what);
        const ScreenRect placed = MoveIntoWorkArea(c.stored, kArea);
        CHECK(placed == c.placed);
        CHECK(placed.Width() == c.stored.Width());
        CHECK(placed.Height() == c.stored.Height());
    }
}

TEST_CASE("a stored place stays while its caption bar is in reach, else goes onto a work area") {
    // A primary monitor with a 40-pixel task bar at its foot, and a taller one to its right.
    const MonitorAreas monitors[] = {
        {{0, 0, 1280, 800}, {0, 0, 1280, 760}},
        {{1280, 0, 2560, 1024}, {1280, 0, 2560, 1024}},
    };
    constexpr std::int32_t kCaption = 30;
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    struct Case {
        const char* what;
        std::int32_t x, y, w, h; // MainX, MainY, MainW, MainH
        ScreenRect placed;
    };
    const Case cases[] = {
        {"on the primary", 100, 100, 640, 400, {100, 100, 740, 500}},
        {"across both monitors", 1000, 100, 640, 400, {1000, 100, 1640, 500}},
        {"half of it left of the monitors", -320, 100, 640, 400, {-320, 100, 320, 500}},
        {"caption above the monitors", 100, -390, 640, 400, {100, 0, 740, 400}},
        {"caption on the task bar", 100, 740, 640, 400, {100, 360, 740, 760}},
        {"caption three quarters left of them", -500, 100, 640, 400, {0, 100, 640, 500}},
        {"right edge past the coordinates", 2147483000, 100, 1000, 400, {1560, 100, 2560, 500}},
        {"bottom edge past the coordinates", 100, 2147483000, 640, 1000, {100, 0, 740, 1000}},
        {"wider than the coordinates reach", 3000, 100, 2147483000, 400, {1280, 100, kMax, 500}},
    };
    for (const auto& c : cases) {
        CAPTURE(c.what);
        CHECK(PlaceOnMonitors(StoredWindowRect(c.x, c.y, c.w, c.h), monitors, kCaption) ==
              c.placed);
    }
}

TEST_CASE("a minimised or maximised window keeps the place it returns to") {
    constexpr ScreenRect kBounds{-32000, -32000, -31840, -31970}; // minimised: far off the screen
    // The restored place is given in work-area coordinates; a task bar on the left or at the
    // top moves the work area against the monitor.
    const RestoredPlace taskBarLeft{{100, 50, 740, 450}, {0, 0, 1280, 800}, {60, 0, 1280, 800}};
    const RestoredPlace taskBarTop{{100, 50, 740, 450}, {0, 0, 1280, 800}, {0, 40, 1280, 800}};
    struct Case {
        const char* what;
        bool minimisedOrMaximised;
        std::optional<RestoredPlace> restored;
        ScreenRect stored;
    };
    const Case cases[] = {
        {"shown normally", false, taskBarLeft, kBounds},
        {"task bar on the left", true, taskBarLeft, {160, 50, 800, 450}},
        {"task bar at the top", true, taskBarTop, {100, 90, 740, 490}},
        {"restored place unknown", true, std::nullopt, kBounds},
    };
    for (const auto& c : cases) {
        CAPTURE(c.what);
        CHECK(BoundsToStore(kBounds, c.minimisedOrMaximised, c.restored) == c.stored);
    }
}

TEST_CASE("a DPI change keeps the stored place while the program applies it") {
    constexpr ScreenRect kStored{2000, 100, 2700, 550};    // 700x450, as stored
    constexpr ScreenRect kSuggested{2000, 100, 3050, 775}; // the same in inches at 144 DPI
    CHECK(PlaceAfterDpiChange(kSuggested, kStored) == kStored);
    // The user moved the window across monitors: the system's suggestion.
    CHECK(PlaceAfterDpiChange(kSuggested, std::nullopt) == kSuggested);
}

} // namespace velkin
