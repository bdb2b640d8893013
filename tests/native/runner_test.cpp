#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "script/runner.h"
#include "tests/native/fake_desktop.h"
#include "ui/settings/initial_script.h"

namespace kestrune {
namespace {

using fake::FakeDesktop;
using fake::ScriptedRandom;
using Click = FakeDesktop::Click;
using testing::ElementsAre;
using testing::IsEmpty;
using Log = std::vector<std::string>;

const std::string kRunning = "代码运行中...\r\n";
const std::string kFinished = "代码运行完毕！\r\n";

class RunnerTest : public testing::Test {
 protected:
  std::string text;
  Log log;
  FakeDesktop desktop;
  ScriptedRandom random;
  ScriptRunner runner{desktop, [this] { return text; },
                      [this](std::string_view message) { log.emplace_back(message); }, random};
};

TEST_F(RunnerTest, RunsStatementsInOrderAndWrapsAround) {
  text = "M|1|2|0\r\nT|100\r\n'comment\r\nM|3|4|1\r\nT|50";
  bool runningWhenPressed = false;
  desktop.at(320, [&] {
    runningWhenPressed = runner.isRunning();
    runner.toggle();
  });
  runner.toggle();

  EXPECT_THAT(desktop.clicks(),
              ElementsAre(Click{0, 1, 2, 0}, Click{100, 3, 4, 1}, Click{150, 1, 2, 0},
                          Click{250, 3, 4, 1}, Click{300, 1, 2, 0}));
  EXPECT_TRUE(runningWhenPressed);
  EXPECT_EQ(desktop.now(), 400);  // the delay under way at 320 ran to its end
  EXPECT_THAT(log, ElementsAre(kRunning, kFinished));
  EXPECT_FALSE(runner.isRunning());
}

// One pass of the editor's example: 500 ms, a drawn 1000..1500 ms and 1000 ms
// of waiting, ending after a right click at 450,200.
TEST_F(RunnerTest, RunsTheInitialExampleOnePass) {
  text = kInitialScript;
  random.answers = {1200};
  desktop.at(2600, [&] { runner.toggle(); });
  runner.start();

  EXPECT_THAT(desktop.clicks(), ElementsAre(Click{0, 200, 100, 0}, Click{500, 300, 600, 1},
                                            Click{1700, 450, 200, 2}));
  EXPECT_THAT(random.requests, ElementsAre(std::pair(1000, 1500)));
  EXPECT_EQ(desktop.now(), 2700);
  EXPECT_EQ(desktop.pointerPosition(), (ScreenPoint{450, 200}));
}

TEST_F(RunnerTest, StopDuringLongDelayTakesEffectAfterIt) {
  text = "M|5|5|2\r\nT|5000";
  desktop.at(1000, [&] { runner.toggle(); });
  desktop.at(3000, [&] { runner.toggle(); });  // a second press only asks again
  runner.toggle();

  EXPECT_EQ(desktop.now(), 5000);
  EXPECT_THAT(desktop.clicks(), ElementsAre(Click{0, 5, 5, 2}));
  EXPECT_THAT(log, ElementsAre(kRunning, kFinished));
  EXPECT_FALSE(runner.isRunning());
}

TEST_F(RunnerTest, StartDuringRunDoesNothing) {
  text = "M|1|1|0\r\nT|100";
  desktop.at(50, [&] { runner.start(); });
  desktop.at(150, [&] { runner.start(); });
  desktop.at(250, [&] { runner.toggle(); });
  runner.start();

  EXPECT_THAT(desktop.clicks(),
              ElementsAre(Click{0, 1, 1, 0}, Click{100, 1, 1, 0}, Click{200, 1, 1, 0}));
  EXPECT_THAT(log, ElementsAre(kRunning, kFinished));
}

// Edits made while a script runs apply to the next run, and a new run begins
// at the first statement, not where the last one stopped.
TEST_F(RunnerTest, TakesTextOncePerStartAndRestartsAtFirstStatement) {
  text = "M|1|1|0\r\nT|100\r\nM|2|2|0\r\nT|100\r\nM|3|3|0\r\nT|100";
  desktop.at(50, [&] { text = "M|9|9|0\r\nT|100\r\nM|8|8|0\r\nT|100\r\nM|7|7|0\r\nT|100"; });
  desktop.at(150, [&] { runner.toggle(); });
  runner.toggle();
  desktop.at(250, [&] { runner.toggle(); });
  runner.toggle();

  EXPECT_THAT(desktop.clicks(),
              ElementsAre(Click{0, 1, 1, 0}, Click{100, 2, 2, 0}, Click{200, 9, 9, 0}));
  EXPECT_THAT(log, ElementsAre(kRunning, kFinished, kRunning, kFinished));
}

TEST_F(RunnerTest, DrawsRangesFromTheRandomSource) {
  text = "T|1000-1500\r\nT|1500-1000\r\nT|700\r\nM|0|0|0";
  random.answers = {1234, 1001};
  desktop.afterClicks(1, [&] { runner.toggle(); });
  runner.start();

  // A reversed range is the same range; a fixed delay draws nothing.
  EXPECT_THAT(random.requests, ElementsAre(std::pair(1000, 1500), std::pair(1000, 1500)));
  EXPECT_THAT(desktop.waits(), ElementsAre(1234, 1001, 700));
  EXPECT_THAT(desktop.clicks(), ElementsAre(Click{2935, 0, 0, 0}));
}

TEST_F(RunnerTest, MouseOnlyScriptStillStopsOnToggle) {
  text = "M|1|1|0\r\nM|2|2|3";
  desktop.afterClicks(5, [&] { runner.toggle(); });
  runner.toggle();

  EXPECT_THAT(desktop.clicks(), ElementsAre(Click{0, 1, 1, 0}, Click{0, 2, 2, 3}, Click{0, 1, 1, 0},
                                            Click{0, 2, 2, 3}, Click{0, 1, 1, 0}));
  EXPECT_THAT(log, ElementsAre(kRunning, kFinished));
  EXPECT_FALSE(runner.isRunning());
}

// Closing the window during a run: the loop leaves after the current
// statement, with no further mouse action, so the program can exit.
TEST_F(RunnerTest, PendingQuitEndsRunWithoutFurtherMouseAction) {
  struct Case {
    const char* name;
    std::string script;
    std::function<void(FakeDesktop&)> schedule;
    std::vector<Click> clicks;
    std::int64_t endTime;
  };
  const Case cases[] = {
      {"during a delay",
       "M|1|1|0\r\nT|5000",
       [](FakeDesktop& d) { d.at(1000, [&d] { d.requestQuit(); }); },
       {Click{0, 1, 1, 0}},
       1000},
      {"between mouse actions",
       "M|1|1|0\r\nM|2|2|1",
       [](FakeDesktop& d) { d.afterClicks(3, [&d] { d.requestQuit(); }); },
       {Click{0, 1, 1, 0}, Click{0, 2, 2, 1}, Click{0, 1, 1, 0}},
       0},
      {"before the start", "M|1|1|0\r\nT|10", [](FakeDesktop& d) { d.requestQuit(); }, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDesktop closing;
    ScriptedRandom unused;
    Log messages;
    ScriptRunner quitting(
        closing, [&] { return c.script; }, [&](std::string_view m) { messages.emplace_back(m); },
        unused);
    c.schedule(closing);
    quitting.start();

    EXPECT_EQ(closing.clicks(), c.clicks);
    EXPECT_EQ(closing.now(), c.endTime);
    EXPECT_FALSE(quitting.isRunning());
    // The log goes away with the window: no end message is written to it.
    EXPECT_THAT(messages, ElementsAre(kRunning));
  }
}

TEST_F(RunnerTest, ScriptThatCannotRunNeverStarts) {
  struct Case {
    std::string script;
    Log messages;
  };
  const Case cases[] = {
      {"", {"未写入任何代码！\r\n"}},
      {"'only a comment\r\n\r\n", {"只有注释文本，没有需要执行的代码！\r\n"}},
      // Checked before anything runs: the good statements before it never run.
      {"M|1|1|0\r\nT|100\r\nM|1|2|9",
       {"最后一个参数错误，只能为 0左击 1双击 2右击 3右键双击！\r\n",
        "代码中有错误，已停止运行！\r\n第3行：M|1|2|9\r\n"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    log.clear();
    text = c.script;
    runner.toggle();
    EXPECT_EQ(log, c.messages);
    EXPECT_FALSE(runner.isRunning());
  }
  EXPECT_THAT(desktop.clicks(), IsEmpty());
  EXPECT_THAT(desktop.waits(), IsEmpty());

  // Idle again, it runs the next good script.
  log.clear();
  text = "M|4|4|0";
  desktop.afterClicks(1, [&] { runner.toggle(); });
  runner.toggle();
  EXPECT_THAT(desktop.clicks(), ElementsAre(Click{0, 4, 4, 0}));
  EXPECT_THAT(log, ElementsAre(kRunning, kFinished));
}

TEST(DefaultRandomSource, DrawsWholeRangeWithBothEnds) {
  RandomSource& source = defaultRandomSource();
  std::set<int> seen;
  for (int i = 0; i < 1000; ++i) seen.insert(source.randomInteger(1, 3));
  EXPECT_EQ(seen, (std::set<int>{1, 2, 3}));

  EXPECT_EQ(source.randomInteger(800, 800), 800);
  for (int i = 0; i < 100; ++i) {
    const int wide = source.randomInteger(0, INT_MAX);
    EXPECT_GE(wide, 0);
  }
}

TEST(DefaultRandomSource, EqualBoundsWaitExactly) {
  FakeDesktop desktop;
  ScriptRunner runner(
      desktop, [] { return std::string("T|800-800"); }, [](std::string_view) {},
      defaultRandomSource());
  desktop.at(2500, [&] { runner.toggle(); });
  runner.start();
  EXPECT_THAT(desktop.waits(), ElementsAre(800, 800, 800, 800));
  EXPECT_EQ(desktop.now(), 3200);
}

}  // namespace
}  // namespace kestrune
