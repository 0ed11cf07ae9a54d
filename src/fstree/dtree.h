#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "fstree/walk_roots.h"
#include "platform/file_system.h"

namespace zant {

// Walks one or more folder trees one step at a time, depth-first and pre-order. A caller names
// the roots with SetRoot and then pulls the walk forward one folder (MoveNextFolder, GetFolder)
// or one file (MoveNextFile, GetFile) at a time until Finished.
//
// No file-system failure escapes a stepping operation: a folder whose subfolders cannot be
// listed counts as having none, one whose files cannot be listed as having no files, and a
// folder or file whose Path cannot be read is stepped over. Each operation except ErrorNumber
// and Finished leaves an outcome code instead:
//    0  success
//   -1  SetRoot: no usable root (none at all, or one of them could not be resolved);
//       GetFolder: the current folder's Path cannot be read
//   -2  SetRoot: the root, or an item of a root collection, is of a kind it does not accept
//   -3  GetFolder, MoveNextFolder, GetFile, MoveNextFile: no walk in progress (Idle or Done)
//   -4  GetFile: no current file (the folder has none, they cannot be listed, or the file's
//       Path cannot be read)
// The one failure that is raised: the RootFolder of a "Drive" given directly to SetRoot. The
// walker is then left Idle with -1.
//
// Starting positions: after SetRoot the current folder is the first root and no file has been
// listed. The first MoveNextFile stops on the first file of the walk (not the second); GetFile
// lists the current folder's files and returns the first, and a MoveNextFile after it moves to
// the second. After MoveNextFolder the file walk starts again at the new folder's first file.
//
// Snapshots: a folder's subfolders are listed once, when the walk moves past the folder; its
// files once, when the file walk first needs them. Later changes are not seen. Only the sibling
// lists along the current path and one file list are held, never the whole tree.
//
// Links: folders whose attributes carry attr::kReparsePoint (symbolic links, junctions, mount
// points) are left out of every subfolder list, so the walk neither lists nor enters them. A
// link back to an ancestor therefore cannot make the walk endless, and a volume mounted inside
// another is not searched twice. A subfolder whose attributes cannot be read is left out too,
// since it cannot be told apart from a link. Roots are walked whatever they are: the caller
// named them.
//
// Single-threaded; the walker never yields to the message loop itself.
class crtDTree {
 public:
  // The walker makes its file-system object with the factory when it first resolves a path,
  // and keeps it for its lifetime.
  explicit crtDTree(FileSystemFactory factory);

  // Starts a new walk, whatever the walker was doing. pSettings 0 walks whole trees; any other
  // value visits the root folders only. Accepts "String", "String()", "Folder", "Folders",
  // "Drive" and "Collection" (whose items may be "String", "Folder" or "Drive"). A null folder
  // or drive handle counts as a root that cannot be resolved (-1).
  void SetRoot(const RootSpec& pRoot, int32_t pSettings);
  int32_t ErrorNumber() const { return last_error_; }
  // The current folder; never moves.
  FolderPtr GetFolder();
  // The next readable folder in pre-order, or the end of the walk.
  void MoveNextFolder();
  // The current file; never moves, but lists the current folder's files if not done yet.
  FilePtr GetFile();
  bool Finished() const { return state_ == WalkState::kDone; }
  // The next readable file of the walk, or the end of the walk.
  void MoveNextFile();

 private:
  enum class WalkState : int32_t { kIdle = 0, kDone = 1, kWalking = 2 };

  // FileIndex values below 0.
  static constexpr int32_t kFilesNotListed = -2;
  static constexpr int32_t kNoFiles = -1;

  // One level of the walk's stack: a snapshot of one folder's subfolders (for the bottom level,
  // the roots) and the position of the current one among them.
  struct FolderLevel {
    std::vector<FolderPtr> siblings;
    int32_t index = 0;
  };

  FolderPtr FolderFromPath(const std::string& path);
  static FolderPtr FolderFromDrive(const DrivePtr& drive);
  // Appends the roots of a "Collection"; false (with -2 left) on an item of another kind.
  bool AddCollectionRoots(const std::vector<RootSpec>& items);
  bool RootsAreValid() const;
  void PushLevel(std::vector<FolderPtr> folders);
  void PopLevel() { levels_.pop_back(); }
  const FolderPtr& CurrentFolder() const;
  void AdvanceFolder();
  void AdvanceFile();
  void LoadFiles();
  bool FolderIsReadable() const;
  bool FileIsReadable() const;

  FileSystemFactory factory_;
  std::shared_ptr<FileSystem> file_system_;  // made on first use, then kept
  WalkState state_ = WalkState::kIdle;
  std::vector<FolderPtr> roots_;          // resolved by the last SetRoot; an entry may be null
  std::vector<FolderLevel> levels_;       // bottom: the roots; top: the current folder's siblings
  std::vector<FilePtr> file_list_;        // the current folder's files
  int32_t file_index_ = kFilesNotListed;  // position in file_list_, or kFilesNotListed/kNoFiles
  int32_t last_error_ = 0;
  bool recurse_ = true;
};

}  // namespace zant
