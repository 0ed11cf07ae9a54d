// The drive search with the real progress window, every file shown in the detail line, against
// a loop that only updates the detail line the same number of times with the same texts (the
// floor the repaint sets). Usage: find_files_bench DRIVE_LETTER

#include <windows.h>
// The file-system object model has its own CopyFile and DeleteFile.
#undef CopyFile
#undef DeleteFile

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "fstree/dtree.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_system_services.h"
#include "ui/win32/win32_surface.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> AllPaths(const std::string& root) {
  std::vector<std::string> paths;
  zant::crtDTree walker(zant::win32::MakeWin32FileSystem);
  walker.SetRoot(zant::RootSpec::Path(root), 0);
  do {
    walker.MoveNextFile();
    if (zant::FilePtr file = walker.GetFile()) {
      paths.push_back(file->Path());
    }
  } while (!walker.Finished());
  return paths;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: find_files_bench DRIVE_LETTER\n");
    return 2;
  }
  const std::string letter = zant::win32::Narrow(argv[1]).substr(0, 1);
  std::unique_ptr<zant::Surface> surface = zant::win32::MakeWin32Surface(GetModuleHandleW(nullptr));
  std::unique_ptr<zant::SystemServices> system = zant::MakeWin32SystemServices();
  zant::frmMain form(*surface, zant::win32::MakeWin32FileSystem, *system);
  surface->Show();
  surface->PumpEvents();

  const std::vector<std::string> paths = AllPaths(letter + ":\\");

  // The floor is measured before and after the search, so that a change in the machine's load
  // during the run shows up as two different floors.
  auto update_only = [&] {
    auto start = Clock::now();
    for (const std::string& path : paths) {
      surface->SetDetailText(path);
      surface->PumpEvents();
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
  };
  const double floor_before = update_only();
  auto t1 = Clock::now();
  zant::StringList found = form.FindFiles(letter, "ZANT.exe");
  auto t2 = Clock::now();
  const double floor_after = update_only();

  const double floor_s = (floor_before + floor_after) / 2;
  const double search_s = std::chrono::duration<double>(t2 - t1).count();
  std::printf("files: %zu, copies of ZANT.exe found: %zu\n", paths.size(), found.size());
  std::printf("(b) detail-line updates alone: %.0f files/s (%.1f s before, %.1f s after)\n",
              paths.size() / floor_s, floor_before, floor_after);
  std::printf("(b) FindFiles with the window: %.0f files/s (%.1f s)\n", paths.size() / search_s,
              search_s);
  std::printf("(b) ratio FindFiles/floor: %.2f\n", floor_s / search_s);
  surface->Unload();
  return 0;
}
