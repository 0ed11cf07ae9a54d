#include "platform/utf16.h"

namespace zant {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// One sequence read from the bytes: the code point, or none, and how many bytes it took.
struct Sequence {
  bool valid;
  char32_t point;
  size_t length;
};

// The sequence at `at`. Each lead byte allows its own range for the byte after it, which rules
// out overlong forms and code points beyond U+10FFFF; every later byte is a continuation byte.
// An ill-formed sequence takes the bytes that could still have begun a valid one.
Sequence ReadSequence(std::string_view text, size_t at) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[at + k]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) {
    return {true, lead, 1};
  }
  size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    low = lead == 0xE0 ? 0xA0 : 0x80;  // ED A0..BF: a lone surrogate, kept
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    low = lead == 0xF0 ? 0x90 : 0x80;
    high = lead == 0xF4 ? 0x8F : 0xBF;
  } else {
    return {false, 0, 1};
  }
  char32_t point = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    if (at + k >= text.size()) {
      return {false, 0, k};
    }
    const unsigned char next = byte(k);
    const bool in_range = k == 1 ? next >= low && next <= high : next >= 0x80 && next <= 0xBF;
    if (!in_range) {
      return {false, 0, k};
    }
    point = (point << 6) | (next & 0x3F);
  }
  return {true, point, length};
}

}  // namespace

void AppendUtf8(std::string& out, char32_t point) {
  if (point < 0x80) {
    out.push_back(static_cast<char>(point));
  } else if (point < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (point >> 6)));
    out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
  } else if (point < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (point >> 12)));
    out.push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (point >> 18)));
    out.push_back(static_cast<char>(0x80 | ((point >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
  }
}

std::string Utf8FromUtf16(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size(); ++i) {
    char32_t unit = utf16[i];
    if (IsHighSurrogate(unit) && i + 1 < utf16.size() && IsLowSurrogate(utf16[i + 1])) {
      unit = 0x10000 + ((unit - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    }
    AppendUtf8(out, unit);
  }
  return out;
}

std::u16string Utf16FromUtf8(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  size_t at = 0;
  while (at < utf8.size()) {
    Sequence sequence = ReadSequence(utf8, at);
    at += sequence.length;
    if (!sequence.valid) {
      out.push_back(kReplacement);
      continue;
    }
    char32_t point = sequence.point;
    if (IsHighSurrogate(point) && at < utf8.size()) {
      // A high surrogate followed by a low one, each in three bytes, spells a character that has
      // its own four-byte form.
      Sequence next = ReadSequence(utf8, at);
      if (next.valid && IsLowSurrogate(next.point)) {
        out.push_back(kReplacement);
        out.push_back(kReplacement);
        at += next.length;
        continue;
      }
    }
    if (point >= 0x10000) {
      point -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (point >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (point & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(point));
    }
  }
  return out;
}

}  // namespace zant
