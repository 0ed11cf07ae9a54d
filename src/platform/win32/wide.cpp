#include "platform/win32/wide.h"

#include <windows.h>

#include "platform/win32/system_calls.h"

namespace zant::win32 {

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) {
    return {};
  }
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Narrow(const std::wstring& utf16) {
  if (utf16.empty()) {
    return {};
  }
  int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::string Narrow(const wchar_t* utf16) {
  return Narrow(std::wstring(utf16 ? utf16 : L""));
}

std::string SystemErrorText(uint32_t code) {
  std::wstring text = sys::ErrorText(code);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                           text.back() == L'.')) {
    text.pop_back();
  }
  if (text.empty()) {
    return "Error " + std::to_string(code);
  }
  return Narrow(text);
}

}  // namespace zant::win32
