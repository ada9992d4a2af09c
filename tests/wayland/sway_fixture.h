// The base of every test fixture that needs the headless sway. Without a
// sway the tests are skipped; a sway that the test plan started (SWAYSOCK is
// set) but that does not answer is a failure, so that a stage whose sway has
// gone cannot pass on skips alone.
#pragma once

#include <gtest/gtest.h>

#include "sway_desktop.h"

namespace strumlet::wayland_e2e {

class SwayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Sway::Ready()) {
      ASSERT_FALSE(Sway::Expected()) << "the sway on SWAYSOCK does not answer";
      GTEST_SKIP() << "needs a sway on SWAYSOCK (scripts/lib.sh start_sway)";
    }
  }
  // Whether the test goes on after SetUp: a derived SetUp returns at once
  // when it does not.
  bool SwayUp() const { return !IsSkipped() && !HasFatalFailure(); }
};

}  // namespace strumlet::wayland_e2e
