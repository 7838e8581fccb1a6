#pragma once

#include <windows.h>

#include <optional>

#include "base/window_placement.h"

namespace velkin::win {

// A top-level window's place as the program sets it and as DPI changes move it.
class WindowPlacer {
public:
    // Moves and sizes the window to a stored place, or where PlaceOnMonitors puts it among the
    // monitors there are now. A DPI change that this move causes keeps the place as it is
    // (PlaceAfterDpiChange).
    void PlaceAtStored(HWND window, const RECT& stored);

    // Answers WM_DPICHANGED, whose suggested rectangle comes with it.
    void OnDpiChanged(HWND window, const RECT& suggested) const;

private:
    std::optional<ScreenRect> placing_;
};

// The place to store for the window (BoundsToStore).
RECT WindowBoundsToStore(HWND window);

} // namespace velkin::win
