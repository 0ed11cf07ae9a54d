#pragma once

#include <string>
#include <vector>

namespace zant {

// Letter case of file names as Windows file systems compare them: every character is replaced
// by its simple (one character for one) upper-case form, so "über.doc" and "ÜBER.DOC" are one
// name while "straße" and "STRASSE" stay two (ß has no one-character upper case). This portable
// table covers ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic, Armenian and the full-width
// Latin letters; anything else is left as it is. Like Windows, it leaves the dotless ı and the
// long ſ alone (neither becomes an ASCII letter), and the micro sign µ too.
char32_t UpperCaseChar(char32_t c);

// UTF-8 decoded into code points. A byte that does not start a well-formed sequence stands for
// itself as kStrayByte + the byte, outside Unicode, so any byte string can be compared and no
// stray byte is mistaken for a letter.
constexpr char32_t kStrayByte = 0x110000;
std::vector<char32_t> DecodeUtf8(const std::string& text);

// The name with every character upper-cased (UTF-8 in and out; stray bytes kept).
std::string UpperCaseName(const std::string& name);

}  // namespace zant
