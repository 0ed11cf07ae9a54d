#pragma once

#include <string>

namespace zant {

// Whether a file name matches a wildcard pattern the way Windows matches long names
// (FindFirstFile rules), decided by our own code so that every machine agrees and 8.3 short
// names never take part:
//   *   any run of characters, dots included;
//   ?   exactly one character other than a dot; a ? facing a dot or the end of the name matches
//       nothing, so ?s at the end of the pattern or just before a . may match nothing;
//   .   followed by ? or * also matches the end of a name without extension
//       ("version.*" matches "version", "do_*.???" matches "do_d");
//   *.  at the end of the pattern matches only names without extension ("*." matches
//       "versionx", not "version.110"); "*" and "*.*" match every name.
// Names ending in a dot (possible only on Linux file systems) count as having an extension.
// Case is ignored as the file system ignores it: both strings are upper-cased character by
// character (simple case mapping, UpperCaseChar), then compared by code point, so a ? matches
// one character, not one byte, and "straße" never matches "STRASSE". Both strings are UTF-8.
// An empty pattern matches nothing. Time is proportional to name length times pattern length.
bool MatchesPattern(const std::string& name, const std::string& pattern);

// The same match with the upper-casing of a particular system: upper_case maps a UTF-8 name to
// its upper-case form, one character for one (the Win32 layer passes the system's own table).
using UpperCaseFn = std::string (*)(const std::string& name);
bool MatchesPattern(const std::string& name, const std::string& pattern, UpperCaseFn upper_case);

// True when the text holds * or ?.
bool HasWildcards(const std::string& text);

}  // namespace zant
