#pragma once

#include <string>

namespace zant::win32 {

// The UTF-16 form of a normalised UTF-8 path for the W functions. A path too long for the
// classic limit (MAX_PATH, and less for CreateDirectoryW and search patterns) gets the "\\?\"
// prefix ("\\?\UNC\" for a network path), after GetFullPathNameW has resolved it, because the
// prefix turns off the system's own normalisation.
std::wstring Win32Path(const std::string& normalized);

// The full path the system resolves a normalised path to (GetFullPathNameW: against the
// current folder for a relative or drive-relative path), after "." and ".." parts and a
// "\\?\" prefix are resolved on the text (fs_path::FullPath), which the system leaves alone
// behind that prefix.
std::string FullPathName(const std::string& normalized);

}  // namespace zant::win32
