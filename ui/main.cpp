// Quillomat.exe: creates and shows the main window and runs the message loop
// until the window is destroyed.

#include <windows.h>

#include "platform/error.h"
#include "platform/message_box.h"
#include "service/Mod.h"
#include "ui/Form1.h"
#include "ui/checksum_job.h"
#include "ui/message_loop.h"

namespace {

// An empty card reader or DVD drive, or a drive that went away, answers with
// an error instead of Windows' own "There is no disk in the drive" box, which
// would hold the worker until someone closes it. Flags the program was started
// with stay set ("SetErrorMode function": best practice is that all
// applications set SEM_FAILCRITICALERRORS at startup).
void FailCriticalErrorsWithoutABox() {
  SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

// A worker abandoned on Exit may still be inside the engine or held by a
// device. Returning from wWinMain would run the C runtime's exit-time cleanup
// (static destructors, atexit) and the DLLs' detach code beside it; ending
// the process at once does neither ("ExitProcess function": if you are unsure
// of the state of all threads, TerminateProcess is better than ExitProcess).
int EndProgram(int exit_code) {
  if (ui::ChecksumJob::LiveWorkers() > 0) {
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exit_code));
  }
  return exit_code;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  FailCriticalErrorsWithoutABox();
  ui::Form1 form;
  if (!form.Create(instance)) {
    const int error = static_cast<int>(GetLastError());
    platform::ShowMessage(std::to_wstring(error) + L" " + platform::ErrorDescription(error),
                          Mod::kProgramTitle);
    return 1;
  }
  ShowWindow(form.window(), show_command);
  return EndProgram(ui::RunMessageLoop(form.window()));
}
