#include "platform/win32/register_dll.h"

#include <windows.h>

#include "platform/win32/library_search.h"
#include "platform/win32/wide.h"

namespace zant::modRegister {

namespace {

constexpr DWORD kRegistrationLimitMs = 10000;

// A self-registration entry point: no arguments, a 32-bit status code.
using EntryPoint = HRESULT(STDAPICALLTYPE*)();

// Thread routine of the registration thread: calls the entry point handed over as the thread
// parameter and makes its status code the thread's exit code. Nothing is shared with the
// caller's stack, so a thread that outlives the wait writes to no freed memory.
DWORD WINAPI RunEntryPoint(void* parameter) {
  auto entry = reinterpret_cast<EntryPoint>(parameter);
  return static_cast<DWORD>(entry());
}

class LoadedLibrary {
 public:
  explicit LoadedLibrary(const std::string& path)
      : module_(win32::LoadLibraryAt(win32::Widen(path))) {}
  ~LoadedLibrary() {
    if (module_) {
      FreeLibrary(module_);
    }
  }
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;

  HMODULE Get() const { return module_; }
  // Leaves the library loaded for the rest of the process: a thread may still run its code,
  // and unloading it underneath that thread would crash the process.
  void KeepLoaded() { module_ = nullptr; }

 private:
  HMODULE module_;
};

class ThreadHandle {
 public:
  explicit ThreadHandle(HANDLE handle) : handle_(handle) {}
  ~ThreadHandle() {
    if (handle_) {
      CloseHandle(handle_);
    }
  }
  ThreadHandle(const ThreadHandle&) = delete;
  ThreadHandle& operator=(const ThreadHandle&) = delete;

  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

bool RegisterDll(const std::string& pDllPath, bool pRegister) {
  LoadedLibrary library(pDllPath);
  if (!library.Get()) {
    return false;
  }
  const char* name = pRegister ? "DllRegisterServer" : "DllUnregisterServer";
  FARPROC entry = GetProcAddress(library.Get(), name);
  if (!entry) {
    return false;
  }

  DWORD thread_id = 0;
  ThreadHandle thread(
      CreateThread(nullptr, 0, RunEntryPoint, reinterpret_cast<void*>(entry), 0, &thread_id));
  if (!thread.Get()) {
    return false;
  }
  if (WaitForSingleObject(thread.Get(), kRegistrationLimitMs) != WAIT_OBJECT_0) {
    library.KeepLoaded();
    return false;
  }
  DWORD status = 0;
  if (!GetExitCodeThread(thread.Get(), &status)) {
    return false;
  }
  return static_cast<HRESULT>(status) >= 0;
}

}  // namespace zant::modRegister
