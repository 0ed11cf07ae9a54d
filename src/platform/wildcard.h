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
// Case is ignored for ASCII letters only; other characters must be equal. Both strings are
// UTF-8 and are compared by code point, so a ? matches one character, not one byte. An empty
// pattern matches nothing. Time is proportional to name length times pattern length.
bool MatchesPattern(const std::string& name, const std::string& pattern);

// True when the text holds * or ?.
bool HasWildcards(const std::string& text);

}  // namespace zant
