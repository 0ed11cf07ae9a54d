#pragma once

#include <memory>

#include "platform/file_system.h"

namespace zant::win32 {

// The file-system layer on the Win32 W functions. Listings come from FindFirstFileExW("*") and
// are sorted by name (ordinal, ignoring case); wildcards are decided by MatchesPattern on long
// names, never by the system's pattern matching or 8.3 names. Long paths and names outside the
// ANSI code page work. A folder lists its directory once for the pair Files() + SubFolders().
std::shared_ptr<FileSystem> MakeWin32FileSystem();

}  // namespace zant::win32
