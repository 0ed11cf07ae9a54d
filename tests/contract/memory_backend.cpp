#include "contract/fs_contract.h"
#include "support/memory_file_system.h"

namespace zant::contract {

namespace {

// The double as a contract backend: its drives are added out of order and cover every type,
// and the test tree is built through MemoryDisk.
class MemoryBackend : public Backend {
 public:
  MemoryBackend() : disk_(std::make_shared<test::MemoryDisk>()) {
    disk_->AddDrive('F', drive_type::kNetwork);
    disk_->AddDrive('C', drive_type::kFixed);
    disk_->AddDrive('X', drive_type::kUnknown);
    disk_->AddDrive('E', drive_type::kCdRom);
    disk_->AddDrive('A', drive_type::kRemovable);
    disk_->AddDrive('R', drive_type::kRamDisk);
    disk_->AddDrive('G', drive_type::kFixed);
    disk_->SetDriveReady('G', false);
    disk_->AddDrive('D', drive_type::kFixed);
    disk_->MakeFile("D:\\other.txt");
    disk_->MakeFolder(Root());
  }

  std::string Root() const override { return "D:\\zant-contract"; }
  void MakeFolder(const std::string& path) override { disk_->MakeFolder(path); }
  void MakeFile(const std::string& path, const std::string& content) override {
    disk_->MakeFile(path, content);
  }
  void SetAttributes(const std::string& path, uint32_t attributes) override {
    disk_->SetAttributes(path, attributes);
  }
  uint32_t GetAttributes(const std::string& path) override { return disk_->GetAttributes(path); }
  bool Exists(const std::string& path) override { return disk_->Exists(path); }
  std::string ReadFile(const std::string& path) override { return disk_->ReadFile(path); }
  bool MakeLink(const std::string& path, const std::string& target) override {
    disk_->MakeLink(path, target);
    return true;
  }
  bool MakeFileLink(const std::string& path, const std::string& target) override {
    disk_->MakeFileLink(path, target);
    return true;
  }
  bool MarkDownloaded(const std::string& path) override {
    disk_->MarkDownloaded(path);
    return true;
  }
  bool MarkedDownloaded(const std::string& path) override { return disk_->MarkedDownloaded(path); }
  std::vector<DriveInfo> ExpectedDrives() override {
    return {{"A", drive_type::kRemovable}, {"C", drive_type::kFixed},   {"D", drive_type::kFixed},
            {"E", drive_type::kCdRom},     {"F", drive_type::kNetwork}, {"G", drive_type::kFixed},
            {"R", drive_type::kRamDisk},   {"X", drive_type::kUnknown}};
  }
  char NotReadyDrive() const override { return 'G'; }
  std::shared_ptr<FileSystem> Layer() override { return test::MakeMemoryFileSystem(disk_); }

 private:
  std::shared_ptr<test::MemoryDisk> disk_;
};

}  // namespace

std::unique_ptr<Backend> MakeMemoryBackend() {
  return std::make_unique<MemoryBackend>();
}

INSTANTIATE_TEST_SUITE_P(Memory, FsContract,
                         testing::Values(BackendParam{"Memory", &MakeMemoryBackend}),
                         PrintBackendName);

}  // namespace zant::contract
