// The installation guards: a found program file is only updated when its folder holds the
// product's data folder, and the user is asked before an installation is updated a second time
// or from a version other than 1.30. Passing over leaves no trace.

#include "app/frm_main.h"
#include "app/texts.h"

namespace zant {

bool frmMain::PassesGuards(const std::string& found_path) {
  state_.InstallFolder = FileSystem::GetParentFolderName(found_path);
  while (!state_.InstallFolder.empty() && state_.InstallFolder.back() == '\\') {
    state_.InstallFolder.pop_back();
  }
  const std::string& folder = state_.InstallFolder;

  // A loose copy of the program outside an installation is passed over silently.
  if (Fs().DirMatch(folder + "\\Packages\\ZANT", attr::kDirectory).empty()) {
    return false;
  }
  ShowDetail("");

  ShowStatus(texts::kCheckingVersion);
  ShowDetail(texts::kReinstallProtection);
  if (!Fs().DirMatch(folder + "\\vflgzant.140", attr::kNormal).empty()) {
    if (Ask(texts::kReinstallBefore + folder + texts::kReinstallAfter, state_.MessageTitle,
            Buttons::kYesNo, Icon::kWarning) == Answer::kNo) {
      return false;
    }
  }

  ShowStatus(texts::kCheckingVersion);
  ShowDetail(texts::kSequenceProtection);
  // Both markers are always looked at.
  const bool has_110 = !Fs().DirMatch(folder + "\\version.110", attr::kNormal).empty();
  const bool has_120 = !Fs().DirMatch(folder + "\\version.120", attr::kNormal).empty();
  if (has_110 || has_120) {
    if (Ask(texts::kSequenceBefore + folder + texts::kSequenceAfter, state_.MessageTitle,
            Buttons::kYesNo, Icon::kWarning) == Answer::kNo) {
      return false;
    }
  }
  return true;
}

}  // namespace zant
