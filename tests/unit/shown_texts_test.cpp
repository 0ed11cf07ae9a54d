// Every text the window and its message boxes show, written out here as the user reads it. The
// other tests compare with the program's own constants; this table is what catches a changed
// title, a wrong digit in the telephone number or a lost blank.

#include <gtest/gtest.h>

#include <set>

#include "sample_computer.h"

namespace zant::test {
namespace {

const std::string kBreak = "\r\n";
const std::string kBlank = "\r\n\r\n";
const std::string kCall = "contact Melcor for assistance (call 555-301-0147).";
const std::string kSureItIsInstalled =
    "If you're sure that ZANT On CD is installed on this computer, please restart your computer "
    "and run this program again." +
    kBlank +
    "If, after restarting your computer and running this program a second time you still "
    "encounter this error, " +
    kCall;

// Everything shown in one run: status and detail texts, box titles and box texts.
struct Shown {
  std::set<std::string> texts;
  std::vector<std::string> reports;  // texts of error-icon boxes

  void Add(const RecordingSurface& surface) {
    texts.insert(surface.statuses.begin(), surface.statuses.end());
    texts.insert(surface.details.begin(), surface.details.end());
    for (const RecordingSurface::Box& box : surface.boxes) {
      texts.insert(box.title);
      texts.insert(box.text);
      if (box.icon == Icon::kError) {
        reports.push_back(box.text);
      }
    }
  }
};

Shown EveryEnding() {
  Shown shown;
  {  // A whole update: both questions, a cancel click answered "continue", success.
    SampleComputer pc;
    pc.disk->AddDrive('D', drive_type::kFixed);
    pc.AddInstallation("C:\\ZANT");
    pc.disk->MakeFile("C:\\ZANT\\vflgzant.140");
    pc.AddInstallation("D:\\ZANT");
    pc.disk->MakeFile("D:\\ZANT\\version.110");
    pc.surface.ClickCancelAtPump(3);
    EXPECT_EQ(pc.Run(), modMain::kExitNormal);
    shown.Add(pc.surface);
  }
  {  // No fixed drive.
    SampleComputer pc(/*with_fixed_c=*/false);
    pc.Run();
    shown.Add(pc.surface);
  }
  {  // Not installed.
    SampleComputer pc;
    pc.Run();
    shown.Add(pc.surface);
  }
  {  // No copy updated: the question answered No.
    SampleComputer pc;
    pc.AddInstallation("C:\\ZANT");
    pc.disk->MakeFile("C:\\ZANT\\vflgzant.140");
    pc.surface.ScriptAnswers({Answer::kOk, Answer::kNo});
    pc.Run();
    shown.Add(pc.surface);
  }
  {  // Another updater running.
    SampleComputer pc;
    pc.system.another_updater_running = true;
    pc.Run();
    shown.Add(pc.surface);
  }
  {  // A failure: a hidden document in the way.
    SampleComputer pc;
    pc.AddInstallation("C:\\ZANT");
    pc.disk->MakeFile("C:\\ZANT\\Packages\\ZANT\\keep.doc", "hidden", attr::kHidden);
    pc.Run();
    shown.Add(pc.surface);
  }
  return shown;
}

TEST(ShownTexts, EveryTextReadsAsWrittenHere) {
  const Shown shown = EveryEnding();
  struct Row {
    const char* group;
    std::string text;
  };
  const std::vector<Row> rows = {
      {"title", "ZANT On CD v 1.40 Update"},
      {"title", "Cancel Update?"},
      {"notice",
       "Please make sure the ZANT On CD program is not currently running. If it is, close it now "
       "and then click the OK button below to continue." +
           kBlank +
           "If you run this update program and encounter an error before finishing, restart your "
           "computer and run this update program again." +
           kBlank + "If you still encounter an error, " + kCall},
      {"second start",
       "The ZANT On CD update program is already running. Please wait for it to finish."},
      {"status", "Analyzing your system, Please wait..."},
      {"status", "Welcome" + kBlank +
                     "ZANT On CD Update is now searching drive C for all copies of the ZANT On "
                     "CD program." +
                     kBlank + "Please wait..."},
      {"status", "Checking Version..."},
      {"status", "Removing Old Documents..." + kBlank + "C:\\ZANT"},
      {"status", "Updating Documents..." + kBlank + "C:\\ZANT"},
      {"status", "Updating Database..." + kBlank + "C:\\ZANT"},
      {"status", "Updating Program Files..." + kBlank + "D:\\ZANT"},
      {"status", "Updating Macro Directives..."},
      {"status", "Updating Version Flags..."},
      {"status", "Creating Log File..."},
      {"status", "Copying special files..."},
      {"status", "Copying graphics..."},
      {"status", "Updating your system, please wait..."},
      {"detail", "Reinstall protection"},
      {"detail", "Out of sequence protection"},
      {"detail", "Checking read-only status..."},
      {"detail", "Removing database lock file"},
      {"detail", "ZANT.exe"},
      {"detail", "ABOUT.TXT"},
      {"detail", "MSSent.log"},
      {"detail", "fr140.dll"},
      {"detail", "WizGlobe.jpg"},
      {"detail", "WizEarth.ico"},
      {"detail", "VB5 Virtual Machine"},
      {"detail", "VB5 Virtual Machine  (10)"},
      {"detail", "VB5 Virtual Machine  (1)"},
      {"detail", "SMTP Subsystem"},
      {"detail", "Compression Subsystem"},
      {"detail", "Dependencies (dartsock.dll)"},
      {"detail", "Dependencies (dartutil.dll)"},
      {"detail", "Windows API Interface"},
      {"detail", "SOAP Infrastructure"},
      {"detail", "SOAP Infrastructure  (20)"},
      {"detail", "SOAP Infrastructure  (1)"},
      {"question",
       "The update program has detected that this (version 1.40) update has already been "
       "installed to the ZANT On CD program that is located in the following folder: " +
           kBlank + "C:\\ZANT" + kBlank +
           "If you have already upgraded this instance of ZANT On CD to a version HIGHER than "
           "version 1.40, click the No button below to avoid downgrading your data files." +
           kBlank + "If you want to continue and install this update anyway, click Yes."},
      {"question",
       "This update program is designed to update the ZANT On CD program from version 1.30 to "
       "version 1.40, however, Windows is reporting that you are trying to update a ZANT On CD "
       "program that is not version 1.30. It is located in the following folder: " +
           kBlank + "D:\\ZANT" + kBlank +
           "If you're not sure this instance of the ZANT On CD program is version 1.30, click "
           "the No button below to avoid downgrading your data files." +
           kBlank + "If you want to continue and install this update anyway, click Yes."},
      {"question", "Your ZANT on CD program has not been updated." + kBlank +
                       "Click Yes if you want to continue the update." + kBreak +
                       "Click No if you want to cancel the update."},
      {"ending", "Windows is reporting that this computer has no hard drives." + kBlank +
                     "Please restart your computer and run this program again." + kBlank +
                     "If, after restarting your computer you still see this message, " + kCall},
      {"ending", "Windows is reporting that ZANT On CD is not installed on this computer." +
                     kBlank + kSureItIsInstalled},
      {"ending", "ZANT On CD Update found no copies of ZANT On CD on your computer."},
      {"ending", "ZANT on CD Update found no copies of ZANT On CD on your computer." + kBlank +
                     kSureItIsInstalled},
      {"ending",
       "Update Successful... " + kBlank + "ZANT On CD has been updated to version 1.40. (C-2)"},
      {"ending", "ZANT On CD Update version 1.40 has completed successfully." + kBlank +
                     "Your computer needs to restart. Click 'OK' to restart your computer."},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(shown.texts.count(row.text), 1u)
        << row.group << " not shown as written: " << testing::PrintToString(row.text);
  }
  // The error report's frame: the number, a blank line, then the description naming the path.
  ASSERT_EQ(shown.reports.size(), 2u);  // no fixed drive, then the failure
  const std::string& report = shown.reports[1];
  const std::string frame = "Run-time error '5':" + kBlank;
  EXPECT_EQ(report.substr(0, frame.size()), frame) << report;
  EXPECT_NE(report.find("C:\\ZANT\\Packages\\ZANT\\keep.doc"), std::string::npos) << report;
}

}  // namespace
}  // namespace zant::test
