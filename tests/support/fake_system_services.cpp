#include "support/fake_system_services.h"

#include <algorithm>

#include "platform/error.h"

namespace zant::test {

std::string FakeSystemServices::GetSpecialFolderPath(int32_t csidl, void*) {
  special_folders_asked.push_back(csidl);
  return csidl == kCsidlPrograms ? programs_folder : "";
}

void FakeSystemServices::AppendLogLine(const std::string& path, const std::string& text) {
  if (fail_append) {
    throw RunError(err::kAccessDenied, "Access is denied: " + path);
  }
  disk_->CountChange(path);
  std::string content = disk_->Exists(path) ? disk_->ReadFile(path) : "";
  disk_->MakeFile(path, content + "\r\n" + text,
                  disk_->Exists(path) ? disk_->GetAttributes(path) : 0);
}

uint32_t FakeSystemServices::StartProgram(const std::string& program, const std::string& switches) {
  started.push_back(program + " " + switches);
  if (!disk_->Exists(program) || disk_->IsFolder(program)) {
    return 0;
  }
  return next_process_id_++;
}

bool FakeSystemServices::RegisterDll(const std::string& dll_path, bool) {
  registered.push_back(dll_path);
  if (!disk_->Exists(dll_path)) {
    return false;
  }
  return std::find(failing_registrations.begin(), failing_registrations.end(), dll_path) ==
         failing_registrations.end();
}

}  // namespace zant::test
