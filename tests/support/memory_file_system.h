#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace zant::test {

// Thrown at the change where the computer stops dead (power lost, process killed). It is neither
// a RunError nor a std::exception, so no trap of the run catches it and nothing after it happens.
struct ComputerStopped {
  std::string path;
};

// An in-memory computer for unit tests: drives with folder trees, files with contents and
// attributes, and faults that can be injected. Every MemoryFileSystem made from one disk sees
// the same state, as every file-system object of a process sees the same disks. It keeps the
// same rules as the Win32 layer (the contract tests run against both): case-insensitive names
// that keep their stored spelling, entries listed in case-insensitive name order, the same
// wildcard matcher, the same error numbers.
class MemoryDisk {
 public:
  // Drives are listed in letter order whatever the order of adding. type is a drive_type code.
  void AddDrive(char letter, int32_t type);
  // A drive that is not ready: listed, but its root cannot be read (error 21).
  void SetDriveReady(char letter, bool ready);

  // Setting up a tree. Paths are full ("C:\a\b"); missing parent folders are created, and a
  // drive that was never added becomes a ready fixed drive. An existing entry is overwritten.
  void MakeFolder(const std::string& path, uint32_t attributes = 0);
  void MakeFile(const std::string& path, const std::string& content = "", uint32_t attributes = 0);
  // A folder entry that is a link (reparse point) to another existing folder: listing it shows
  // the target's contents, as a symbolic link or junction does.
  void MakeLink(const std::string& path, const std::string& target);
  // A file entry that is a link to target, a file that need not exist (a link to nothing).
  // Reading follows it; CopyFile replaces it by a plain file (it reports kReparsePoint, as
  // Windows marks a link); deleting removes the link.
  void MakeFileLink(const std::string& path, const std::string& target);
  void Remove(const std::string& path);  // a file or a whole folder, no questions asked
  // Marks a file as downloaded from the Internet, as Windows does in its Zone.Identifier stream.
  // A copy never carries the mark (the layer removes it from every copy).
  void MarkDownloaded(const std::string& path);

  // Reading the state back.
  bool Exists(const std::string& path) const;  // file or folder
  bool IsFolder(const std::string& path) const;
  std::string ReadFile(const std::string& path) const;  // throws RunError when missing
  uint32_t GetAttributes(const std::string& path) const;
  void SetAttributes(const std::string& path, uint32_t attributes);
  bool MarkedDownloaded(const std::string& path) const;
  // Every path below a folder (itself excluded), folders with a trailing backslash, each line
  // "path|attributes|content" for files: a snapshot to compare trees before and after. A link
  // is one line "path\|link|target" (to a folder) or "path|link|target" (to a file) and is not
  // descended into.
  std::vector<std::string> Snapshot(const std::string& folder) const;

  // Faults. error is the Win32 error number the failing operation throws.
  void FailListing(const std::string& folder_path, int32_t error = 5);  // SubFolders, Files
  void FailPath(const std::string& path, int32_t error = 5);  // Path() of that folder or file
  void FailCopyTo(const std::string& destination, int32_t error = 5);
  void FailDelete(const std::string& path, int32_t error = 32);
  void FailDirMatch(const std::string& pattern_folder, int32_t error = 21);
  void FailDrives(int32_t error = 21);  // the Drives() enumeration itself
  void ClearFaults();                   // the failing change too

  // Changes: every copy, flush, rename, file or folder removal and attribute change made through
  // the file-system objects, and every log entry the fake services append (CountChange), is one
  // change, counted from the disk's creation; setting up a tree is none. The n-th change (1 for
  // the first) can be made to fail: refused (error 5, nothing changed), disk full (error 112; a
  // copy removes the destination it had begun to write), stopped dead (ComputerStopped; a copy
  // leaves its destination truncated, with the source's attributes, as the copy creates it) or
  // cut by a power cut (stopped, and then every file whose data was written by a copy and not
  // flushed since reads empty: the file system journals names and attributes, not data).
  enum class ChangeFault { kRefused, kDiskFull, kStopped, kPowerCut };
  // Renames as the 95 family does, which has no replacing rename: a file in the way is deleted
  // first (one change), then the file renamed (another).
  void RenameWithoutReplacing(bool on);
  void FailNthChange(int n, ChangeFault fault);
  int ChangeCount() const;
  // The path of every change counted so far, in order.
  const std::vector<std::string>& ChangedPaths() const;
  // Counts one change to path made by another double; throws when it is the one to fail.
  void CountChange(const std::string& path);

  // Reads: from this call on, every path at or below prefix that the file-system objects look
  // up (folder, file, existence, directory match), list as a folder or copy from is recorded,
  // normalised, in the spelling the caller gave. Setting up and reading back a tree are none.
  void RecordReadsUnder(const std::string& prefix);
  const std::set<std::string>& ReadPaths() const;

  struct Impl;
  MemoryDisk();
  ~MemoryDisk();
  Impl& impl() { return *impl_; }
  const Impl& impl() const { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

std::shared_ptr<FileSystem> MakeMemoryFileSystem(std::shared_ptr<MemoryDisk> disk);

}  // namespace zant::test
