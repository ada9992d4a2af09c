#include "platform/tick_grid.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace {

// A system timer as the grid meets it: one pending one-shot wake-up per
// timer, delivered by the thread's loop at the time asked for plus whatever
// lateness (or, rounded to the system's timer tick, earliness) the system
// adds. The clock is the loop's own.
class FakeSystem : public rt::TickGrid::Alarm, public rt::Clock {
 public:
  std::uint64_t NowMs() override { return now; }
  void Sleep(std::uint64_t ms) override { now += ms; }
  bool Set(std::uint64_t delayMs) override {
    delays.push_back(delayMs);
    if (refuse) return false;
    due = now + delayMs;
    return true;
  }
  void Cancel() override { due.reset(); }

  // Delivers the pending wake-up, moved by `offset` ms (never before now).
  bool Deliver(rt::TickGrid& grid, const std::function<void()>& tick, std::int64_t offset = 0) {
    if (!due) return false;
    std::int64_t at = static_cast<std::int64_t>(*due) + offset;
    now = std::max<std::uint64_t>(now, static_cast<std::uint64_t>(std::max<std::int64_t>(at, 0)));
    due.reset();
    grid.Woken(tick);
    return true;
  }

  std::uint64_t now = 1000;
  std::optional<std::uint64_t> due;
  std::vector<std::uint64_t> delays;
  bool refuse = false;
};

constexpr std::uint64_t kMinimum = 10;

struct Fixture {
  FakeSystem system;
  rt::TickGrid grid{system, system, kMinimum};
  std::vector<std::uint64_t> ticks;
  std::function<void()> body = [] {};
  std::function<void()> Tick() {
    return [this] {
      ticks.push_back(system.now);
      body();
    };
  }
};

// Each tick comes at or after its grid point, within the wake-up's lateness
// plus one minimum delay (an early wake-up asks again), whatever the pattern
// of lateness and earliness; after many ticks there is no drift.
struct JitterCase {
  const char* name;
  std::uint64_t interval;
  int ticks;
  std::function<std::int64_t(int)> offset;  // of the n-th wake-up
  std::uint64_t maxLate;
};

class TickGridJitter : public ::testing::TestWithParam<JitterCase> {};

TEST_P(TickGridJitter, TicksStayOnTheGrid) {
  const JitterCase& c = GetParam();
  Fixture f;
  std::uint64_t anchor = f.system.now;
  f.grid.Start(c.interval);
  for (int wake = 0; static_cast<int>(f.ticks.size()) < c.ticks && wake < c.ticks * 4; ++wake) {
    ASSERT_TRUE(f.system.Deliver(f.grid, f.Tick(), c.offset(wake))) << "no wake-up pending after " << wake;
  }
  ASSERT_EQ(f.ticks.size(), static_cast<std::size_t>(c.ticks));
  for (std::size_t i = 0; i < f.ticks.size(); ++i) {
    std::uint64_t point = anchor + (i + 1) * c.interval;
    ASSERT_GE(f.ticks[i], point) << "tick " << i + 1 << " came early";
    ASSERT_LE(f.ticks[i] - point, c.maxLate) << "tick " << i + 1 << " late";
  }
  for (std::uint64_t d : f.system.delays) EXPECT_GE(d, kMinimum);
}

std::int64_t Lcg(int n) {
  // A fixed pseudo-random pattern between -8 and +24 ms.
  std::uint32_t x = static_cast<std::uint32_t>(n) * 1103515245u + 12345u;
  return static_cast<std::int64_t>((x >> 16) % 33) - 8;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, TickGridJitter,
    ::testing::Values(JitterCase{"exact", 1000, 50, [](int) { return 0; }, 0},
                      JitterCase{"always_15_late", 1000, 50, [](int) { return 15; }, 15},
                      JitterCase{"rounded_to_16ms", 1000, 50, [](int n) { return static_cast<std::int64_t>(16 - (n * 7) % 16); }, 16},
                      JitterCase{"sometimes_early", 1000, 50, [](int n) { return n % 3 == 0 ? -5 : 2; }, 2 + kMinimum},
                      JitterCase{"jittery_1000_ticks", 1000, 1000, Lcg, 24 + kMinimum},
                      JitterCase{"short_interval", 50, 1000, Lcg, 24 + kMinimum}),
    [](const auto& info) { return std::string(info.param.name); });

// A tick that keeps the thread busy past later grid points: those are not
// made up for; the next tick is at the first grid point after the busy one
// returns.
struct BusyCase {
  const char* name;
  std::uint64_t busyMs;      // how long the second tick runs
  std::uint64_t thirdTickAt; // after the anchor
};

class TickGridBusy : public ::testing::TestWithParam<BusyCase> {};

TEST_P(TickGridBusy, MissedTicksAreSkipped) {
  const BusyCase& c = GetParam();
  Fixture f;
  std::uint64_t anchor = f.system.now;
  f.body = [&] {
    if (f.ticks.size() == 2) f.system.now += c.busyMs;
  };
  f.grid.Start(1000);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(f.system.Deliver(f.grid, f.Tick()));
  ASSERT_EQ(f.ticks.size(), 3u);
  EXPECT_EQ(f.ticks[2] - anchor, c.thirdTickAt);
}

INSTANTIATE_TEST_SUITE_P(Durations, TickGridBusy,
                         ::testing::Values(BusyCase{"short", 300, 3000}, BusyCase{"just_under_one", 990, 3000},
                                           BusyCase{"past_one_point", 1500, 4000}, BusyCase{"past_three_points", 3500, 6000},
                                           // Ending next to a grid point: the minimum delay, then that point's tick.
                                           BusyCase{"ends_at_point", 2995, 5000 + 5}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TickGrid, AnEarlyWakeUpIsNotATick) {
  Fixture f;
  std::uint64_t anchor = f.system.now;
  f.grid.Start(1000);
  ASSERT_TRUE(f.system.Deliver(f.grid, f.Tick(), -30));
  EXPECT_TRUE(f.ticks.empty());
  EXPECT_EQ(f.system.delays.back(), 30u);  // the rest of the period
  ASSERT_TRUE(f.system.Deliver(f.grid, f.Tick(), -2));
  EXPECT_TRUE(f.ticks.empty());
  EXPECT_EQ(f.system.delays.back(), kMinimum);  // never sooner than the minimum
  ASSERT_TRUE(f.system.Deliver(f.grid, f.Tick()));
  ASSERT_EQ(f.ticks.size(), 1u);
  EXPECT_EQ(f.ticks[0], anchor + 1000 + kMinimum - 2);
  EXPECT_EQ(f.grid.Period(), 1u);
}

// What a tick does to its own timer, and when the ticks come after it.
struct ControlCase {
  const char* name;
  std::function<void(rt::TickGrid&)> inSecondTick;
  std::vector<std::uint64_t> expected;  // tick times after the anchor
};

class TickGridControl : public ::testing::TestWithParam<ControlCase> {};

TEST_P(TickGridControl, FromInsideTheTick) {
  const ControlCase& c = GetParam();
  Fixture f;
  std::uint64_t anchor = f.system.now;
  f.body = [&] {
    if (f.ticks.size() == 2) {
      f.system.now += 250;  // the tick took a while before it acts
      c.inSecondTick(f.grid);
    }
  };
  f.grid.Start(1000);
  for (int i = 0; i < 6 && f.system.Deliver(f.grid, f.Tick()); ++i) {}
  std::vector<std::uint64_t> got;
  for (std::uint64_t t : f.ticks) got.push_back(t - anchor);
  EXPECT_EQ(got, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Actions, TickGridControl,
    ::testing::Values(
        ControlCase{"nothing", [](rt::TickGrid&) {}, {1000, 2000, 3000, 4000, 5000, 6000}},
        // Restarted at 2250: a new grid from there.
        ControlCase{"restart", [](rt::TickGrid& g) { g.Start(1000); }, {1000, 2000, 3250, 4250, 5250, 6250}},
        ControlCase{"new_interval", [](rt::TickGrid& g) { g.Start(400); }, {1000, 2000, 2650, 3050, 3450, 3850}},
        ControlCase{"stop", [](rt::TickGrid& g) { g.Stop(); }, {1000, 2000}},
        ControlCase{"stop_and_start", [](rt::TickGrid& g) { g.Stop(); g.Start(1000); }, {1000, 2000, 3250, 4250, 5250, 6250}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TickGrid, StartAfterStopAnchorsAtTheNewStart) {
  Fixture f;
  f.grid.Start(1000);
  ASSERT_TRUE(f.system.Deliver(f.grid, f.Tick()));
  f.grid.Stop();
  EXPECT_FALSE(f.system.due.has_value());
  EXPECT_FALSE(f.grid.Pending());
  // A wake-up the system had queued already does nothing.
  f.grid.Woken(f.Tick());
  EXPECT_EQ(f.ticks.size(), 1u);
  EXPECT_FALSE(f.system.due.has_value());
  f.system.now += 3333;
  std::uint64_t restart = f.system.now;
  f.grid.Start(1000);
  ASSERT_TRUE(f.system.Deliver(f.grid, f.Tick()));
  ASSERT_EQ(f.ticks.size(), 2u);
  EXPECT_EQ(f.ticks[1], restart + 1000);
}

// A tick that shows a message box runs a message loop; the timer's wake-ups
// arrive inside it (the tick restarted the counter, or a wake-up was queued
// already). None of them runs a second tick; each asks for the next, and the
// ticks go on on the grid once the box is closed.
struct ModalCase {
  const char* name;
  bool restartFirst;        // the tick restarts its timer before the box
  std::uint64_t boxOpenMs;  // how long the box stays open
  std::vector<std::uint64_t> expected;
};

class TickGridModal : public ::testing::TestWithParam<ModalCase> {};

TEST_P(TickGridModal, NoSecondTickInsideAModalLoop) {
  const ModalCase& c = GetParam();
  Fixture f;
  std::uint64_t anchor = f.system.now;
  int nested = 0;
  f.body = [&] {
    if (f.ticks.size() != 1) return;
    if (c.restartFirst) f.grid.Start(1000);
    std::uint64_t closeAt = f.system.now + c.boxOpenMs;
    // The box's loop: a wake-up the system had queued, then the timer's own.
    f.grid.Woken(f.Tick());
    ++nested;
    while (f.system.due && *f.system.due <= closeAt) {
      f.system.Deliver(f.grid, f.Tick());
      ++nested;
    }
    f.system.now = closeAt;
  };
  f.grid.Start(1000);
  for (int i = 0; i < 4 && f.system.Deliver(f.grid, f.Tick()); ++i) {}
  EXPECT_GT(nested, c.restartFirst && c.boxOpenMs >= 1000 ? 1 : 0);
  std::vector<std::uint64_t> got;
  for (std::uint64_t t : f.ticks) got.push_back(t - anchor);
  EXPECT_EQ(got, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, TickGridModal,
    ::testing::Values(ModalCase{"short_box", false, 300, {1000, 2000, 3000, 4000}},
                      ModalCase{"long_box", false, 2500, {1000, 4000, 5000, 6000}},
                      ModalCase{"restart_then_short_box", true, 300, {1000, 2000, 3000, 4000}},
                      // Restarted at 1000: the grid points 2000, 3000 and
                      // 4000 pass inside the box; the first tick after it is
                      // at 5000.
                      ModalCase{"restart_then_long_box", true, 3500, {1000, 5000, 6000, 7000}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TickGrid, ARefusedWakeUpStopsUntilStartedAgain) {
  Fixture f;
  f.system.refuse = true;
  f.grid.Start(1000);
  EXPECT_FALSE(f.grid.Pending());
  EXPECT_FALSE(f.system.Deliver(f.grid, f.Tick()));
  f.system.refuse = false;
  f.grid.Start(1000);
  EXPECT_TRUE(f.grid.Pending());
  EXPECT_TRUE(f.system.Deliver(f.grid, f.Tick()));
  EXPECT_EQ(f.ticks.size(), 1u);
}

TEST(TickGrid, ARestartRefusedInsideTheTickIsAskedForOnce) {
  // The refusal is reported to the user once per attempt: the grid does not
  // try again on its own after the tick.
  Fixture f;
  f.body = [&] {
    f.system.refuse = true;
    f.grid.Start(1000);
  };
  f.grid.Start(1000);
  ASSERT_TRUE(f.system.Deliver(f.grid, f.Tick()));
  EXPECT_EQ(f.system.delays.size(), 2u);
  EXPECT_FALSE(f.grid.Pending());
}

TEST(TickGrid, MinimumDelayBindsShortIntervals) {
  Fixture f;
  std::uint64_t anchor = f.system.now;
  std::vector<std::uint64_t> periods;
  f.body = [&] { periods.push_back(f.grid.Period()); };
  f.grid.Start(4);
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(f.system.Deliver(f.grid, f.Tick()));
  for (std::uint64_t d : f.system.delays) ASSERT_GE(d, kMinimum);
  // Each tick counts as the grid point just passed; the points in between
  // are skipped, never ticked twice.
  ASSERT_EQ(periods.size(), f.ticks.size());
  for (std::size_t i = 0; i < f.ticks.size(); ++i) {
    EXPECT_EQ(periods[i], (f.ticks[i] - anchor) / 4) << i;
    if (i > 0) {
      EXPECT_GE(periods[i], periods[i - 1] + 2) << i;
    }
  }
}

}  // namespace
