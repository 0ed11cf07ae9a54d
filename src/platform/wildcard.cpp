#include "platform/wildcard.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/name_case.h"

namespace zant {

namespace {

// The pattern after the Win32 rewrite: ? becomes a "dos question mark", a dot before ? or * a
// "dos dot", a trailing *. a "dos star".
enum class Kind : uint8_t {
  kLiteral,  // one character, upper-cased
  kStar,     // any run of characters
  kDosStar,  // any run of characters that does not consume the name's last dot
  kDosQm,    // one character other than a dot; nothing when facing a dot or the end
  kDosDot,   // a dot, or nothing at the end of the name
};

struct Token {
  Kind kind;
  char32_t ch;
};

std::vector<Token> Translate(const std::vector<char32_t>& pattern) {
  std::vector<Token> tokens;
  tokens.reserve(pattern.size());
  for (size_t i = 0; i < pattern.size(); ++i) {
    char32_t c = pattern[i];
    bool last = i + 1 == pattern.size();
    if (c == U'*') {
      tokens.push_back({Kind::kStar, 0});
    } else if (c == U'?') {
      tokens.push_back({Kind::kDosQm, 0});
    } else if (c == U'.' && last && i > 0 && pattern[i - 1] == U'*') {
      tokens.back().kind = Kind::kDosStar;  // "*." at the end: the dot is dropped
    } else if (c == U'.' && !last && (pattern[i + 1] == U'?' || pattern[i + 1] == U'*')) {
      tokens.push_back({Kind::kDosDot, 0});
    } else {
      tokens.push_back({Kind::kLiteral, c});
    }
  }
  return tokens;
}

// Adds the positions reachable without consuming a character. at_end: the name is used up;
// otherwise c is the next name character. Every such move goes one token forward, so one pass
// in increasing order reaches them all.
void Close(const std::vector<Token>& tokens, std::vector<uint8_t>& active, bool at_end,
           char32_t c) {
  for (size_t p = 0; p < tokens.size(); ++p) {
    if (!active[p]) {
      continue;
    }
    Kind kind = tokens[p].kind;
    bool skip = kind == Kind::kStar || kind == Kind::kDosStar ||
                (kind == Kind::kDosQm && (at_end || c == U'.')) ||
                (kind == Kind::kDosDot && at_end);
    if (skip) {
      active[p + 1] = 1;
    }
  }
}

// Matches an upper-cased name against an upper-cased pattern, character for character.
bool MatchUpperCased(const std::vector<char32_t>& text, const std::vector<char32_t>& pattern) {
  std::vector<Token> tokens = Translate(pattern);
  size_t last_dot = text.size();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == U'.') {
      last_dot = i;
    }
  }

  // active[p]: the name so far can be matched by the first p tokens.
  std::vector<uint8_t> active(tokens.size() + 1, 0);
  std::vector<uint8_t> next(tokens.size() + 1, 0);
  active[0] = 1;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    Close(tokens, active, false, c);
    std::fill(next.begin(), next.end(), 0);
    bool any = false;
    for (size_t p = 0; p < tokens.size(); ++p) {
      if (!active[p]) {
        continue;
      }
      const Token& token = tokens[p];
      switch (token.kind) {
        case Kind::kStar:
          next[p] = 1;
          break;
        case Kind::kDosStar:
          next[p] = next[p] | (i != last_dot);
          break;
        case Kind::kDosQm:
          next[p + 1] = next[p + 1] | (c != U'.');
          break;
        case Kind::kDosDot:
          next[p + 1] = next[p + 1] | (c == U'.');
          break;
        case Kind::kLiteral:
          next[p + 1] = next[p + 1] | (c == token.ch);
          break;
      }
    }
    for (uint8_t state : next) {
      any = any || state;
    }
    if (!any) {
      return false;
    }
    active.swap(next);
  }
  Close(tokens, active, true, 0);
  return active[tokens.size()] != 0;
}

std::vector<char32_t> UpperCased(const std::string& text) {
  std::vector<char32_t> out = DecodeUtf8(text);
  for (char32_t& c : out) {
    c = UpperCaseChar(c);
  }
  return out;
}

}  // namespace

bool HasWildcards(const std::string& text) {
  return text.find_first_of("*?") != std::string::npos;
}

bool MatchesPattern(const std::string& name, const std::string& pattern) {
  if (name.empty() || pattern.empty()) {
    return false;
  }
  if (pattern == "*" || pattern == "*.*") {
    return true;
  }
  return MatchUpperCased(UpperCased(name), UpperCased(pattern));
}

bool MatchesPattern(const std::string& name, const std::string& pattern, UpperCaseFn upper_case) {
  if (name.empty() || pattern.empty()) {
    return false;
  }
  if (pattern == "*" || pattern == "*.*") {
    return true;
  }
  return MatchUpperCased(DecodeUtf8(upper_case(name)), DecodeUtf8(upper_case(pattern)));
}

}  // namespace zant
