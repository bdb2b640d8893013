// Scripts running in the real program: F11 from the X keyboard, clicks caught
// by recorder windows, the message log read from outside.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e.h"
#include "ui/settings/ids.h"

namespace kestrune::e2e {
namespace {

constexpr char kStarted[] = "代码运行中...\r\n";
constexpr char kStopped[] = "代码运行完毕！\r\n";

bool hasClick(const ClickRecorders& recorders, int recorder, Button button) {
  for (const Click& c : recorders.clicks()) {
    if (c.recorder == recorder && c.button == button) return true;
  }
  return false;
}

TEST(Run, ExampleScriptClicksOnePassInOrderAndStopsOnF11) {
  PointerGrab grab;
  ClickRecorders recorders;
  const POINT points[] = {{200, 100}, {300, 600}, {450, 200}};
  for (POINT p : points) recorders.add(p);
  auto app = Kestrune::start();
  ASSERT_TRUE(app);

  XHelper::instance().pressKeys("F11");
  ASSERT_TRUE(pumpUntil([&] { return hasClick(recorders, 0, Button::LeftUp); }, 5000))
      << "no click at 200,100; log: " << app->log();
  EXPECT_EQ(app->log(), kStarted);
  // The right click at 450,200 is followed by the pass's last delay of one
  // second: F11 now ends the run after that delay, before a second pass.
  ASSERT_TRUE(pumpUntil([&] { return hasClick(recorders, 2, Button::RightUp); }, 5000));
  XHelper::instance().pressKeys("F11");
  EXPECT_TRUE(app->waitForLog(std::string(kStarted) + kStopped, 5000)) << app->log();
  pumpFor(300);  // a click of a second pass would arrive now

  std::vector<Click> expected;
  for (int i = 0; i < 3; ++i) {
    const auto clicks = expectedClicks(i, points[i], i == 0 ? 0 : i == 1 ? 1 : 2);
    expected.insert(expected.end(), clicks.begin(), clicks.end());
  }
  EXPECT_EQ(recorders.clicks(), expected);
}

TEST(Run, F11DuringALongDelayStopsOnlyAfterTheDelay) {
  PointerGrab grab;
  ClickRecorders recorders;
  recorders.add({200, 100});
  auto app = Kestrune::start();
  ASSERT_TRUE(app);
  app->setText(ids::kScriptEditor, "M|200|100|0\r\nT|3000");

  XHelper::instance().pressKeys("F11");
  ASSERT_TRUE(pumpUntil([&] { return hasClick(recorders, 0, Button::LeftUp); }, 5000))
      << app->log();
  const DWORD clickedAt = recorders.times().back();
  XHelper::instance().pressKeys("F11");
  EXPECT_TRUE(app->responsive()) << "the window must keep handling messages during a delay";
  ASSERT_TRUE(app->waitForLog(std::string(kStarted) + kStopped, 6000)) << app->log();
  const DWORD stoppedBy = GetTickCount();
  // The delay began after the click was sent; the tick counts of the two
  // processes may round a few milliseconds apart.
  EXPECT_GE(stoppedBy - clickedAt, 3000u - 10u);
  pumpFor(300);
  EXPECT_EQ(recorders.clicks(), expectedClicks(0, {200, 100}, 0));
}

// Faults are reported before anything runs, through the menu command 运行.
TEST(Run, FaultyScriptsReportTheirFaultAndClickNothing) {
  struct Case {
    const char* script;
    const char* log;
  };
  const Case cases[] = {
      {"", "未写入任何代码！\r\n"},
      {"'只有注释\r\n\r\n   ' 和空行", "只有注释文本，没有需要执行的代码！\r\n"},
      {"M|200|100|0\r\nT|100\r\n\r\nM|10|20   '少一个参数",
       "代码数组数量错误！\r\n代码中有错误，已停止运行！\r\n第4行：M|10|20\r\n"},
  };
  PointerGrab grab;
  ClickRecorders recorders;
  recorders.add({200, 100});
  auto app = Kestrune::start();
  ASSERT_TRUE(app);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    app->setText(ids::kMessageLog, "");
    app->setText(ids::kScriptEditor, c.script);
    app->command(ids::kCommandRun);
    EXPECT_TRUE(app->waitForLog(c.log, 3000)) << app->log();
  }
  pumpFor(300);
  EXPECT_EQ(recorders.clicks(), std::vector<Click>{});
}

// A message goes to the end of the log even when the user has selected part of it.
TEST(Run, MessagesLandAtTheEndOfTheLogWhateverIsSelected) {
  auto app = Kestrune::start();
  ASSERT_TRUE(app);
  app->setText(ids::kScriptEditor, "");
  app->command(ids::kCommandRun);
  ASSERT_TRUE(app->waitForLog("未写入任何代码！\r\n", 3000)) << app->log();
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(app->control(ids::kMessageLog), EM_SETSEL, 0, 3, SMTO_ABORTIFHUNG, 5000,
                      &ignored);
  app->command(ids::kCommandRun);
  EXPECT_TRUE(app->waitForLog("未写入任何代码！\r\n未写入任何代码！\r\n", 3000)) << app->log();
}

// Closing while a script runs ends the run with no further mouse action and the
// program exits with code 0 within a second: through the close box inside a
// delay and amid a flood of clicks, and through Esc, which the run's own
// message handling must treat as the main loop does.
TEST(Run, ClosingDuringARunEndsTheProgramWithinASecond) {
  struct Case {
    const char* script;
    POINT target;  // where the script clicks
    bool byEsc;
    bool countClicks;  // a flood of clicks cannot be counted exactly
  };
  // Each case clicks at a point of its own: clicks of a flood still queued
  // when its program ended must not land in the next case's recorder.
  const Case cases[] = {{"M|200|100|0\r\nT|2000", {200, 100}, false, true},
                        {"M|300|100|0", {300, 100}, false, false},
                        {"M|400|100|0\r\nT|2000", {400, 100}, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.script) + (c.byEsc ? ", Esc" : ", close box"));
    PointerGrab grab;
    ClickRecorders recorders;
    recorders.add(c.target);
    auto app = Kestrune::start();
    ASSERT_TRUE(app);
    app->setText(ids::kScriptEditor, c.script);
    app->bringToFront();
    app->command(ids::kCommandRun);
    ASSERT_TRUE(pumpUntil([&] { return hasClick(recorders, 0, Button::LeftUp); }, 5000))
        << app->log();
    pumpFor(200);
    if (c.byEsc) {
      XHelper::instance().pressKeys("Escape");
    } else {
      app->closeBox();
    }
    const auto code = app->waitForExit(1000);
    ASSERT_TRUE(code.has_value()) << "still running a second after the close";
    EXPECT_EQ(*code, 0u);
    if (c.countClicks) {
      pumpFor(500);
      EXPECT_EQ(recorders.clicks(), expectedClicks(0, c.target, 0));
    } else {
      recorders.drain(500, 5000);
    }
  }
}

}  // namespace
}  // namespace kestrune::e2e
