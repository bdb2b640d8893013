#pragma once

#include <windows.h>

#include <span>
#include <vector>

#include "ui/handles.h"
#include "ui/settings/window_settings.h"

// Turning the stored 96-DPI settings into pixels on the monitor at hand.
namespace kestrune {

inline constexpr UINT kBaseDpi = 96;

int scaleForDpi(int value, UINT dpi);
settings::Rect scaleRect(const settings::Rect& rect, UINT dpi);

// Where a control stands at `dpi` when the client area is `growth` pixels
// larger (or, negative, smaller) than when the window was created.
settings::Rect placeControl(const settings::ControlSettings& control, UINT dpi, SIZE growth);

// The status bar's pane edges at `dpi`; the last pane keeps reaching the end.
std::vector<int> paneEdges(std::span<const settings::PaneSettings> panes, UINT dpi);

// The DPI of the primary monitor, and of the monitor a window is on; 96 when
// the system cannot tell.
UINT systemDpi();
UINT dpiForWindow(HWND hwnd);

// A font of the given character height (96-DPI pixels), normal weight, in the
// face the system uses for its own messages.
UniqueFont createFont(int characterHeight, UINT dpi);

}  // namespace kestrune
