// A stand-in for a component library of the update medium. Its registration entry points
// record the registration in the machine's registry, as a component's registration of its
// classes does, where tests and the demo read it:
//   HKLM\Software\ZANTStandIns\Registered, value = the library's file name, data = its path.
// A 32-bit library on 64-bit Windows writes there through the 32-bit view of the registry
// (HKLM\Software\WOW6432Node), as a real component does.
// Compile definitions pick the behaviour:
//   STANDIN_GOOD      registers and unregisters itself, returns S_OK
//   STANDIN_FAILCODE  records nothing, returns E_FAIL
//   STANDIN_SLOW      sleeps 15 s, then registers like a good library
//   STANDIN_DEPENDENT registers like a good library, but imports zantdep.dll by name, a library
//                     that no system folder holds: it loads only where that name is found
// Which entry points a build exports is decided by its .def file (exact, undecorated names).
#include <windows.h>

#include <string>

namespace {

#if defined(STANDIN_FAILCODE)
constexpr bool kReportsFailure = true;
#else
constexpr bool kReportsFailure = false;
#endif

#if defined(STANDIN_SLOW)
constexpr DWORD kRegistrationDelayMs = 15000;
#else
constexpr DWORD kRegistrationDelayMs = 0;
#endif

#if defined(STANDIN_DEPENDENT)
extern "C" __declspec(dllimport) int ZantDepPresent();
bool DependencyPresent() {
  return ZantDepPresent() != 0;
}
#else
bool DependencyPresent() {
  return true;
}
#endif

const wchar_t kRegisteredKey[] = L"Software\\ZANTStandIns\\Registered";

std::wstring OwnPath() {
  HMODULE self = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&OwnPath), &self);
  std::wstring path(32768, L'\0');
  DWORD n = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
  path.resize(n);
  return path;
}

std::wstring FileName(const std::wstring& path) {
  size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

HRESULT Record(bool registered) {
  std::wstring path = OwnPath();
  if (path.empty()) {
    return E_UNEXPECTED;
  }
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRegisteredKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    return E_FAIL;
  }
  std::wstring name = FileName(path);
  LSTATUS status;
  if (registered) {
    status =
        RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                       static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
  } else {
    status = RegDeleteValueW(key, name.c_str());
    if (status == ERROR_FILE_NOT_FOUND) {
      status = ERROR_SUCCESS;
    }
  }
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? S_OK : E_FAIL;
}

}  // namespace

extern "C" HRESULT STDAPICALLTYPE StandInRegister() {
  if (kReportsFailure) {
    return E_FAIL;
  }
  if (kRegistrationDelayMs > 0) {
    Sleep(kRegistrationDelayMs);
  }
  if (!DependencyPresent()) {
    return E_FAIL;
  }
  return Record(true);
}

extern "C" HRESULT STDAPICALLTYPE StandInUnregister() {
  if (kReportsFailure) {
    return E_FAIL;
  }
  return Record(false);
}
