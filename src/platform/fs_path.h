#pragma once

#include <string>

namespace zant::fs_path {

// Path text rules shared by the file-system implementations (the Win32 layer and the test
// double), so that both hand out the same Path values.

// Forward slashes become backslashes and runs of backslashes one backslash (a leading "\\" of a
// network path stays); a trailing backslash is dropped except on a drive root, and a bare drive
// "C:" becomes its root "C:\" (never "the current folder of drive C").
std::string Normalize(const std::string& path);

// "C:\" (after Normalize).
bool IsDriveRoot(const std::string& normalized);

// The folder and the last part of a normalised path: "C:\a\b" -> "C:\a" + "b", "C:\b" -> "C:\" +
// "b". A drive root has no last part: "C:\" -> "C:\" + "".
void Split(const std::string& normalized, std::string& folder, std::string& name);

// The folder followed by one backslash and the name; no second backslash after a root.
std::string Join(const std::string& folder, const std::string& name);

// The description of a failure: the system's text and the path it concerns.
std::string Describe(const std::string& text, const std::string& path);

}  // namespace zant::fs_path
