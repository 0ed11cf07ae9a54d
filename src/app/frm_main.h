#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fstree/dtree.h"
#include "platform/file_system.h"
#include "platform/system_services.h"
#include "ui/surface.h"

namespace zant {

// A zero-based list of strings; an empty vector is a list that was never dimensioned.
using StringList = std::vector<std::string>;

// Thrown when the user confirms the cancel during the drive search: the program ends at once,
// without a restart. It is not an error and no error trap catches it.
struct CancelConfirmed {};

// The progress window and the update run it carries. What it draws goes through the surface;
// files through file-system objects made by the factory; Windows services through `system`.
class frmMain {
 public:
  frmMain(Surface& surface, FileSystemFactory file_systems, SystemServices& system);

  // The whole update run, from the start-up notice to the success message. Returns normally
  // on every ending but two: a confirmed cancel (throws CancelConfirmed) and an unhandled
  // failure (the RunError propagates).
  void Main();

  // The two progress operations: replace the line's text, repaint it at once, and let pending
  // window events run (where a Cancel click arrives).
  void ShowStatus(const std::string& text);
  void ShowDetail(const std::string& text);

  // Installation discovery.
  StringList GetFixedDrives();
  StringList FindFiles(const std::string& drive_letter, const std::string& file_name);
  static int32_t CountItems(const StringList& list);
  static StringList JoinLists(const StringList& first, const StringList& second);

  // Folder copy and delete, each file named in the detail line.
  void CopyAllFiles(const std::string& pSrcFolder, const std::string& pDestFolder);
  void DeleteAllFiles(const std::string& pSrcFolder, const std::string& pDestFolder);

  // Set by the Cancel button; read and reset only by the drive search.
  bool CancelRequested = false;

  // The run's state, kept for one call of Main.
  struct RunState {
    std::string MessageTitle;
    std::string SourceFolder;
    std::string SystemFolder;
    StringList FoundFiles;
    std::string InstallFolder;
    std::string LogFile;
    int32_t UpdatedCount = 0;
  };
  const RunState& State() const { return state_; }

 private:
  // Run phases.
  bool DiscoverInstallations();  // false when the run has ended (E1, E2)
  bool PassesGuards(const std::string& found_path);
  void UpdateInstallation();
  void InstallSharedComponents();
  void StartInstaller(const std::string& detail, const std::string& program,
                      const std::string& switches, int counts, const std::string& log_text);
  void InstallLibrary(const std::string& detail, const std::string& dll_name);
  void CopyLibrary(const std::string& source, const std::string& installed);
  void CleanUpStartMenu();

  // Small actions of the per-installation steps.
  void CheckMedium();
  void ReplaceProgram(const std::string& medium_program, const std::string& program);
  void ForgetCopyAside(const std::string& kept);
  void CreateLogFile(const std::string& medium_log, const std::string& log);
  void Announce(const std::string& text);
  void AnnounceWithFolder(const std::string& text);
  void DeleteIfPresent(const std::string& path);
  void RemoveLeftover(const std::string& path);
  void MakeWritable(const std::string& path);
  void Copy(const std::string& source, const std::string& destination);

  Answer Ask(const std::string& text, const std::string& title, Buttons buttons, Icon icon);
  FileSystem& Fs();
  crtDTree& Walker();

  Surface& surface_;
  FileSystemFactory file_systems_;
  SystemServices& system_;
  std::shared_ptr<FileSystem> fs_;
  std::unique_ptr<crtDTree> walker_;
  RunState state_;
};

}  // namespace zant
