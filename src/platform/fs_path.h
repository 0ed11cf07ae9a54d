#pragma once

#include <string>

namespace zant::fs_path {

// Path text rules shared by the file-system implementations (the Win32 layer and the test
// double), so that both hand out the same Path values.

// Forward slashes become backslashes and runs of backslashes one backslash (a leading "\\" of a
// network path stays); a trailing backslash is dropped except on a drive root (also one spelled
// "\\?\C:\"), and a bare drive "C:" becomes its root "C:\" (never "the current folder of
// drive C").
std::string Normalize(const std::string& path);

// "C:\" (after Normalize).
bool IsDriveRoot(const std::string& normalized);

// The folder and the last part of a normalised path: "C:\a\b" -> "C:\a" + "b", "C:\b" -> "C:\" +
// "b". A drive root has no last part: "C:\" -> "C:\" + "". A relative name has an empty folder
// ("*.tmp" -> "" + "*.tmp") and a drive-relative one its drive ("C:foo*" -> "C:" + "foo*"), so
// that both stay relative to the current folder, as Windows resolves them.
void Split(const std::string& normalized, std::string& folder, std::string& name);

// The folder followed by one backslash and the name; no second backslash after a root, and
// none after an empty folder ("" + "a" -> "a") or a bare drive ("C:" + "a" -> "C:a").
std::string Join(const std::string& folder, const std::string& name);

// The full path of a normalised path, resolved as Windows' GetFullPathName resolves it, on
// text alone: a "\\?\" or "\\.\" prefix is taken off ("\\?\UNC\s\x" is "\\s\x"), a relative
// path is taken from the current folder, a drive-relative one ("C:x") from the current folder
// when it is on that drive and from the drive's root otherwise, a rooted one ("\x") from the
// current folder's drive or share; "." parts are dropped and ".." parts remove the part before
// them, never going above the root. current is a full path; without one, a path that needs it
// is returned as it is.
std::string FullPath(const std::string& normalized, const std::string& current);

// Whether a full path (FullPath) names the root of a volume: a drive root "C:\" or a share's
// root "\\server\share" (with or without the backslash).
bool IsVolumeRoot(const std::string& full);

// The description of a failure: the system's text and the path it concerns.
std::string Describe(const std::string& text, const std::string& path);

}  // namespace zant::fs_path
