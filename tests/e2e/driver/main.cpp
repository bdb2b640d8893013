#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "e2e.h"

// Runs the end-to-end tests; with --demo, the demonstration instead
// (--screenshot=FILE saves the screen, --window-screenshot=FILE the window).
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  bool demo = false;
  kestrune::e2e::DemoOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--demo") {
      demo = true;
    } else if (arg.starts_with("--screenshot=")) {
      options.screenshot = arg.substr(std::strlen("--screenshot="));
    } else if (arg.starts_with("--window-screenshot=")) {
      options.windowScreenshot = arg.substr(std::strlen("--window-screenshot="));
    } else {
      std::fprintf(stderr, "kestrune_e2e: unknown argument %s\n", argv[i]);
      return 2;
    }
  }
  const std::string problem = kestrune::e2e::setUp();
  if (!problem.empty()) {
    std::fprintf(stderr, "kestrune_e2e: %s\n", problem.c_str());
    return 1;
  }
  return demo ? kestrune::e2e::runDemo(options) : RUN_ALL_TESTS();
}
