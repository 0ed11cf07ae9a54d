#pragma once

#include <cstddef>
#include <string>

namespace zant::win32 {

// Names and texts in the system's ANSI code page, the form the 95 family's A functions take
// and give.

// The name in the ANSI code page, only when the code page holds it exactly: converted back it
// must be the same name (no character replaced by '?', none by a look-alike such as ł by l,
// which would name another file). False otherwise.
bool ToAnsiName(const std::wstring& name, std::string* ansi);

// A text to show or to write to a log: characters the code page lacks become what the system
// puts in their place.
std::string ToAnsiText(const std::wstring& text);

std::wstring FromAnsi(const char* ansi, size_t length);
std::wstring FromAnsi(const char* ansi);

}  // namespace zant::win32
