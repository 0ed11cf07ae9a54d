#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/file_system.h"

namespace zant {

// What crtDTree::SetRoot is asked to walk: one value of one kind. The walker accepts six kinds,
// known by their type names: "String" (a path), "String()" (an array of paths), "Folder",
// "Folders" (a folder collection), "Drive" and "Collection" (an ordered list of items that each
// carry their own kind). Values of other kinds ("Empty", "Long", "File", "Long()") can be made
// too, as a root or as a collection item, so that a caller can hand the walker something it
// refuses.
class RootSpec {
 public:
  // The order matches the alternatives of the value below.
  enum class Kind {
    kEmpty,
    kString,
    kStringArray,
    kFolder,
    kFolders,
    kDrive,
    kCollection,
    kNumber,
    kFile,
    kNumberArray,
  };

  RootSpec() = default;  // "Empty": no value at all

  static RootSpec Path(std::string path) { return RootSpec(std::move(path)); }
  static RootSpec Paths(std::vector<std::string> paths) { return RootSpec(std::move(paths)); }
  static RootSpec OfFolder(FolderPtr folder) { return RootSpec(std::move(folder)); }
  static RootSpec OfFolders(std::vector<FolderPtr> folders) { return RootSpec(std::move(folders)); }
  static RootSpec OfDrive(DrivePtr drive) { return RootSpec(std::move(drive)); }
  static RootSpec OfCollection(std::vector<RootSpec> items) { return RootSpec(std::move(items)); }
  static RootSpec OfNumber(int32_t number) { return RootSpec(number); }
  static RootSpec OfFile(FilePtr file) { return RootSpec(std::move(file)); }
  static RootSpec OfNumbers(std::vector<int32_t> numbers) { return RootSpec(std::move(numbers)); }

  Kind kind() const {
    static_assert(std::variant_size_v<Value> == static_cast<size_t>(Kind::kNumberArray) + 1,
                  "Kind and the alternatives of Value must stay in step");
    return static_cast<Kind>(value_.index());
  }
  // "Empty", "String", "String()", "Folder", "Folders", "Drive", "Collection", "Long", "File",
  // "Long()".
  const char* TypeName() const {
    static constexpr const char* kNames[] = {"Empty", "String",     "String()", "Folder", "Folders",
                                             "Drive", "Collection", "Long",     "File",   "Long()"};
    return kNames[value_.index()];
  }

  // The value of the kind named; only valid for that kind.
  const std::string& path() const { return std::get<std::string>(value_); }
  const std::vector<std::string>& paths() const {
    return std::get<std::vector<std::string>>(value_);
  }
  const FolderPtr& folder() const { return std::get<FolderPtr>(value_); }
  const std::vector<FolderPtr>& folders() const { return std::get<std::vector<FolderPtr>>(value_); }
  const DrivePtr& drive() const { return std::get<DrivePtr>(value_); }
  const std::vector<RootSpec>& items() const { return std::get<std::vector<RootSpec>>(value_); }

 private:
  using Value = std::variant<std::monostate, std::string, std::vector<std::string>, FolderPtr,
                             std::vector<FolderPtr>, DrivePtr, std::vector<RootSpec>, int32_t,
                             FilePtr, std::vector<int32_t>>;

  template <class T>
  explicit RootSpec(T value) : value_(std::move(value)) {}

  Value value_;
};

}  // namespace zant
