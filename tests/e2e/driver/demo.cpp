// What scripts/run shows on a machine without a display, and what makes the
// README's screenshot: Kestrune starts, F11 runs the example script for one
// pass, F11 stops it, and the clicks and the message log are printed.

#include <cstdio>
#include <string>

#include "e2e.h"

namespace kestrune::e2e {

namespace {

const char* clickName(const ClickRecorders& recorders, int recorder) {
  bool left = false, right = false, leftDouble = false, rightDouble = false;
  for (const Click& c : recorders.clicks()) {
    if (c.recorder != recorder) continue;
    left |= c.button == Button::LeftDown;
    right |= c.button == Button::RightDown;
    leftDouble |= c.button == Button::LeftDouble;
    rightDouble |= c.button == Button::RightDouble;
  }
  if (leftDouble) return "双击 double click";
  if (rightDouble) return "右键双击 right double click";
  if (left) return "左击 left click";
  if (right) return "右击 right click";
  return "没有点击 no click";
}

bool received(const ClickRecorders& recorders, int recorder, Button button) {
  for (const Click& c : recorders.clicks()) {
    if (c.recorder == recorder && c.button == button) return true;
  }
  return false;
}

// The log with Unix line breaks, for a terminal.
std::string forTerminal(std::string text) {
  for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
  return text;
}

}  // namespace

int runDemo(const DemoOptions& options) {
  // Targets under the example's three points: they show where the clicks
  // land, and the right click at 450,200 would otherwise open the script
  // editor's context menu, which holds the run until it is dismissed.
  const POINT points[] = {{200, 100}, {300, 600}, {450, 200}};
  auto recorders = std::make_unique<ClickRecorders>();
  for (POINT p : points) recorders->add(p);
  auto app = Kestrune::start();
  if (!app) return 1;

  bool ok = true;
  {
    PointerGrab grab;
    std::printf("Kestrune 已启动 started; 按 F11 pressing F11 ...\n");
    XHelper::instance().pressKeys("F11");
    ok = pumpUntil([&] { return received(*recorders, 2, Button::RightUp); }, 10000);
    std::printf("按 F11 pressing F11 again ...\n");
    XHelper::instance().pressKeys("F11");
    ok = pumpUntil([&] { return app->log().ends_with("代码运行完毕！\r\n"); }, 5000) && ok;
  }
  std::printf("\n点击 clicks:\n");
  for (int i = 0; i < 3; ++i) {
    std::printf("  X%ld Y%ld  %s\n", points[i].x, points[i].y, clickName(*recorders, i));
  }
  std::printf("\n消息 message log:\n%s\n", forTerminal(app->log()).c_str());

  // While the grab was held Wine moved its own pointer but not the X one;
  // the readout in the picture shows where the script left the pointer.
  SetCursorPos(points[2].x, points[2].y);
  recorders.reset();
  pumpFor(600);  // the window repaints where the targets were, the readout ticks
  std::fflush(stdout);
  if (!options.screenshot.empty()) {
    ok = XHelper::instance().screenshot("-", options.screenshot) && ok;
  }
  if (!options.windowScreenshot.empty()) {
    RECT r{};
    GetWindowRect(app->window(), &r);
    const std::string geometry = std::to_string(r.right - r.left) + "x" +
                                 std::to_string(r.bottom - r.top) + "+" + std::to_string(r.left) +
                                 "+" + std::to_string(r.top);
    ok = XHelper::instance().screenshot(geometry, options.windowScreenshot) && ok;
  }
  app->closeBox();
  const auto code = app->waitForExit(5000);
  ok = ok && code == 0u;
  std::printf("%s\n", ok ? "演示完成 demonstration finished" : "演示失败 demonstration failed");
  return ok ? 0 : 1;
}

}  // namespace kestrune::e2e
