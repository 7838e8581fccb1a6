#pragma once

#include <windows.h>

#include "platform/unique_handle.h"

namespace velkin::win {

// Sizes are written for 96 pixels per inch and scaled to the DPI a window is shown at. The
// per-monitor functions are looked up at run time, so that the program still starts on systems
// older than them; there the system-wide DPI stands in.

inline constexpr UINT kDesignDpi = 96;

// The DPI the window is shown at; the screen's where the system cannot tell per window, and 96
// where it cannot tell at all.
UINT DpiForWindow(HWND window);

// A size designed at 96 pixels per inch, at the given DPI.
inline int ScaleForDpi(int designPixels, UINT dpi) {
    return ::MulDiv(designPixels, static_cast<int>(dpi), static_cast<int>(kDesignDpi));
}

// A size shown at one DPI, at another.
inline int RescaleForDpi(int pixels, UINT fromDpi, UINT toDpi) {
    return ::MulDiv(pixels, static_cast<int>(toDpi), static_cast<int>(fromDpi));
}

// The outer size of a window without a menu that has this client size, these styles and this
// DPI.
SIZE WindowSizeForClient(SIZE client, DWORD style, DWORD exStyle, UINT dpi);

// The font of Velkin's windows, 12 pixels high at 96 DPI (9 points), at the given DPI; with
// fixedPitch, its fixed-pitch sibling, for text laid out in columns.
UniqueFont WindowFont(UINT dpi, bool fixedPitch = false);

// Sizes a window without a menu for a client size designed at 96 DPI, at its owner's DPI, and
// centres it on the owner: it then shows on the owner's monitor.
void CentreOnOwner(HWND window, HWND owner, SIZE designClient, DWORD style, DWORD exStyle);

// Answers WM_DPICHANGED for a window that keeps no place of its own: it takes the rectangle the
// system suggests, which comes in the message's lParam.
void TakeSuggestedRect(HWND window, LPARAM dpiChanged);

// How far below a window's top edge, with these styles and this DPI, its caption bar ends.
int CaptionBarHeight(DWORD style, DWORD exStyle, UINT dpi);

} // namespace velkin::win
