#include "platform/win32/register_dll.h"

#include <windows.h>

#include "platform/win32/library_search.h"
#include "platform/win32/unique_handle.h"
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

}  // namespace

bool RegisterDll(const std::string& pDllPath, bool pRegister) {
  win32::LibraryHandle library(win32::LoadLibraryAt(win32::Widen(pDllPath)));
  if (!library.valid()) {
    return false;
  }
  const char* name = pRegister ? "DllRegisterServer" : "DllUnregisterServer";
  FARPROC entry = GetProcAddress(library.get(), name);
  if (!entry) {
    return false;
  }

  DWORD thread_id = 0;
  win32::KernelHandle thread(
      CreateThread(nullptr, 0, RunEntryPoint, reinterpret_cast<void*>(entry), 0, &thread_id));
  if (!thread.valid()) {
    return false;
  }
  if (WaitForSingleObject(thread.get(), kRegistrationLimitMs) != WAIT_OBJECT_0) {
    // The library stays loaded for the rest of the process: the thread may still run its
    // code, and unloading it underneath that thread would crash the process.
    library.release();
    return false;
  }
  DWORD status = 0;
  if (!GetExitCodeThread(thread.get(), &status)) {
    return false;
  }
  return static_cast<HRESULT>(status) >= 0;
}

}  // namespace zant::modRegister
