#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "files_dialog_driver.h"
#include "test_support.h"
#include "ui/encoding.h"
#include "ui/script_file_commands.h"

namespace kestrune {
namespace {

using namespace testing_support;
using testing::HasSubstr;
using testing::StartsWith;

// A stand-in for the main window: a top-level owner with a multi-line edit
// box, and a message log collected in a string.
class ScriptFileCommandsTest : public testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KestruneFilesTestOwner";
    RegisterClassW(&wc);
    owner_ = CreateWindowExW(0, wc.lpszClassName, L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                             400, 300, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(owner_, nullptr);
    editor_ = CreateWindowExW(
        0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL, 0,
        0, 380, 250, owner_, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(editor_, nullptr);
    SendMessageW(editor_, EM_SETLIMITTEXT, 0, 0);
    commands_ =
        std::make_unique<ScriptFileCommands>([this](std::string_view text) { log_ += text; });

    wchar_t base[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, base), 0u);
    base_ = base;
    dir_ = freshTempFolder(L"对话框测试-");
    ASSERT_FALSE(dir_.empty());
  }

  void TearDown() override {
    commands_.reset();
    DestroyWindow(owner_);
    // The dialog may have made the folder current, which keeps it from
    // being removed.
    SetCurrentDirectoryW(base_.c_str());
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir_ + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileW((dir_ + L"\\" + data.cFileName).c_str());
      } while (FindNextFileW(find, &data));
      FindClose(find);
    }
    RemoveDirectoryW(dir_.c_str());
  }

  std::wstring path(const wchar_t* name) const { return dir_ + L"\\" + name; }

  void setEditor(const std::string& utf8) {
    SetWindowTextW(editor_, widen(utf8).c_str());
    SendMessageW(editor_, EM_EMPTYUNDOBUFFER, 0, 0);
  }
  std::string editor() const {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(editor_)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(editor_, text.data(), text.size())));
    return narrow(text);
  }
  // Ctrl+Z as the keyboard delivers it to the edit box.
  void pressCtrlZ() { SendMessageW(editor_, WM_CHAR, 0x1A, 0); }

  static std::string readBytes(const std::wstring& p) { return fileBytes(p); }
  static void writeBytes(const std::wstring& p, const std::string& bytes) {
    HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
  }

 public:  // the tests take these by address
  void open() { commands_->open(owner_, editor_); }
  void save() { commands_->save(owner_, editor_); }

  // Runs a command whose dialog the driver answers by choosing `name`.
  void chooseInDialog(void (ScriptFileCommandsTest::*command)(), const std::wstring& name) {
    withDialogDriver([&] { (this->*command)(); },
                     [&](DWORD thread) {
                       HWND dialog = waitForDialog(thread, owner_);
                       ASSERT_NE(dialog, nullptr) << "no file dialog";
                       typeFileNameAndConfirm(dialog, name);
                     },
                     owner_);
  }

 protected:
  HWND owner_ = nullptr;
  HWND editor_ = nullptr;
  std::unique_ptr<ScriptFileCommands> commands_;
  std::string log_;
  std::wstring base_;
  std::wstring dir_;
};

const std::string kScript = "'脚本\r\nM|200|100|0     '左击\r\nT|500";
const std::string kScriptGbk = "'\xBD\xC5\xB1\xBE\r\nM|200|100|0     '\xD7\xF3\xBB\xF7\r\nT|500";

TEST_F(ScriptFileCommandsTest, SaveThenReopenGivesTheSameTextAndCtrlZUndoesTheOpen) {
  setEditor(kScript);
  chooseInDialog(&ScriptFileCommandsTest::save, path(L"脚本.txt"));
  EXPECT_EQ(log_, "已保存到“" + narrow(path(L"脚本.txt")) + "”。\r\n");
  EXPECT_EQ(readBytes(path(L"脚本.txt")), kScriptGbk);
  EXPECT_EQ(commands_->dialog().fileName(), path(L"脚本.txt"));

  // The next dialog starts from the remembered path: confirming it as it
  // comes opens that file. Its settings show on screen as well.
  setEditor("T|1");
  log_.clear();
  withDialogDriver([&] { open(); },
                   [&](DWORD thread) {
                     HWND dialog = waitForDialog(thread, owner_);
                     ASSERT_NE(dialog, nullptr);
                     EXPECT_EQ(windowText(GetDlgItem(dialog, kFileTypeCombo)), L"文本文档");
                     HWND readOnly = GetDlgItem(dialog, kReadOnlyCheckBox);
                     EXPECT_TRUE(readOnly == nullptr || !IsWindowVisible(readOnly));
                     EXPECT_THAT(narrow(windowText(fileNameBox(dialog))), HasSubstr("脚本.txt"));
                     pressButton(dialog, IDOK);
                   },
                   owner_);
  EXPECT_EQ(editor(), kScript);
  EXPECT_EQ(log_, "已打开“" + narrow(path(L"脚本.txt")) + "”。\r\n");

  pressCtrlZ();
  EXPECT_EQ(editor(), "T|1");
}

TEST_F(ScriptFileCommandsTest, SaveAddsTheDefaultExtension) {
  setEditor("T|5");
  chooseInDialog(&ScriptFileCommandsTest::save, path(L"无扩展名"));
  EXPECT_EQ(readBytes(path(L"无扩展名.txt")), "T|5");
  EXPECT_EQ(commands_->dialog().fileName(), path(L"无扩展名.txt"));
}

TEST_F(ScriptFileCommandsTest, OverwritePromptDeclinedReturnsToTheDialogAndChangesNothing) {
  writeBytes(path(L"old.txt"), "T|5");
  setEditor("M|1|2|0");
  withDialogDriver([&] { save(); },
                   [&](DWORD thread) {
                     HWND dialog = waitForDialog(thread, owner_);
                     ASSERT_NE(dialog, nullptr);
                     typeFileNameAndConfirm(dialog, path(L"old.txt"));
                     HWND prompt = waitForDialog(thread, dialog);
                     ASSERT_NE(prompt, nullptr) << "no overwrite prompt";
                     pressButton(prompt, IDNO);
                     // Back in the file dialog, which is still up.
                     ASSERT_EQ(waitForDialog(thread, owner_), dialog);
                     for (int i = 0; i < 50 && IsWindow(prompt); ++i) Sleep(20);
                     EXPECT_FALSE(IsWindow(prompt));
                     pressButton(dialog, IDCANCEL);
                   },
                   owner_);
  EXPECT_EQ(readBytes(path(L"old.txt")), "T|5");
  EXPECT_EQ(log_, "");
  EXPECT_EQ(commands_->dialog().fileName(), L"");

  // Accepting the prompt replaces the file.
  withDialogDriver([&] { save(); },
                   [&](DWORD thread) {
                     HWND dialog = waitForDialog(thread, owner_);
                     ASSERT_NE(dialog, nullptr);
                     typeFileNameAndConfirm(dialog, path(L"old.txt"));
                     HWND prompt = waitForDialog(thread, dialog);
                     ASSERT_NE(prompt, nullptr) << "no overwrite prompt";
                     pressButton(prompt, IDYES);
                   },
                   owner_);
  EXPECT_EQ(readBytes(path(L"old.txt")), "M|1|2|0");
}

TEST_F(ScriptFileCommandsTest, CancelChangesNothing) {
  setEditor(kScript);
  for (auto command : {&ScriptFileCommandsTest::open, &ScriptFileCommandsTest::save}) {
    withDialogDriver([&] { (this->*command)(); },
                     [&](DWORD thread) {
                       HWND dialog = waitForDialog(thread, owner_);
                       ASSERT_NE(dialog, nullptr);
                       SendMessageW(fileNameBox(dialog), WM_SETTEXT, 0,
                                    reinterpret_cast<LPARAM>(path(L"x.txt").c_str()));
                       pressButton(dialog, IDCANCEL);
                     },
                     owner_);
  }
  EXPECT_EQ(editor(), kScript);
  EXPECT_EQ(log_, "");
  EXPECT_EQ(commands_->dialog().fileName(), L"");
  EXPECT_EQ(readBytes(path(L"x.txt")), "<missing>");
}

TEST_F(ScriptFileCommandsTest, NewEmptiesTheEditorAndCtrlZBringsTheScriptBack) {
  setEditor(kScript);
  commands_->newScript(editor_);
  EXPECT_EQ(editor(), "");
  EXPECT_THAT(log_, HasSubstr("Ctrl+Z"));
  pressCtrlZ();
  EXPECT_EQ(editor(), kScript);
}

TEST_F(ScriptFileCommandsTest, FailedOpenKeepsTheEditorAndSaysWhy) {
  writeBytes(path(L"locked.txt"), "T|5");
  HANDLE lock = CreateFileW(path(L"locked.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  setEditor(kScript);
  chooseInDialog(&ScriptFileCommandsTest::open, path(L"locked.txt"));
  CloseHandle(lock);
  EXPECT_EQ(editor(), kScript);
  EXPECT_EQ(log_, "无法打开“" + narrow(path(L"locked.txt")) + "”：文件正被其他程序使用。\r\n");
}

TEST_F(ScriptFileCommandsTest, OpeningAnEmptyFileEmptiesTheEditorUndoably) {
  writeBytes(path(L"empty.txt"), "");
  setEditor(kScript);
  chooseInDialog(&ScriptFileCommandsTest::open, path(L"empty.txt"));
  EXPECT_EQ(editor(), "");
  EXPECT_THAT(log_, HasSubstr("空"));
  pressCtrlZ();
  EXPECT_EQ(editor(), kScript);
}

TEST_F(ScriptFileCommandsTest, FailedSaveSaysWhyAndWritesNothing) {
  setEditor("T|5\r\n'😀");
  chooseInDialog(&ScriptFileCommandsTest::save, path(L"emoji.txt"));
  EXPECT_THAT(log_, StartsWith("无法保存“" + narrow(path(L"emoji.txt")) + "”：第 2 行"));
  EXPECT_EQ(readBytes(path(L"emoji.txt")), "<missing>");
  EXPECT_EQ(editor(), "T|5\r\n'😀");
}

}  // namespace
}  // namespace kestrune
