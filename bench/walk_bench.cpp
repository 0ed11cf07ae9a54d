// Walks a folder tree under Windows (or Wine) three ways and prints files per second:
//   (a) the tree walker over the Win32 file system, reading each file's Path and Name as the
//       drive search does, against a bare recursive FindFirstFileExW loop;
//   (c) the walk's peak memory, against what holding the whole tree would take.
// Usage: walk_bench ROOT_FOLDER [ROUNDS]

#include <windows.h>
// The file-system object model has its own CopyFile and DeleteFile.
#undef CopyFile
#undef DeleteFile
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "fstree/dtree.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_file_system.h"

namespace {

using Clock = std::chrono::steady_clock;

size_t BareLoop(const std::wstring& folder, size_t& name_bytes) {
  size_t files = 0;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data,
                                 FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) {
    return 0;
  }
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (wcscmp(data.cFileName, L".") != 0 && wcscmp(data.cFileName, L"..") != 0 &&
          !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        files += BareLoop(folder + L"\\" + data.cFileName, name_bytes);
      }
    } else {
      ++files;
      name_bytes += wcslen(data.cFileName);
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return files;
}

size_t WalkerLoop(const std::string& root, size_t& name_bytes) {
  zant::crtDTree walker(zant::win32::MakeWin32FileSystem);
  walker.SetRoot(zant::RootSpec::Path(root), 0);
  size_t files = 0;
  do {
    walker.MoveNextFile();
    zant::FilePtr file = walker.GetFile();
    if (file) {
      ++files;
      name_bytes += file->Path().size() + file->Name().size();
    }
  } while (!walker.Finished());
  return files;
}

size_t PrivateBytes(bool peak) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return peak ? counters.PeakPagefileUsage : counters.PagefileUsage;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: walk_bench ROOT_FOLDER [ROUNDS]\n");
    return 2;
  }
  const std::wstring root = argv[1];
  const int rounds = argc > 2 ? _wtoi(argv[2]) : 3;
  double best_bare = 1e9, best_walker = 1e9;
  size_t bare_files = 0, walker_files = 0, sink = 0;
  const size_t before = PrivateBytes(false);
  size_t walker_peak = 0;
  for (int round = 0; round < rounds; ++round) {
    auto t0 = Clock::now();
    bare_files = BareLoop(root, sink);
    auto t1 = Clock::now();
    walker_files = WalkerLoop(zant::win32::Narrow(root), sink);
    auto t2 = Clock::now();
    walker_peak = std::max(walker_peak, PrivateBytes(true));
    best_bare = std::min(best_bare, std::chrono::duration<double>(t1 - t0).count());
    best_walker = std::min(best_walker, std::chrono::duration<double>(t2 - t1).count());
  }
  std::printf("tree: %zu files (walker saw %zu)\n", bare_files, walker_files);
  std::printf("(a) bare FindFirstFileExW loop: %.0f files/s (%.2f s)\n", bare_files / best_bare,
              best_bare);
  std::printf("(a) tree walker:                %.0f files/s (%.2f s)\n", walker_files / best_walker,
              best_walker);
  std::printf("(a) ratio walker/bare: %.2f\n", best_bare / best_walker);
  std::printf("(c) peak private memory during the walks: %.1f MiB above the %.1f MiB at start\n",
              (walker_peak - std::min(walker_peak, before)) / 1048576.0, before / 1048576.0);
  std::printf("(c) for comparison, the tree's file names alone: %.1f MiB\n",
              sink / static_cast<double>(rounds) / 1048576.0);
  return walker_files == bare_files ? 0 : 1;
}
