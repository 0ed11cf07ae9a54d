#include "app/frm_main.h"

#include <utility>

#include "app/texts.h"
#include "fstree/folder_copy.h"

namespace zant {

frmMain::frmMain(Surface& surface, FileSystemFactory file_systems, SystemServices& system)
    : surface_(surface), file_systems_(std::move(file_systems)), system_(system) {
  surface_.SetCancelHandler([this] { CancelRequested = true; });
}

void frmMain::Main() {
  state_ = RunState{};
  state_.MessageTitle = texts::kMessageTitle;
  state_.SourceFolder = system_.OwnFolder();
  while (!state_.SourceFolder.empty() && state_.SourceFolder.back() == '\\') {
    state_.SourceFolder.pop_back();
  }
  state_.SystemFolder = system_.GetSystemFolder();

  Ask(texts::kStartupNotice, state_.MessageTitle, Buttons::kOk, Icon::kInformation);
  surface_.Show();

  if (!DiscoverInstallations()) {
    return;
  }
  surface_.DisableCancel();

  for (const std::string& found_path : state_.FoundFiles) {
    if (PassesGuards(found_path)) {
      UpdateInstallation();
    }
  }

  if (state_.UpdatedCount == 0) {
    ShowStatus(texts::kNoCopiesStatus);
    ShowDetail("");
    Ask(texts::kNoCopiesMessage, state_.MessageTitle, Buttons::kOk, Icon::kWarning);
    return;
  }

  InstallSharedComponents();

  ShowDetail("");
  ShowStatus(texts::kSuccessStatusBefore + std::to_string(state_.UpdatedCount) +
             texts::kSuccessStatusAfter);
  Ask(texts::kSuccessMessage, state_.MessageTitle, Buttons::kOk, Icon::kInformation);
}

void frmMain::ShowStatus(const std::string& text) {
  surface_.SetStatusText(text);
  surface_.PumpEvents();
}

void frmMain::ShowDetail(const std::string& text) {
  surface_.SetDetailText(text);
  surface_.PumpEvents();
}

void frmMain::CopyAllFiles(const std::string& pSrcFolder, const std::string& pDestFolder) {
  // Each call works with a file-system object of its own, released on return.
  std::shared_ptr<FileSystem> fs = file_systems_();
  zant::CopyAllFiles(
      *fs, [this](const std::string& name) { ShowDetail(name); }, pSrcFolder, pDestFolder);
}

void frmMain::DeleteAllFiles(const std::string& pSrcFolder, const std::string& pDestFolder) {
  std::shared_ptr<FileSystem> fs = file_systems_();
  zant::DeleteAllFiles(
      *fs, [this](const std::string& name) { ShowDetail(name); }, pSrcFolder, pDestFolder);
}

Answer frmMain::Ask(const std::string& text, const std::string& title, Buttons buttons, Icon icon) {
  return surface_.MessageBox(text, title, buttons, icon);
}

FileSystem& frmMain::Fs() {
  if (!fs_) {
    fs_ = file_systems_();
  }
  return *fs_;
}

crtDTree& frmMain::Walker() {
  if (!walker_) {
    walker_ = std::make_unique<crtDTree>(file_systems_);
  }
  return *walker_;
}

}  // namespace zant
