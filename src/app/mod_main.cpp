#include "app/mod_main.h"

#include <new>
#include <string>

#include "app/frm_main.h"
#include "app/texts.h"
#include "platform/error.h"

namespace zant::modMain {
namespace {

void ReportFailure(Surface& surface, int32_t number, const std::string& description) {
  surface.MessageBox(UnhandledErrorText(number, description), texts::kMessageTitle, Buttons::kOk,
                     Icon::kError);
}

}  // namespace

int StartUp(Surface& surface, const FileSystemFactory& file_systems, SystemServices& system) {
  // Two updaters at once would search and update the same installations, interleaving their
  // deletes and copies.
  if (!system.ClaimSingleInstance()) {
    surface.MessageBox(texts::kAlreadyRunning, texts::kMessageTitle, Buttons::kOk,
                       Icon::kInformation);
    surface.Unload();
    return kExitAlreadyRunning;
  }
  try {
    frmMain form(surface, file_systems, system);
    form.Main();
    surface.Unload();
  } catch (const CancelConfirmed&) {
    surface.Unload();
    return kExitCancelled;
  } catch (const RunError& error) {
    ReportFailure(surface, error.Number(), error.Description());
    surface.Unload();
    return kExitFailure;
  } catch (const std::bad_alloc&) {
    ReportFailure(surface, 8, "Not enough memory");
    surface.Unload();
    return kExitFailure;
  }
  system.RestartWindows();
  return kExitNormal;
}

}  // namespace zant::modMain
