#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "ui/encoding.h"
#include "ui/script_file.h"

namespace kestrune {
namespace {

using namespace std::string_literals;
using testing::HasSubstr;
using testing::IsEmpty;
using Status = ScriptFileContent::Status;

// A fresh folder per test; the Chinese name makes every path go through the
// wide API for real.
class ScriptFileTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = testing_support::freshTempFolder(L"脚本 测试-");
    ASSERT_FALSE(dir_.empty());
  }

  void TearDown() override {
    for (const std::wstring& name : filesInDir(L"*")) {
      const std::wstring p = dir_ + L"\\" + name;
      SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(p.c_str());
    }
    RemoveDirectoryW(dir_.c_str());
  }

  std::wstring path(const wchar_t* name) const { return dir_ + L"\\" + name; }

  std::vector<std::wstring> filesInDir(const wchar_t* pattern) const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir_ + L"\\" + pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      const std::wstring name = data.cFileName;
      if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
  }

  // A failed save must never leave its temp file behind.
  void expectNoTempFiles() const { EXPECT_THAT(filesInDir(L"~kestrune-*"), IsEmpty()); }

  static void writeBytes(const std::wstring& p, const std::string& bytes) {
    HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << GetLastError();
    DWORD written = 0;
    const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    ASSERT_TRUE(ok && written == bytes.size());
  }

  static std::string readBytes(const std::wstring& p) {
    HANDLE h = CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    LARGE_INTEGER size{};
    GetFileSizeEx(h, &size);
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty()) ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(h);
    return bytes;
  }

  static bool exists(const std::wstring& p) {
    return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::wstring dir_;
};

// The GBK bytes of a UTF-8 literal, converted independently of the code under test.
std::string gbk(std::string_view utf8) {
  const std::wstring wide = widen(utf8);
  std::string bytes(wide.size() * 2, '\0');
  const int n = WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()),
                                    bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr);
  bytes.resize(static_cast<size_t>(n));
  return bytes;
}

// Every two-byte sequence the system's code page 936 accepts as one character.
std::vector<std::string> gbkDoubleByteCharacters() {
  std::vector<std::string> characters;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      wchar_t wide[4];
      const int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes, 2, wide, 4);
      if (n == 1) characters.emplace_back(bytes, 2);
    }
  }
  return characters;
}

TEST_F(ScriptFileTest, EveryGbkCharacterAsciiAndLongLinesRoundTripByteForByte) {
  const std::vector<std::string> characters = gbkDoubleByteCharacters();
  // GBK defines 21886 characters; fewer means the generator found nothing.
  ASSERT_GE(characters.size(), 21886u);

  std::string file;
  for (std::size_t i = 0; i < characters.size(); ++i) {
    file += characters[i];
    if (i % 64 == 63) file += "\r\n";
  }
  file += "\r\n\r\n";
  for (char c = 0x20; c < 0x7F; ++c) file += c;
  file += gbk("\r\n\tM|200|100|0     '左击\r\n");
  file += std::string(200000, 'M') + gbk("中") + std::string(1000, ' ') + "\r\n";
  file += "T|1000";  // no line break after the last line
  writeBytes(path(L"原文.txt"), file);

  const ScriptFileContent opened = readScriptFile(path(L"原文.txt"));
  ASSERT_EQ(opened.status, Status::Read);
  EXPECT_EQ(opened.messages, "");

  // Saved both as a new file and over an existing one: the two ways to land.
  writeBytes(path(L"旧.txt"), "old");
  for (const wchar_t* target : {L"新.txt", L"旧.txt"}) {
    const ScriptFileSaveResult saved = writeScriptFile(path(target), opened.text);
    ASSERT_TRUE(saved.saved) << saved.message;
    EXPECT_EQ(saved.message, "");
    EXPECT_TRUE(readBytes(path(target)) == file) << "bytes differ in " << narrow(target);
    EXPECT_EQ(readScriptFile(path(target)).text, opened.text);
  }
  expectNoTempFiles();
}

TEST_F(ScriptFileTest, ReadingDistinguishesEmptyFromUnreadable) {
  writeBytes(path(L"empty.txt"), "");
  const ScriptFileContent empty = readScriptFile(path(L"empty.txt"));
  EXPECT_EQ(empty.status, Status::Empty);
  EXPECT_EQ(empty.text, "");
  EXPECT_EQ(empty.messages, "");

  struct Case {
    std::wstring path;
    const char* reason;
  };
  const Case cases[] = {
      {path(L"missing.txt"), "文件不存在"},
      {path(L"no folder\\a.txt"), "文件夹不存在"},
      {dir_, ""},  // a folder is not a script
  };
  for (const Case& c : cases) {
    const ScriptFileContent r = readScriptFile(c.path);
    EXPECT_EQ(r.status, Status::Failed) << narrow(c.path);
    EXPECT_EQ(r.text, "");
    EXPECT_THAT(r.messages, testing::StartsWith("无法打开“" + narrow(c.path) + "”："));
    EXPECT_THAT(r.messages, HasSubstr(c.reason));
    EXPECT_THAT(r.messages, testing::EndsWith("。\r\n"));
  }
}

TEST_F(ScriptFileTest, RefusesFilesOverSixtyFourMebibytes) {
  for (const LONGLONG size : {64LL << 20, (64LL << 20) + 1}) {
    HANDLE h = CreateFileW(path(L"big.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end{};
    end.QuadPart = size;
    ASSERT_TRUE(SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && SetEndOfFile(h));
    CloseHandle(h);

    const ScriptFileContent r = readScriptFile(path(L"big.txt"));
    if (size == 64LL << 20) {
      EXPECT_EQ(r.status, Status::Read);  // the limit itself still opens
      EXPECT_EQ(r.text.size(), static_cast<size_t>(size));
    } else {
      EXPECT_EQ(r.status, Status::Failed);
      EXPECT_THAT(r.messages, HasSubstr("64 MiB"));
    }
  }
}

TEST_F(ScriptFileTest, ShowsOddFilesAndSaysWhatWasChanged) {
  struct Case {
    const char* what;
    std::string bytes;
    const char* text;                // what the editor gets; nullptr: shown with replacements
    std::vector<std::string> notes;  // one log line each
  };
  const Case cases[] = {
      {"NUL bytes", "M|1|2|0\0\r\n\0T|5"s, "M|1|2|0 \r\n T|5", {"2 个空字节"}},
      {"invalid GBK",
       "ab\x81\x20"
       "cd\r\n\xC4\xE3",
       nullptr,
       {"不是有效的 GBK 文本"}},
      {"a cut-off lead byte at the end", "T|5\xC4", nullptr, {"不是有效的 GBK 文本"}},
      {"UTF-8 with BOM",
       "\xEF\xBB\xBF"
       "中文 ‘注释’\r\nT|5",
       "中文 ‘注释’\r\nT|5",
       {"UTF-8"}},
      {"invalid UTF-8 after a BOM",
       "\xEF\xBB\xBF"
       "a\xFF"
       "b",
       nullptr,
       {"UTF-8", "无效的 UTF-8"}},
      {"a BOM alone", "\xEF\xBB\xBF", "", {"UTF-8"}},
      {"Unix and old Mac line breaks", "M|1|2|0\nT|5\rT|6", "M|1|2|0\r\nT|5\r\nT|6", {"换行"}},
  };
  const std::string name = "“" + narrow(path(L"odd.txt")) + "”";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeBytes(path(L"odd.txt"), c.bytes);
    const ScriptFileContent r = readScriptFile(path(L"odd.txt"));
    ASSERT_EQ(r.status, Status::Read);
    if (c.text != nullptr) {
      EXPECT_EQ(r.text, c.text);
    }
    std::size_t lines = 0;
    for (std::size_t start = 0, end; (end = r.messages.find("\r\n", start)) != std::string::npos;
         start = end + 2, ++lines) {
      EXPECT_THAT(r.messages.substr(start, end - start), testing::StartsWith(name));
      if (lines < c.notes.size()) {
        EXPECT_THAT(r.messages.substr(start, end - start), HasSubstr(c.notes[lines]));
      }
    }
    EXPECT_EQ(lines, c.notes.size()) << r.messages;
    EXPECT_THAT(r.messages, testing::EndsWith("\r\n"));
  }

  // Invalid bytes are replaced, the valid text around them is kept.
  writeBytes(path(L"odd.txt"),
             "ab\x81\x20"
             "cd\r\n\xC4\xE3");
  const std::string shown = readScriptFile(path(L"odd.txt")).text;
  EXPECT_THAT(shown, testing::StartsWith("ab"));
  EXPECT_THAT(shown, testing::EndsWith("cd\r\n你"));
}

TEST_F(ScriptFileTest, Utf8FileIsSavedBackAsGbkWithoutBom) {
  writeBytes(path(L"utf8.txt"),
             "\xEF\xBB\xBF"
             "'你好\r\nT|5");
  const ScriptFileContent r = readScriptFile(path(L"utf8.txt"));
  ASSERT_TRUE(writeScriptFile(path(L"utf8.txt"), r.text).saved);
  EXPECT_EQ(readBytes(path(L"utf8.txt")), gbk("'你好\r\nT|5"));
}

TEST_F(ScriptFileTest, ReadsFiveMebibytes) {
  const std::string line = "M|1234|567|0    '点击这里，然后等待一会儿\r\nT|1000-1500\r\n";
  std::string text;
  while (text.size() < (5u << 20)) text += line;
  ASSERT_TRUE(writeScriptFile(path(L"big.txt"), text).saved);
  ASSERT_GE(readBytes(path(L"big.txt")).size(), 4u << 20);

  const ScriptFileContent r = readScriptFile(path(L"big.txt"));
  ASSERT_EQ(r.status, Status::Read);
  EXPECT_TRUE(r.text == text);
  EXPECT_EQ(r.messages, "");
}

TEST_F(ScriptFileTest, RefusesTextGbkCannotHoldAndWritesNothing) {
  writeBytes(path(L"old.txt"), "T|5");
  struct Case {
    std::string text;
    const char* named;
  };
  const Case cases[] = {
      {"'一\r\nT|5\r\nM|1|2|0 '😀 and ä\r\n", "第 3 行的字符“😀”（U+1F600）"},
      {"'ä", "第 1 行的字符“ä”（U+00E4）"},  // best fit would write "a"
      {"T|5\r\n\r\n'한", "第 3 行的字符“한”（U+D55C）"},
  };
  for (const Case& c : cases) {
    for (const wchar_t* target : {L"old.txt", L"new.txt"}) {
      const ScriptFileSaveResult r = writeScriptFile(path(target), c.text);
      EXPECT_FALSE(r.saved);
      EXPECT_THAT(r.message,
                  testing::StartsWith("无法保存“" + narrow(path(target)) + "”：" + c.named));
      EXPECT_THAT(r.message, testing::EndsWith("。\r\n"));
    }
    EXPECT_EQ(readBytes(path(L"old.txt")), "T|5");
    EXPECT_FALSE(exists(path(L"new.txt")));
  }
  expectNoTempFiles();
}

TEST_F(ScriptFileTest, FailedSaveLeavesOldFileIntact) {
  writeBytes(path(L"readonly.txt"), "T|5");
  ASSERT_TRUE(SetFileAttributesW(path(L"readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  writeBytes(path(L"locked.txt"), "T|6");
  // Another program holding the file without sharing it.
  HANDLE lock = CreateFileW(path(L"locked.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);

  struct Case {
    std::wstring target;
    const char* reason;
  };
  const Case cases[] = {
      {path(L"readonly.txt"), "只读"}, {path(L"locked.txt"), ""},
      {path(L"no folder\\a.txt"), ""}, {dir_, "文件夹"},
      {path(L"bad<name>.txt"), ""},
  };
  for (const Case& c : cases) {
    const ScriptFileSaveResult r = writeScriptFile(c.target, "M|1|2|0\r\n'新的");
    EXPECT_FALSE(r.saved) << narrow(c.target);
    EXPECT_THAT(r.message, testing::StartsWith("无法保存“" + narrow(c.target) + "”："));
    EXPECT_THAT(r.message, HasSubstr(c.reason));
    EXPECT_THAT(r.message, testing::EndsWith("。\r\n"));
  }
  CloseHandle(lock);
  EXPECT_EQ(readBytes(path(L"readonly.txt")), "T|5");
  EXPECT_EQ(readBytes(path(L"locked.txt")), "T|6");
  expectNoTempFiles();
}

TEST_F(ScriptFileTest, EmptyTextSavesAnEmptyFile) {
  writeBytes(path(L"a.txt"), "T|5");
  ASSERT_TRUE(writeScriptFile(path(L"a.txt"), "").saved);
  EXPECT_EQ(readBytes(path(L"a.txt")), "");
  EXPECT_EQ(readScriptFile(path(L"a.txt")).status, Status::Empty);
}

}  // namespace
}  // namespace kestrune
