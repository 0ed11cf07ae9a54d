#include <windows.h>
// The layer's members CopyFile and DeleteFile, not the windows.h macros.
#undef CopyFile
#undef DeleteFile

#include "contract/fs_contract.h"
#include "platform/win32/system_calls.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/windows_version.h"
#include "win32/family_scope.h"
#include "win32/win32_fs_fixture.h"

// The contract suite against the Win32 layer, on a fresh folder of the scratch drive D:.

namespace zant::contract {
namespace {

class Win32Backend : public Backend {
 public:
  static constexpr const char* kMark = ":Zone.Identifier";

  Win32Backend() : root_(win32test::UniqueFolder("zant-contract")) { win32test::MakeFolder(root_); }
  ~Win32Backend() override { win32test::RemoveTree(root_); }

  std::string Root() const override { return root_; }
  void MakeFolder(const std::string& path) override { win32test::MakeFolder(path); }
  void MakeFile(const std::string& path, const std::string& content) override {
    win32test::MakeFile(path, content);
  }
  void SetAttributes(const std::string& path, uint32_t attributes) override {
    win32test::SetAttributes(path, attributes);
  }
  uint32_t GetAttributes(const std::string& path) override {
    return win32test::GetAttributes(path);
  }
  bool Exists(const std::string& path) override { return win32test::Exists(path); }
  std::string ReadFile(const std::string& path) override { return win32test::ReadFile(path); }

  // Wine's CreateSymbolicLinkW reports success and makes nothing: trust only what exists.
  bool MakeLink(const std::string& path, const std::string& target) override {
    CreateSymbolicLinkW(win32test::Extended(path).c_str(), win32test::Extended(target).c_str(),
                        SYMBOLIC_LINK_FLAG_DIRECTORY);
    DWORD attributes = GetFileAttributesW(win32test::Extended(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  }

  bool MakeFileLink(const std::string& path, const std::string& target) override {
    return win32test::MakeFileLink(path, target);
  }
  // The mark as a browser writes it. Wine keeps no streams: there the same name makes a file of
  // its own beside the file, which the same calls find and delete as they would the stream.
  bool MarkDownloaded(const std::string& path) override {
    win32test::MakeFile(path + kMark, "[ZoneTransfer]\r\nZoneId=3\r\n");
    return true;
  }
  bool MarkedDownloaded(const std::string& path) override {
    return win32test::Exists(path + kMark);
  }
  bool FileLinksHaveOwnAttributes() const override { return !win32test::UnderWine(); }

  std::vector<DriveInfo> ExpectedDrives() override {
    std::vector<DriveInfo> out;
    DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
      if (mask & (1u << i)) {
        wchar_t root[] = {static_cast<wchar_t>(L'A' + i), L':', L'\\', L'\0'};
        out.push_back({std::string(1, static_cast<char>('A' + i)), TypeCode(GetDriveTypeW(root))});
      }
    }
    return out;
  }

  // The unit prefix maps G: to a folder that does not exist.
  char NotReadyDrive() const override { return 'G'; }

  std::shared_ptr<FileSystem> Layer() override { return win32::MakeWin32FileSystem(); }

 private:
  static int32_t TypeCode(UINT type) {
    switch (type) {
      case DRIVE_FIXED:
        return 2;
      case DRIVE_REMOVABLE:
        return 1;
      case DRIVE_REMOTE:
        return 3;
      case DRIVE_CDROM:
        return 4;
      case DRIVE_RAMDISK:
        return 5;
      default:
        return 0;
    }
  }

  std::string root_;
};

// The layer as the 95 family runs it: every call in its A form, names in the ANSI code page,
// the family's own error codes. That family has no links and no streams.
class Win32AnsiBackend : public Win32Backend {
 public:
  Win32AnsiBackend() {
    win32::ActAsFamilyForTest(0);
    win32::sys::SetAnsiErrorRuleForTest(&win32test::Windows95Error);
  }
  ~Win32AnsiBackend() override {
    win32::sys::SetAnsiErrorRuleForTest(nullptr);
    win32::ActAsFamilyForTest(-1);
  }

  bool MakeLink(const std::string&, const std::string&) override { return false; }
  bool MakeFileLink(const std::string&, const std::string&) override { return false; }
  bool MarkDownloaded(const std::string&) override { return false; }
  bool AnsiNamesOnly() const override { return true; }
};

std::unique_ptr<Backend> MakeWin32Backend() {
  return std::make_unique<Win32Backend>();
}

std::unique_ptr<Backend> MakeWin32AnsiBackend() {
  return std::make_unique<Win32AnsiBackend>();
}

INSTANTIATE_TEST_SUITE_P(Win32, FsContract,
                         testing::Values(BackendParam{"Win32", &MakeWin32Backend},
                                         BackendParam{"Win32Ansi", &MakeWin32AnsiBackend}),
                         PrintBackendName);

}  // namespace
}  // namespace zant::contract
