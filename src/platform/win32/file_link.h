#pragma once

#include <windows.h>

#include <string>

namespace zant::win32 {

// Whether the entry at path (whose attributes are given) is a link to a file, or a link to
// nothing, rather than a file of its own. Windows marks every link with the reparse-point
// attribute. Wine shows a Linux link to a file as a plain file; a handle to it names the
// link's target, so a final path other than the entry's own gives the link away.
bool IsFileLink(const std::wstring& path, DWORD attributes);

// Copies source in place of the link at destination without writing through it: the copy is
// made under a new name in the destination's folder (never over anything already there) and
// then renamed over the link, which replaces the link itself and leaves its target untouched.
// Returns 0 or the Win32 error; on an error nothing is left behind but the link.
DWORD CopyInPlaceOfLink(const std::wstring& source, const std::wstring& destination);

// Removes the link at path itself, never its target. Windows' DeleteFileW does that for a link it
// marks; Wine's follows a Linux link and deletes the target, so there an empty file of our own is
// first renamed over the link (a rename replaces the link itself) and then deleted. Returns 0 or
// the Win32 error.
DWORD RemoveFileLink(const std::wstring& path, DWORD attributes);

}  // namespace zant::win32
