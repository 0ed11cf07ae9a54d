#include "platform/reparse_tag.h"

namespace zant {

namespace {

// The name-surrogate bit of a reparse tag (IsReparseTagNameSurrogate in the Windows headers).
constexpr uint32_t kNameSurrogate = 0x20000000;

}  // namespace

bool IsLinkTag(uint32_t tag) {
  return tag == 0 || (tag & kNameSurrogate) != 0;
}

}  // namespace zant
