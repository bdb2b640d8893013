#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include "files_dialog_driver.h"
#include "files_main_window_fixture.h"

namespace kestrune {
namespace {

using namespace testing_support;
using testing::HasSubstr;

class MainWindowFilesTest : public MainWindowFixture {};

// Ctrl+Z as the keyboard sends it: a key-down with Ctrl held, which the
// message loop translates into the character the edit box undoes on.
void pressCtrlZ(HWND editor) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = keys[VK_LCONTROL] = 0x80;
  SetKeyboardState(keys);
  PostMessageW(editor, WM_KEYDOWN, 'Z', 1);
  pump();
  keys[VK_CONTROL] = keys[VK_LCONTROL] = 0;
  SetKeyboardState(keys);
}

TEST_F(MainWindowFilesTest, NewEmptiesTheEditorAndCtrlZBringsTheScriptBack) {
  const std::string script = textOf(editor());
  ASSERT_FALSE(script.empty());
  choose(ids::kCommandNew);
  pump();
  EXPECT_EQ(textOf(editor()), "");
  EXPECT_THAT(log(), HasSubstr("Ctrl+Z"));

  SetFocus(editor());
  pressCtrlZ(editor());
  EXPECT_EQ(textOf(editor()), script);
}

TEST_F(MainWindowFilesTest, DialogIsModalAndOwnedByTheMainWindow) {
  bool ownedAndModal = false;
  withDialogDriver(
      [&] {
        choose(ids::kCommandOpen);
        pump();
      },
      [&](DWORD thread) {
        HWND dialog = waitForDialog(thread, main());
        ASSERT_NE(dialog, nullptr) << "打开 showed no dialog owned by the main window";
        ownedAndModal = !IsWindowEnabled(main());
        pressButton(dialog, IDCANCEL);
      },
      main());
  EXPECT_TRUE(ownedAndModal);
  EXPECT_TRUE(IsWindowEnabled(main()));
  EXPECT_EQ(log(), "");
}

}  // namespace
}  // namespace kestrune
