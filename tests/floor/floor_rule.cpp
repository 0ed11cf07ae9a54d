// The floor build of the updater, for the tests only: the same program, whose look-ups of
// optional system functions answer as the Windows that Wine plays (its Windows-version setting)
// would, from winapi-floor.tsv. Wine has every function under every setting; this build does
// not find, on "nt40", what NT 4.0 lacks, so the end-to-end scenarios run the fallbacks there.
// A function the table does not know ends the program (exit code 99): the table must grow.

#include <windows.h>

#include <cstring>
#include <string>

#include "platform/win32/optional_function.h"

namespace {

struct FloorRow {
  const char* dll;
  const char* function;
  int minor_9x;  // the oldest of the 95 family: 0 (95), 10 (98), 90 (ME), 999 (never)
  int nt;        // the oldest NT: major * 10000 + minor * 100 + service pack
};

#include "floor_table.inc"

// The running Windows as Wine reports it.
struct Reported {
  bool nt;
  int version;  // the 95 family: its minor version; NT: as FloorRow::nt
};

Reported ReportedWindows() {
  OSVERSIONINFOEXA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info));
  if (info.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    return {true, static_cast<int>(info.dwMajorVersion * 10000 + info.dwMinorVersion * 100 +
                                   info.wServicePackMajor)};
  }
  return {false, static_cast<int>(info.dwMinorVersion)};
}

std::string Library(const char* library) {
  std::string name(library);
  for (char& c : name) {
    c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".dll") == 0) {
    name.resize(name.size() - 4);
  }
  return name;
}

bool MissingHere(const char* library, const char* name) {
  static const Reported windows = ReportedWindows();
  const std::string dll = Library(library);
  for (const FloorRow& row : kFloorRows) {
    if (dll == row.dll && std::strcmp(name, row.function) == 0) {
      return windows.nt ? row.nt > windows.version : row.minor_9x > windows.version;
    }
  }
  std::string text = dll + "!" + name + " is not in winapi-floor.tsv";
  MessageBoxA(nullptr, text.c_str(), "ZANTUpdate floor build", MB_OK | MB_ICONERROR);
  ExitProcess(99);
}

const bool kRuleSet = (zant::win32::SetMissingFunctionRule(&MissingHere), true);

}  // namespace
