#pragma once

#include <string>
#include <vector>

namespace zant::e2e {

// A JSON string literal for UTF-16 text. The result is pure ASCII: control characters and
// everything outside ASCII are written as \uXXXX escapes, so a reply always fits on one line
// and survives any code page between the driver and the test.
std::string JsonString(const std::wstring& text);
std::string JsonString(const std::string& ascii);

// A JSON array of already-encoded values.
std::string JsonArray(const std::vector<std::string>& encoded_items);

// Builds one JSON object, member by member, in the order added.
class JsonObject {
 public:
  JsonObject& AddText(const char* key, const std::wstring& value);
  JsonObject& AddText(const char* key, const std::string& ascii_value);
  JsonObject& AddBool(const char* key, bool value);
  JsonObject& AddNumber(const char* key, long long value);
  JsonObject& AddNumber(const char* key, double value);
  JsonObject& AddNull(const char* key);
  // value must already be valid JSON (an array, an object ...).
  JsonObject& AddRaw(const char* key, const std::string& value);
  std::string Text() const;

 private:
  void AddKey(const char* key);
  std::string body_;
};

}  // namespace zant::e2e
