#include "platform/utf16.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zant {
namespace {

// Both directions for what is well formed: every length of sequence at its edges, and the
// surrogates, paired or alone, as an NTFS name may hold them.
TEST(Utf16, ConvertsBothWaysEveryLengthAndEverySurrogate) {
  struct Row {
    const char* what;
    std::u16string utf16;
    std::string utf8;
  };
  const std::vector<Row> rows = {
      {"empty", u"", ""},
      {"one byte, lowest and highest", {0x0001, 0x007F}, "\x01\x7F"},
      {"two bytes, lowest and highest", {0x0080, 0x07FF}, "\xC2\x80\xDF\xBF"},
      {"three bytes, lowest", {0x0800}, "\xE0\xA0\x80"},
      {"three bytes, below the surrogates", {0xD7FF}, "\xED\x9F\xBF"},
      {"three bytes, above the surrogates and highest",
       {0xE000, 0xFFFF},
       "\xEE\x80\x80\xEF\xBF\xBF"},
      {"four bytes, lowest", {0xD800, 0xDC00}, "\xF0\x90\x80\x80"},
      {"four bytes, highest", {0xDBFF, 0xDFFF}, "\xF4\x8F\xBF\xBF"},
      {"a name with a character of every length", u"d\u00FC\u20AC\U0001F600.txt",
       "d\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80.txt"},
      {"a lone high surrogate, first and last",
       {0xD800, u'a', 0xDBFF},
       "\xED\xA0\x80"
       "a\xED\xAF\xBF"},
      {"a lone low surrogate, first and last",
       {0xDC00, u'a', 0xDFFF},
       "\xED\xB0\x80"
       "a\xED\xBF\xBF"},
      {"a low surrogate before a high one: two lone ones",
       {0xDC00, 0xD800},
       "\xED\xB0\x80\xED\xA0\x80"},
      {"two high surrogates, the second paired",
       {0xD800, 0xD800, 0xDC00},
       "\xED\xA0\x80\xF0\x90\x80\x80"},
      {"a pair, then a lone low surrogate",
       {0xD800, 0xDC00, 0xDC00},
       "\xF0\x90\x80\x80\xED\xB0\x80"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Utf8FromUtf16(row.utf16), row.utf8) << row.what;
    EXPECT_EQ(Utf16FromUtf8(row.utf8), row.utf16) << row.what;
  }
}

// What no conversion of a Windows string gives: each maximal part of an ill-formed sequence is
// one U+FFFD, and the text around it is kept.
TEST(Utf16, ReplacesWhatIsNotWellFormed) {
  constexpr char16_t R = 0xFFFD;
  struct Row {
    const char* what;
    std::string utf8;
    std::u16string utf16;
  };
  const std::vector<Row> rows = {
      {"a stray continuation byte", "a\x80z", {u'a', R, u'z'}},
      {"two stray continuation bytes", "\x80\xBF", {R, R}},
      {"a lead byte at the end", "a\xC3", {u'a', R}},
      {"a three-byte sequence cut short", "\xE2\x82z", {R, u'z'}},
      {"a four-byte sequence cut short at the end", "\xF0\x9F\x98", {R}},
      {"a lead byte followed by a new sequence", "\xC3\xC3\xBC", {R, 0x00FC}},
      {"an overlong two-byte form", "\xC0\xAF\xC1\xBF", {R, R, R, R}},
      {"an overlong three-byte form", "\xE0\x80\xAF", {R, R, R}},
      {"an overlong four-byte form", "\xF0\x80\x80\x80", {R, R, R, R}},
      {"a code point beyond U+10FFFF", "\xF4\x90\x80\x80", {R, R, R, R}},
      {"bytes that never start a sequence", "\xF5\xFE\xFF", {R, R, R}},
      {"a surrogate pair in two three-byte forms", "\xED\xA0\x80\xED\xB0\x80z", {R, R, u'z'}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Utf16FromUtf8(row.utf8), row.utf16) << row.what;
  }
}

// Every string of UTF-16 units comes back as it was: all 65,536 units alone and between
// letters, and every high surrogate with every low one after it.
TEST(Utf16, EveryUnitAndEveryPairRoundTrips) {
  for (uint32_t unit = 0; unit <= 0xFFFF; ++unit) {
    const std::u16string text = {u'a', static_cast<char16_t>(unit), u'b'};
    ASSERT_EQ(Utf16FromUtf8(Utf8FromUtf16(text)), text) << "unit " << unit;
  }
  for (uint32_t high = 0xD800; high <= 0xDBFF; high += 0x3F) {
    for (uint32_t low = 0xDC00; low <= 0xDFFF; ++low) {
      const std::u16string text = {static_cast<char16_t>(high), static_cast<char16_t>(low)};
      ASSERT_EQ(Utf16FromUtf8(Utf8FromUtf16(text)), text) << "pair " << high << " " << low;
    }
  }
}

}  // namespace
}  // namespace zant
