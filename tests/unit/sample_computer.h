#pragma once

// An in-memory computer with the update medium on a CD-ROM drive, for tests of the whole run.

#include <memory>
#include <string>

#include "app/frm_main.h"
#include "app/mod_main.h"
#include "support/fake_system_services.h"
#include "support/memory_file_system.h"
#include "support/recording_surface.h"

namespace zant::test {

struct SampleComputer {
  std::shared_ptr<MemoryDisk> disk = std::make_shared<MemoryDisk>();
  RecordingSurface surface;
  FakeSystemServices system{disk};
  FileSystemFactory file_systems = [d = disk] { return MakeMemoryFileSystem(d); };

  static constexpr const char* kMedium = "E:\\ZANTUPD";

  // C: fixed with the system folder, E: CD-ROM with a complete medium.
  explicit SampleComputer(bool with_fixed_c = true) {
    disk->AddDrive('C', with_fixed_c ? drive_type::kFixed : drive_type::kNetwork);
    disk->AddDrive('E', drive_type::kCdRom);
    disk->MakeFolder("C:\\Windows\\System32");
    const std::string m = kMedium;
    disk->MakeFile(m + "\\ZANTUpdate.exe", "updater");
    disk->MakeFile(m + "\\DocsX\\old1.doc", "x");
    disk->MakeFile(m + "\\DocsX\\gone.doc", "x");
    disk->MakeFile(m + "\\Docs\\new1.doc", "new1 140", attr::kReadOnly);
    disk->MakeFile(m + "\\Docs\\keep.doc", "keep 140", attr::kReadOnly);
    disk->MakeFile(m + "\\DB\\db.mdb", "db 140", attr::kReadOnly);
    disk->MakeFile(m + "\\DB\\zant.mdw", "mdw 140", attr::kReadOnly);
    disk->MakeFile(m + "\\Macros\\do_main.txt", "macro 140", attr::kReadOnly);
    disk->MakeFile(m + "\\Flags\\vflgzant.140", "", attr::kReadOnly);
    disk->MakeFile(m + "\\Flags\\version.140", "", attr::kReadOnly);
    for (const char* name : {"zant.exe", "about.txt", "MSSent.log", "fr140.dll", "WizGlobe.jpg",
                             "WizEarth.ico", "msvbvm50.exe", "pocketsoap.1.4.3.exe", "dartmail.dll",
                             "dartzip.dll", "dartsock.dll", "dartutil.dll", "rnwncntl.dll"}) {
      disk->MakeFile(m + "\\EXE\\" + name, std::string(name) + " 140", attr::kReadOnly);
    }
  }

  // An installation of version 1.30 in folder (e.g. "C:\ZANT" or "C:").
  void AddInstallation(const std::string& folder) {
    disk->MakeFile(folder + "\\ZANT.exe", "zant 130");
    disk->MakeFile(folder + "\\about.txt", "about 130");
    disk->MakeFile(folder + "\\do_old.txt", "macro 130");
    disk->MakeFile(folder + "\\version.130", "");
    disk->MakeFile(folder + "\\user.cfg", "settings");
    disk->MakeFile(folder + "\\Other\\notes.txt", "notes");
    disk->MakeFile(folder + "\\Packages\\ZANT\\old1.doc", "old");
    disk->MakeFile(folder + "\\Packages\\ZANT\\keep.doc", "keep 130");
    disk->MakeFile(folder + "\\Packages\\ZANT\\mine.doc", "user's own");
    disk->MakeFile(folder + "\\Packages\\ZANT\\db.mdb", "db 130");
    disk->MakeFile(folder + "\\Packages\\ZANT\\db.ldb", "lock");
  }

  int Run() { return modMain::StartUp(surface, file_systems, system); }
};

}  // namespace zant::test
