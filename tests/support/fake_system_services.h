#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/system_services.h"
#include "support/memory_file_system.h"

namespace zant::test {

// System services of an in-memory computer: the log is a file on the MemoryDisk, a program
// "starts" when its file exists there, and libraries register unless told otherwise.
class FakeSystemServices : public SystemServices {
 public:
  explicit FakeSystemServices(std::shared_ptr<MemoryDisk> disk) : disk_(std::move(disk)) {}

  std::string OwnFolder() override { return own_folder; }
  bool ClaimSingleInstance() override { return !another_updater_running; }
  std::string GetSystemFolder() override { return system_folder; }
  std::string GetSpecialFolderPath(int32_t csidl, void* owner) override;
  void AppendLogLine(const std::string& path, const std::string& text) override;
  void RestartWindows() override { ++restarts; }
  uint32_t StartProgram(const std::string& program, const std::string& switches) override;
  bool RegisterDll(const std::string& dll_path, bool register_it) override;

  std::string own_folder = "E:\\ZANTUPD";
  std::string system_folder = "C:\\Windows\\System32";
  std::string programs_folder = "C:\\Users\\user\\Start Menu\\Programs\\";
  bool fail_append = false;
  bool another_updater_running = false;
  // Libraries (by full path) whose registration fails.
  std::vector<std::string> failing_registrations;

  int restarts = 0;
  std::vector<std::string> started;     // "program switches"
  std::vector<std::string> registered;  // full paths, in order
  std::vector<int32_t> special_folders_asked;

 private:
  std::shared_ptr<MemoryDisk> disk_;
  uint32_t next_process_id_ = 1000;
};

}  // namespace zant::test
