#pragma once

// Helpers for the Windows tests that use the stand-in components (tests/components): where
// they are, what they recorded in the registry, and a scratch folder to lay them out in.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace zant::standins {

// The stand-ins are built into <build>\components; the test program lies in <build>\tests.
inline std::wstring ComponentsFolder() {
  std::wstring exe(32768, L'\0');
  exe.resize(GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size())));
  std::filesystem::path folder = std::filesystem::path(exe).parent_path().parent_path();
  return (folder / L"components").wstring();
}

inline std::wstring ComponentPath(const std::wstring& file_name) {
  return ComponentsFolder() + L"\\" + file_name;
}

// Where the stand-ins record what happened to them: the libraries' registrations below
// HKEY_LOCAL_MACHINE, the installers' starts below HKEY_CURRENT_USER.
inline const wchar_t kStandInsKey[] = L"Software\\ZANTStandIns";
inline const wchar_t kRegisteredKey[] = L"Software\\ZANTStandIns\\Registered";
inline std::wstring InstallerKey(const std::wstring& exe_name) {
  return L"Software\\ZANTStandIns\\Installers\\" + exe_name;
}

inline void ForgetStandInRecords() {
  RegDeleteTreeW(HKEY_CURRENT_USER, kStandInsKey);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kStandInsKey);
}

inline std::optional<std::wstring> ReadRegistryString(const std::wstring& key,
                                                      const std::wstring& value,
                                                      HKEY root = HKEY_CURRENT_USER) {
  wchar_t data[4096] = {};
  DWORD size = sizeof(data) - sizeof(wchar_t);
  if (RegGetValueW(root, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, data, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(data);
}

inline std::optional<DWORD> ReadRegistryDword(const std::wstring& key, const std::wstring& value) {
  DWORD data = 0;
  DWORD size = sizeof(data);
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), value.c_str(), RRF_RT_REG_DWORD, nullptr, &data,
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return data;
}

inline bool RegistryKeyExists(const std::wstring& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(handle);
  return true;
}

// Polls until the condition holds or the limit has passed; returns the condition's last answer.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(60)) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return condition();
    }
    Sleep(20);
  }
  return true;
}

// A fresh folder below the temporary folder, removed with everything in it at the end.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    path_ = std::filesystem::path(temp) / (name + L"-" + std::to_wstring(GetCurrentProcessId()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::wstring Path() const { return path_.wstring(); }

 private:
  std::filesystem::path path_;
};

}  // namespace zant::standins
