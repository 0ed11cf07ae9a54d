#include "command_line.h"

#include <windows.h>

namespace zant::e2e {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

std::wstring FromUtf8(const std::string& bytes) {
  if (bytes.empty()) {
    return {};
  }
  int length =
      MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(),
                      length);
  return wide;
}

// Reads the JSON string literal that starts at line[*pos] (the opening quote).
bool ReadQuoted(const std::string& line, size_t* pos, std::wstring* out, std::string* error) {
  std::string raw;  // runs of plain UTF-8 bytes between escapes
  out->clear();
  size_t i = *pos + 1;
  while (i < line.size()) {
    char c = line[i];
    if (c == '"') {
      *out += FromUtf8(raw);
      *pos = i + 1;
      return true;
    }
    if (c != '\\') {
      raw += c;
      ++i;
      continue;
    }
    *out += FromUtf8(raw);
    raw.clear();
    if (i + 1 >= line.size()) {
      break;
    }
    char e = line[i + 1];
    i += 2;
    switch (e) {
      case '"':
      case '\\':
      case '/':
        *out += static_cast<wchar_t>(e);
        break;
      case 'b':
        *out += L'\b';
        break;
      case 'f':
        *out += L'\f';
        break;
      case 'n':
        *out += L'\n';
        break;
      case 'r':
        *out += L'\r';
        break;
      case 't':
        *out += L'\t';
        break;
      case 'u': {
        if (i + 4 > line.size()) {
          *error = "short \\u escape";
          return false;
        }
        unsigned unit = 0;
        for (int k = 0; k < 4; ++k) {
          int digit = HexValue(line[i + k]);
          if (digit < 0) {
            *error = "bad \\u escape";
            return false;
          }
          unit = unit * 16 + static_cast<unsigned>(digit);
        }
        i += 4;
        *out += static_cast<wchar_t>(unit);
        break;
      }
      default:
        *error = std::string("unknown escape \\") + e;
        return false;
    }
  }
  *error = "unterminated quoted argument";
  return false;
}

}  // namespace

bool ParseCommand(const std::string& line, Command* command, std::string* error) {
  command->name.clear();
  command->args.clear();
  size_t pos = 0;
  bool first = true;
  while (true) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) {
      ++pos;
    }
    if (pos >= line.size()) {
      return true;
    }
    if (line[pos] == '"') {
      std::wstring text;
      if (!ReadQuoted(line, &pos, &text, error)) {
        return false;
      }
      if (first) {
        *error = "a command word cannot be quoted";
        return false;
      }
      command->args.push_back(text);
      continue;
    }
    size_t end = line.find_first_of(" \t", pos);
    if (end == std::string::npos) {
      end = line.size();
    }
    std::string word = line.substr(pos, end - pos);
    pos = end;
    if (first) {
      command->name = word;
      first = false;
    } else {
      command->args.push_back(FromUtf8(word));
    }
  }
}

long long ParseNumber(const std::wstring& text) {
  if (text.empty() || text.size() > 12) {
    return -1;
  }
  long long value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') {
      return -1;
    }
    value = value * 10 + (c - L'0');
  }
  return value;
}

}  // namespace zant::e2e
