#include "platform/win32/wide.h"

#include <windows.h>

#include "platform/utf16.h"
#include "platform/win32/system_calls.h"

namespace zant::win32 {

// wchar_t is a UTF-16 unit on Windows.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring Widen(const std::string& utf8) {
  std::u16string units = Utf16FromUtf8(utf8);
  return std::wstring(units.begin(), units.end());
}

std::string Narrow(const std::wstring& utf16) {
  return Utf8FromUtf16(std::u16string(utf16.begin(), utf16.end()));
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
