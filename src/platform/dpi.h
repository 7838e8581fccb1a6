#pragma once

#include <windows.h>

namespace velkin::win {

inline constexpr UINT kDesignDpi = 96;

// The DPI the window is shown at; 96 where the system cannot tell per window.
UINT DpiForWindow(HWND window);

// A size designed at 96 pixels per inch, at the given DPI.
inline int ScaleForDpi(int designPixels, UINT dpi) {
    return ::MulDiv(designPixels, static_cast<int>(dpi), static_cast<int>(kDesignDpi));
}

} // namespace velkin::win
