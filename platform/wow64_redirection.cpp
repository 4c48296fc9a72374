#include "platform/wow64_redirection.h"

#include <windows.h>

#include "platform/module_function.h"

namespace platform {
namespace {

using DisableFunction = BOOL WINAPI(PVOID*);
using RevertFunction = BOOL WINAPI(PVOID);

struct RedirectionFunctions {
  DisableFunction* disable = nullptr;
  RevertFunction* revert = nullptr;
};

// Looked up once, before the first call turns anything off: kernel32 is
// always loaded, so the look-up loads nothing.
const RedirectionFunctions& Functions() {
  static const RedirectionFunctions functions = [] {
    RedirectionFunctions found;
#ifndef _WIN64
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    found.disable = ModuleFunction<DisableFunction>(kernel32, "Wow64DisableWow64FsRedirection");
    found.revert = ModuleFunction<RevertFunction>(kernel32, "Wow64RevertWow64FsRedirection");
#endif
    return found;
  }();
  return functions;
}

}  // namespace

Wow64RedirectionOff::Wow64RedirectionOff() noexcept {
  const RedirectionFunctions& functions = Functions();
  // On 32-bit Windows the call fails (there is no redirection): nothing to revert.
  active_ = functions.disable && functions.revert && functions.disable(&previous_);
}

Wow64RedirectionOff::~Wow64RedirectionOff() {
  if (active_) {
    // The file call's error code must survive for the caller to read.
    const DWORD error = GetLastError();
    Functions().revert(previous_);
    SetLastError(error);
  }
}

}  // namespace platform
