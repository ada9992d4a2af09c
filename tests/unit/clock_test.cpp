// The one clock: the waiting rules every backend shares (a pause that lasts
// its whole time, a wait for a condition that polls it up to a limit), and
// the fake backend's virtual time, on which the program's pauses, limits,
// activation and countdown cost no real time.
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/fake/fake_clock.h"
#include "test_support.h"

namespace {

using rt::fake::FakeClock;
using strumlet::testing::Harness;

// A clock whose Sleep returns after at most `most` ms, as a backend's does
// when events or a signal come, counting its sleeps.
class ShortSleeps : public rt::Clock {
 public:
  explicit ShortSleeps(std::uint64_t most) : most_(most) {}
  std::uint64_t NowMs() override { return clock.NowMs(); }
  void Sleep(std::uint64_t ms) override {
    ++sleeps;
    clock.Sleep(std::min(ms, most_));
  }
  FakeClock clock;
  int sleeps = 0;

 private:
  std::uint64_t most_;
};

TEST(Clock, WaitUntilAsksUntilTheLimitByTheClock) {
  constexpr std::uint64_t kNever = ~std::uint64_t{0};
  const struct {
    const char* name;
    std::uint64_t holdsFrom;  // ms after the start
    std::uint64_t limit, step;
    bool result;
    std::uint64_t took;
    int asks;
  } cases[] = {
      {"holds at once", 0, 400, 5, true, 0, 1},
      {"holds at the third ask", 10, 400, 5, true, 10, 3},
      {"holds between two asks", 12, 400, 5, true, 15, 4},
      {"never: asked every step up to the limit and at it", kNever, 400, 5, false, 400, 81},
      {"the last step is cut short at the limit", kNever, 12, 5, false, 12, 4},
      {"holds just at the limit", 12, 12, 5, true, 12, 4},
      {"no time at all: asked once", kNever, 0, 5, false, 0, 1},
      {"a step of 0 is 1", kNever, 3, 0, false, 3, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeClock clock;
    clock.Advance(1000);
    int asks = 0;
    bool result = rt::WaitUntil(
        clock,
        [&] {
          ++asks;
          return clock.NowMs() - 1000 >= c.holdsFrom;
        },
        c.limit, c.step);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(clock.NowMs() - 1000, c.took);
    EXPECT_EQ(asks, c.asks);
  }
}

TEST(Clock, APauseLastsItsWholeTimeHoweverSoonSleepReturns) {
  const struct {
    std::uint64_t pause, mostPerSleep;
    int sleeps;
  } cases[] = {
      {0, 7, 1},  // gives the time slice away once
      {1, 7, 1},
      {20, 7, 3},
      {4000, 4000, 1},
      {4000, 1, 4000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.pause) + " ms in sleeps of at most " + std::to_string(c.mostPerSleep));
    ShortSleeps clock(c.mostPerSleep);
    rt::Pause(clock, c.pause);
    EXPECT_EQ(clock.NowMs(), c.pause);
    EXPECT_EQ(clock.sleeps, c.sleeps);
  }
}

// A whole run of the program, a Once run into a target window: what its
// pauses, limits and activation cost on the fake clock, and that they cost
// no real time.
TEST(VirtualTime, PausesLimitsAndActivationTakeTheirTimeOnTheClockOnly) {
  const struct {
    const char* name;
    const char16_t* command;
    std::uint64_t foregroundDelayMs;
    bool hung;
    std::uint64_t atLeast, atMost;  // virtual ms of the activation and the send
    int exitCode;
  } cases[] = {
      {"no pause", u"/Target/ab/2", 0, false, 0, 50, 0},
      {"a {4} pause", u"/Target/a{4}b/2", 0, false, 4000, 4050, 0},
      {"the longest pause, {32}", u"/Target/a{32}b/2", 0, false, 32000, 32050, 0},
      {"two pauses", u"/Target/a{3}b{2}c/2", 0, false, 5000, 5050, 0},
      {"a window manager that takes 300 ms", u"/Target/ab/2", 300, false, 300, 350, 0},
      // No window in front to attach to: a plain request, one after input,
      // then a last look, each waiting its 400 ms.
      {"a window that never comes to the front", u"/Target/ab/2", 100000, false, 1200, 1200, 1},
      {"a target that reads nothing: the delivery limit", u"/Target/ab/2", 0, true, rt::kDeliveryLimitMs,
       rt::kDeliveryLimitMs + 50, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h(c.command);
    h.os.desktop.AddWindow({.caption = u"Target"});
    h.os.desktop.foregroundDelayMs = c.foregroundDelayMs;
    h.os.keyboard.hung = c.hung;
    h.Start();
    auto realStart = std::chrono::steady_clock::now();
    std::uint64_t start = h.os.clock.NowMs();
    strumlet::testing::RunTicks(h, 3);
    std::uint64_t took = h.os.clock.NowMs() - start;
    auto real = std::chrono::steady_clock::now() - realStart;
    EXPECT_GE(took, c.atLeast);
    EXPECT_LE(took, c.atMost);
    EXPECT_FALSE(h.main().Loaded()) << "a Once run ends after its send";
    EXPECT_EQ(h.app.ExitCode(), c.exitCode);
    // Slept for real, the run would take at least its virtual time.
    if (c.atLeast >= 4000) {
      EXPECT_LT(real, std::chrono::milliseconds(c.atLeast)) << "no real sleep";
    }
  }
}

// The countdown's timer on its tick grid, on the fake clock: one tick a
// second from the start; a send holds the thread (and so the countdown) for
// its pauses, the ticks missed meanwhile are dropped, and the next falls on
// the grid again.
TEST(VirtualTime, TheCountdownTicksOnItsGridAndASendsPausesHoldItBack) {
  const struct {
    const char16_t* command;
    std::uint64_t runMs;
    std::vector<std::string> ticks;  // "<ms>:<count shown>"
  } cases[] = {
      {u"/Target/ab/3/loop", 6500, {"1000:2", "2000:1", "3000:0", "4000:2", "5000:1", "6000:0"}},
      {u"/Target/a{4}b/3/loop", 10500, {"1000:2", "2000:1", "3000:0", "8000:2", "9000:1", "10000:0"}},
      {u"/Target/a{4}b/2/loop", 13500, {"1000:1", "2000:0", "7000:1", "8000:0", "13000:1"}},
      {u"/Target/a{1}b/2", 5000, {"1000:1", "2000:0", "4000:1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(rt::ToUtf8(c.command));
    Harness h(c.command);
    h.os.desktop.AddWindow({.caption = u"Target"});
    h.Start();
    std::uint64_t start = h.os.clock.NowMs();
    std::vector<std::string> ticks;
    rt::Timer& timer = h.main().Timer1;
    timer.Tick = [&, tick = timer.Tick] {
      std::uint64_t at = h.os.clock.NowMs() - start;
      tick();
      ticks.push_back(std::to_string(at) + ":" + rt::ToUtf8(h.main().Label1.Caption()));
    };
    rt::fake::Wait(h.app, h.backend, c.runMs);
    EXPECT_EQ(ticks, c.ticks);
    EXPECT_GE(h.os.clock.NowMs() - start, c.runMs);
  }
}

}  // namespace
