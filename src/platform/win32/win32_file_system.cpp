#include "platform/win32/win32_file_system.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "platform/fs_path.h"
#include "platform/name_case.h"
#include "platform/reparse_tag.h"
#include "platform/wildcard.h"
#include "platform/win32/file_link.h"
#include "platform/win32/long_path.h"
#include "platform/win32/optional_function.h"
#include "platform/win32/system_calls.h"
#include "platform/win32/system_case.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_version.h"
#include "platform/win32/wow64_view.h"

// windows.h maps CopyFile and DeleteFile to their W functions; here they are the layer's own
// members, and the system calls are spelled with their W names.
#undef CopyFile
#undef DeleteFile

namespace zant::win32 {

namespace {

constexpr DWORD kBlockingCopy =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr DWORD kCarried = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr DWORD kSettable = kCarried | FILE_ATTRIBUTE_ARCHIVE;

[[noreturn]] void Fail(DWORD code, const std::string& path) {
  throw RunError(static_cast<int32_t>(code), fs_path::Describe(SystemErrorText(code), path));
}

// A missing folder is a missing path, whichever part of it is missing.
DWORD AsPathError(DWORD code) {
  return code == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : code;
}

int32_t DriveTypeCode(UINT type) {
  switch (type) {
    case DRIVE_REMOVABLE:
      return drive_type::kRemovable;
    case DRIVE_FIXED:
      return drive_type::kFixed;
    case DRIVE_REMOTE:
      return drive_type::kNetwork;
    case DRIVE_CDROM:
      return drive_type::kCdRom;
    case DRIVE_RAMDISK:
      return drive_type::kRamDisk;
    default:  // DRIVE_UNKNOWN, DRIVE_NO_ROOT_DIR
      return drive_type::kUnknown;
  }
}

// UTF-8 of a name; ASCII names, the common case, without a trip through the system.
std::string NarrowName(const wchar_t* name, size_t length) {
  std::string out(length, '\0');
  for (size_t i = 0; i < length; ++i) {
    if (name[i] >= 0x80) {
      return Narrow(std::wstring(name, length));
    }
    out[i] = static_cast<char>(name[i]);
  }
  return out;
}

// Counts what the layer does to the disks of this process, through any file-system object:
// every directory read and every change. A folder's leftover listing half is valid only while
// this count stands still (see Win32Folder).
std::atomic<uint64_t> g_disk_events{0};

void NoteDiskEvent() {
  ++g_disk_events;
}

// Starts every directory read of the layer, and reads the attributes of a path looked up by
// name, which tell a link apart. The basic information level and the large fetch make a read
// cheaper, but systems before Windows 7 refuse them (ERROR_INVALID_PARAMETER, as far as known:
// no document gives the code): a read that fails for any reason but a missing name or path is
// started again without them, and once that works the plain form is used for the rest of the
// file system's life.
class DirectoryReader {
 public:
  DirectoryReader(FindFirstFileExFn find_first, GetFileAttributesFn get_attributes)
      : find_first_(find_first), get_attributes_(get_attributes) {}

  DWORD Attributes(const std::wstring& path) const { return get_attributes_(path.c_str()); }

  HANDLE First(const std::wstring& pattern, WIN32_FIND_DATAW* data, bool large_fetch) {
    NoteDiskEvent();
    if (!plain_only_) {
      HANDLE search = find_first_(pattern.c_str(), FindExInfoBasic, data, FindExSearchNameMatch,
                                  nullptr, large_fetch ? FIND_FIRST_EX_LARGE_FETCH : 0);
      DWORD error = search == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
      if (search != INVALID_HANDLE_VALUE || error == ERROR_FILE_NOT_FOUND ||
          error == ERROR_PATH_NOT_FOUND) {
        return search;
      }
    }
    HANDLE search =
        find_first_(pattern.c_str(), FindExInfoStandard, data, FindExSearchNameMatch, nullptr, 0);
    if (search != INVALID_HANDLE_VALUE) {
      plain_only_ = true;
    }
    return search;
  }

 private:
  FindFirstFileExFn find_first_;
  GetFileAttributesFn get_attributes_;
  bool plain_only_ = false;
};

using ReaderPtr = std::shared_ptr<DirectoryReader>;

// Attributes as the layer hands them on: the reparse-point bit marks links only. A deduplicated,
// system-compressed or cloud file (or folder) is an ordinary one.
DWORD LinkAttributes(DWORD attributes, DWORD reparse_tag) {
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && !IsLinkTag(reparse_tag)) {
    return attributes & ~FILE_ATTRIBUTE_REPARSE_POINT;
  }
  return attributes;
}

// Sets attributes as Windows does, also where Wine (as non-root) drops hidden and system when
// read-only is set in the same call: those go first.
bool ApplyAttributes(const std::wstring& path, DWORD attributes) {
  attributes &= kSettable;
  if ((attributes & FILE_ATTRIBUTE_READONLY) && (attributes & ~FILE_ATTRIBUTE_READONLY)) {
    sys::SetAttributes(path, attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  return sys::SetAttributes(path, attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
}

// One directory listing: the names in one buffer (no allocation per entry), "." and ".." left
// out, in the order the file system returned them until Sort().
class Listing {
 public:
  struct Entry {
    size_t offset;
    size_t length;
    DWORD attributes;
    DWORD reparse_tag;  // meaningful with FILE_ATTRIBUTE_REPARSE_POINT only
  };

  // Lists the folder, or only the entries the system matches to a name pattern (a superset of
  // what MatchesPattern accepts, for the patterns SystemNarrows allows); returns 0 or the Win32
  // error. A folder without an entry (an empty drive root, or nothing matching) is an empty
  // listing.
  DWORD Read(DirectoryReader& reader, const std::string& folder, const std::string& name = "*") {
    std::wstring pattern = Win32Path(fs_path::Join(folder, name));
    WIN32_FIND_DATAW data;
    FindHandle search(reader.First(pattern, &data, name == "*"));
    if (!search.valid()) {
      DWORD error = GetLastError();
      return error == ERROR_FILE_NOT_FOUND ? 0 : error;
    }
    do {
      const wchar_t* name = data.cFileName;
      if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'))) {
        continue;
      }
      size_t length = wcslen(name);
      entries_.push_back({names_.size(), length,
                          LinkAttributes(data.dwFileAttributes, data.dwReserved0),
                          data.dwReserved0});
      names_.insert(names_.end(), name, name + length);
    } while (sys::FindNext(search.get(), pattern, &data));
    DWORD error = GetLastError();
    return error == ERROR_NO_MORE_FILES ? 0 : error;
  }

  // Case-insensitive ordinal order (upper-case comparison), as NTFS lists, so that every file
  // system and the test double agree. NTFS listings already are in this order.
  void Sort() {
    auto less = [this](const Entry& a, const Entry& b) { return Less(a, b); };
    if (!std::is_sorted(entries_.begin(), entries_.end(), less)) {
      std::sort(entries_.begin(), entries_.end(), less);
    }
  }

  // Upper-case ordinal comparison; ASCII in our own code (the system call costs more than
  // the comparison itself), anything else by the system's table (CompareNamesIgnoringCase).
  bool Less(const Entry& a, const Entry& b) const {
    const wchar_t* x = names_.data() + a.offset;
    const wchar_t* y = names_.data() + b.offset;
    size_t common = std::min(a.length, b.length);
    for (size_t i = 0; i < common; ++i) {
      wchar_t cx = x[i];
      wchar_t cy = y[i];
      if (cx >= 0x80 || cy >= 0x80) {
        return CompareNamesIgnoringCase(x, a.length, y, b.length) < 0;
      }
      cx = (cx >= L'a' && cx <= L'z') ? cx - (L'a' - L'A') : cx;
      cy = (cy >= L'a' && cy <= L'z') ? cy - (L'a' - L'A') : cy;
      if (cx != cy) {
        return cx < cy;
      }
    }
    return a.length < b.length;
  }

  const std::vector<Entry>& entries() const { return entries_; }
  std::string Name(const Entry& entry) const {
    return NarrowName(names_.data() + entry.offset, entry.length);
  }

 private:
  std::vector<wchar_t> names_;
  std::vector<Entry> entries_;
};

class Win32File : public File {
 public:
  Win32File(std::string path, std::string name) : path_(std::move(path)), name_(std::move(name)) {}

  std::string Path() const override { return path_; }
  std::string Name() const override { return name_; }

  uint32_t Attributes() const override {
    DWORD attributes = sys::GetAttributes(Win32Path(path_));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      Fail(GetLastError(), path_);
    }
    return attributes;
  }

  void SetAttributes(uint32_t attributes) override {
    NoteDiskEvent();
    if (!ApplyAttributes(Win32Path(path_), attributes)) {
      Fail(GetLastError(), path_);
    }
  }

 private:
  std::string path_;
  std::string name_;
};

class Win32Folder : public Folder {
 public:
  Win32Folder(ReaderPtr reader, std::string path, std::string name, DWORD attributes)
      : reader_(std::move(reader)),
        path_(std::move(path)),
        name_(std::move(name)),
        attributes_(attributes) {}

  std::string Path() const override { return path_; }
  std::string Name() const override { return name_; }
  uint32_t Attributes() const override { return attributes_; }

  // A walker asks for a folder's files and then for its subfolders: one directory read serves
  // that pair. The rule that keeps every listing fresh: each half of a read is handed out at
  // most once, and the half not yet taken only as the very next thing the layer does. Any
  // directory read or change through the layer in between (any folder, any file-system object
  // of the process) throws it away, and the folder is read again. The walker's normal walk
  // (Files, then SubFolders of the same folder) thus reads each folder once.
  std::vector<FolderPtr> SubFolders() const override {
    if (!pending_folders_ || pending_stamp_ != g_disk_events.load()) {
      List();
    }
    std::vector<FolderPtr> out = std::move(*pending_folders_);
    pending_folders_.reset();
    return out;
  }

  std::vector<FilePtr> Files() const override {
    if (!pending_files_ || pending_stamp_ != g_disk_events.load()) {
      List();
    }
    std::vector<FilePtr> out = std::move(*pending_files_);
    pending_files_.reset();
    return out;
  }

 private:
  // Reads the directory; both halves wait to be taken, stamped with the count after the read.
  void List() const {
    Listing listing;
    if (DWORD error = listing.Read(*reader_, path_)) {
      Fail(AsPathError(error), path_);
    }
    listing.Sort();
    std::vector<FolderPtr> folders;
    std::vector<FilePtr> files;
    files.reserve(listing.entries().size());
    for (const Listing::Entry& entry : listing.entries()) {
      std::string name = listing.Name(entry);
      if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
        // The 64-bit system folder under the name a 32-bit program reaches it by (see there).
        name = ShownSubfolderName(path_, name);
        if (name.empty()) {
          continue;
        }
      }
      std::string path = fs_path::Join(path_, name);
      if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
        folders.push_back(std::make_shared<Win32Folder>(reader_, std::move(path), std::move(name),
                                                        entry.attributes));
      } else {
        files.push_back(std::make_shared<Win32File>(std::move(path), std::move(name)));
      }
    }
    pending_folders_ = std::move(folders);
    pending_files_ = std::move(files);
    pending_stamp_ = g_disk_events.load();
  }

  ReaderPtr reader_;
  std::string path_;
  std::string name_;
  DWORD attributes_;
  mutable std::optional<std::vector<FolderPtr>> pending_folders_;
  mutable std::optional<std::vector<FilePtr>> pending_files_;
  mutable uint64_t pending_stamp_ = 0;
};

class Win32Drive : public Drive {
 public:
  Win32Drive(ReaderPtr reader, char letter, int32_t type)
      : reader_(std::move(reader)), letter_(letter), type_(type) {}

  std::string DriveLetter() const override { return std::string(1, letter_); }
  int32_t DriveType() const override { return type_; }

  FolderPtr RootFolder() const override {
    std::string root = std::string(1, letter_) + ":\\";
    DWORD attributes = sys::GetAttributes(Widen(root));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      Fail(AsPathError(GetLastError()), root);
    }
    return std::make_shared<Win32Folder>(reader_, root, "", attributes);
  }

 private:
  ReaderPtr reader_;
  char letter_;
  int32_t type_;
};

// Deletes one file; a read-only one only with force, after clearing read-only. When the delete
// then fails (the file is in use), the file gets its attributes back: it stays as it was. A link
// to a file is removed as a link: neither its target nor the target's attributes are touched.
void DeleteOneFile(const std::string& path, DWORD attributes, bool force) {
  NoteDiskEvent();
  std::wstring wide = Win32Path(path);
  if (IsFileLink(wide, attributes)) {
    if (DWORD error = RemoveFileLink(wide, attributes)) {
      Fail(error, path);
    }
    return;
  }
  bool cleared = false;
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    if (!force) {
      Fail(ERROR_ACCESS_DENIED, path);
    }
    if (!ApplyAttributes(wide, attributes & ~FILE_ATTRIBUTE_READONLY)) {
      Fail(GetLastError(), path);
    }
    cleared = true;
  }
  if (!sys::Delete(wide)) {
    DWORD error = GetLastError();
    if (cleared) {
      ApplyAttributes(wide, attributes);
    }
    Fail(error, path);
  }
}

// The reparse tag of one entry, as its folder lists it; 0 when it cannot be had.
DWORD ReparseTagOf(DirectoryReader& reader, const std::string& path) {
  WIN32_FIND_DATAW data;
  FindHandle search(reader.First(Win32Path(path), &data, false));
  return search.valid() ? data.dwReserved0 : 0;
}

// The attributes of a path as the layer hands them on (see LinkAttributes), and the reparse tag
// of a link; INVALID_FILE_ATTRIBUTES with the error in GetLastError when there is no such entry.
DWORD AttributesOf(DirectoryReader& reader, const std::string& path, DWORD* reparse_tag) {
  *reparse_tag = 0;
  DWORD attributes = reader.Attributes(Win32Path(path));
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    *reparse_tag = ReparseTagOf(reader, path);
    attributes = LinkAttributes(attributes, *reparse_tag);
  }
  return attributes;
}

// Removes an empty folder, or a link to a folder as a link, never its target. Windows tags
// every link (symbolic link, junction, mount point) and RemoveDirectoryW removes the link
// itself. A link without a tag is a Linux symbolic link seen through Wine, where
// RemoveDirectoryW acts on the target (it deletes an empty target and keeps the link), so such
// a link is refused and left alone.
void RemoveOneFolder(const std::string& path, DWORD attributes, DWORD reparse_tag, bool force) {
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && reparse_tag == 0) {
    Fail(ERROR_NOT_SUPPORTED, path);
  }
  NoteDiskEvent();
  std::wstring wide = Win32Path(path);
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    if (!force) {
      Fail(ERROR_ACCESS_DENIED, path);
    }
    ApplyAttributes(wide, attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  if (!sys::RemoveFolder(wide)) {
    Fail(GetLastError(), path);
  }
}

// Deletes everything inside a folder, depth first; links are removed, never followed.
void DeleteContent(DirectoryReader& reader, const std::string& folder, bool force) {
  Listing listing;
  if (DWORD error = listing.Read(reader, folder)) {
    Fail(AsPathError(error), folder);
  }
  for (const Listing::Entry& entry : listing.entries()) {
    std::string path = fs_path::Join(folder, listing.Name(entry));
    if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      DeleteOneFile(path, entry.attributes, force);
      continue;
    }
    if (!(entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      DeleteContent(reader, path, force);
    }
    RemoveOneFolder(path, entry.attributes, entry.reparse_tag, force);
  }
}

// The copy itself. A destination that is a link to a file, or to nothing, is replaced by a
// plain file and never written through: anyone allowed to write into an installation could
// link any file of the computer there for the elevated update to overwrite. A name that looks
// free is only ever created, never opened for writing (fail-if-exists), so a link put there
// meanwhile, or one that Wine does not show (a link to nothing), is not followed either.
// Links to folders on the way are followed as always.
void CopyNeverThroughALink(const std::wstring& from, const std::wstring& to,
                           const std::string& to_path, DWORD existing, bool overwrite) {
  DWORD error = 0;
  if (existing == INVALID_FILE_ATTRIBUTES) {
    error = sys::Copy(from, to, true) ? 0 : GetLastError();
    if (error == ERROR_FILE_EXISTS && overwrite) {
      error = CopyInPlaceOfLink(from, to);
    }
  } else if (IsFileLink(to, existing)) {
    error = CopyInPlaceOfLink(from, to);
  } else {
    error = sys::Copy(from, to, !overwrite) ? 0 : GetLastError();
  }
  if (error != 0) {
    Fail(error, to_path);
  }
}

// The mark Windows puts on a file that came from the Internet (a download, or a file unpacked
// from one): its Zone.Identifier stream. CopyFileW copies a file's streams, so every copy from a
// downloaded medium would carry it, and a program installed with it warns on every start.
constexpr wchar_t kDownloadMark[] = L":Zone.Identifier";

// Removes the mark from a copy. A copy without it, or on a file system that keeps no streams
// (FAT reads the colon as a character no name may hold, a network file system may not support
// them, Wine has none), has nothing to remove. The copy carries the source's read-only bit:
// should the system refuse to change a read-only file's streams, the bit is taken off for the
// removal and put back. A removal that still fails is left at that: the copy itself is whole,
// and stopping the update for the mark would stop it on every run from that medium.
void RemoveDownloadMark(const std::wstring& path, DWORD attributes) {
  if (!WideCallsWork()) {
    return;  // the 95 family's file systems keep no streams
  }
  const std::wstring mark = path + kDownloadMark;
  if (sys::Delete(mark) || GetLastError() != ERROR_ACCESS_DENIED ||
      !(attributes & FILE_ATTRIBUTE_READONLY)) {
    return;
  }
  if (ApplyAttributes(path, attributes & ~FILE_ATTRIBUTE_READONLY)) {
    sys::Delete(mark);
    ApplyAttributes(path, attributes);
  }
}

// Whether the system's own match of a name pattern can narrow a directory read for
// MatchesPattern, that is, returns every name our matcher accepts (and perhaps more: it also
// matches 8.3 short names). Not so for a ? (Wine's always takes one character, Windows' may take
// none), for a trailing dot or space (the system drops them from the pattern), nor for the
// characters the system reads as wildcards or separators (< > " : \ / |, control characters):
// such patterns are matched against a full listing.
bool SystemNarrows(const std::string& pattern) {
  if (pattern.empty() || pattern.back() == '.' || pattern.back() == ' ') {
    return false;
  }
  for (char c : pattern) {
    if (static_cast<unsigned char>(c) < 0x20 ||
        std::string_view("?<>\":\\/|").find(c) != std::string_view::npos) {
      return false;
    }
  }
  return true;
}

class Win32FileSystem : public FileSystem {
 public:
  Win32FileSystem(FindFirstFileExFn find_first, GetFileAttributesFn get_attributes)
      : reader_(std::make_shared<DirectoryReader>(find_first, get_attributes)) {}

  std::vector<DrivePtr> Drives() override {
    DWORD mask = GetLogicalDrives();
    std::vector<DrivePtr> out;
    for (int i = 0; i < 26; ++i) {
      if (mask & (1u << i)) {
        char letter = static_cast<char>('A' + i);
        wchar_t root[] = {static_cast<wchar_t>(L'A' + i), L':', L'\\', L'\0'};
        out.push_back(
            std::make_shared<Win32Drive>(reader_, letter, DriveTypeCode(sys::DriveType(root))));
      }
    }
    return out;
  }

  FolderPtr GetFolder(const std::string& path) override {
    std::string normalized = fs_path::Normalize(path);
    DWORD tag = 0;
    DWORD attributes = AttributesOf(*reader_, normalized, &tag);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      Fail(AsPathError(GetLastError()), normalized);
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      Fail(ERROR_PATH_NOT_FOUND, normalized);
    }
    std::string folder, name;
    fs_path::Split(normalized, folder, name);
    return std::make_shared<Win32Folder>(reader_, normalized, name, attributes);
  }

  FilePtr GetFile(const std::string& path) override {
    std::string normalized = fs_path::Normalize(path);
    DWORD attributes = sys::GetAttributes(Win32Path(normalized));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      Fail(GetLastError(), normalized);
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      Fail(ERROR_FILE_NOT_FOUND, normalized);
    }
    std::string folder, name;
    fs_path::Split(normalized, folder, name);
    return std::make_shared<Win32File>(normalized, name);
  }

  bool FileExists(const std::string& path) override {
    DWORD attributes = sys::GetAttributes(Win32Path(fs_path::Normalize(path)));
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  void CopyFile(const std::string& source, const std::string& destination,
                bool overwrite) override {
    std::string from = fs_path::Normalize(source);
    std::string to = fs_path::Normalize(destination);
    std::wstring wide_from = Win32Path(from);
    std::wstring wide_to = Win32Path(to);
    DWORD wanted = sys::GetAttributes(wide_from);
    if (wanted == INVALID_FILE_ATTRIBUTES) {
      Fail(GetLastError(), from);
    }
    if (wanted & FILE_ATTRIBUTE_DIRECTORY) {
      Fail(ERROR_ACCESS_DENIED, from);
    }
    // The documented Windows rule, checked here because Wine running as root overwrites
    // read-only and hidden files.
    DWORD tag = 0;
    DWORD existing = JustDeleted(to) ? INVALID_FILE_ATTRIBUTES : AttributesOf(*reader_, to, &tag);
    if (existing != INVALID_FILE_ATTRIBUTES) {
      if (existing & FILE_ATTRIBUTE_DIRECTORY) {
        Fail(ERROR_ACCESS_DENIED, to);
      }
      if (!overwrite) {
        Fail(ERROR_FILE_EXISTS, to);
      }
      if (existing & kBlockingCopy) {
        Fail(ERROR_ACCESS_DENIED, to);
      }
    }
    NoteDiskEvent();
    CopyNeverThroughALink(wide_from, wide_to, to, existing, overwrite);
    DWORD got = sys::GetAttributes(wide_to);
    RemoveDownloadMark(wide_to, got == INVALID_FILE_ATTRIBUTES ? wanted : got);
    // The copy keeps the source's read-only, hidden and system bits (Wine as non-root loses
    // hidden and system when read-only is set too).
    if (got != INVALID_FILE_ATTRIBUTES && (wanted & kCarried) != (got & kCarried)) {
      ApplyAttributes(wide_to, (got & ~kCarried) | (wanted & kCarried));
    }
  }

  void FlushFile(const std::string& path) override {
    std::string normalized = fs_path::Normalize(path);
    FileHandle file(sys::OpenFile(Win32Path(normalized), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    if (!file.valid() || !FlushFileBuffers(file.get())) {
      Fail(GetLastError(), normalized);
    }
  }

  void MoveFile(const std::string& source, const std::string& destination) override {
    std::string from = fs_path::Normalize(source);
    std::string to = fs_path::Normalize(destination);
    DWORD tag = 0;
    DWORD moving = AttributesOf(*reader_, from, &tag);
    if (moving == INVALID_FILE_ATTRIBUTES) {
      Fail(GetLastError(), from);
    }
    if (moving & FILE_ATTRIBUTE_DIRECTORY) {
      Fail(ERROR_ACCESS_DENIED, from);
    }
    // The rule a copy keeps, checked here too: Wine as root would replace a read-only file.
    DWORD existing = AttributesOf(*reader_, to, &tag);
    if (existing != INVALID_FILE_ATTRIBUTES &&
        (existing & (FILE_ATTRIBUTE_DIRECTORY | kBlockingCopy))) {
      Fail(ERROR_ACCESS_DENIED, to);
    }
    NoteDiskEvent();
    // A rename replaces a link at the destination itself, never its target.
    if (!sys::MoveReplacing(Win32Path(from), Win32Path(to))) {
      Fail(GetLastError(), to);
    }
  }

  void DeleteFile(const std::string& path, bool force) override {
    std::string normalized = fs_path::Normalize(path);
    std::string folder, pattern;
    fs_path::Split(normalized, folder, pattern);
    if (!HasWildcards(pattern)) {
      DWORD tag = 0;
      DWORD attributes = AttributesOf(*reader_, normalized, &tag);
      if (attributes == INVALID_FILE_ATTRIBUTES) {
        Fail(GetLastError(), normalized);
      }
      if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        Fail(ERROR_FILE_NOT_FOUND, normalized);
      }
      DeleteOneFile(normalized, attributes, force);
      just_deleted_ = {normalized, g_disk_events.load()};
      return;
    }
    Listing listing;
    if (DWORD error = listing.Read(*reader_, folder)) {
      Fail(AsPathError(error), normalized);
    }
    listing.Sort();
    bool any = false;
    for (const Listing::Entry& entry : listing.entries()) {
      if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
        continue;
      }
      std::string name = listing.Name(entry);
      if (MatchesPattern(name, pattern, &SystemUpperCase)) {
        DeleteOneFile(fs_path::Join(folder, name), entry.attributes, force);
        any = true;
      }
    }
    if (!any) {
      Fail(ERROR_FILE_NOT_FOUND, normalized);
    }
  }

  void DeleteFolder(const std::string& path, bool force) override {
    std::string normalized = fs_path::Normalize(path);
    DWORD tag = 0;
    DWORD attributes = AttributesOf(*reader_, normalized, &tag);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      Fail(AsPathError(GetLastError()), normalized);
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      Fail(ERROR_PATH_NOT_FOUND, normalized);
    }
    // The root of a drive or share is never emptied, however it is spelled ("C:\.", "C:\x\..",
    // "\\?\C:\", "\\server\share\"): decided on the full path the system resolves.
    if (fs_path::IsVolumeRoot(FullPathName(normalized))) {
      Fail(ERROR_ACCESS_DENIED, normalized);
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      RemoveOneFolder(normalized, attributes, tag, force);
      return;
    }
    DeleteContent(*reader_, normalized, force);
    RemoveOneFolder(normalized, attributes, 0, force);
  }

  std::string DirMatch(const std::string& pattern, uint32_t attributes) override {
    std::string normalized = fs_path::Normalize(pattern);
    std::string folder, name_pattern;
    fs_path::Split(normalized, folder, name_pattern);
    // One lookup where the system can narrow the read (an exact name is an index lookup on
    // NTFS); our matcher still decides on the long names that come back. Should the narrowed
    // read fail for any reason but "nothing matches", the full listing decides as before.
    Listing listing;
    if (!SystemNarrows(name_pattern) || listing.Read(*reader_, folder, name_pattern) != 0) {
      listing = Listing();
      if (DWORD error = listing.Read(*reader_, folder)) {
        if ((error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND) &&
            DriveIsReadable(normalized)) {
          return "";  // the folder does not exist: nothing matches
        }
        Fail(error, normalized);
      }
    }
    constexpr DWORD kNeverSeen = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    bool folders_too = (attributes & attr::kDirectory) != 0;
    const Listing::Entry* first = nullptr;
    for (const Listing::Entry& entry : listing.entries()) {
      if ((entry.attributes & kNeverSeen) ||
          ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) && !folders_too)) {
        continue;
      }
      if ((first == nullptr || listing.Less(entry, *first)) &&
          MatchesPattern(listing.Name(entry), name_pattern, &SystemUpperCase)) {
        first = &entry;
      }
    }
    return first ? listing.Name(*first) : "";
  }

 private:
  // Whether the drive of a path answers at all: tells a missing folder from a drive that is
  // not ready (under Wine both report a missing path).
  static bool DriveIsReadable(const std::string& normalized) {
    if (normalized.size() < 3 || normalized[1] != ':') {
      return true;
    }
    std::wstring root = Widen(normalized.substr(0, 2) + "\\");
    return sys::GetAttributes(root) != INVALID_FILE_ATTRIBUTES;
  }

  // Whether the path is the file this layer deleted last, with nothing done since: the folder
  // copy deletes a file and at once copies onto its name, and the copy then needs no look at
  // the destination (under Wine, looking up a missing name reads the whole folder).
  bool JustDeleted(const std::string& normalized) const {
    return just_deleted_.stamp == g_disk_events.load() && just_deleted_.path == normalized;
  }

  struct DeletedFile {
    std::string path;
    uint64_t stamp = 0;
  };

  ReaderPtr reader_;
  DeletedFile just_deleted_;
};

// The 95 family has no FindFirstFileExW (98 and ME only a stub): the plain read gives the same
// entries.
HANDLE WINAPI FindFirstStandard(LPCWSTR pattern, FINDEX_INFO_LEVELS, LPVOID data, FINDEX_SEARCH_OPS,
                                LPVOID, DWORD) {
  return sys::FindFirst(pattern, static_cast<WIN32_FIND_DATAW*>(data));
}

}  // namespace

DWORD WINAPI SystemAttributes(LPCWSTR path) {
  return sys::GetAttributes(path);
}

std::shared_ptr<FileSystem> MakeWin32FileSystem() {
  static OptionalFunction<FindFirstFileExFn> find_first_ex("kernel32.dll", "FindFirstFileExW");
  FindFirstFileExFn find_first = WideCallsWork() ? find_first_ex.Get() : nullptr;
  return MakeWin32FileSystemWith(find_first ? find_first : &FindFirstStandard, &SystemAttributes);
}

std::shared_ptr<FileSystem> MakeWin32FileSystemWith(FindFirstFileExFn find_first,
                                                    GetFileAttributesFn get_attributes) {
  return std::make_shared<Win32FileSystem>(find_first, get_attributes);
}

}  // namespace zant::win32
