#include <gtest/gtest.h>
#include <windows.h>

#include <utility>

#include "desktop/unique_handle.h"

namespace kestrune {
namespace {

bool isOpen(HANDLE handle) {
  DWORD flags;
  return GetHandleInformation(handle, &flags) != FALSE;
}

HANDLE newEvent() {
  return CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

// A failed CreateFileW gives INVALID_HANDLE_VALUE and a failed CreateEventW
// gives NULL; each owner must take its own failure value for empty.
TEST(UniqueHandle, EachKindKnowsItsEmptyValue) {
  UniqueFile missing(CreateFileW(L"C:\\no\\such\\folder\\file.txt", GENERIC_READ, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
  EXPECT_EQ(missing.get(), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(missing);
  EXPECT_FALSE(UniqueHandle());
  EXPECT_EQ(UniqueHandle().get(), nullptr);
  EXPECT_FALSE(UniqueFile());

  UniqueFile file(CreateFileW(L"NUL", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(file);
}

TEST(UniqueHandle, ClosesExactlyWhatItOwns) {
  const HANDLE first = newEvent();
  const HANDLE second = newEvent();
  {
    UniqueHandle owner(first);
    UniqueHandle moved(std::move(owner));
    EXPECT_FALSE(owner);
    EXPECT_EQ(moved.get(), first);
    EXPECT_TRUE(isOpen(first));

    moved = UniqueHandle(second);  // takes the second, closes the first
    EXPECT_FALSE(isOpen(first));
    EXPECT_TRUE(isOpen(second));

    const HANDLE released = moved.release();
    EXPECT_EQ(released, second);
  }
  EXPECT_TRUE(isOpen(second));  // released, so left open
  CloseHandle(second);

  const HANDLE third = newEvent();
  { UniqueHandle owner(third); }
  EXPECT_FALSE(isOpen(third));
}

}  // namespace
}  // namespace kestrune
