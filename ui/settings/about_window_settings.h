#pragma once

#include <windows.h>

#include "ui/settings/ids.h"
#include "ui/settings/product.h"
#include "ui/settings/resources.h"
#include "ui/settings/window_settings.h"

// The About window as stored settings, in 96-DPI pixels like the main
// window's.
namespace kestrune::settings {

inline constexpr WindowSettings kAboutWindow{
    .caption = "关于",
    .width = 388,
    .height = 120,
    // A fixed frame: no sizing border and no maximise button.
    .style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
    .exStyle = 0,
    .background = kWindowColour,
    .iconId = KESTRUNE_ICON_ID,  // none of its own: the program's icon
    .escapeCloses = true,
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

// Left-aligned on one line and vertically centred; no tab stops, no border.
inline constexpr DWORD kAboutLabelStyle =
    kChild | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOPREFIX;

inline constexpr ControlSettings kAboutControls[] = {
    {
        .name = "标签1",
        .kind = ControlKind::Label,
        .id = ids::kAboutProductLabel,
        .rect = {37, 16, 308, 24},
        .style = kAboutLabelStyle,
        .caption = KESTRUNE_TITLE,
        .ownColours = true,
        .text = kBlue,
        .background = kWindowColour,
    },
    {
        .name = "标签2",
        .kind = ControlKind::Label,
        .id = ids::kAboutContactLabel,
        .rect = {68, 52, 245, 24},
        .style = kAboutLabelStyle,
        .caption = "如有建议或意见，请联系作者  定制各种软件",
        .ownColours = true,
        .text = kBlue,
        .background = kWindowColour,
    },
};

#pragma GCC diagnostic pop

}  // namespace kestrune::settings
