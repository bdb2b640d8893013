#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "ui/layout.h"
#include "ui/settings/window_settings.h"
#include "ui/status_bar.h"

namespace kestrune {
namespace {

const settings::ControlSettings& stored(int id) {
  for (const auto& control : settings::kMainControls) {
    if (control.id == id && control.kind != settings::ControlKind::Timer) return control;
  }
  throw std::logic_error("no such control");
}

struct PlaceCase {
  const char* what;
  int id;
  UINT dpi;
  SIZE growth;
  settings::Rect expected;
};

TEST(Layout, PlacesControlsByDpiAndWindowGrowth) {
  const PlaceCase cases[] = {
      {"editor as stored", ids::kScriptEditor, 96, {0, 0}, {1, 0, 657, 432}},
      {"log as stored", ids::kMessageLog, 96, {0, 0}, {2, 434, 656, 62}},
      {"label as stored", ids::kHotkeyLabel, 96, {0, 0}, {424, 48, 80, 24}},
      // MulDiv rounds halves away from zero: 1.5 -> 2, 985.5 -> 986.
      {"editor at 144 dpi", ids::kScriptEditor, 144, {0, 0}, {2, 0, 986, 648}},
      {"log at 144 dpi", ids::kMessageLog, 144, {0, 0}, {3, 651, 984, 93}},
      {"label at 144 dpi", ids::kHotkeyLabel, 144, {0, 0}, {636, 72, 120, 36}},
      {"editor grows with the window", ids::kScriptEditor, 96, {100, 50}, {1, 0, 757, 482}},
      {"log widens and follows the bottom", ids::kMessageLog, 96, {100, 50}, {2, 484, 756, 62}},
      {"label stays", ids::kHotkeyLabel, 96, {100, 50}, {424, 48, 80, 24}},
      {"editor never gets a negative size", ids::kScriptEditor, 96, {-700, -500}, {1, 0, 0, 0}},
      {"grown at 144 dpi", ids::kMessageLog, 144, {30, -20}, {3, 631, 1014, 93}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(placeControl(stored(c.id), c.dpi, c.growth), c.expected) << c.what;
  }
}

TEST(Layout, PaneEdgesScaleButTheLastReachesTheEnd) {
  EXPECT_EQ(paneEdges(settings::kStatusPanes, 96), (std::vector<int>{260, 360, -1}));
  EXPECT_EQ(paneEdges(settings::kStatusPanes, 144), (std::vector<int>{390, 540, -1}));
  EXPECT_EQ(paneEdges(settings::kStatusPanes, 192), (std::vector<int>{520, 720, -1}));
}

TEST(Layout, FontsAreCharacterHeightsScaledByDpi) {
  for (const auto& [dpi, height] : {std::pair{96u, -16}, std::pair{144u, -24}}) {
    UniqueFont font = createFont(16, dpi);
    ASSERT_TRUE(font);
    LOGFONTW info{};
    ASSERT_EQ(GetObjectW(font.get(), sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.lfHeight, height);
    EXPECT_EQ(info.lfWeight, FW_NORMAL);
    EXPECT_FALSE(info.lfItalic || info.lfUnderline || info.lfStrikeOut);
  }
}

TEST(PointerReadout, ShowsBothNumbersWithTheirSigns) {
  const struct {
    ScreenPoint point;
    const char* text;
  } cases[] = {
      {{0, 0}, " 当前鼠标位置：X0  Y0"},
      {{1919, 1079}, " 当前鼠标位置：X1919  Y1079"},
      {{-1280, 15}, " 当前鼠标位置：X-1280  Y15"},
      {{300, -2}, " 当前鼠标位置：X300  Y-2"},
  };
  for (const auto& c : cases) EXPECT_EQ(pointerReadout(c.point), c.text);
}

TEST(Product, CaptionAndPaneCarryTheVersionFromTheBuild) {
  EXPECT_TRUE(product::kTitle.starts_with("Kestrune（键鼠模拟） V1.0 by ")) << product::kTitle;
  EXPECT_TRUE(settings::kStatusPanes[0].text.starts_with(" Kestrune V1.0 by "));
  EXPECT_TRUE(product::kTitle.ends_with(product::kAuthor));
}

}  // namespace
}  // namespace kestrune
