#pragma once

#include <windows.h>

#include <span>
#include <string>

namespace zant::win32 {

// Restricts where the process looks for a library loaded by name to the system folder, so that
// no library beside the exe (on the medium, in a download folder) is ever loaded in place of a
// system library or of one that a system library imports. The start-up routine calls it first:
// every system library beyond kernel32 is delay-loaded and comes in only after it.
// Windows before 8 without update KB2533623 lacks SetDefaultDllDirectories; there the current
// folder at least is taken out of the search, and PreloadSystemLibraries keeps the system
// libraries' own loads by name away from the exe's folder.
void RestrictLibrarySearch();

// The system libraries that Windows' own libraries load by name, some of them late (uxtheme
// loads msimg32 on its first gradient), and that are not known system libraries (KnownDLLs),
// which Windows always maps from the system folder. See the list for how it was found.
extern const std::span<const wchar_t* const> kPreloadedSystemLibraries;

// Loads each library of names from system_folder by its full path (LoadLibraryAt), so that a
// later load by name finds it already loaded, wherever the search would have looked. A library
// missing from the folder (an older Windows) is skipped. The libraries stay loaded.
void PreloadSystemLibraries(const std::wstring& system_folder,
                            std::span<const wchar_t* const> names);

// PreloadSystemLibraries from the Windows system folder with kPreloadedSystemLibraries. The
// start-up routine calls it right after RestrictLibrarySearch: it is what keeps a library
// beside the exe out where the restriction is missing (Vista, Windows 7 without the loader
// update) or not applied to a library's late loads.
void PreloadSystemLibraries();

class CommonControlsContext;

// comctl32 for the window and for shell32, which imports it by name: common controls 6 through
// the context where it is active and takes comctl32 from the side-by-side store (XP and later),
// otherwise the system folder's by its full path. Never a load by name without the context: on
// XP, Vista and 7 without the loader update the exe's folder is searched first, and comctl32 is
// no known system library.
void LoadCommonControls(const CommonControlsContext& context);

// Loads a library by its full path; what it imports is looked for in its own folder and the
// system folder only, never beside the exe (on Windows without the search flags also in the
// Windows folder and the folders of PATH). nullptr when it cannot be loaded.
HMODULE LoadLibraryAt(const std::wstring& path);

}  // namespace zant::win32
