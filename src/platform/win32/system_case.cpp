#include "platform/win32/system_case.h"

#include <windows.h>

#include <algorithm>

#include "platform/name_case.h"
#include "platform/win32/optional_function.h"
#include "platform/win32/wide.h"

namespace zant::win32 {

namespace {

using LCMapStringExFn = int(WINAPI*)(LPCWSTR, DWORD, LPCWSTR, int, LPWSTR, int, LPNLSVERSIONINFO,
                                     LPVOID, LPARAM);
using CompareStringOrdinalFn = int(WINAPI*)(LPCWSTR, int, LPCWSTR, int, BOOL);
using RtlUpcaseUnicodeCharFn = WCHAR(WINAPI*)(WCHAR);

LCMapStringExFn MapStringEx() {
  static OptionalFunction<LCMapStringExFn> function("kernel32.dll", "LCMapStringEx");
  return function.Get();
}

CompareStringOrdinalFn CompareOrdinal() {
  static OptionalFunction<CompareStringOrdinalFn> function("kernel32.dll", "CompareStringOrdinal");
  return function.Get();
}

RtlUpcaseUnicodeCharFn UpcaseUnit() {
  static OptionalFunction<RtlUpcaseUnicodeCharFn> function("ntdll.dll", "RtlUpcaseUnicodeChar");
  return function.Get();
}

// The units upper-cased one by one, by the system's table or else our own; a surrogate (a
// character beyond the first 65,536) has no case in either and stays.
std::wstring UpperCaseUnits(std::wstring text) {
  RtlUpcaseUnicodeCharFn upcase = UpcaseUnit();
  for (wchar_t& unit : text) {
    if (upcase) {
      unit = upcase(unit);
    } else if (unit < 0xD800 || unit > 0xDFFF) {
      unit = static_cast<wchar_t>(UpperCaseChar(unit));
    }
  }
  return text;
}

}  // namespace

wchar_t SystemUpperCaseUnit(wchar_t unit) {
  if (unit < 0x80) {
    return (unit >= L'a' && unit <= L'z') ? unit - (L'a' - L'A') : unit;
  }
  if (LCMapStringExFn map = MapStringEx()) {
    wchar_t upper = unit;
    if (map(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, &unit, 1, &upper, 1, nullptr, nullptr, 0) ==
        1) {
      return upper;
    }
  }
  return UpperCaseUnits(std::wstring(1, unit))[0];
}

std::string SystemUpperCase(const std::string& name) {
  std::string out = name;
  for (char& c : out) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      std::wstring wide = Widen(name);
      if (LCMapStringExFn map = MapStringEx()) {
        std::wstring upper(wide.size(), L'\0');
        int length =
            map(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.c_str(), static_cast<int>(wide.size()),
                upper.data(), static_cast<int>(upper.size()), nullptr, nullptr, 0);
        if (length > 0) {
          upper.resize(static_cast<size_t>(length));
          return Narrow(upper);
        }
      }
      return Narrow(UpperCaseUnits(wide));
    }
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

int CompareNamesIgnoringCase(const wchar_t* a, size_t a_length, const wchar_t* b, size_t b_length) {
  if (CompareStringOrdinalFn compare = CompareOrdinal()) {
    int result = compare(a, static_cast<int>(a_length), b, static_cast<int>(b_length), TRUE);
    if (result != 0) {
      return result - CSTR_EQUAL;
    }
  }
  size_t common = std::min(a_length, b_length);
  for (size_t i = 0; i < common; ++i) {
    wchar_t x = SystemUpperCaseUnit(a[i]);
    wchar_t y = SystemUpperCaseUnit(b[i]);
    if (x != y) {
      return x < y ? -1 : 1;
    }
  }
  return a_length < b_length ? -1 : a_length > b_length ? 1 : 0;
}

}  // namespace zant::win32
