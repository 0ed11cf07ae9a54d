#pragma once

#include <string>
#include <vector>

namespace zant::e2e {

// One request line: a command word followed by arguments separated by blanks. An argument that
// starts with a double quote is a JSON string literal (escapes such as \r\n and \u00e9 allowed),
// so texts with blanks and line breaks can be passed; any other argument is a bare word.
struct Command {
  std::string name;
  std::vector<std::wstring> args;
};

// False (with a reason in *error) when a quoted argument is malformed.
bool ParseCommand(const std::string& line, Command* command, std::string* error);

// A whole non-negative decimal number, or -1.
long long ParseNumber(const std::wstring& text);

}  // namespace zant::e2e
