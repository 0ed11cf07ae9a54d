#include "fstree/folder_copy.h"

#include "platform/error.h"

namespace zant {
namespace {

// A file of the destination is only replaced or deleted when the directory match sees it: an
// ordinary, read-only or archive file, never a hidden or system one.
void DeleteIfVisible(FileSystem& fs, const std::string& target) {
  if (!fs.DirMatch(target, attr::kNormal).empty()) {
    fs.DeleteFile(target, true);
  }
}

// A medium file name is used as a literal name, never as a pattern: a name with wildcard
// characters (possible only on foreign file systems) would otherwise delete other files.
void RequireLiteralName(const std::string& folder_path, const std::string& name) {
  if (name.find_first_of("*?") != std::string::npos) {
    throw RunError(err::kInvalidName, "The file name is not valid: " + folder_path + "\\" + name);
  }
}

std::string Join(const std::string& folder_path, const std::string& name) {
  // A drive root's path already ends with its backslash ("C:\").
  if (!folder_path.empty() && folder_path.back() == '\\') {
    return folder_path + name;
  }
  return folder_path + "\\" + name;
}

// Shows each file lying directly in the source folder and hands its path and the path of its
// namesake in the destination to `handle`. Both folders must exist before any file is touched;
// paths are built from the folder objects, not from the arguments.
template <typename Handle>
void ForEachSourceFile(FileSystem& fs, const ShowDetailFn& show_detail,
                       const std::string& pSrcFolder, const std::string& pDestFolder,
                       Handle handle) {
  FolderPtr source = fs.GetFolder(pSrcFolder);
  FolderPtr destination = fs.GetFolder(pDestFolder);
  const std::string source_path = source->Path();
  const std::string destination_path = destination->Path();
  for (const FilePtr& file : source->Files()) {
    const std::string name = file->Name();
    show_detail(name);
    RequireLiteralName(source_path, name);
    handle(Join(source_path, name), Join(destination_path, name));
  }
}

}  // namespace

void CopyAllFiles(FileSystem& fs, const ShowDetailFn& show_detail, const std::string& pSrcFolder,
                  const std::string& pDestFolder) {
  ForEachSourceFile(fs, show_detail, pSrcFolder, pDestFolder,
                    [&fs](const std::string& source, const std::string& target) {
                      DeleteIfVisible(fs, target);
                      fs.CopyFile(source, target, true);
                    });
}

void DeleteAllFiles(FileSystem& fs, const ShowDetailFn& show_detail, const std::string& pSrcFolder,
                    const std::string& pDestFolder) {
  ForEachSourceFile(
      fs, show_detail, pSrcFolder, pDestFolder,
      [&fs](const std::string&, const std::string& target) { DeleteIfVisible(fs, target); });
}

}  // namespace zant
