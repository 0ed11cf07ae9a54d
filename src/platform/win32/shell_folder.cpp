#include "platform/win32/shell_folder.h"

#include "platform/win32/system_calls.h"

namespace zant::win32 {

namespace {

// One item list and the allocator that frees it, for the list's lifetime.
class ShellItemList {
 public:
  explicit ShellItemList(const ShellCalls& calls) : calls_(calls) {}
  ~ShellItemList() {
    if (list_ && calls_.shell_allocator(&allocator_) == S_OK && allocator_) {
      allocator_->Free(list_);
      allocator_->Release();
    }
  }
  ShellItemList(const ShellItemList&) = delete;
  ShellItemList& operator=(const ShellItemList&) = delete;

  bool Get(HWND owner, int csidl) {
    return calls_.folder_location(owner, csidl, &list_) == S_OK && list_ != nullptr;
  }
  LPCITEMIDLIST list() const { return list_; }

 private:
  const ShellCalls& calls_;
  LPITEMIDLIST list_ = nullptr;
  IMalloc* allocator_ = nullptr;
};

}  // namespace

const ShellCalls& SystemShellCalls() {
  static const ShellCalls calls{&SHGetSpecialFolderLocation, &SHGetMalloc};
  return calls;
}

std::wstring SpecialFolderPath(HWND owner, int csidl, const ShellCalls& calls) {
  ShellItemList list(calls);
  if (!list.Get(owner, csidl)) {
    return {};
  }
  return sys::PathFromIdList(list.list());
}

}  // namespace zant::win32
