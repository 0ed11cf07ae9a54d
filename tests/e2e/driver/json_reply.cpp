#include "json_reply.h"

#include <cstdio>

namespace zant::e2e {

namespace {

void AppendEscaped(std::string& out, unsigned unit) {
  switch (unit) {
    case '"':
      out += "\\\"";
      return;
    case '\\':
      out += "\\\\";
      return;
    case '\r':
      out += "\\r";
      return;
    case '\n':
      out += "\\n";
      return;
    case '\t':
      out += "\\t";
      return;
    default:
      break;
  }
  if (unit < 0x20 || unit >= 0x7F) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\u%04x", unit & 0xFFFF);
    out += buffer;
  } else {
    out += static_cast<char>(unit);
  }
}

}  // namespace

std::string JsonString(const std::wstring& text) {
  std::string out = "\"";
  // UTF-16 code units map one to one onto \u escapes, surrogate pairs included.
  for (wchar_t unit : text) {
    AppendEscaped(out, static_cast<unsigned>(unit));
  }
  out += '"';
  return out;
}

std::string JsonString(const std::string& ascii) {
  std::string out = "\"";
  for (char c : ascii) {
    AppendEscaped(out, static_cast<unsigned char>(c));
  }
  out += '"';
  return out;
}

std::string JsonArray(const std::vector<std::string>& encoded_items) {
  std::string out = "[";
  for (size_t i = 0; i < encoded_items.size(); ++i) {
    if (i > 0) {
      out += ',';
    }
    out += encoded_items[i];
  }
  out += ']';
  return out;
}

void JsonObject::AddKey(const char* key) {
  if (!body_.empty()) {
    body_ += ',';
  }
  body_ += JsonString(std::string(key));
  body_ += ':';
}

JsonObject& JsonObject::AddText(const char* key, const std::wstring& value) {
  AddKey(key);
  body_ += JsonString(value);
  return *this;
}

JsonObject& JsonObject::AddText(const char* key, const std::string& ascii_value) {
  AddKey(key);
  body_ += JsonString(ascii_value);
  return *this;
}

JsonObject& JsonObject::AddBool(const char* key, bool value) {
  AddKey(key);
  body_ += value ? "true" : "false";
  return *this;
}

JsonObject& JsonObject::AddNumber(const char* key, long long value) {
  AddKey(key);
  body_ += std::to_string(value);
  return *this;
}

JsonObject& JsonObject::AddNumber(const char* key, double value) {
  AddKey(key);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3f", value);
  body_ += buffer;
  return *this;
}

JsonObject& JsonObject::AddNull(const char* key) {
  AddKey(key);
  body_ += "null";
  return *this;
}

JsonObject& JsonObject::AddRaw(const char* key, const std::string& value) {
  AddKey(key);
  body_ += value;
  return *this;
}

std::string JsonObject::Text() const {
  return "{" + body_ + "}";
}

}  // namespace zant::e2e
