#pragma once

#include <string>
#include <string_view>

// Script files on disk: GBK bytes with "\r\n" line breaks, no byte-order mark.
// Inside the program the script is UTF-8; the conversion happens here and
// nowhere else. Paths stay UTF-16, as the file dialog hands them over, so
// that any name Windows allows can be opened again.
namespace kestrune {

struct ScriptFileContent {
  enum class Status {
    Read,    // `text` holds the file's script
    Empty,   // the file exists and has no bytes
    Failed,  // nothing could be read; `messages` says why
  };
  Status status = Status::Failed;
  std::string text;      // UTF-8, every line break "\r\n"
  std::string messages;  // lines for the message log, each ending in "\r\n"
};

// Reads the whole file. Never shows anything itself: what went wrong, or
// what had to be changed to show the file (NUL bytes, invalid GBK, a UTF-8
// byte-order mark, other line breaks), comes back in `messages`.
ScriptFileContent readScriptFile(const std::wstring& path);

struct ScriptFileSaveResult {
  bool saved = false;
  std::string message;  // why the save failed, one line ending in "\r\n"; empty on success
};

// Writes `utf8Text` as GBK. Text that GBK cannot hold is refused before
// anything is written. The file is replaced atomically: on any failure the
// old file is left exactly as it was.
ScriptFileSaveResult writeScriptFile(const std::wstring& path, std::string_view utf8Text);

}  // namespace kestrune
