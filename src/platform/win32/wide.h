#pragma once

#include <cstdint>
#include <string>

namespace zant::win32 {

// UTF-8 inside the program, UTF-16 at the Win32 boundary, converted by the program itself on every
// Windows (platform/utf16.h): every name Windows hands out comes back unchanged.
std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);
std::string Narrow(const wchar_t* utf16);

// The system's text for a Win32 error code, without the trailing line break.
std::string SystemErrorText(uint32_t code);

}  // namespace zant::win32
