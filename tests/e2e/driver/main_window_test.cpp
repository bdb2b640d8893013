// The main window as a user meets it: what it shows at start, the keys, the
// pointer readout, closing, and a second copy of the program.

#include <gtest/gtest.h>

#include <string>

#include "e2e.h"
#include "ui/encoding.h"
#include "ui/settings/ids.h"
#include "ui/settings/initial_script.h"
#include "ui/settings/product.h"
#include "ui/settings/texts.h"

namespace kestrune::e2e {
namespace {

TEST(MainWindow, StartsCentredWithTheExampleScriptAnEmptyLogAndTheEditorFocused) {
  auto app = Kestrune::start();
  ASSERT_TRUE(app);
  wchar_t caption[256] = {};
  GetWindowTextW(app->window(), caption, 256);
  EXPECT_EQ(narrow(caption), product::kTitle);
  EXPECT_EQ(app->text(ids::kScriptEditor), kInitialScript);
  EXPECT_EQ(app->log(), "");
  EXPECT_TRUE(pumpUntil([&] { return app->focus() == app->control(ids::kScriptEditor); }, 2000));
  // 666 x 567 outer size, centred on the 1280 x 800 test screen.
  RECT r{};
  GetWindowRect(app->window(), &r);
  EXPECT_EQ(r.left, (1280 - 666) / 2);
  EXPECT_EQ(r.top, (800 - 567) / 2);
  EXPECT_EQ(r.right - r.left, 666);
  EXPECT_EQ(r.bottom - r.top, 567);
  EXPECT_EQ(app->status(0), " " + std::string(product::kProductLine));
  EXPECT_EQ(app->status(1), " 运行/停止 F11");
}

TEST(MainWindow, PointerReadoutFollowsThePointer) {
  auto app = Kestrune::start();
  ASSERT_TRUE(app);
  for (POINT p : {POINT{123, 456}, POINT{1279, 0}}) {
    SetCursorPos(p.x, p.y);
    const std::string expected =
        " 当前鼠标位置：X" + std::to_string(p.x) + "  Y" + std::to_string(p.y);
    EXPECT_TRUE(pumpUntil([&] { return app->status(2) == expected; }, 2000))
        << "pane 2 reads \"" << app->status(2) << "\", expected \"" << expected << "\"";
  }
}

TEST(MainWindow, TabAndShiftTabMoveTheFocusBetweenTheBoxesWithoutTypingATab) {
  auto app = Kestrune::start();
  ASSERT_TRUE(app);
  const HWND editor = app->control(ids::kScriptEditor);
  const HWND log = app->control(ids::kMessageLog);
  const std::string script = app->text(ids::kScriptEditor);
  app->bringToFront();
  struct Step {
    const char* keys;
    HWND focus;
  };
  for (const Step& s :
       {Step{"Tab", log}, Step{"Tab", editor}, Step{"shift+Tab", log}, Step{"shift+Tab", editor}}) {
    XHelper::instance().pressKeys(s.keys);
    EXPECT_TRUE(pumpUntil([&] { return app->focus() == s.focus; }, 3000)) << s.keys;
  }
  EXPECT_EQ(app->text(ids::kScriptEditor), script);
}

TEST(MainWindow, EscFromEitherBoxClosesTheWindowAndTheProgramExitsWithZero) {
  for (const bool fromLog : {false, true}) {
    SCOPED_TRACE(fromLog ? "focus in the log" : "focus in the editor");
    auto app = Kestrune::start();
    ASSERT_TRUE(app);
    app->bringToFront();
    if (fromLog) {
      XHelper::instance().pressKeys("Tab");
      ASSERT_TRUE(pumpUntil([&] { return app->focus() == app->control(ids::kMessageLog); }, 3000));
    }
    XHelper::instance().pressKeys("Escape");
    const auto code = app->waitForExit(5000);
    ASSERT_TRUE(code.has_value()) << "Esc did not end the program";
    EXPECT_EQ(*code, 0u);
  }
}

// F11 belongs to the first copy; the second says so and still runs from the menu.
TEST(MainWindow, SecondCopySaysF11IsTakenAndRunsFromTheMenu) {
  auto first = Kestrune::start();
  ASSERT_TRUE(first);
  auto second = Kestrune::start();
  ASSERT_TRUE(second);
  const std::string refusal(texts::kHotkeyTaken);
  EXPECT_EQ(second->log(), refusal);
  EXPECT_EQ(first->log(), "");

  second->setText(ids::kScriptEditor, "T|50");
  second->command(ids::kCommandRun);
  EXPECT_TRUE(second->waitForLog(refusal + "代码运行中...\r\n", 3000)) << second->log();

  first->setText(ids::kScriptEditor, "T|50");
  XHelper::instance().pressKeys("F11");
  EXPECT_TRUE(first->waitForLog("代码运行中...\r\n", 3000)) << first->log();

  for (Kestrune* app : {first.get(), second.get()}) {
    app->closeBox();
    const auto code = app->waitForExit(5000);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
  }
}

}  // namespace
}  // namespace kestrune::e2e
