#pragma once

#include <string>

namespace zant::win32 {

// The UTF-16 form of a normalised UTF-8 path for the W functions. A path too long for the
// classic limit (MAX_PATH, and less for CreateDirectoryW and search patterns) gets the "\\?\"
// prefix ("\\?\UNC\" for a network path), after GetFullPathNameW has resolved it, because the
// prefix turns off the system's own normalisation.
std::wstring Win32Path(const std::string& normalized);

}  // namespace zant::win32
