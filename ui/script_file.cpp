#include "ui/script_file.h"

#include <windows.h>

#include <cstdio>

#include "desktop/unique_handle.h"
#include "ui/encoding.h"
#include "ui/script_text.h"

namespace kestrune {
namespace {

constexpr UINT kGbkCodePage = 936;

std::string quoted(const std::wstring& path) {
  return "“" + narrow(path) + "”";
}

std::string systemErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n > 0 && buffer != nullptr ? std::wstring(buffer, n) : std::wstring();
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' ||
                           text.back() == L'.' || text.back() == L'。')) {
    text.pop_back();
  }
  std::string out = "系统错误 " + std::to_string(code);
  if (!text.empty()) out += "：" + narrow(text);
  return out;
}

// The reasons a user can act on are named in Chinese; anything else carries
// the system's own description and code.
std::string reasonFor(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      return "文件不存在";
    case ERROR_PATH_NOT_FOUND:
      return "文件夹不存在";
    case ERROR_ACCESS_DENIED:
      return "没有访问权限";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return "文件正被其他程序使用";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "磁盘空间不足";
    case ERROR_WRITE_PROTECT:
      return "磁盘有写保护";
    case ERROR_NOT_READY:
      return "设备未就绪";
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return "文件名无效";
    case ERROR_FILENAME_EXCED_RANGE:
      return "文件名太长";
    default:
      return systemErrorText(code);
  }
}

std::string openFailed(const std::wstring& path, const std::string& reason) {
  return "无法打开" + quoted(path) + "：" + reason + "。\r\n";
}

std::string saveFailed(const std::wstring& path, const std::string& reason) {
  return "无法保存" + quoted(path) + "：" + reason + "。\r\n";
}

std::string mebibytesRoundedUp(unsigned long long bytes) {
  return std::to_string((bytes + 1024 * 1024 - 1) / (1024 * 1024));
}

// Decodes `bytes` from `codePage`; `valid` tells whether every byte belonged
// to a character. Invalid bytes come out as the system's replacement, so the
// rest of the file is still shown.
std::wstring decode(UINT codePage, const std::string& bytes, bool& valid) {
  valid = true;
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  DWORD flags = MB_ERR_INVALID_CHARS;
  if (n == 0) {
    valid = false;
    flags = 0;
    n = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
  }
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) {
    n = MultiByteToWideChar(codePage, flags, bytes.data(), size, wide.data(), n);
    wide.resize(static_cast<size_t>(n > 0 ? n : 0));
  }
  return wide;
}

// GBK bytes of `wide`, or false when a character has no GBK form. Best-fit
// mapping is off: "ä" must not quietly become "a" in the user's file.
bool encodeGbk(std::wstring_view wide, std::string& bytes) {
  bytes.clear();
  if (wide.empty()) return true;
  const int size = static_cast<int>(wide.size());
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr,
                                    0, nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return false;
  bytes.resize(static_cast<size_t>(n));
  const int written = WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), size,
                                          bytes.data(), n, nullptr, &usedDefault);
  return written == n && !usedDefault;
}

// Names the first character GBK cannot hold, for the message that refuses
// the save: "第 3 行的字符“😀”（U+1F600）".
std::string describeFirstUnencodable(std::wstring_view wide) {
  std::string scratch;
  std::size_t line = 1;
  std::size_t lineStart = 0;
  while (lineStart <= wide.size()) {
    std::size_t lineEnd = wide.find(L'\n', lineStart);
    if (lineEnd == std::wstring_view::npos) lineEnd = wide.size();
    const std::wstring_view text = wide.substr(lineStart, lineEnd - lineStart);
    if (!encodeGbk(text, scratch)) {
      for (std::size_t i = 0; i < text.size();) {
        std::size_t units = 1;
        char32_t codePoint = text[i];
        if (IS_HIGH_SURROGATE(text[i]) && i + 1 < text.size() && IS_LOW_SURROGATE(text[i + 1])) {
          units = 2;
          codePoint = 0x10000 + ((static_cast<char32_t>(text[i]) - 0xD800) << 10) +
                      (static_cast<char32_t>(text[i + 1]) - 0xDC00);
        }
        const std::wstring_view character = text.substr(i, units);
        if (!encodeGbk(character, scratch)) {
          char code[16];
          std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(codePoint));
          return "第 " + std::to_string(line) + " 行的字符“" + narrow(character) + "”（" + code +
                 "）";
        }
        i += units;
      }
    }
    lineStart = lineEnd + 1;
    ++line;
  }
  return "有字符";  // not reached: the whole text failed, so some character does
}

std::wstring directoryOf(const std::wstring& path) {
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  std::wstring full(needed > 0 ? needed : 0, L'\0');
  DWORD n = needed > 0 ? GetFullPathNameW(path.c_str(), needed, full.data(), nullptr) : 0;
  if (n == 0 || n >= needed) {
    full = path;  // as given: its own folder part still names the folder
  } else {
    full.resize(n);
  }
  const std::size_t slash = full.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring(L".") : full.substr(0, slash);
}

// A new, uniquely named file beside the target, so that the final rename
// stays on one volume and is atomic.
UniqueFile createTempFileBeside(const std::wstring& target, std::wstring& tempPath, DWORD& error) {
  static unsigned counter = 0;
  const std::wstring directory = directoryOf(target);
  for (int attempt = 0; attempt < 32; ++attempt) {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    wchar_t name[64];
    std::swprintf(name, 64, L"\\~kestrune-%08lx%04x.tmp",
                  static_cast<unsigned long>(now.LowPart ^ GetCurrentProcessId()),
                  (++counter) & 0xFFFF);
    tempPath = directory + name;
    UniqueFile file(CreateFileW(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return file;
    error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  tempPath.clear();
  return UniqueFile();
}

}  // namespace

ScriptFileContent readScriptFile(const std::wstring& path) {
  ScriptFileContent result;
  const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    result.messages = openFailed(path, reasonFor(GetLastError()));
    return result;
  }
  const HANDLE raw = file.get();

  // A device name such as "con.txt" opens too, and reading it would block.
  if (GetFileType(raw) != FILE_TYPE_DISK) {
    result.messages = openFailed(path, "这不是普通文件");
    return result;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(raw, &size)) {
    result.messages = openFailed(path, reasonFor(GetLastError()));
    return result;
  }
  const auto length = static_cast<unsigned long long>(size.QuadPart);
  if (length == 0) {
    result.status = ScriptFileContent::Status::Empty;
    return result;
  }
  if (!fitsScriptLimit(length)) {
    result.messages = openFailed(
        path, "文件大小约 " + mebibytesRoundedUp(length) + " MiB，超过脚本文件 64 MiB 的上限");
    return result;
  }

  std::string bytes(static_cast<size_t>(length), '\0');
  DWORD got = 0;
  if (!ReadFile(raw, bytes.data(), static_cast<DWORD>(length), &got, nullptr)) {
    result.messages = openFailed(path, reasonFor(GetLastError()));
    return result;
  }
  if (got != length) {
    result.messages = openFailed(path, "文件在读取时被改动，只读到一部分");
    return result;
  }

  const bool utf8 = startsWithUtf8Bom(bytes);
  if (utf8) bytes.erase(0, kUtf8Bom.size());
  const std::size_t nuls = replaceNulBytes(bytes);
  bool valid = true;
  result.text = narrow(decode(utf8 ? CP_UTF8 : kGbkCodePage, bytes, valid));
  const bool otherLineBreaks = normalizeLineBreaks(result.text);
  result.status = ScriptFileContent::Status::Read;

  const std::string name = quoted(path);
  if (utf8) {
    result.messages += name + "是带 BOM 的 UTF-8 文本，已按 UTF-8 打开；保存时存为 GBK。\r\n";
  }
  if (nuls > 0) {
    result.messages +=
        name + "含有 " + std::to_string(nuls) + " 个空字节（NUL），已显示为空格。\r\n";
  }
  if (!valid) {
    result.messages += name + (utf8 ? "含有无效的 UTF-8 字节" : "不是有效的 GBK 文本") +
                       "，无法识别的字节已显示为替换字符。\r\n";
  }
  if (otherLineBreaks) result.messages += name + "的换行不是 Windows 格式，已转换为 CR LF。\r\n";
  return result;
}

ScriptFileSaveResult writeScriptFile(const std::wstring& path, std::string_view utf8Text) {
  ScriptFileSaveResult result;
  if (utf8Text.size() > kMaxScriptFileBytes * 2) {
    // GBK needs at least two thirds of the UTF-8 bytes: this cannot fit, and
    // the conversions below count in int.
    result.message = saveFailed(path, "脚本超过 64 MiB 的上限");
    return result;
  }
  const std::wstring wide = widen(utf8Text);
  std::string bytes;
  if (!encodeGbk(wide, bytes)) {
    result.message =
        saveFailed(path, describeFirstUnencodable(wide) + "无法以 GBK 保存，未写入任何内容");
    return result;
  }
  if (!fitsScriptLimit(bytes.size())) {
    result.message = saveFailed(path, "脚本超过 64 MiB 的上限");
    return result;
  }

  const DWORD attributes = GetFileAttributesW(path.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (!exists) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) {
      result.message = saveFailed(path, reasonFor(error));
      return result;
    }
  } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    result.message = saveFailed(path, "这是一个文件夹");
    return result;
  } else if (attributes & FILE_ATTRIBUTE_READONLY) {
    result.message = saveFailed(path, "文件是只读的，未改动");
    return result;
  }

  std::wstring tempPath;
  DWORD error = ERROR_SUCCESS;
  UniqueFile temp = createTempFileBeside(path, tempPath, error);
  if (!temp) {
    result.message = saveFailed(path, reasonFor(error));
    return result;
  }
  // Until the rename succeeds, the new text exists only in the temp file;
  // every failure path removes it and leaves the target as it was.
  const auto fail = [&](DWORD code) {
    temp.reset();
    std::string reason = reasonFor(code);
    if (!DeleteFileW(tempPath.c_str())) reason += "；临时文件" + quoted(tempPath) + "未能删除";
    result.message = saveFailed(path, reason);
    return result;
  };

  DWORD written = 0;
  if (!bytes.empty() &&
      !WriteFile(temp.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
    return fail(GetLastError());
  }
  if (written != bytes.size()) return fail(ERROR_HANDLE_DISK_FULL);
  if (!FlushFileBuffers(temp.get())) return fail(GetLastError());
  if (!CloseHandle(temp.release())) return fail(GetLastError());

  // ReplaceFileW keeps the old file's attributes, owner and permissions on the
  // new content; a new file just takes the temp file's place.
  bool replaced = false;
  bool oldNameMayBeGone = false;
  if (exists) {
    replaced = ReplaceFileW(path.c_str(), tempPath.c_str(), nullptr,
                            REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
                            nullptr, nullptr) != FALSE;
    if (!replaced) {
      error = GetLastError();
      // These two say the old file may already have left its name; any other
      // error leaves it untouched. A target deleted meanwhile is a new file.
      oldNameMayBeGone =
          error == ERROR_UNABLE_TO_MOVE_REPLACEMENT || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2;
      if (!oldNameMayBeGone && error != ERROR_FILE_NOT_FOUND) return fail(error);
    }
  }
  if (!replaced && !MoveFileExW(tempPath.c_str(), path.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
    if (oldNameMayBeGone) {
      // The temp file may now be the only copy of the script: it stays, and
      // the user is told where it is.
      result.message = saveFailed(path, reasonFor(error) + "；内容已保存在" + quoted(tempPath));
      return result;
    }
    return fail(error);
  }
  result.saved = true;
  return result;
}

}  // namespace kestrune
