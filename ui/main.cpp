// Quillomat.exe: creates and shows the main window and runs the message loop
// until the window is destroyed.

#include <windows.h>

#include "platform/error.h"
#include "platform/message_box.h"
#include "service/Mod.h"
#include "ui/Form1.h"
#include "ui/message_loop.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  ui::Form1 form;
  if (!form.Create(instance)) {
    const int error = static_cast<int>(GetLastError());
    platform::ShowMessage(std::to_wstring(error) + L" " + platform::ErrorDescription(error),
                          Mod::kProgramTitle);
    return 1;
  }
  ShowWindow(form.window(), show_command);
  return ui::RunMessageLoop(form.window());
}
