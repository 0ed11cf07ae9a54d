// The folder copy of the update (CopyAllFiles, the detail line left out) of n files into a
// folder that already holds those n names, against the platform's floor for the same work: a
// bare loop of the system calls the copy of one file needs at least (FindFirstFileExW on the
// exact name, DeleteFileW, CopyFileW) over an identical pair of folders. Prints both times and
// their ratio for each n; the copy's cost should follow the platform's, not the folder's size.
// Usage: copy_bench WORK_FOLDER [ROUNDS] [N ...]   (default N: 500 2000)

#include <windows.h>
// The file-system object model has its own CopyFile and DeleteFile.
#undef CopyFile
#undef DeleteFile

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "fstree/folder_copy.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_file_system.h"

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void Die(const char* what, const std::wstring& path) {
  std::fprintf(stderr, "copy_bench: %s %s failed (%lu)\n", what, zant::win32::Narrow(path).c_str(),
               GetLastError());
  std::exit(1);
}

void MakeFolder(const std::wstring& path) {
  if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    Die("CreateDirectoryW", path);
  }
}

void MakeFile(const std::wstring& path, const std::string& content) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Die("CreateFileW", path);
  }
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
}

void RemoveFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW((folder + L"\\" + data.cFileName).c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}

// A source folder of n documents and a destination holding the same n names (older content).
void MakePair(const std::wstring& source, const std::wstring& destination,
              const std::vector<std::wstring>& names) {
  MakeFolder(source);
  MakeFolder(destination);
  for (const std::wstring& name : names) {
    MakeFile(source + L"\\" + name, std::string(2000, 'n'));
    MakeFile(destination + L"\\" + name, std::string(1500, 'o'));
  }
}

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The floor: per file, the directory match's lookup, the delete and the copy, nothing else.
double Floor(const std::wstring& source, const std::wstring& destination,
             const std::vector<std::wstring>& names) {
  Clock::time_point start = Clock::now();
  for (const std::wstring& name : names) {
    std::wstring target = destination + L"\\" + name;
    WIN32_FIND_DATAW data;
    HANDLE find =
        FindFirstFileExW(target.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) {
      Die("FindFirstFileExW", target);
    }
    FindClose(find);
    if (!DeleteFileW(target.c_str())) {
      Die("DeleteFileW", target);
    }
    if (!CopyFileW((source + L"\\" + name).c_str(), target.c_str(), FALSE)) {
      Die("CopyFileW", target);
    }
  }
  return Seconds(start);
}

double Ours(const std::wstring& source, const std::wstring& destination) {
  std::shared_ptr<zant::FileSystem> fs = zant::win32::MakeWin32FileSystem();
  Clock::time_point start = Clock::now();
  zant::CopyAllFiles(
      *fs, [](const std::string&) {}, zant::win32::Narrow(source),
      zant::win32::Narrow(destination));
  return Seconds(start);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: copy_bench WORK_FOLDER [ROUNDS] [N ...]\n");
    return 2;
  }
  const std::wstring work = argv[1];
  const int rounds = argc > 2 ? std::max(1, _wtoi(argv[2])) : 3;
  std::vector<int> sizes;
  for (int i = 3; i < argc; ++i) {
    sizes.push_back(_wtoi(argv[i]));
  }
  if (sizes.empty()) {
    sizes = {500, 2000};
  }
  MakeFolder(work);
  std::printf("%6s %12s %12s %8s   (best of %d, detail line left out)\n", "n", "floor", "ours",
              "ratio", rounds);
  for (int n : sizes) {
    std::vector<std::wstring> names;
    for (int i = 0; i < n; ++i) {
      wchar_t name[32];
      swprintf(name, 32, L"doc%05d.zdc", i);
      names.push_back(name);
    }
    const std::wstring tag = work + L"\\n" + std::to_wstring(n);
    MakePair(tag + L"-floor-src", tag + L"-floor-dst", names);
    MakePair(tag + L"-ours-src", tag + L"-ours-dst", names);
    double floor = 1e9;
    double ours = 1e9;
    for (int round = 0; round < rounds; ++round) {
      floor = std::min(floor, Floor(tag + L"-floor-src", tag + L"-floor-dst", names));
      ours = std::min(ours, Ours(tag + L"-ours-src", tag + L"-ours-dst"));
    }
    std::printf("%6d %9.1f ms %9.1f ms %8.2f\n", n, floor * 1000, ours * 1000, ours / floor);
    std::fflush(stdout);
    for (const wchar_t* part : {L"-floor-src", L"-floor-dst", L"-ours-src", L"-ours-dst"}) {
      RemoveFolder(tag + part);
    }
  }
  RemoveDirectoryW(work.c_str());
  return 0;
}
