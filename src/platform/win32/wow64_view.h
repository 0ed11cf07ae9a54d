#pragma once

#include <string>

namespace zant::win32 {

// The Windows folder as a 32-bit program sees it on 64-bit Windows. There WoW64 shows it the
// 32-bit system folder, SysWOW64, also under the name System32, and the 64-bit system folder
// System32 only under the alias Sysnative, which no listing shows. A walk of the Windows folder
// would see SysWOW64 twice and System32 never: installations there missed, others asked about
// and updated twice.
//
// Returns the name under which a listing of `folder` must show its subfolder `name` so that the
// walk sees every folder once: "Sysnative" for System32 of the Windows folder in such a process,
// "" to leave it out where the alias is missing (before Vista), and name itself everywhere else.
std::string ShownSubfolderName(const std::string& folder, const std::string& name);

}  // namespace zant::win32
