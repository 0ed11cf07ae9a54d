#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/file_system.h"

namespace zant::contract {

struct DriveInfo {
  std::string letter;
  int32_t type;
  bool operator==(const DriveInfo& other) const = default;
};

// One implementation of the file-system layer under contract test, together with the means to
// build and inspect a test tree WITHOUT going through that layer: the Win32 backend uses direct
// Win32 calls on a fresh folder of its own, the memory backend its MemoryDisk.
class Backend {
 public:
  virtual ~Backend() = default;

  // A fresh, empty folder for one test ("D:\zant-contract-..."); gone after the backend.
  virtual std::string Root() const = 0;
  virtual void MakeFolder(const std::string& path) = 0;
  virtual void MakeFile(const std::string& path, const std::string& content) = 0;
  virtual void SetAttributes(const std::string& path, uint32_t attributes) = 0;
  virtual uint32_t GetAttributes(const std::string& path) = 0;
  virtual bool Exists(const std::string& path) = 0;
  virtual std::string ReadFile(const std::string& path) = 0;
  // A link at path to the folder target; false when this backend cannot make one here.
  virtual bool MakeLink(const std::string& path, const std::string& target) = 0;
  // A link at path to the file target, which need not exist (a link to nothing); false when
  // this backend cannot make one here.
  virtual bool MakeFileLink(const std::string& path, const std::string& target) = 0;
  // Marks a file as downloaded from the Internet (Windows keeps the mark in the file's
  // Zone.Identifier stream), and tells whether a file carries the mark. false when this
  // backend's file system keeps no marks.
  virtual bool MarkDownloaded(const std::string& path) = 0;
  virtual bool MarkedDownloaded(const std::string& path) = 0;
  // Whether a link to a read-only file has attributes of its own, as on Windows. Wine shows a
  // Linux link to a file with its target's attributes and refuses to remove or replace a link
  // to a read-only file, as it refuses the file itself.
  virtual bool FileLinksHaveOwnAttributes() const { return true; }
  // Whether the layer reaches only the names of the system's ANSI code page, as on the 95
  // family (its own tests show what it does with the others).
  virtual bool AnsiNamesOnly() const { return false; }

  // The drives as the backend itself knows them, ascending, with the object model's type codes.
  virtual std::vector<DriveInfo> ExpectedDrives() = 0;
  // A drive that is listed but not ready.
  virtual char NotReadyDrive() const = 0;

  // The layer under test.
  virtual std::shared_ptr<FileSystem> Layer() = 0;
};

struct BackendParam {
  std::string name;
  std::function<std::unique_ptr<Backend>()> make;
};

inline std::string PrintBackendName(const testing::TestParamInfo<BackendParam>& info) {
  return info.param.name;
}

std::unique_ptr<Backend> MakeMemoryBackend();

// The contract suite; instantiated once per backend.
class FsContract : public testing::TestWithParam<BackendParam> {
 protected:
  void SetUp() override {
    backend_ = GetParam().make();
    fs_ = backend_->Layer();
    root_ = backend_->Root();
  }
  void TearDown() override {
    fs_.reset();
    backend_.reset();
  }

  // A path inside the test folder.
  std::string At(const std::string& relative) const { return root_ + "\\" + relative; }
  void File(const std::string& relative, const std::string& content = "x", uint32_t attrs = 0) {
    backend_->MakeFile(At(relative), content);
    if (attrs != 0) {
      backend_->SetAttributes(At(relative), attrs);
    }
  }
  void Dir(const std::string& relative, uint32_t attrs = 0) {
    backend_->MakeFolder(At(relative));
    if (attrs != 0) {
      backend_->SetAttributes(At(relative), attrs);
    }
  }

  std::unique_ptr<Backend> backend_;
  std::shared_ptr<FileSystem> fs_;
  std::string root_;
};

// Whether the call throws RunError with the number and a description naming the path.
template <typename Call>
testing::AssertionResult FailsWith(Call call, int32_t number, const std::string& path) {
  try {
    call();
  } catch (const RunError& error) {
    if (error.Number() != number) {
      return testing::AssertionFailure() << "error " << error.Number() << " ("
                                         << error.Description() << "), expected " << number;
    }
    if (error.Description().find(path) == std::string::npos) {
      return testing::AssertionFailure()
             << "description \"" << error.Description() << "\" does not name " << path;
    }
    return testing::AssertionSuccess();
  }
  return testing::AssertionFailure() << "no RunError";
}

}  // namespace zant::contract
