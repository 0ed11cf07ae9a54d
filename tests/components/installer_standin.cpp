// A stand-in for an installer on the update medium. It records how it was started in the
// current user's registry and exits:
//   HKCU\Software\ZANTStandIns\Installers\<its exe file name>
//     CommandLine (REG_SZ)    the full command line it received
//     ShowWindow  (REG_DWORD) wShowWindow of its STARTUPINFO
// ShowWindow is written last, so a reader that sees it sees the whole record.
#include <windows.h>

#include <string>

namespace {

std::wstring OwnFileName() {
  std::wstring path(32768, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(n);
  size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::wstring key_path = L"Software\\ZANTStandIns\\Installers\\" + OwnFileName();
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key_path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    return 1;
  }
  std::wstring command_line = GetCommandLineW();
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  GetStartupInfoW(&startup);
  DWORD show = startup.wShowWindow;
  bool ok = RegSetValueExW(
                key, L"CommandLine", 0, REG_SZ, reinterpret_cast<const BYTE*>(command_line.c_str()),
                static_cast<DWORD>((command_line.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS &&
            RegSetValueExW(key, L"ShowWindow", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&show),
                           sizeof(show)) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok ? 0 : 1;
}
