#pragma once

// Every text the updater shows, exactly as the user sees it. Paragraphs are separated by an
// empty line (two CR LF pairs); a single CR LF is a line break.

namespace zant::texts {

inline constexpr const char* kMessageTitle = "ZANT On CD v 1.40 Update";
inline constexpr const char* kCancelTitle = "Cancel Update?";

inline constexpr const char* kStartupNotice =
    "Please make sure the ZANT On CD program is not currently running. If it is, close it now "
    "and then click the OK button below to continue.\r\n\r\n"
    "If you run this update program and encounter an error before finishing, restart your "
    "computer and run this update program again.\r\n\r\n"
    "If you still encounter an error, contact Melcor for assistance (call 555-301-0147).";

// A redirection folder or file beside the updater: it stops before anything is loaded from it.
inline constexpr const char* kRedirectionBefore =
    "The update program cannot run from this folder. Beside it is\r\n\r\n";
inline constexpr const char* kRedirectionAfter =
    "\r\n\r\nWith it Windows could load the update program's parts from there instead of from "
    "Windows itself. Nothing has been changed on your computer.\r\n\r\n"
    "Run the update from the ZANT On CD disc, or remove that item and run it again.";

inline constexpr const char* kAlreadyRunning =
    "The ZANT On CD update program is already running. Please wait for it to finish.";

// Discovery.
inline constexpr const char* kAnalyzing = "Analyzing your system, Please wait...";
inline constexpr const char* kSearchingBefore =
    "Welcome\r\n\r\nZANT On CD Update is now searching drive ";
inline constexpr const char* kSearchingAfter =
    " for all copies of the ZANT On CD program.\r\n\r\nPlease wait...";
inline constexpr const char* kNoHardDrives =
    "Windows is reporting that this computer has no hard drives.\r\n\r\n"
    "Please restart your computer and run this program again.\r\n\r\n"
    "If, after restarting your computer you still see this message, contact Melcor for "
    "assistance (call 555-301-0147).";
inline constexpr const char* kNotInstalled =
    "Windows is reporting that ZANT On CD is not installed on this computer.\r\n\r\n"
    "If you're sure that ZANT On CD is installed on this computer, please restart your computer "
    "and run this program again.\r\n\r\n"
    "If, after restarting your computer and running this program a second time you still "
    "encounter this error, contact Melcor for assistance (call 555-301-0147).";
inline constexpr const char* kCancelQuestion =
    "Your ZANT on CD program has not been updated.\r\n\r\n"
    "Click Yes if you want to continue the update.\r\n"
    "Click No if you want to cancel the update.";

// Guards.
inline constexpr const char* kCheckingVersion = "Checking Version...";
inline constexpr const char* kReinstallProtection = "Reinstall protection";
inline constexpr const char* kSequenceProtection = "Out of sequence protection";
inline constexpr const char* kReinstallBefore =
    "The update program has detected that this (version 1.40) update has already been installed "
    "to the ZANT On CD program that is located in the following folder: \r\n\r\n";
inline constexpr const char* kReinstallAfter =
    "\r\n\r\nIf you have already upgraded this instance of ZANT On CD to a version HIGHER than "
    "version 1.40, click the No button below to avoid downgrading your data files.\r\n\r\n"
    "If you want to continue and install this update anyway, click Yes.";
inline constexpr const char* kSequenceBefore =
    "This update program is designed to update the ZANT On CD program from version 1.30 to "
    "version 1.40, however, Windows is reporting that you are trying to update a ZANT On CD "
    "program that is not version 1.30. It is located in the following folder: \r\n\r\n";
inline constexpr const char* kSequenceAfter =
    "\r\n\r\nIf you're not sure this instance of the ZANT On CD program is version 1.30, click "
    "the No button below to avoid downgrading your data files.\r\n\r\n"
    "If you want to continue and install this update anyway, click Yes.";

// Per-installation steps.
inline constexpr const char* kRemovingOldDocuments = "Removing Old Documents...";
inline constexpr const char* kUpdatingDocuments = "Updating Documents...";
inline constexpr const char* kUpdatingDatabase = "Updating Database...";
inline constexpr const char* kUpdatingProgramFiles = "Updating Program Files...";
inline constexpr const char* kUpdatingMacros = "Updating Macro Directives...";
inline constexpr const char* kUpdatingFlags = "Updating Version Flags...";
inline constexpr const char* kCreatingLogFile = "Creating Log File...";
inline constexpr const char* kCopyingSpecialFiles = "Copying special files...";
inline constexpr const char* kCopyingGraphics = "Copying graphics...";
inline constexpr const char* kCheckingReadOnly = "Checking read-only status...";
inline constexpr const char* kRemovingLockFile = "Removing database lock file";

// Shared components.
inline constexpr const char* kUpdatingSystem = "Updating your system, please wait...";

// Endings.
inline constexpr const char* kNoCopiesStatus =
    "ZANT On CD Update found no copies of ZANT On CD on your computer.";
inline constexpr const char* kNoCopiesMessage =
    "ZANT on CD Update found no copies of ZANT On CD on your computer.\r\n\r\n"
    "If you're sure that ZANT On CD is installed on this computer, please restart your computer "
    "and run this program again.\r\n\r\n"
    "If, after restarting your computer and running this program a second time you still "
    "encounter this error, contact Melcor for assistance (call 555-301-0147).";
inline constexpr const char* kSuccessStatusBefore =
    "Update Successful... \r\n\r\nZANT On CD has been updated to version 1.40. (C-";
inline constexpr const char* kSuccessStatusAfter = ")";
inline constexpr const char* kSuccessMessage =
    "ZANT On CD Update version 1.40 has completed successfully.\r\n\r\n"
    "Your computer needs to restart. Click 'OK' to restart your computer.";

}  // namespace zant::texts
