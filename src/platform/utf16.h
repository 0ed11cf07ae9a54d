#pragma once

#include <string>
#include <string_view>

namespace zant {

// The program's own conversion between its UTF-8 strings and the UTF-16 of Windows names and
// texts, the same on every Windows: Windows 95 has no UTF-8 code page, so the system cannot be
// asked.
//
// Every UTF-16 string round-trips, also one that is not well-formed Unicode: an NTFS name may
// hold a surrogate without its partner, which becomes the three bytes of its code point (the
// generalised UTF-8 known as WTF-8), so that the name leads back to the same file. A surrogate
// pair becomes the four bytes of its character, as in UTF-8.
std::string Utf8FromUtf16(std::u16string_view utf16);

// UTF-8 (and the three-byte forms of lone surrogates above) to UTF-16. What is not well formed
// becomes U+FFFD, one for each maximal part of a sequence that could have been valid (a stray
// continuation byte, a sequence cut short, an overlong form, a code point beyond U+10FFFF), as
// Unicode recommends. So does a surrogate pair written as two three-byte forms: the character
// has one spelling only, its four bytes, and no two strings name the same file.
std::u16string Utf16FromUtf8(std::string_view utf8);

// Appends one code point (a lone surrogate too) in its UTF-8 form of one to four bytes.
void AppendUtf8(std::string& out, char32_t point);

}  // namespace zant
