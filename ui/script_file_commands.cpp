#include "ui/script_file_commands.h"

#include <cstdio>
#include <string>
#include <utility>

#include "ui/encoding.h"
#include "ui/script_file.h"

namespace kestrune {
namespace {

std::string quoted(const std::wstring& path) {
  return "“" + narrow(path) + "”";
}

std::wstring editorText(HWND editor) {
  const int length = GetWindowTextLengthW(editor);
  std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
  const int copied = GetWindowTextW(editor, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return text;
}

bool replaceEditorText(HWND editor, std::string_view utf8) {
  const std::wstring wide = widen(utf8);
  // Select all and replace with undo allowed: the edit control keeps the old
  // text as its one undo step.
  SendMessageW(editor, EM_SETSEL, 0, -1);
  SendMessageW(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(wide.c_str()));
  if (GetWindowTextLengthW(editor) != static_cast<int>(wide.size())) {
    // The control cut the text short (its limit, or memory): a partial
    // script must not stand in for the file, so take the edit back.
    SendMessageW(editor, EM_UNDO, 0, 0);
    return false;
  }
  SendMessageW(editor, EM_SETSEL, 0, 0);
  SendMessageW(editor, EM_SCROLLCARET, 0, 0);
  return true;
}

}  // namespace

ScriptFileCommands::ScriptFileCommands(AppendMessage appendMessage)
    : appendMessage_(std::move(appendMessage)) {}

bool ScriptFileCommands::showDialog(FileDialog::Result result) {
  if (result == FileDialog::Result::Failed) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%04lX", static_cast<unsigned long>(dialog_.errorCode()));
    appendMessage_(std::string("无法显示文件对话框（错误代码 ") + code + "）。\r\n");
  }
  return result == FileDialog::Result::Confirmed;
}

void ScriptFileCommands::newScript(HWND editor) {
  if (replaceEditorText(editor, ""))
    appendMessage_("已新建空白脚本，按 Ctrl+Z 可恢复原来的脚本。\r\n");
}

void ScriptFileCommands::open(HWND owner, HWND editor) {
  dialog_.setOwner(owner);
  if (!showDialog(dialog_.showOpen())) return;
  const std::wstring& path = dialog_.fileName();
  const ScriptFileContent content = readScriptFile(path);
  if (content.status == ScriptFileContent::Status::Failed) {
    appendMessage_(content.messages);  // the editor keeps the user's script
    return;
  }
  if (!replaceEditorText(editor, content.text)) {
    appendMessage_("无法打开" + quoted(path) + "：编辑框容纳不下全部内容，脚本未改动。\r\n");
    return;
  }
  if (content.status == ScriptFileContent::Status::Empty) {
    appendMessage_("已打开" + quoted(path) + "，文件是空的。\r\n");
  } else {
    appendMessage_("已打开" + quoted(path) + "。\r\n");
  }
  if (!content.messages.empty()) appendMessage_(content.messages);
}

void ScriptFileCommands::save(HWND owner, HWND editor) {
  dialog_.setOwner(owner);
  if (!showDialog(dialog_.showSave())) return;
  const std::wstring& path = dialog_.fileName();
  const ScriptFileSaveResult result = writeScriptFile(path, narrow(editorText(editor)));
  appendMessage_(result.saved ? "已保存到" + quoted(path) + "。\r\n" : result.message);
}

}  // namespace kestrune
