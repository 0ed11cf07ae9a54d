#include "platform/wildcard.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/name_case.h"

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

TEST(MatchesPattern, IgnoresCaseAsTheFileSystemDoesAndCountsCharactersNotBytes) {
  EXPECT_TRUE(MatchesPattern("Zant.EXE", "zANT.exe"));
  EXPECT_TRUE(MatchesPattern("\xCE\xA9mega-\xC3\xBC.txt", "?mega-?.TXT"));  // Ωmega-ü.txt
  EXPECT_TRUE(MatchesPattern("\xCE\xA9mega-\xC3\xBC.txt", "\xCE\xA9*"));
  EXPECT_TRUE(MatchesPattern("\xC3\xBC.txt", "\xC3\x9C.TXT"));  // ü.txt, Ü.TXT
  EXPECT_TRUE(MatchesPattern("\xCF\x89MEGA", "\xCE\xA9mega"));  // ωMEGA, Ωmega
  EXPECT_FALSE(
      MatchesPattern("stra\xC3\x9F"
                     "e",
                     "STRASSE"));                    // straße: no one-letter upper ß
  EXPECT_FALSE(MatchesPattern("\xC3\xA9", "\xC9"));  // é is not the stray byte 0xC9 (É in Latin-1)
  EXPECT_FALSE(
      MatchesPattern("\xCE\xA9"
                     "a",
                     "??a"));                              // the first ? takes both bytes
  EXPECT_TRUE(MatchesPattern("bad\xFF.txt", "bad?.txt"));  // a stray byte is one character
}

TEST(MatchesPattern, TakesTheUpperCasingItIsGiven) {
  auto ascii_only = [](const std::string& name) {
    std::string out = name;
    for (char& c : out) {
      c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    }
    return out;
  };
  UpperCaseFn upper = ascii_only;
  EXPECT_TRUE(MatchesPattern("Zant.exe", "zANT.*", upper));
  EXPECT_FALSE(MatchesPattern("\xC3\xBC.txt", "\xC3\x9C.txt", upper));
  EXPECT_TRUE(MatchesPattern("\xC3\xBC.txt", "\xC3\x9C.txt", &UpperCaseName));
}

// The portable table: every lower-case letter of the scripts it covers pairs with its upper
// case, both ways round through UpperCaseName.
TEST(UpperCaseChar, MapsLatinGreekAndCyrillicOneForOne) {
  struct Pair {
    char32_t lower;
    char32_t upper;
  };
  const std::vector<Pair> pairs = {
      {U'a', U'A'},     {U'z', U'Z'},     {0x00E0, 0x00C0}, {0x00FE, 0x00DE}, {0x00FF, 0x0178},
      {0x0101, 0x0100}, {0x0133, 0x0132}, {0x013A, 0x0139}, {0x0148, 0x0147}, {0x0151, 0x0150},
      {0x017E, 0x017D}, {0x0219, 0x0218}, {0x03AC, 0x0386}, {0x03AF, 0x038A}, {0x03B1, 0x0391},
      {0x03C2, 0x03A3}, {0x03C9, 0x03A9}, {0x03CE, 0x038F}, {0x0430, 0x0410}, {0x044F, 0x042F},
      {0x0451, 0x0401}, {0x045F, 0x040F}, {0x0491, 0x0490}, {0x04C2, 0x04C1}, {0x04CF, 0x04C0},
      {0x0561, 0x0531}, {0xFF41, 0xFF21}, {0x1EA1, 0x1EA0},
  };
  for (const Pair& pair : pairs) {
    EXPECT_EQ(UpperCaseChar(pair.lower), pair.upper)
        << std::hex << static_cast<uint32_t>(pair.lower);
    EXPECT_EQ(UpperCaseChar(pair.upper), pair.upper)
        << std::hex << static_cast<uint32_t>(pair.upper);
  }
  // Left alone: ß (no one-letter upper case), ÷, the dotless ı, İ, the long ſ, µ, digits.
  for (char32_t same : {0x00DFu, 0x00F7u, 0x0131u, 0x0130u, 0x017Fu, 0x00B5u, 0x0138u, 0x0149u,
                        static_cast<unsigned>(U'7')}) {
    EXPECT_EQ(UpperCaseChar(same), same) << std::hex << static_cast<uint32_t>(same);
  }
  EXPECT_EQ(UpperCaseName("\xC3\xBC"
                          "ber-\xCF\x89-\xD1\x8F-stra\xC3\x9F"
                          "e-bad\xFF"),
            "\xC3\x9C"
            "BER-\xCE\xA9-\xD0\xAF-STRA\xC3\x9F"
            "E-BAD\xFF");  // ÜBER-Ω-Я-STRAßE
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
