// Measures how the countdown's timer keeps time: a form timer of the
// program's runtime layer and a plain 1000 ms Windows timer run side by side
// for N ticks (60 by default). Prints, for each, when the Nth tick came
// against N seconds after the timer was enabled.
#include <windows.h>

#include <chrono>
#include <cstdio>

#include "platform/app.h"
#include "platform/win32/backend.h"
#include "platform/win32/system.h"

namespace {

using Clock = std::chrono::steady_clock;

int g_ticks = 60;
Clock::time_point g_start;
double g_plainLast = 0, g_formLast = 0;
int g_plainCount = 0, g_formCount = 0;

double Since() { return std::chrono::duration<double, std::milli>(Clock::now() - g_start).count(); }

class TimerForm : public rt::Form {
 public:
  explicit TimerForm(rt::App& app) : rt::Form(app, "bench"), timer(*this, 1, "timer") {
    ClientWidth = 1500;
    ClientHeight = 600;
    timer.SetInterval(1000);
    timer.SetTimerEnabled(false);
    timer.Tick = [this] {
      g_formLast = Since();
      if (++g_formCount == g_ticks) timer.SetTimerEnabled(false);
      if (g_formCount >= g_ticks && g_plainCount >= g_ticks) Unload();
    };
  }
  rt::Timer timer;
};

TimerForm* g_form = nullptr;

void CALLBACK PlainTick(HWND, UINT, UINT_PTR id, DWORD) {
  g_plainLast = Since();
  if (++g_plainCount == g_ticks) KillTimer(nullptr, id);
  if (g_formCount >= g_ticks && g_plainCount >= g_ticks) g_form->Unload();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 1) g_ticks = _wtoi(argv[1]);
  rt::win32::Win32System system;
  rt::win32::Win32Backend backend(GetModuleHandleW(nullptr));
  rt::AppInfo info;
  info.title = u"timer bench";
  rt::App app(system, backend, info);
  TimerForm form(app);
  g_form = &form;
  form.Show();
  g_start = Clock::now();
  form.timer.SetTimerEnabled(true);
  SetTimer(nullptr, 0, 1000, PlainTick);
  backend.Run(app);
  double ideal = g_ticks * 1000.0;
  std::printf("%d ticks of a 1000 ms timer (ideal: tick %d at %.0f ms)\n", g_ticks, g_ticks, ideal);
  std::printf("  countdown timer: tick %d at %9.1f ms, off by %+8.1f ms\n", g_ticks, g_formLast, g_formLast - ideal);
  std::printf("  plain SetTimer:  tick %d at %9.1f ms, off by %+8.1f ms\n", g_ticks, g_plainLast, g_plainLast - ideal);
  double plainDrift = g_plainLast - ideal, formDrift = g_formLast - ideal;
  // The plain timer's lateness adds up tick after tick; the countdown's is
  // the lateness of one tick, whatever the count.
  std::printf("  plain timer: %.2f ms late per tick, %.0f s a day\n", plainDrift / g_ticks, plainDrift / g_ticks * 86.4);
  if (formDrift > 0.5) std::printf("  plain drift / countdown offset: %.1f\n", plainDrift / formDrift);
  return 0;
}
