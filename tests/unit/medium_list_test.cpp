// The list of what a run reads from its medium (src/app/medium_files.txt, against which
// scripts/medium checks a publisher's payload) is exactly what a complete run reads. The run
// goes over a medium that holds only the listed entries, onto an installation that needs every
// conditional file (no log of its own, no older system library, no database of its own), and
// installs every shared component. It must succeed without a log entry, and the medium paths it
// read (looked up, opened, listed, copied from, started) must be the list.

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "sample_computer.h"

namespace zant::test {
namespace {

struct ListEntry {
  std::string path;  // relative to the medium folder; a folder ends with a backslash
  std::string kind;  // folder, file, installer or library
};

std::vector<ListEntry> ReadMediumList() {
  std::ifstream in(ZANT_MEDIUM_LIST);
  std::vector<ListEntry> entries;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    ListEntry entry;
    if (words >> entry.path >> entry.kind && entry.path[0] != '#') {
      entries.push_back(entry);
    }
  }
  return entries;
}

TEST(MediumList, IsExactlyWhatACompleteRunReads) {
  const std::vector<ListEntry> list = ReadMediumList();
  ASSERT_FALSE(list.empty()) << "cannot read " << ZANT_MEDIUM_LIST;

  SampleComputer pc;
  const std::string medium = SampleComputer::kMedium;
  pc.disk->Remove(medium);
  pc.disk->MakeFile(medium + "\\ZANTUpdate.exe", "updater");
  std::set<std::string> listed;
  for (const ListEntry& entry : list) {
    const std::string path = medium + "\\" + entry.path;
    if (entry.kind == "folder") {
      ASSERT_EQ(path.back(), '\\') << entry.path;
      pc.disk->MakeFolder(path);
      listed.insert(path.substr(0, path.size() - 1));
    } else {
      pc.disk->MakeFile(path, entry.path + " 140", attr::kReadOnly);
      listed.insert(path);
    }
  }
  pc.AddInstallation("C:\\ZANT");
  pc.disk->Remove("C:\\ZANT\\Packages\\ZANT\\db.mdb");

  pc.disk->RecordReadsUnder(medium);
  ASSERT_EQ(pc.Run(), modMain::kExitNormal);
  EXPECT_EQ(pc.disk->ReadFile("C:\\ZANT\\zant.exe"), "EXE\\zant.exe 140");
  EXPECT_EQ(pc.disk->ReadFile("C:\\ZANT\\fr140.dll"), "EXE\\fr140.dll 140");
  EXPECT_EQ(pc.disk->ReadFile("C:\\ZANT\\Packages\\ZANT\\db.mdb"), "DB\\db.mdb 140");
  EXPECT_FALSE(pc.disk->Exists("C:\\Windows\\System32\\ZEPDI140.log"));

  std::set<std::string> read = pc.disk->ReadPaths();
  for (const std::string& started : pc.system.started) {  // "program switches"
    read.insert(started.substr(0, started.rfind(' ')));
  }
  EXPECT_EQ(read, listed);
}

}  // namespace
}  // namespace zant::test
