// Walks a folder tree under Windows (or Wine) three ways and prints files per second:
//   (a) the tree walker over the Win32 file system, reading each file's Path and Name as the
//       drive search does, against a bare recursive FindFirstFileExW loop;
//   (c) the walker's peak heap use (counted by a replaced operator new), against what holding
//       the whole tree's names would take.
// Usage: walk_bench ROOT_FOLDER [ROUNDS]

#include <windows.h>
// The file-system object model has its own CopyFile and DeleteFile.
#undef CopyFile
#undef DeleteFile

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "fstree/dtree.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_file_system.h"

namespace {

using Clock = std::chrono::steady_clock;

// Heap bytes in use and their high-water mark, counted by the replaced operator new below.
size_t g_heap_now = 0;
size_t g_heap_peak = 0;
constexpr size_t kHeader = 16;  // keeps the caller's block aligned

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
      name_bytes += file->Path().size();
    }
  } while (!walker.Finished());
  return files;
}

}  // namespace

void* operator new(size_t size) {
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (!block) {
    throw std::bad_alloc();
  }
  *reinterpret_cast<size_t*>(block) = size;
  g_heap_now += size;
  g_heap_peak = std::max(g_heap_peak, g_heap_now);
  return block + kHeader;
}

void operator delete(void* pointer) noexcept {
  if (pointer) {
    unsigned char* block = static_cast<unsigned char*>(pointer) - kHeader;
    g_heap_now -= *reinterpret_cast<size_t*>(block);
    std::free(block);
  }
}

void operator delete(void* pointer, size_t) noexcept {
  operator delete(pointer);
}

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: walk_bench ROOT_FOLDER [ROUNDS]\n");
    return 2;
  }
  const std::wstring root = argv[1];
  const int rounds = argc > 2 ? _wtoi(argv[2]) : 3;
  double best_bare = 1e9, best_walker = 1e9;
  size_t bare_files = 0, walker_files = 0, bare_names = 0, walker_paths = 0;
  size_t walker_peak = 0;
  for (int round = 0; round < rounds; ++round) {
    auto t0 = Clock::now();
    bare_names = 0;
    bare_files = BareLoop(root, bare_names);
    const std::string root_utf8 = zant::win32::Narrow(root);
    const size_t heap_before = g_heap_now;
    g_heap_peak = g_heap_now;
    auto t1 = Clock::now();
    walker_paths = 0;
    walker_files = WalkerLoop(root_utf8, walker_paths);
    auto t2 = Clock::now();
    walker_peak = std::max(walker_peak, g_heap_peak - heap_before);
    best_bare = std::min(best_bare, std::chrono::duration<double>(t1 - t0).count());
    best_walker = std::min(best_walker, std::chrono::duration<double>(t2 - t1).count());
  }
  std::printf("tree: %zu files (walker saw %zu)\n", bare_files, walker_files);
  std::printf("(a) bare FindFirstFileExW loop: %.0f files/s (%.2f s)\n", bare_files / best_bare,
              best_bare);
  std::printf("(a) tree walker:                %.0f files/s (%.2f s)\n", walker_files / best_walker,
              best_walker);
  std::printf("(a) ratio walker/bare: %.2f\n", best_bare / best_walker);
  std::printf("(c) peak heap of the walker: %.1f KiB; the tree's paths alone: %.1f MiB\n",
              walker_peak / 1024.0, walker_paths / 1048576.0);
  return walker_files == bare_files ? 0 : 1;
}
