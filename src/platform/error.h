#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zant {

// The one failure type of the program. A failing platform operation throws it with the
// platform's error number (a Win32 error code) and a description that names the path involved.
// It is caught only where the run deliberately keeps going; anywhere else it ends the run with
// the unhandled-error report.
class RunError : public std::runtime_error {
 public:
  RunError(int32_t number, const std::string& description)
      : std::runtime_error(description), number_(number) {}

  int32_t Number() const { return number_; }
  std::string Description() const { return what(); }

 private:
  int32_t number_;
};

// The text of the report that ends the run on a failure nothing traps: the number, an empty
// line, the description.
inline std::string UnhandledErrorText(int32_t number, const std::string& description) {
  return "Run-time error '" + std::to_string(number) + "':\r\n\r\n" + description;
}

// Win32 error codes the portable code and the test doubles use by name.
namespace err {
constexpr int32_t kFileNotFound = 2;
constexpr int32_t kPathNotFound = 3;
constexpr int32_t kAccessDenied = 5;
constexpr int32_t kNotReady = 21;
constexpr int32_t kSharingViolation = 32;
constexpr int32_t kFileExists = 80;
constexpr int32_t kInvalidName = 123;
constexpr int32_t kDirNotEmpty = 145;
}  // namespace err

}  // namespace zant
