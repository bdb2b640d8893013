#pragma once

#include <windows.h>

#include <utility>

namespace kestrune {

// Owns one Win32 handle and closes it with the deleter its kind needs. The
// traits name the empty value too, because kinds disagree on it: most kernel
// objects use NULL, CreateFile uses INVALID_HANDLE_VALUE, and a handle of one
// kind must never be tested against the other's empty value.
template <typename Traits>
class UniqueAny {
 public:
  using pointer = typename Traits::pointer;

  UniqueAny() noexcept = default;
  explicit UniqueAny(pointer value) noexcept : value_(value) {}
  ~UniqueAny() { reset(); }

  UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;

  pointer get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Traits::invalid(); }

  pointer release() noexcept { return std::exchange(value_, Traits::invalid()); }

  void reset(pointer value = Traits::invalid()) noexcept {
    pointer old = std::exchange(value_, value);
    if (old != Traits::invalid()) Traits::close(old);
  }

 private:
  pointer value_ = Traits::invalid();
};

// Events, timers, processes, threads: NULL when absent.
struct KernelHandleTraits {
  using pointer = HANDLE;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer handle) noexcept { CloseHandle(handle); }
};

// CreateFileW: INVALID_HANDLE_VALUE when absent.
struct FileHandleTraits {
  using pointer = HANDLE;
  static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(pointer handle) noexcept { CloseHandle(handle); }
};

struct WindowTraits {
  using pointer = HWND;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer window) noexcept { DestroyWindow(window); }
};

template <typename Object>
struct GdiObjectTraits {
  using pointer = Object;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer object) noexcept { DeleteObject(object); }
};

using UniqueHandle = UniqueAny<KernelHandleTraits>;
using UniqueFile = UniqueAny<FileHandleTraits>;
using UniqueWindow = UniqueAny<WindowTraits>;
using UniqueFont = UniqueAny<GdiObjectTraits<HFONT>>;
using UniqueBrush = UniqueAny<GdiObjectTraits<HBRUSH>>;

}  // namespace kestrune
