#pragma once

#include <cstddef>
#include <string>

namespace zant::win32 {

// Letter case as the file system compares names: every UTF-16 unit replaced by its upper-case
// form from the system's own table, one for one (ß stays ß). Vista and later have the
// invariant mapping (LCMapStringEx without linguistic casing); NT 4.0, 2000 and XP the same
// table through ntdll's RtlUpcaseUnicodeChar; the 95 family, whose file systems compare names
// in the ANSI code page, has neither, and there the program's own table decides (UpperCaseChar).
wchar_t SystemUpperCaseUnit(wchar_t unit);

// A name upper-cased as above (UTF-8 in and out); ASCII names, the common case, in our own code.
std::string SystemUpperCase(const std::string& name);

// Upper-case ordinal comparison of two names (CompareStringOrdinal ignoring case on Vista and
// later, the units upper-cased as above elsewhere): less than zero, zero or greater than zero.
int CompareNamesIgnoringCase(const wchar_t* a, size_t a_length, const wchar_t* b, size_t b_length);

}  // namespace zant::win32
