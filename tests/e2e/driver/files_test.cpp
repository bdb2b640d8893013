// Script files and the About window in the real program: the system's file
// dialog answered with the keyboard, files read back from disk, Ctrl+Z in the
// editor, and 帮助 twice.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e.h"
#include "tests/windows/test_support.h"
#include "ui/encoding.h"
#include "ui/settings/ids.h"

namespace kestrune::e2e {
namespace {

// The file name box of the common file dialog (dlgs.h cmb13, or edt1).
constexpr int kFileNameCombo = 0x47C;
constexpr int kFileNameEdit = 0x480;

// The program's visible dialog boxes (#32770) owned by `owner`.
std::vector<HWND> dialogsOwnedBy(HWND owner) {
  struct Search {
    HWND owner;
    std::vector<HWND> found;
  } search{owner, {}};
  EnumThreadWindows(
      GetWindowThreadProcessId(owner, nullptr),
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        wchar_t cls[16] = {};
        GetClassNameW(hwnd, cls, 16);
        if (IsWindowVisible(hwnd) && std::wstring(cls) == L"#32770" &&
            GetWindow(hwnd, GW_OWNER) == s->owner) {
          s->found.push_back(hwnd);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND waitForDialog(HWND owner) {
  HWND dialog = nullptr;
  pumpUntil(
      [&] {
        const auto found = dialogsOwnedBy(owner);
        dialog = found.empty() ? nullptr : found.front();
        return dialog != nullptr;
      },
      10000);
  return dialog;
}

std::vector<HWND> aboutWindows(const Kestrune& app) {
  struct Search {
    DWORD thread;
    std::vector<HWND> found;
  } search{GetWindowThreadProcessId(app.window(), nullptr), {}};
  EnumThreadWindows(
      search.thread,
      [](HWND hwnd, LPARAM lp) -> BOOL {
        wchar_t cls[64] = {};
        GetClassNameW(hwnd, cls, 64);
        if (IsWindowVisible(hwnd) && std::wstring(cls) == ids::kAboutWindowClass) {
          reinterpret_cast<Search*>(lp)->found.push_back(hwnd);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void bringDialogToFront(HWND dialog) {
  SetForegroundWindow(dialog);
  pumpUntil([&] { return GetForegroundWindow() == dialog; }, 3000);
}

// Types the name into the dialog's name box and presses Enter on the keyboard.
void chooseFile(HWND dialog, const std::wstring& name) {
  HWND box = GetDlgItem(dialog, kFileNameCombo);
  if (box == nullptr) box = GetDlgItem(dialog, kFileNameEdit);
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()), SMTO_ABORTIFHUNG,
                      5000, &ignored);
  bringDialogToFront(dialog);
  XHelper::instance().pressKeys("Return");
}

using testing_support::fileBytes;

class ScriptFiles : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = testing_support::freshTempFolder(L"端到端脚本-");
    ASSERT_FALSE(dir_.empty());
  }
  void TearDown() override {
    for (const wchar_t* name : {L"脚本.txt"}) DeleteFileW((dir_ + L"\\" + name).c_str());
    RemoveDirectoryW(dir_.c_str());
  }
  std::wstring dir_;
};

TEST_F(ScriptFiles, SaveReopenDeclineTheOverwritePromptAndUndoTheOpen) {
  auto app = Kestrune::start();
  ASSERT_TRUE(app);
  const std::wstring path = dir_ + L"\\脚本.txt";
  const std::string script = "'点击\r\nM|200|100|0     '左击\r\nT|500";
  app->setText(ids::kScriptEditor, script);

  app->command(ids::kCommandSave);
  HWND dialog = waitForDialog(app->window());
  ASSERT_NE(dialog, nullptr) << "保存 showed no dialog owned by the main window";
  chooseFile(dialog, path);
  const std::string saved = "已保存到“" + narrow(path) + "”。\r\n";
  ASSERT_TRUE(app->waitForLog(saved, 5000)) << app->log();
  // GBK, "\r\n", nothing else.
  EXPECT_EQ(fileBytes(path), "'\xB5\xE3\xBB\xF7\r\nM|200|100|0     '\xD7\xF3\xBB\xF7\r\nT|500");

  // 打开 starts from the saved path: Enter alone opens it.
  app->setText(ids::kScriptEditor, "T|1");
  app->command(ids::kCommandOpen);
  dialog = waitForDialog(app->window());
  ASSERT_NE(dialog, nullptr);
  bringDialogToFront(dialog);
  XHelper::instance().pressKeys("Return");
  EXPECT_TRUE(pumpUntil([&] { return app->text(ids::kScriptEditor) == script; }, 5000))
      << app->text(ids::kScriptEditor);
  const std::string opened = saved + "已打开“" + narrow(path) + "”。\r\n";
  EXPECT_TRUE(app->waitForLog(opened, 3000)) << app->log();

  app->bringToFront();
  ASSERT_TRUE(pumpUntil([&] { return app->focus() == app->control(ids::kScriptEditor); }, 3000));
  XHelper::instance().pressKeys("ctrl+z");
  EXPECT_TRUE(pumpUntil([&] { return app->text(ids::kScriptEditor) == "T|1"; }, 3000))
      << app->text(ids::kScriptEditor);

  // Saving over the file asks first; "no" goes back to the dialog, Esc
  // cancels it, and the file keeps its bytes.
  app->command(ids::kCommandSave);
  dialog = waitForDialog(app->window());
  ASSERT_NE(dialog, nullptr);
  bringDialogToFront(dialog);
  XHelper::instance().pressKeys("Return");
  HWND prompt = waitForDialog(dialog);
  ASSERT_NE(prompt, nullptr) << "no overwrite prompt";
  PostMessageW(prompt, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
  EXPECT_TRUE(pumpUntil([&] { return !IsWindowVisible(prompt); }, 3000));
  ASSERT_EQ(waitForDialog(app->window()), dialog);
  bringDialogToFront(dialog);
  XHelper::instance().pressKeys("Escape");
  EXPECT_TRUE(pumpUntil([&] { return dialogsOwnedBy(app->window()).empty(); }, 3000));
  EXPECT_EQ(fileBytes(path), "'\xB5\xE3\xBB\xF7\r\nM|200|100|0     '\xD7\xF3\xBB\xF7\r\nT|500");
  EXPECT_EQ(app->log(), opened);
}

TEST(AboutWindow, HelpTwiceGivesOneWindowAndEscClosesOnlyIt) {
  auto app = Kestrune::start();
  ASSERT_TRUE(app);
  app->command(ids::kCommandAbout);
  app->command(ids::kCommandAbout);
  ASSERT_TRUE(pumpUntil([&] { return !aboutWindows(*app).empty(); }, 5000));
  pumpFor(300);
  const std::vector<HWND> windows = aboutWindows(*app);
  ASSERT_EQ(windows.size(), 1u);
  const HWND about = windows.front();
  EXPECT_TRUE(pumpUntil([&] { return GetForegroundWindow() == about; }, 3000));

  XHelper::instance().pressKeys("Escape");
  EXPECT_TRUE(pumpUntil([&] { return !IsWindow(about); }, 3000));
  pumpFor(300);
  EXPECT_TRUE(IsWindowVisible(app->window()));
  EXPECT_TRUE(app->responsive());
  EXPECT_FALSE(app->waitForExit(0).has_value());
  EXPECT_EQ(app->log(), "");
}

}  // namespace
}  // namespace kestrune::e2e
