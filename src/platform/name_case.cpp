#include "platform/name_case.h"

#include "platform/utf16.h"

namespace zant {

namespace {

// A block where upper and lower case alternate: the upper-case letter on the even code point
// (or on the odd one with upper_odd).
struct PairBlock {
  char32_t first;
  char32_t last;
  bool upper_odd;
};

constexpr PairBlock kPairBlocks[] = {
    {0x0100, 0x0130, false},  // Latin Extended-A: Āā ... Įį İ
    {0x0132, 0x0137, false},  // Ĳĳ ... Ķķ
    {0x0139, 0x0148, true},   // Ĺĺ ... Ňň
    {0x014A, 0x0177, false},  // Ŋŋ ... Ŷŷ
    {0x0179, 0x017E, true},   // Źź Żż Žž
    {0x01CD, 0x01DC, true},   // Latin Extended-B: Ǎǎ ... Ǜǜ
    {0x01DE, 0x01EF, false},  // Ǟǟ ... Ǯǯ
    {0x01F8, 0x021F, false},  // Ǹǹ ... Șș Țț ... Ȟȟ
    {0x0222, 0x0233, false},  // Ȣȣ ... Ȳȳ
    {0x03D8, 0x03EF, false},  // Greek archaic and Coptic letters
    {0x0460, 0x0481, false},  // Cyrillic historic letters
    {0x048A, 0x04BF, false},  // Cyrillic extended
    {0x04C1, 0x04CE, true},   // Ӂӂ ... Ӎӎ
    {0x04D0, 0x052F, false},  // Ӑӑ ... and the Cyrillic Supplement
    {0x1E00, 0x1E95, false},  // Latin Extended Additional
    {0x1EA0, 0x1EFF, false},  // Vietnamese letters
};

// A run of lower-case letters whose upper-case forms lie a fixed distance below.
struct ShiftBlock {
  char32_t first;
  char32_t last;
  char32_t down;
};

constexpr ShiftBlock kShiftBlocks[] = {
    {U'a', U'z', 0x20},      //
    {0x00E0, 0x00F6, 0x20},  // Latin-1 à ... ö (÷ is not a letter)
    {0x00F8, 0x00FE, 0x20},  // ø ... þ
    {0x03AC, 0x03AC, 0x26},  // ά
    {0x03AD, 0x03AF, 0x25},  // έ ή ί
    {0x03B1, 0x03C1, 0x20},  // α ... ρ
    {0x03C2, 0x03C2, 0x1F},  // final ς -> Σ
    {0x03C3, 0x03CB, 0x20},  // σ ... ϋ
    {0x03CC, 0x03CC, 0x40},  // ό
    {0x03CD, 0x03CE, 0x3F},  // ύ ώ
    {0x0430, 0x044F, 0x20},  // а ... я
    {0x0450, 0x045F, 0x50},  // ѐ ... џ
    {0x0561, 0x0586, 0x30},  // Armenian
    {0xFF41, 0xFF5A, 0x20},  // full-width a ... z
};

}  // namespace

char32_t UpperCaseChar(char32_t c) {
  if (c < 0x80) {
    return (c >= U'a' && c <= U'z') ? c - 0x20 : c;
  }
  if (c == 0x00FF) {
    return 0x0178;  // ÿ -> Ÿ
  }
  if (c == 0x04CF) {
    return 0x04C0;  // ӏ -> Ӏ
  }
  for (const ShiftBlock& block : kShiftBlocks) {
    if (c >= block.first && c <= block.last) {
      return c - block.down;
    }
  }
  for (const PairBlock& block : kPairBlocks) {
    if (c >= block.first && c <= block.last) {
      bool odd = (c & 1) != 0;
      return odd == block.upper_odd ? c : c - 1;
    }
  }
  return c;
}

std::vector<char32_t> DecodeUtf8(const std::string& text) {
  std::vector<char32_t> out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0x80           ? 1
                    : (lead >> 5) == 0x6  ? 2
                    : (lead >> 4) == 0xE  ? 3
                    : (lead >> 3) == 0x1E ? 4
                                          : 0;
    bool valid = length > 0 && i + length <= text.size();
    char32_t point = length == 1   ? lead
                     : length == 2 ? (lead & 0x1F)
                     : length == 3 ? (lead & 0x0F)
                                   : (lead & 0x07);
    for (size_t k = 1; valid && k < length; ++k) {
      unsigned char next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      point = (point << 6) | (next & 0x3F);
    }
    if (!valid) {
      out.push_back(kStrayByte + lead);
      ++i;
      continue;
    }
    out.push_back(point);
    i += length;
  }
  return out;
}

std::string UpperCaseName(const std::string& name) {
  std::string out;
  out.reserve(name.size());
  for (char32_t c : DecodeUtf8(name)) {
    c = UpperCaseChar(c);
    if (c >= kStrayByte) {
      out.push_back(static_cast<char>(c - kStrayByte));
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

}  // namespace zant
