// The Windows entry point: the real system and backend under the program.
#include <windows.h>

#include "platform/app.h"
#include "platform/entry.h"
#include "platform/win32/backend.h"
#include "platform/win32/system.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  rt::win32::Win32System system;
  rt::win32::Win32Backend backend(instance);
  rt::App app(system, backend, rt::win32::CurrentAppInfo());
  int code = rt::RunProgram(app, [&] { backend.Run(app); });
  app.Idle();
  return code;
}
