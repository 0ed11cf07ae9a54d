#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zant {

// The file-system object model the whole run works through: drives, folders and files as
// shared handles, plus the operations on paths. Paths are UTF-8, with backslashes; a folder's
// Path has no trailing backslash except a drive root ("C:\"). Every failing operation throws
// RunError (number = Win32 error code, description naming the path).

// Attribute bits, as Windows numbers them.
namespace attr {
constexpr uint32_t kNormal = 0;
constexpr uint32_t kReadOnly = 1;
constexpr uint32_t kHidden = 2;
constexpr uint32_t kSystem = 4;
constexpr uint32_t kDirectory = 16;
constexpr uint32_t kArchive = 32;
constexpr uint32_t kReparsePoint = 1024;
}  // namespace attr

// Drive type codes of the object model (not the Win32 GetDriveType numbers).
namespace drive_type {
constexpr int32_t kUnknown = 0;
constexpr int32_t kRemovable = 1;
constexpr int32_t kFixed = 2;
constexpr int32_t kNetwork = 3;
constexpr int32_t kCdRom = 4;
constexpr int32_t kRamDisk = 5;
}  // namespace drive_type

class Folder;
class File;
using FolderPtr = std::shared_ptr<Folder>;
using FilePtr = std::shared_ptr<File>;

class File {
 public:
  virtual ~File() = default;
  // Full path: the parent folder's path, a backslash (unless the parent is a root) and Name.
  virtual std::string Path() const = 0;
  // Bare name with extension, spelled as the file system stores it.
  virtual std::string Name() const = 0;
  virtual uint32_t Attributes() const = 0;
  // Sets read-only, hidden, system and archive to exactly the given bits.
  virtual void SetAttributes(uint32_t attributes) = 0;
};

class Folder {
 public:
  virtual ~Folder() = default;
  virtual std::string Path() const = 0;
  virtual std::string Name() const = 0;
  // Attributes as listed by the parent (kReparsePoint marks links, junctions, mount points).
  virtual uint32_t Attributes() const = 0;
  // The direct members, hidden and system entries included, in listing order.
  virtual std::vector<FolderPtr> SubFolders() const = 0;
  virtual std::vector<FilePtr> Files() const = 0;
};

class Drive {
 public:
  virtual ~Drive() = default;
  // The letter alone, without colon ("C").
  virtual std::string DriveLetter() const = 0;
  virtual int32_t DriveType() const = 0;
  // Throws when the drive is not ready or its root cannot be read.
  virtual FolderPtr RootFolder() const = 0;
};
using DrivePtr = std::shared_ptr<Drive>;

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Every drive, in ascending letter order.
  virtual std::vector<DrivePtr> Drives() = 0;
  // Throws when there is no such folder (or the drive is not ready).
  virtual FolderPtr GetFolder(const std::string& path) = 0;
  // Throws when there is no such file.
  virtual FilePtr GetFile(const std::string& path) = 0;
  // True only for an existing file (not a folder).
  virtual bool FileExists(const std::string& path) = 0;
  // Copies one file. With overwrite an existing destination is replaced, unless it is
  // read-only, hidden or system (error 5). The copy keeps the source's attributes, but never
  // the mark of a file downloaded from the Internet (its Zone.Identifier stream).
  virtual void CopyFile(const std::string& source, const std::string& destination,
                        bool overwrite) = 0;
  // Writes the file's data through to the disk. A file system journals a rename at once but
  // writes data later: a file renamed into place unflushed can be empty after a power cut.
  virtual void FlushFile(const std::string& path) = 0;
  // Renames a file (the source must be one). An existing destination is replaced, unless it is
  // a folder or read-only, hidden or system (error 5); a link there is replaced itself, its
  // target untouched. Source and destination are on the same drive.
  virtual void MoveFile(const std::string& source, const std::string& destination) = 0;
  // Deletes every file matching the last part of the path (wildcards * and ?); with force
  // read-only files too. Throws error 2 when nothing matches.
  virtual void DeleteFile(const std::string& path, bool force) = 0;
  // Deletes the folder with everything in it; with force read-only content too. A link inside
  // is removed as a link, never followed. Throws when the folder does not exist, and refuses
  // the root of a drive or share however it is spelled (error 5) before deleting anything.
  virtual void DeleteFolder(const std::string& path, bool force) = 0;
  // The directory match: the name of the first entry matching the pattern (wildcards in the
  // last part), or "" when none does. With attributes 0 only ordinary, read-only and archive
  // files count; with attr::kDirectory folders count too. Hidden and system entries never count.
  virtual std::string DirMatch(const std::string& pattern, uint32_t attributes) = 0;

  // The path less its last part; a drive root keeps its backslash ("C:\ZANT.exe" -> "C:\").
  static std::string GetParentFolderName(const std::string& path);
};

using FileSystemFactory = std::function<std::shared_ptr<FileSystem>()>;

}  // namespace zant
