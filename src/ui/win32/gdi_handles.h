#pragma once

#include <windows.h>

#include "platform/win32/unique_handle.h"

namespace zant::win32 {

// A memory device context with one bitmap selected into it, both released in order.
class MemoryDc {
 public:
  MemoryDc(HDC compatible_with, HBITMAP bitmap)
      : dc_(CreateCompatibleDC(compatible_with)),
        previous_(dc_ ? SelectObject(dc_, bitmap) : nullptr) {}
  ~MemoryDc() {
    if (dc_) {
      SelectObject(dc_, previous_);
      DeleteDC(dc_);
    }
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;

  HDC get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace zant::win32
