#include "support/memory_file_system.h"

#include <cctype>
#include <map>
#include <stdexcept>

#include "platform/error.h"
#include "platform/fs_path.h"
#include "platform/name_case.h"
#include "platform/wildcard.h"

namespace zant::test {

namespace {

constexpr int kMaxLinkDepth = 16;
constexpr int32_t kDiskFull = 112;
constexpr uint32_t kStoredBits = attr::kReadOnly | attr::kHidden | attr::kSystem | attr::kArchive;

// Names compare without regard to case, as the file system's upper-case table sees it (simple
// case mapping, so "über" and "ÜBER" are one name, "straße" and "STRASSE" two); the key also
// gives the listing order (ordinal comparison of the upper-cased names, as the Win32 layer sorts).
std::string Key(const std::string& text) {
  return UpperCaseName(text);
}

std::string ErrorText(int32_t code) {
  switch (code) {
    case err::kFileNotFound:
      return "The system cannot find the file specified";
    case err::kPathNotFound:
      return "The system cannot find the path specified";
    case err::kAccessDenied:
      return "Access is denied";
    case err::kNotReady:
      return "The device is not ready";
    case err::kSharingViolation:
      return "The process cannot access the file because it is being used by another process";
    case err::kFileExists:
      return "The file exists";
    case err::kDirNotEmpty:
      return "The directory is not empty";
    default:
      return "Error " + std::to_string(code);
  }
}

[[noreturn]] void Fail(int32_t code, const std::string& path) {
  throw RunError(code, fs_path::Describe(ErrorText(code), path));
}

// Folder operations report a missing last part as a missing path, as a missing folder is one.
int32_t AsPathError(int32_t code) {
  return code == err::kFileNotFound ? err::kPathNotFound : code;
}

}  // namespace

// The stored tree (named namespace: MemoryDisk::Impl holds these by value).
namespace memory_detail {

struct Node {
  std::string name;  // as stored; a drive root has none
  bool folder = false;
  uint32_t attributes = 0;  // read-only, hidden, system, archive
  std::string content;
  std::string link;         // a link's normalised target; empty for everything else
  bool downloaded = false;  // carries the mark of a file from the Internet
  bool unflushed = false;   // data written by a copy that a power cut would lose
  std::map<std::string, std::unique_ptr<Node>> children;  // by Key(name)

  bool IsLink() const { return !link.empty(); }
  uint32_t ReportedAttributes() const {
    uint32_t bits = attributes;
    if (folder) {
      bits |= attr::kDirectory;
    }
    if (IsLink()) {
      bits |= attr::kReparsePoint;
    }
    return bits;
  }
};

struct DriveState {
  int32_t type = drive_type::kFixed;
  bool ready = true;
  Node root;
};

}  // namespace memory_detail

using memory_detail::DriveState;
using memory_detail::Node;

struct MemoryDisk::Impl {
  std::map<char, DriveState> drives;
  std::map<std::string, int32_t> listing_faults;
  std::map<std::string, int32_t> path_faults;
  std::map<std::string, int32_t> copy_faults;
  std::map<std::string, int32_t> delete_faults;
  std::map<std::string, int32_t> dir_match_faults;
  int32_t drives_fault = 0;
  int changes = 0;
  std::vector<std::string> changed_paths;
  int failing_change = 0;  // 0: none
  bool rename_without_replacing = false;
  MemoryDisk::ChangeFault change_fault = MemoryDisk::ChangeFault::kRefused;
  std::string read_prefix;  // Key() of the normalised prefix; empty: reads are not recorded
  std::set<std::string> read_paths;

  void NoteRead(const std::string& normalized) {
    if (read_prefix.empty()) {
      return;
    }
    const std::string key = Key(normalized);
    if (key == read_prefix || key.rfind(read_prefix + "\\", 0) == 0) {
      read_paths.insert(normalized);
    }
  }

  // Counts one change to path. The failing change throws RunError for a refusal or a full
  // disk; for a stop it returns true, so that a copy can leave its truncated destination first.
  bool CountChange(const std::string& path) {
    changed_paths.push_back(path);
    if (++changes != failing_change) {
      return false;
    }
    switch (change_fault) {
      case MemoryDisk::ChangeFault::kRefused:
        Fail(err::kAccessDenied, path);
      case MemoryDisk::ChangeFault::kDiskFull:
        throw RunError(kDiskFull, fs_path::Describe("There is not enough space on the disk", path));
      case MemoryDisk::ChangeFault::kStopped:
      case MemoryDisk::ChangeFault::kPowerCut:
        break;
    }
    return true;
  }

  void CountChangeOrStop(const std::string& path) {
    if (CountChange(path)) {
      Stop(path);
    }
  }

  // The computer stops at the failing change; after a power cut, what was never flushed is gone.
  [[noreturn]] void Stop(const std::string& path) {
    if (change_fault == MemoryDisk::ChangeFault::kPowerCut) {
      for (auto& [letter, drive] : drives) {
        LoseUnflushedData(drive.root);
      }
    }
    throw ComputerStopped{path};
  }

  static void LoseUnflushedData(Node& folder) {
    for (auto& [key, child] : folder.children) {
      if (child->unflushed) {
        child->content.clear();
        child->unflushed = false;
      }
      LoseUnflushedData(*child);
    }
  }

  // The result of looking a path up: the entry, the folder that holds it (also when the entry
  // itself is missing, error 2), or the error a Win32 call would give.
  struct Found {
    Node* node = nullptr;
    Node* parent = nullptr;
    int32_t error = 0;
  };

  static char Letter(const std::string& normalized) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(normalized[0])));
  }

  static bool HasDrive(const std::string& normalized) {
    return normalized.size() >= 3 && normalized[1] == ':' && normalized[2] == '\\';
  }

  // The drive error of a path: 3 for a path on no drive, 21 for a drive that is not ready.
  int32_t DriveError(const std::string& normalized) const {
    if (!HasDrive(normalized)) {
      return err::kPathNotFound;
    }
    auto drive = drives.find(Letter(normalized));
    if (drive == drives.end()) {
      return err::kPathNotFound;
    }
    return drive->second.ready ? 0 : err::kNotReady;
  }

  // Follows a chain of links to the folder it ends at; nullptr when it ends nowhere.
  Node* Resolve(Node* node, int depth) {
    while (node != nullptr && node->IsLink()) {
      if (++depth > kMaxLinkDepth) {
        return nullptr;
      }
      node = Find(node->link, true, depth).node;
    }
    return node;
  }

  // Looks up a normalised path. Links on the way are followed; the last part only with
  // follow_last.
  Found Find(const std::string& normalized, bool follow_last, int depth = 0) {
    Found found;
    if (int32_t error = DriveError(normalized)) {
      found.error = error;
      return found;
    }
    Node* current = &drives[Letter(normalized)].root;
    size_t start = 3;
    while (start < normalized.size()) {
      size_t end = normalized.find('\\', start);
      bool last = end == std::string::npos;
      std::string part = normalized.substr(start, last ? std::string::npos : end - start);
      Node* folder = Resolve(current, depth);
      if (folder == nullptr || !folder->folder) {
        found.error = err::kPathNotFound;
        return found;
      }
      auto child = folder->children.find(Key(part));
      if (child == folder->children.end()) {
        found.parent = last ? folder : nullptr;
        found.error = last ? err::kFileNotFound : err::kPathNotFound;
        return found;
      }
      found.parent = folder;
      current = child->second.get();
      start = last ? normalized.size() : end + 1;
    }
    found.node = follow_last ? Resolve(current, depth) : current;
    if (found.node == nullptr) {
      // A link to nothing: a missing file at its end, a missing path on the way to a folder.
      found.error = current->folder ? err::kPathNotFound : err::kFileNotFound;
    }
    return found;
  }

  // The folder of a normalised path, made with every missing folder above it (set-up only).
  Node* MakeFolders(const std::string& normalized) {
    if (!HasDrive(normalized)) {
      throw std::invalid_argument("not a full path: " + normalized);
    }
    Node* current = &drives[Letter(normalized)].root;
    current->folder = true;
    size_t start = 3;
    while (start < normalized.size()) {
      size_t end = normalized.find('\\', start);
      std::string part = normalized.substr(start, end == std::string::npos ? end : end - start);
      Node* folder = Resolve(current, 0);
      if (folder == nullptr || !folder->folder) {
        throw std::invalid_argument("not a folder on the way to " + normalized);
      }
      std::unique_ptr<Node>& child = folder->children[Key(part)];
      if (!child) {
        child = std::make_unique<Node>();
        child->name = part;
        child->folder = true;
      }
      current = child.get();
      start = end == std::string::npos ? normalized.size() : end + 1;
    }
    return current;
  }

  static int32_t Fault(const std::map<std::string, int32_t>& faults, const std::string& path) {
    auto it = faults.find(Key(fs_path::Normalize(path)));
    return it == faults.end() ? 0 : it->second;
  }

  void CheckFault(const std::map<std::string, int32_t>& faults, const std::string& path) const {
    if (int32_t error = Fault(faults, path)) {
      Fail(error, path);
    }
  }

  // Removes an entry whose lookup succeeded.
  static void Unlink(Node* parent, Node* node) { parent->children.erase(Key(node->name)); }

  // Deletes the content of a folder, depth first; links are removed, never followed.
  void DeleteContent(Node* folder, const std::string& path, bool force) {
    std::vector<std::string> keys;
    for (const auto& [key, child] : folder->children) {
      keys.push_back(key);
    }
    for (const std::string& key : keys) {
      Node* child = folder->children[key].get();
      std::string child_path = fs_path::Join(path, child->name);
      CheckFault(delete_faults, child_path);
      if (child->folder && !child->IsLink()) {
        DeleteContent(child, child_path, force);
      }
      if ((child->attributes & attr::kReadOnly) && !force) {
        Fail(err::kAccessDenied, child_path);
      }
      CountChangeOrStop(child_path);
      folder->children.erase(key);
    }
  }
};

namespace {

using Impl = MemoryDisk::Impl;

class MemoryFile : public File {
 public:
  MemoryFile(std::shared_ptr<MemoryDisk> disk, std::string path, std::string name)
      : disk_(std::move(disk)), path_(std::move(path)), name_(std::move(name)) {}

  std::string Path() const override {
    disk_->impl().CheckFault(disk_->impl().path_faults, path_);
    return path_;
  }
  std::string Name() const override { return name_; }
  uint32_t Attributes() const override { return Lookup()->ReportedAttributes(); }
  void SetAttributes(uint32_t attributes) override {
    Node* node = Lookup();
    disk_->impl().CountChangeOrStop(path_);
    node->attributes = attributes & kStoredBits;
  }

 private:
  Node* Lookup() const {
    Impl::Found found = disk_->impl().Find(path_, true);
    if (found.error != 0 || found.node->folder) {
      Fail(found.error ? found.error : err::kFileNotFound, path_);
    }
    return found.node;
  }

  std::shared_ptr<MemoryDisk> disk_;
  std::string path_;
  std::string name_;
};

class MemoryFolder : public Folder {
 public:
  MemoryFolder(std::shared_ptr<MemoryDisk> disk, std::string path, std::string name)
      : disk_(std::move(disk)), path_(std::move(path)), name_(std::move(name)) {}

  std::string Path() const override {
    disk_->impl().CheckFault(disk_->impl().path_faults, path_);
    return path_;
  }
  std::string Name() const override { return name_; }
  uint32_t Attributes() const override {
    Impl::Found found = disk_->impl().Find(path_, false);
    if (found.error != 0) {
      Fail(AsPathError(found.error), path_);
    }
    return found.node->ReportedAttributes();
  }

  std::vector<FolderPtr> SubFolders() const override {
    std::vector<FolderPtr> out;
    for (const auto& [key, child] : Listing()->children) {
      if (child->folder) {
        out.push_back(
            std::make_shared<MemoryFolder>(disk_, fs_path::Join(path_, child->name), child->name));
      }
    }
    return out;
  }

  std::vector<FilePtr> Files() const override {
    std::vector<FilePtr> out;
    for (const auto& [key, child] : Listing()->children) {
      if (!child->folder) {
        out.push_back(
            std::make_shared<MemoryFile>(disk_, fs_path::Join(path_, child->name), child->name));
      }
    }
    return out;
  }

 private:
  const Node* Listing() const {
    Impl& impl = disk_->impl();
    impl.CheckFault(impl.listing_faults, path_);
    impl.NoteRead(path_);
    Impl::Found found = impl.Find(path_, true);
    if (found.error != 0 || !found.node->folder) {
      Fail(AsPathError(found.error ? found.error : err::kPathNotFound), path_);
    }
    return found.node;
  }

  std::shared_ptr<MemoryDisk> disk_;
  std::string path_;
  std::string name_;
};

class MemoryDrive : public Drive {
 public:
  MemoryDrive(std::shared_ptr<MemoryDisk> disk, char letter)
      : disk_(std::move(disk)), letter_(letter) {}

  std::string DriveLetter() const override { return std::string(1, letter_); }
  int32_t DriveType() const override { return disk_->impl().drives[letter_].type; }
  FolderPtr RootFolder() const override {
    std::string root = std::string(1, letter_) + ":\\";
    if (!disk_->impl().drives[letter_].ready) {
      Fail(err::kNotReady, root);
    }
    return std::make_shared<MemoryFolder>(disk_, root, "");
  }

 private:
  std::shared_ptr<MemoryDisk> disk_;
  char letter_;
};

class MemoryFileSystem : public FileSystem {
 public:
  explicit MemoryFileSystem(std::shared_ptr<MemoryDisk> disk) : disk_(std::move(disk)) {}

  std::vector<DrivePtr> Drives() override {
    if (impl().drives_fault != 0) {
      Fail(impl().drives_fault, "drives");
    }
    std::vector<DrivePtr> out;
    for (const auto& [letter, drive] : impl().drives) {
      out.push_back(std::make_shared<MemoryDrive>(disk_, letter));
    }
    return out;
  }

  FolderPtr GetFolder(const std::string& path) override {
    std::string normalized = fs_path::Normalize(path);
    impl().NoteRead(normalized);
    Impl::Found found = impl().Find(normalized, true);
    if (found.error != 0 || !found.node->folder) {
      Fail(AsPathError(found.error ? found.error : err::kPathNotFound), normalized);
    }
    std::string folder, name;
    fs_path::Split(normalized, folder, name);
    return std::make_shared<MemoryFolder>(disk_, normalized, name);
  }

  FilePtr GetFile(const std::string& path) override {
    std::string normalized = fs_path::Normalize(path);
    impl().NoteRead(normalized);
    Impl::Found found = impl().Find(normalized, true);
    if (found.error != 0 || found.node->folder) {
      Fail(found.error ? found.error : err::kFileNotFound, normalized);
    }
    std::string folder, name;
    fs_path::Split(normalized, folder, name);
    return std::make_shared<MemoryFile>(disk_, normalized, name);
  }

  bool FileExists(const std::string& path) override {
    std::string normalized = fs_path::Normalize(path);
    impl().NoteRead(normalized);
    Impl::Found found = impl().Find(normalized, true);
    return found.error == 0 && !found.node->folder;
  }

  void CopyFile(const std::string& source, const std::string& destination,
                bool overwrite) override {
    std::string from = fs_path::Normalize(source);
    std::string to = fs_path::Normalize(destination);
    impl().NoteRead(from);
    impl().CheckFault(impl().copy_faults, to);
    Impl::Found src = impl().Find(from, true);
    if (src.error != 0) {
      Fail(src.error, from);
    }
    if (src.node->folder) {
      Fail(err::kAccessDenied, from);
    }
    // A link to a file, or to nothing, is replaced by a plain file; its target stays as it is.
    Impl::Found link = impl().Find(to, false);
    if (link.error == 0 && link.node->IsLink() && !link.node->folder) {
      if (!overwrite) {
        Fail(err::kFileExists, to);
      }
      auto node = std::make_unique<Node>();
      node->name = link.node->name;
      node->content = src.node->content;
      node->attributes = src.node->attributes;
      node->unflushed = true;
      link.parent->children[Key(node->name)] = std::move(node);
      return;
    }
    Impl::Found dst = impl().Find(to, true);
    if (dst.error == err::kFileNotFound && dst.parent != nullptr) {
      std::string folder, name;
      fs_path::Split(to, folder, name);
      bool stopped = CountCopy(nullptr, dst.parent, to);
      auto node = std::make_unique<Node>();
      node->name = name;
      node->content = src.node->content;
      node->attributes = src.node->attributes;
      node->unflushed = true;
      Node* written = node.get();
      dst.parent->children[Key(name)] = std::move(node);
      Truncate(written, stopped, to);
      return;
    }
    if (dst.error != 0) {
      Fail(AsPathError(dst.error), to);
    }
    if (dst.node == src.node) {
      Fail(err::kSharingViolation, to);
    }
    if (dst.node->folder) {
      Fail(err::kAccessDenied, to);
    }
    if (!overwrite) {
      Fail(err::kFileExists, to);
    }
    if (dst.node->attributes & (attr::kReadOnly | attr::kHidden | attr::kSystem)) {
      Fail(err::kAccessDenied, to);
    }
    bool stopped = CountCopy(dst.node, dst.parent, to);
    dst.node->content = src.node->content;
    dst.node->attributes = src.node->attributes;
    dst.node->downloaded = false;
    dst.node->unflushed = true;
    Truncate(dst.node, stopped, to);
  }

  void FlushFile(const std::string& path) override {
    std::string normalized = fs_path::Normalize(path);
    Impl::Found found = impl().Find(normalized, true);
    if (found.error != 0 || found.node->folder) {
      Fail(found.error ? found.error : err::kAccessDenied, normalized);
    }
    impl().CountChangeOrStop(normalized);
    found.node->unflushed = false;
  }

  void MoveFile(const std::string& source, const std::string& destination) override {
    std::string from = fs_path::Normalize(source);
    std::string to = fs_path::Normalize(destination);
    Impl::Found src = impl().Find(from, false);
    if (src.error != 0) {
      Fail(src.error, from);
    }
    if (src.node->folder) {
      Fail(err::kAccessDenied, from);
    }
    Impl::Found dst = impl().Find(to, false);
    if (dst.error != 0 && !(dst.error == err::kFileNotFound && dst.parent != nullptr)) {
      Fail(AsPathError(dst.error), to);
    }
    if (dst.error == 0 &&
        (dst.node->folder ||
         (!dst.node->IsLink() &&
          (dst.node->attributes & (attr::kReadOnly | attr::kHidden | attr::kSystem))))) {
      Fail(err::kAccessDenied, to);
    }
    if (dst.error == 0 && impl().rename_without_replacing) {
      impl().CountChangeOrStop(to);
      dst.parent->children.erase(Key(dst.node->name));
    }
    // A rename happens whole or not at all: a computer stopped at it has not renamed.
    impl().CountChangeOrStop(to);
    std::string folder, name;
    fs_path::Split(to, folder, name);
    std::unique_ptr<Node> moved = std::move(src.parent->children[Key(src.node->name)]);
    src.parent->children.erase(Key(moved->name));
    moved->name = name;
    dst.parent->children[Key(name)] = std::move(moved);
  }

  void DeleteFile(const std::string& path, bool force) override {
    std::string normalized = fs_path::Normalize(path);
    std::string folder_path, pattern;
    fs_path::Split(normalized, folder_path, pattern);
    Impl::Found folder = impl().Find(folder_path, true);
    if (folder.error != 0 || !folder.node->folder) {
      Fail(AsPathError(folder.error ? folder.error : err::kPathNotFound), normalized);
    }
    std::vector<std::string> keys;
    for (const auto& [key, child] : folder.node->children) {
      if (!child->folder &&
          (HasWildcards(pattern) ? MatchesPattern(child->name, pattern) : key == Key(pattern))) {
        keys.push_back(key);
      }
    }
    if (keys.empty()) {
      Fail(err::kFileNotFound, normalized);
    }
    for (const std::string& key : keys) {
      Node* file = folder.node->children[key].get();
      std::string file_path = fs_path::Join(folder_path, file->name);
      impl().CheckFault(impl().delete_faults, file_path);
      if ((file->attributes & attr::kReadOnly) && !force) {
        Fail(err::kAccessDenied, file_path);
      }
      impl().CountChangeOrStop(file_path);
      folder.node->children.erase(key);
    }
  }

  void DeleteFolder(const std::string& path, bool force) override {
    std::string normalized = fs_path::Normalize(path);
    // Looked up by its full path, as Windows resolves "." and ".." and the "\\?\" prefix; the
    // double has no current folder, so a relative path names nothing.
    std::string full = fs_path::FullPath(normalized, "");
    Impl::Found found = impl().Find(full, false);
    if (found.error != 0 || !found.node->folder) {
      Fail(AsPathError(found.error ? found.error : err::kPathNotFound), normalized);
    }
    if (found.parent == nullptr || fs_path::IsVolumeRoot(full)) {
      Fail(err::kAccessDenied, normalized);  // a drive root cannot be removed
    }
    impl().CheckFault(impl().delete_faults, normalized);
    if (!found.node->IsLink()) {
      impl().DeleteContent(found.node, normalized, force);
    }
    if ((found.node->attributes & attr::kReadOnly) && !force) {
      Fail(err::kAccessDenied, normalized);
    }
    impl().CountChangeOrStop(normalized);
    Impl::Unlink(found.parent, found.node);
  }

  std::string DirMatch(const std::string& pattern, uint32_t attributes) override {
    std::string normalized = fs_path::Normalize(pattern);
    std::string folder_path, name_pattern;
    fs_path::Split(normalized, folder_path, name_pattern);
    impl().NoteRead(normalized);
    impl().CheckFault(impl().dir_match_faults, folder_path);
    if (int32_t error = impl().DriveError(normalized)) {
      Fail(error, normalized);
    }
    Impl::Found folder = impl().Find(folder_path, true);
    if (folder.error != 0 || !folder.node->folder) {
      return "";  // no such folder: nothing matches
    }
    bool folders_too = (attributes & attr::kDirectory) != 0;
    for (const auto& [key, child] : folder.node->children) {
      if (child->attributes & (attr::kHidden | attr::kSystem)) {
        continue;
      }
      if (child->folder && !folders_too) {
        continue;
      }
      if (MatchesPattern(child->name, name_pattern)) {
        return child->name;
      }
    }
    return "";
  }

 private:
  Impl& impl() { return disk_->impl(); }

  // Counts a copy to `to` as one change, before anything is written. Refused, it changes
  // nothing; on a full disk the copy removes the destination it had begun to overwrite. True
  // when the computer stops during this copy.
  bool CountCopy(Node* existing, Node* parent, const std::string& to) {
    try {
      return impl().CountChange(to);
    } catch (const RunError& error) {
      if (existing != nullptr && error.Number() == kDiskFull) {
        Impl::Unlink(parent, existing);
      }
      throw;
    }
  }

  // A copy cut short keeps the first half of what it was writing.
  void Truncate(Node* written, bool stopped, const std::string& to) {
    if (stopped) {
      written->content.resize(written->content.size() / 2);
      impl().Stop(to);
    }
  }

  std::shared_ptr<MemoryDisk> disk_;
};

}  // namespace

MemoryDisk::MemoryDisk() : impl_(std::make_unique<Impl>()) {}
MemoryDisk::~MemoryDisk() = default;

void MemoryDisk::AddDrive(char letter, int32_t type) {
  DriveState& drive = impl_->drives[Impl::Letter(std::string(1, letter))];
  drive.type = type;
  drive.root.folder = true;
}

void MemoryDisk::SetDriveReady(char letter, bool ready) {
  DriveState& drive = impl_->drives[Impl::Letter(std::string(1, letter))];
  drive.root.folder = true;
  drive.ready = ready;
}

void MemoryDisk::MakeFolder(const std::string& path, uint32_t attributes) {
  Node* folder = impl_->MakeFolders(fs_path::Normalize(path));
  folder->attributes = attributes & kStoredBits;
}

void MemoryDisk::MakeFile(const std::string& path, const std::string& content,
                          uint32_t attributes) {
  std::string folder_path, name;
  fs_path::Split(fs_path::Normalize(path), folder_path, name);
  Node* folder = impl_->Resolve(impl_->MakeFolders(folder_path), 0);
  std::unique_ptr<Node>& file = folder->children[Key(name)];
  if (!file || file->folder || file->IsLink()) {
    file = std::make_unique<Node>();
    file->name = name;
  }
  file->content = content;
  file->attributes = attributes & kStoredBits;
  file->unflushed = false;
}

void MemoryDisk::MakeLink(const std::string& path, const std::string& target) {
  std::string normalized = fs_path::Normalize(path);
  std::string folder_path, name;
  fs_path::Split(normalized, folder_path, name);
  Node* folder = impl_->Resolve(impl_->MakeFolders(folder_path), 0);
  auto link = std::make_unique<Node>();
  link->name = name;
  link->folder = true;
  link->link = fs_path::Normalize(target);
  folder->children[Key(name)] = std::move(link);
}

void MemoryDisk::MakeFileLink(const std::string& path, const std::string& target) {
  std::string folder_path, name;
  fs_path::Split(fs_path::Normalize(path), folder_path, name);
  Node* folder = impl_->Resolve(impl_->MakeFolders(folder_path), 0);
  auto link = std::make_unique<Node>();
  link->name = name;
  link->link = fs_path::Normalize(target);
  folder->children[Key(name)] = std::move(link);
}

void MemoryDisk::Remove(const std::string& path) {
  Impl::Found found = impl_->Find(fs_path::Normalize(path), false);
  if (found.error == 0 && found.parent != nullptr) {
    Impl::Unlink(found.parent, found.node);
  }
}

void MemoryDisk::MarkDownloaded(const std::string& path) {
  Impl::Found found = impl_->Find(fs_path::Normalize(path), true);
  if (found.error != 0 || found.node->folder) {
    Fail(found.error ? found.error : err::kFileNotFound, path);
  }
  found.node->downloaded = true;
}

bool MemoryDisk::Exists(const std::string& path) const {
  return impl_->Find(fs_path::Normalize(path), false).error == 0;
}

bool MemoryDisk::IsFolder(const std::string& path) const {
  Impl::Found found = impl_->Find(fs_path::Normalize(path), false);
  return found.error == 0 && found.node->folder;
}

std::string MemoryDisk::ReadFile(const std::string& path) const {
  Impl::Found found = impl_->Find(fs_path::Normalize(path), true);
  if (found.error != 0 || found.node->folder) {
    Fail(found.error ? found.error : err::kFileNotFound, path);
  }
  return found.node->content;
}

uint32_t MemoryDisk::GetAttributes(const std::string& path) const {
  Impl::Found found = impl_->Find(fs_path::Normalize(path), false);
  if (found.error != 0) {
    Fail(found.error, path);
  }
  return found.node->ReportedAttributes();
}

bool MemoryDisk::MarkedDownloaded(const std::string& path) const {
  Impl::Found found = impl_->Find(fs_path::Normalize(path), true);
  return found.error == 0 && found.node->downloaded;
}

void MemoryDisk::SetAttributes(const std::string& path, uint32_t attributes) {
  Impl::Found found = impl_->Find(fs_path::Normalize(path), false);
  if (found.error != 0) {
    Fail(found.error, path);
  }
  found.node->attributes = attributes & kStoredBits;
}

namespace {

void SnapshotInto(const Node& folder, const std::string& path, std::vector<std::string>& out) {
  for (const auto& [key, child] : folder.children) {
    std::string child_path = fs_path::Join(path, child->name);
    if (child->IsLink()) {
      out.push_back(child_path + (child->folder ? "\\|link|" : "|link|") + child->link);
    } else if (child->folder) {
      out.push_back(child_path + "\\");
      SnapshotInto(*child, child_path, out);
    } else {
      out.push_back(child_path + "|" + std::to_string(child->attributes) + "|" + child->content);
    }
  }
}

}  // namespace

std::vector<std::string> MemoryDisk::Snapshot(const std::string& folder) const {
  std::string normalized = fs_path::Normalize(folder);
  Impl::Found found = impl_->Find(normalized, true);
  if (found.error != 0 || !found.node->folder) {
    Fail(AsPathError(found.error ? found.error : err::kPathNotFound), normalized);
  }
  std::vector<std::string> out;
  SnapshotInto(*found.node, normalized, out);
  return out;
}

void MemoryDisk::FailListing(const std::string& folder_path, int32_t error) {
  impl_->listing_faults[Key(fs_path::Normalize(folder_path))] = error;
}

void MemoryDisk::FailPath(const std::string& path, int32_t error) {
  impl_->path_faults[Key(fs_path::Normalize(path))] = error;
}

void MemoryDisk::FailCopyTo(const std::string& destination, int32_t error) {
  impl_->copy_faults[Key(fs_path::Normalize(destination))] = error;
}

void MemoryDisk::FailDelete(const std::string& path, int32_t error) {
  impl_->delete_faults[Key(fs_path::Normalize(path))] = error;
}

void MemoryDisk::FailDirMatch(const std::string& pattern_folder, int32_t error) {
  impl_->dir_match_faults[Key(fs_path::Normalize(pattern_folder))] = error;
}

void MemoryDisk::FailDrives(int32_t error) {
  impl_->drives_fault = error;
}

void MemoryDisk::ClearFaults() {
  impl_->listing_faults.clear();
  impl_->path_faults.clear();
  impl_->copy_faults.clear();
  impl_->delete_faults.clear();
  impl_->dir_match_faults.clear();
  impl_->drives_fault = 0;
  impl_->failing_change = 0;
}

void MemoryDisk::RenameWithoutReplacing(bool on) {
  impl_->rename_without_replacing = on;
}

void MemoryDisk::FailNthChange(int n, ChangeFault fault) {
  impl_->failing_change = n;
  impl_->change_fault = fault;
}

int MemoryDisk::ChangeCount() const {
  return impl_->changes;
}

const std::vector<std::string>& MemoryDisk::ChangedPaths() const {
  return impl_->changed_paths;
}

void MemoryDisk::CountChange(const std::string& path) {
  impl_->CountChangeOrStop(path);
}

void MemoryDisk::RecordReadsUnder(const std::string& prefix) {
  impl_->read_prefix = Key(fs_path::Normalize(prefix));
  impl_->read_paths.clear();
}

const std::set<std::string>& MemoryDisk::ReadPaths() const {
  return impl_->read_paths;
}

std::shared_ptr<FileSystem> MakeMemoryFileSystem(std::shared_ptr<MemoryDisk> disk) {
  return std::make_shared<MemoryFileSystem>(std::move(disk));
}

}  // namespace zant::test
