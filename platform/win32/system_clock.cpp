#include "platform/win32/system_clock.h"

#include <windows.h>

#include <algorithm>

namespace rt::win32 {

namespace {

class Win32Clock : public Clock {
 public:
  Win32Clock() { QueryPerformanceFrequency(&frequency_); }

  std::uint64_t NowMs() override {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    auto ticks = static_cast<std::uint64_t>(now.QuadPart);
    auto perSecond = static_cast<std::uint64_t>(frequency_.QuadPart);
    // In two steps, so that ticks * 1000 cannot overflow.
    return ticks / perSecond * 1000u + ticks % perSecond * 1000u / perSecond;
  }

  void Sleep(std::uint64_t ms) override { ::Sleep(static_cast<DWORD>(std::min<std::uint64_t>(ms, INFINITE - 1))); }

 private:
  LARGE_INTEGER frequency_;
};

}  // namespace

Clock& SystemClock() {
  static Win32Clock clock;
  return clock;
}

}  // namespace rt::win32
