// Installation discovery: the fixed drives are listed and each one's whole tree is searched for
// the program file, every examined file shown in the detail line. The only phase of the run
// that the user can cancel.

#include "app/frm_main.h"
#include "app/texts.h"
#include "platform/error.h"

namespace zant {
namespace {

// Only the letters a to z are folded: the program file's name is plain ASCII, and a name that
// differs from it in any other character must not match.
std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return text;
}

}  // namespace

bool frmMain::DiscoverInstallations() {
  ShowStatus(texts::kAnalyzing);
  ShowDetail("");

  const StringList drives = GetFixedDrives();
  if (CountItems(drives) == 0) {
    Ask(texts::kNoHardDrives, state_.MessageTitle, Buttons::kOk, Icon::kError);
    surface_.Unload();
    return false;
  }

  for (const std::string& letter : drives) {
    ShowStatus(texts::kSearchingBefore + letter + texts::kSearchingAfter);
    StringList found = FindFiles(letter, "ZANT.exe");
    state_.FoundFiles = JoinLists(state_.FoundFiles, found);
  }

  if (CountItems(state_.FoundFiles) == 0) {
    Ask(texts::kNotInstalled, state_.MessageTitle, Buttons::kOk, Icon::kWarning);
    surface_.Unload();
    return false;
  }
  return true;
}

StringList frmMain::GetFixedDrives() {
  StringList letters;
  for (const DrivePtr& drive : Fs().Drives()) {
    if (drive->DriveType() == drive_type::kFixed) {
      letters.push_back(drive->DriveLetter());
    }
  }
  return letters;
}

StringList frmMain::FindFiles(const std::string& drive_letter, const std::string& file_name) {
  const std::string target = UpperAscii(file_name);
  StringList result;

  // Every failure of the file system is ignored here: a drive that cannot be opened adds
  // nothing, and a file that cannot be read is passed over.
  FolderPtr root;
  try {
    root = Fs().GetFolder(drive_letter + ":\\");
  } catch (const RunError&) {
    return result;
  }

  crtDTree& walker = Walker();
  try {
    walker.SetRoot(RootSpec::OfFolder(root), 0);
  } catch (const RunError&) {
  }
  if (walker.ErrorNumber() != 0) {
    return result;  // no walk started: it could never finish
  }

  do {
    walker.MoveNextFile();
    FilePtr file = walker.GetFile();
    if (!file) {
      continue;
    }
    try {
      const std::string path = file->Path();
      ShowDetail(path);
      if (UpperAscii(file->Name()) == target) {
        result.push_back(path);
      }
    } catch (const RunError&) {
    }
    if (CancelRequested) {
      CancelRequested = false;
      if (Ask(texts::kCancelQuestion, texts::kCancelTitle, Buttons::kYesNo, Icon::kInformation) ==
          Answer::kNo) {
        surface_.Unload();
        throw CancelConfirmed{};
      }
    }
  } while (!walker.Finished());
  return result;
}

int32_t frmMain::CountItems(const StringList& list) {
  return static_cast<int32_t>(list.size());
}

StringList frmMain::JoinLists(const StringList& first, const StringList& second) {
  StringList joined = first;
  joined.insert(joined.end(), second.begin(), second.end());
  return joined;
}

}  // namespace zant
