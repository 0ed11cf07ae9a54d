#pragma once

#include <string>

namespace zant::modRegister {

// Has a component library register (pRegister true: "DllRegisterServer") or unregister
// (false: "DllUnregisterServer") itself. The entry point runs on a thread of its own and gets
// at most 10000 ms. True only when the library loaded, exports the entry point, the entry point
// ended in time and returned a success status; False in every other case. A library whose
// entry point has not ended in time stays loaded, because its code may still be running.
bool RegisterDll(const std::string& pDllPath, bool pRegister);

}  // namespace zant::modRegister
