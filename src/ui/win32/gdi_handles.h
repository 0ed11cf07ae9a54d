#pragma once

#include <windows.h>

#include <utility>

namespace zant::win32 {

// Owner of one GDI object (font, brush, bitmap): deleted when the owner goes.
template <typename Handle>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(Handle handle) : handle_(handle) {}
  ~GdiObject() { Reset(); }
  GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) {
      Reset(std::exchange(other.handle_, nullptr));
    }
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  Handle Get() const { return handle_; }
  void Reset(Handle handle = nullptr) {
    if (handle_) {
      DeleteObject(handle_);
    }
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

// Owner of an icon loaded without LR_SHARED.
class IconHandle {
 public:
  IconHandle() = default;
  explicit IconHandle(HICON icon) : icon_(icon) {}
  ~IconHandle() { Reset(); }
  IconHandle(const IconHandle&) = delete;
  IconHandle& operator=(const IconHandle&) = delete;

  HICON Get() const { return icon_; }
  void Reset(HICON icon = nullptr) {
    if (icon_) {
      DestroyIcon(icon_);
    }
    icon_ = icon;
  }

 private:
  HICON icon_ = nullptr;
};

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

  HDC Get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace zant::win32
