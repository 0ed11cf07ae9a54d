#include "platform/win32/ansi_text.h"

#include <windows.h>

#include <cstring>

namespace zant::win32 {

std::string ToAnsiText(const std::wstring& text) {
  if (text.empty()) {
    return {};
  }
  int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
  }
  return out;
}

bool ToAnsiName(const std::wstring& name, std::string* ansi) {
  // No flags: the 95 family refuses the ones that would report a replacement directly, so the
  // round trip decides.
  *ansi = ToAnsiText(name);
  return FromAnsi(ansi->data(), ansi->size()) == name && ansi->find('\0') == std::string::npos;
}

std::wstring FromAnsi(const char* ansi, size_t length) {
  if (length == 0) {
    return {};
  }
  int n = MultiByteToWideChar(CP_ACP, 0, ansi, static_cast<int>(length), nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) {
    MultiByteToWideChar(CP_ACP, 0, ansi, static_cast<int>(length), out.data(), n);
  }
  return out;
}

std::wstring FromAnsi(const char* ansi) {
  return ansi ? FromAnsi(ansi, std::strlen(ansi)) : std::wstring();
}

}  // namespace zant::win32
