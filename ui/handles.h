#pragma once

#include <windows.h>

#include "desktop/unique_handle.h"

// Owners for the user-interface handles beside the kernel and GDI ones of
// desktop/unique_handle.h: each kind freed by its own function.
namespace kestrune {

template <typename Handle, BOOL(WINAPI* Destroy)(Handle)>
struct UserObjectTraits {
  using pointer = Handle;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer handle) noexcept { Destroy(handle); }
};

// A menu handed to its window with release() is freed with the window.
using UniqueMenu = UniqueAny<UserObjectTraits<HMENU, &DestroyMenu>>;
using UniqueAccelerators = UniqueAny<UserObjectTraits<HACCEL, &DestroyAcceleratorTable>>;
using UniqueIcon = UniqueAny<UserObjectTraits<HICON, &DestroyIcon>>;

}  // namespace kestrune
