#pragma once

#include <windows.h>

#include <string>

namespace zant::win32 {

// Restricts where the process looks for a library loaded by name to the system folder, so that
// no library beside the exe (on the medium, in a download folder) is ever loaded in place of a
// system library or of one that a system library imports. The start-up routine calls it first:
// every system library beyond kernel32 is delay-loaded and comes in only after it.
// Windows before 8 without update KB2533623 lacks SetDefaultDllDirectories; there the current
// folder at least is taken out of the search.
void RestrictLibrarySearch();

// Loads a library by its full path; what it imports is looked for in its own folder and the
// system folder only, never beside the exe (on Windows without the search flags also in the
// Windows folder and the folders of PATH). nullptr when it cannot be loaded.
HMODULE LoadLibraryAt(const std::wstring& path);

}  // namespace zant::win32
