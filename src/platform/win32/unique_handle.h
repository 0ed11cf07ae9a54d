#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>

namespace zant::win32 {

// The one owner of a Win32 handle: it releases the handle with Release when it goes, unless the
// handle is the empty value (0, or -1 for the kinds whose failure value is
// INVALID_HANDLE_VALUE). Movable, never copied. Each kind of handle is one alias below.
template <typename Handle, auto Release, intptr_t kEmpty = 0>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset(other.release());
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  static Handle empty() { return reinterpret_cast<Handle>(kEmpty); }

  // A kind whose failure value is INVALID_HANDLE_VALUE never holds 0 either: the 95 family's
  // stubs of W functions answer 0 for a handle they could not make.
  bool valid() const { return handle_ != empty() && handle_ != Handle{}; }
  Handle get() const { return handle_; }

  // Releases the handle held (if any) and takes the new one.
  void reset(Handle handle = empty()) {
    if (valid()) {
      Release(handle_);
    }
    handle_ = handle;
  }

  // Gives the handle up without releasing it.
  Handle release() { return std::exchange(handle_, empty()); }

  // For a call that returns the handle through a pointer: releases the one held first.
  Handle* put() {
    reset();
    return &handle_;
  }

 private:
  Handle handle_ = empty();
};

constexpr intptr_t kInvalidHandleValue = -1;  // INVALID_HANDLE_VALUE

// A kernel object (thread, process, token, mutex): 0 when there is none.
using KernelHandle = UniqueHandle<HANDLE, CloseHandle>;
// An open file: INVALID_HANDLE_VALUE when there is none, as CreateFileW fails.
using FileHandle = UniqueHandle<HANDLE, CloseHandle, kInvalidHandleValue>;
// A search of FindFirstFileExW.
using FindHandle = UniqueHandle<HANDLE, FindClose, kInvalidHandleValue>;
// A loaded library.
using LibraryHandle = UniqueHandle<HMODULE, FreeLibrary>;
// A font, brush or bitmap.
template <typename Gdi>
using GdiObject = UniqueHandle<Gdi, DeleteObject>;
// An icon loaded without LR_SHARED.
using IconHandle = UniqueHandle<HICON, DestroyIcon>;

}  // namespace zant::win32
