#include "fstree/dtree.h"

#include <exception>
#include <string>
#include <utility>

namespace zant {

namespace {

constexpr int32_t kOk = 0;
constexpr int32_t kNoUsableRoot = -1;  // also: GetFolder on an unreadable folder
constexpr int32_t kKindNotAccepted = -2;
constexpr int32_t kNotWalking = -3;
constexpr int32_t kNoCurrentFile = -4;

int32_t Count(const auto& items) {
  return static_cast<int32_t>(items.size());
}

// Drops what the walk must not enter from a fresh subfolder list, keeping the order: links
// (see the class comment), folders whose attributes cannot be read, and empty handles.
void LeaveOutLinks(std::vector<FolderPtr>& folders) {
  std::erase_if(folders, [](const FolderPtr& folder) {
    if (!folder) {
      return true;
    }
    try {
      return (folder->Attributes() & attr::kReparsePoint) != 0;
    } catch (const std::exception&) {
      return true;
    }
  });
}

}  // namespace

crtDTree::crtDTree(FileSystemFactory factory) : factory_(std::move(factory)) {}

void crtDTree::SetRoot(const RootSpec& pRoot, int32_t pSettings) {
  last_error_ = kNoUsableRoot;
  state_ = WalkState::kIdle;
  file_index_ = kFilesNotListed;
  recurse_ = (pSettings == 0);
  levels_.clear();
  file_list_.clear();

  switch (pRoot.kind()) {
    case RootSpec::Kind::kString:
      roots_.assign(1, FolderFromPath(pRoot.path()));
      break;
    case RootSpec::Kind::kStringArray:
      roots_.clear();
      for (const std::string& path : pRoot.paths()) {
        roots_.push_back(FolderFromPath(path));
      }
      break;
    case RootSpec::Kind::kFolder:
      roots_.assign(1, pRoot.folder());
      break;
    case RootSpec::Kind::kFolders:
      roots_ = pRoot.folders();
      break;
    case RootSpec::Kind::kDrive:
      // Read without protection: a drive that is not ready raises its error to the caller and
      // leaves the walker Idle with -1.
      roots_.clear();
      roots_.push_back(pRoot.drive() ? pRoot.drive()->RootFolder() : nullptr);
      break;
    case RootSpec::Kind::kCollection:
      roots_.clear();
      if (pRoot.items().empty()) {
        return;
      }
      if (!AddCollectionRoots(pRoot.items())) {
        return;
      }
      break;
    default:
      last_error_ = kKindNotAccepted;
      return;
  }

  // A walk never starts with only part of its roots.
  if (!RootsAreValid()) {
    return;
  }
  PushLevel(roots_);
  state_ = WalkState::kWalking;
  last_error_ = kOk;
}

bool crtDTree::AddCollectionRoots(const std::vector<RootSpec>& items) {
  for (const RootSpec& item : items) {
    switch (item.kind()) {
      case RootSpec::Kind::kString:
        roots_.push_back(FolderFromPath(item.path()));
        break;
      case RootSpec::Kind::kFolder:
        roots_.push_back(item.folder());
        break;
      case RootSpec::Kind::kDrive:
        roots_.push_back(FolderFromDrive(item.drive()));
        break;
      default:
        // The items after it are not looked at.
        last_error_ = kKindNotAccepted;
        return false;
    }
  }
  return true;
}

FolderPtr crtDTree::FolderFromPath(const std::string& path) {
  try {
    if (!file_system_) {
      file_system_ = factory_();
    }
    if (!file_system_) {
      return nullptr;
    }
    return file_system_->GetFolder(path);
  } catch (const std::exception&) {
    return nullptr;
  }
}

FolderPtr crtDTree::FolderFromDrive(const DrivePtr& drive) {
  if (!drive) {
    return nullptr;
  }
  try {
    return drive->RootFolder();
  } catch (const std::exception&) {
    return nullptr;
  }
}

bool crtDTree::RootsAreValid() const {
  if (roots_.empty()) {
    return false;
  }
  for (const FolderPtr& root : roots_) {
    if (!root) {
      return false;
    }
  }
  return true;
}

void crtDTree::PushLevel(std::vector<FolderPtr> folders) {
  levels_.push_back(FolderLevel{std::move(folders), 0});
}

const FolderPtr& crtDTree::CurrentFolder() const {
  const FolderLevel& top = levels_.back();
  return top.siblings[static_cast<size_t>(top.index)];
}

// One pre-order step: into the current folder's first subfolder, else to its next sibling, else
// up to the next sibling of the nearest ancestor that has one, else off the end of the walk.
void crtDTree::AdvanceFolder() {
  file_index_ = kFilesNotListed;
  if (levels_.empty()) {
    state_ = WalkState::kDone;
    return;
  }

  // Without recursion the subfolders would only be thrown away, so they are not listed.
  if (recurse_) {
    std::vector<FolderPtr> subfolders;
    try {
      subfolders = CurrentFolder()->SubFolders();
    } catch (const std::exception&) {
      subfolders.clear();  // an unlistable folder counts as having no subfolders
    }
    LeaveOutLinks(subfolders);
    if (!subfolders.empty()) {
      PushLevel(std::move(subfolders));
      return;
    }
  }

  for (;;) {
    FolderLevel& top = levels_.back();
    if (top.index + 1 < Count(top.siblings)) {
      ++top.index;
      return;
    }
    PopLevel();
    if (levels_.empty()) {
      state_ = WalkState::kDone;
      file_list_.clear();
      return;
    }
  }
}

void crtDTree::AdvanceFile() {
  while (state_ == WalkState::kWalking) {
    if (file_index_ == kNoFiles) {
      AdvanceFolder();
    } else if (file_index_ == kFilesNotListed) {
      LoadFiles();
      if (file_index_ == 0) {
        return;
      }
      // No files here: the next pass moves on to the next folder.
    } else if (file_index_ + 1 >= Count(file_list_)) {
      AdvanceFolder();
    } else {
      ++file_index_;
      return;
    }
  }
}

void crtDTree::LoadFiles() {
  try {
    file_list_ = CurrentFolder()->Files();
  } catch (const std::exception&) {
    file_list_.clear();
    file_index_ = kNoFiles;
    return;
  }
  file_index_ = file_list_.empty() ? kNoFiles : 0;
}

// Only whether Path can be read matters; the value is discarded.
bool crtDTree::FolderIsReadable() const {
  if (state_ != WalkState::kWalking || levels_.empty()) {
    return false;
  }
  try {
    (void)CurrentFolder()->Path();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool crtDTree::FileIsReadable() const {
  if (state_ != WalkState::kWalking || file_index_ < 0 || file_index_ >= Count(file_list_)) {
    return false;
  }
  const FilePtr& file = file_list_[static_cast<size_t>(file_index_)];
  if (!file) {
    return false;
  }
  try {
    (void)file->Path();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

FolderPtr crtDTree::GetFolder() {
  if (state_ != WalkState::kWalking) {
    last_error_ = kNotWalking;
    return nullptr;
  }
  if (!FolderIsReadable()) {
    last_error_ = kNoUsableRoot;
    return nullptr;
  }
  last_error_ = kOk;
  return CurrentFolder();
}

void crtDTree::MoveNextFolder() {
  if (state_ != WalkState::kWalking) {
    last_error_ = kNotWalking;
    return;
  }
  do {
    AdvanceFolder();
  } while (state_ == WalkState::kWalking && !FolderIsReadable());
  last_error_ = kOk;
}

FilePtr crtDTree::GetFile() {
  if (state_ != WalkState::kWalking) {
    last_error_ = kNotWalking;
    return nullptr;
  }
  if (file_index_ == kFilesNotListed) {
    LoadFiles();
  }
  if (file_index_ == kNoFiles || !FileIsReadable()) {
    last_error_ = kNoCurrentFile;
    return nullptr;
  }
  last_error_ = kOk;
  return file_list_[static_cast<size_t>(file_index_)];
}

void crtDTree::MoveNextFile() {
  if (state_ != WalkState::kWalking) {
    last_error_ = kNotWalking;
    return;
  }
  do {
    AdvanceFile();
  } while (state_ == WalkState::kWalking && !FileIsReadable());
  last_error_ = kOk;
}

}  // namespace zant
