#pragma once

#include <windows.h>

namespace velkin::win {

// Moves and sizes the window to a stored place; a place on no monitor goes onto the nearest one
// (MoveIntoWorkArea).
void PlaceOnScreen(HWND window, const RECT& stored);

// The place to store for the window (BoundsToStore).
RECT WindowBoundsToStore(HWND window);

} // namespace velkin::win
