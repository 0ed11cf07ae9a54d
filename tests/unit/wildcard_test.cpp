#include "platform/wildcard.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace zant {
namespace {

// The names of the measured wildcard table; "version." and the a.ldb/a.LDB pair can exist only
// on Linux file systems, but the matcher must still decide them.
const std::vector<std::string> kNames = {
    "do_a.txt",    "do_b.tx",  "do_c.t",   "do_d",      "do_e.txta",    "DO_F.TXT",
    "version.110", "version.", "version",  "versionx",  "a.ldb",        "a.ldbx",
    "a.LDB",       ".ldb",     "zant.exe", "version.1", "version.1234", "x.html"};

std::set<std::string> Matching(const std::string& pattern) {
  std::set<std::string> out;
  for (const std::string& name : kNames) {
    if (MatchesPattern(name, pattern)) {
      out.insert(name);
    }
  }
  return out;
}

TEST(MatchesPattern, FollowsTheWindowsLongNameRulesOfTheTable) {
  struct Row {
    std::string pattern;
    std::set<std::string> expected;
  };
  const std::vector<Row> rows = {
      {"do_*.???", {"do_a.txt", "do_b.tx", "do_c.t", "do_d", "do_e.txta", "DO_F.TXT"}},
      {"version.*", {"version.110", "version.", "version", "version.1", "version.1234"}},
      {"*.ldb", {"a.ldb", "a.LDB", ".ldb"}},
      {"ZANT.exe", {"zant.exe"}},
      {"*.", {"do_d", "version", "versionx"}},
      {"version?", {"version", "versionx"}},
      // "version." has an empty extension, which .??? accepts (the table leaves this
      // Linux-only name out of its Windows column).
      {"version.???", {"version.110", "version.1", "version", "version."}},
      {"do_?.t??", {"do_a.txt", "DO_F.TXT", "do_b.tx", "do_c.t"}},
      {"a.ldb?", {"a.ldb", "a.LDB", "a.ldbx"}},
      {"*.htm", {}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Matching(row.pattern), row.expected) << row.pattern;
  }
  std::set<std::string> all(kNames.begin(), kNames.end());
  EXPECT_EQ(Matching("*"), all);
  EXPECT_EQ(Matching("*.*"), all);
}

TEST(MatchesPattern, QuestionMarkIsOneCharacterButNeverADot) {
  EXPECT_TRUE(MatchesPattern("a.b", "?.?"));
  EXPECT_TRUE(MatchesPattern("a.", "?.?"));
  EXPECT_TRUE(MatchesPattern("a", "?.?"));
  EXPECT_FALSE(MatchesPattern("ab", "?.?"));
  EXPECT_FALSE(MatchesPattern("a.bc", "?.?"));
  EXPECT_FALSE(MatchesPattern("ab.c", "?.?"));
  EXPECT_FALSE(MatchesPattern("a.b", "a?b"));  // a ? in the middle never eats the dot
  EXPECT_TRUE(MatchesPattern("axb", "a?b"));
  EXPECT_FALSE(MatchesPattern("ab", "a?b"));  // only at a dot or the end may it match nothing
  EXPECT_TRUE(MatchesPattern("ab.ba", "a??.??"));
  EXPECT_FALSE(MatchesPattern("ab.ba", "??b.??"));
  EXPECT_TRUE(MatchesPattern("ab.ba.cab", "a??.b??.c???"));
}

TEST(MatchesPattern, DotBeforeWildcardAndTrailingStarDot) {
  EXPECT_TRUE(MatchesPattern("ab", "ab.*"));
  EXPECT_FALSE(MatchesPattern("abba", "ab.*"));
  EXPECT_FALSE(MatchesPattern("abba", "??.??.??"));  // the first dot is not at the name's end
  EXPECT_TRUE(MatchesPattern("ab.ba", "??.??.??"));
  EXPECT_TRUE(MatchesPattern("foo", "foo*."));
  EXPECT_FALSE(MatchesPattern("foo.bar", "foo*."));
  EXPECT_FALSE(MatchesPattern("a.b.c", "*."));
  EXPECT_TRUE(MatchesPattern("a.b.c", "*.c"));
  EXPECT_TRUE(MatchesPattern(".profile", ".*"));
  EXPECT_FALSE(MatchesPattern("profile", ".*"));
}

TEST(MatchesPattern, CaseFoldsAsciiOnlyAndCountsCharactersNotBytes) {
  EXPECT_TRUE(MatchesPattern("Zant.EXE", "zANT.exe"));
  EXPECT_TRUE(MatchesPattern("\xCE\xA9mega-\xC3\xBC.txt", "?mega-?.TXT"));  // Ωmega-ü.txt
  EXPECT_TRUE(MatchesPattern("\xCE\xA9mega-\xC3\xBC.txt", "\xCE\xA9*"));
  EXPECT_FALSE(MatchesPattern("\xC3\xBC.txt", "\xC3\x9C.txt"));  // ü and Ü differ
  EXPECT_FALSE(
      MatchesPattern("\xCE\xA9"
                     "a",
                     "??a"));                              // the first ? takes both bytes
  EXPECT_TRUE(MatchesPattern("bad\xFF.txt", "bad?.txt"));  // a stray byte is one character
}

TEST(MatchesPattern, EmptyPatternOrNameMatchesNothing) {
  EXPECT_FALSE(MatchesPattern("a", ""));
  EXPECT_FALSE(MatchesPattern("", "*"));
}

TEST(MatchesPattern, ManyStarsOnALongNameStayFast) {
  std::string name(20000, 'a');
  std::string pattern;
  for (int i = 0; i < 40; ++i) {
    pattern += "*a";
  }
  EXPECT_FALSE(MatchesPattern(name, pattern + "*b"));
  EXPECT_TRUE(MatchesPattern(name + "b", pattern + "*b"));
}

}  // namespace
}  // namespace zant
