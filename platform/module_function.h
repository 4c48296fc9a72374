#pragma once

// Windows only: functions that older Windows versions lack, looked up at run
// time so that the program still starts there.

#include <windows.h>

namespace platform {

// The function `name` of `module`, or null where the module or the function
// is missing.
template <class Function>
Function* ModuleFunction(HMODULE module, const char* name) {
  const FARPROC address = module ? GetProcAddress(module, name) : nullptr;
  // Through the generic function type, which GCC accepts for any function cast.
  return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(address));
}

}  // namespace platform
