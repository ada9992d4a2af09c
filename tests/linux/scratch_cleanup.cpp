// Linked into every test program that makes scratch files: once all its
// tests have passed, the scratch folder goes. After a failure it stays, with
// what the started programs wrote, for the failure to be read.
#include <gtest/gtest.h>

#include "process.h"

namespace {

class ScratchCleanup : public ::testing::Environment {
 public:
  void TearDown() override {
    if (::testing::UnitTest::GetInstance()->Passed()) strumlet::linux_e2e::RemoveScratchFolder();
  }
};

[[maybe_unused]] ::testing::Environment* const kScratchCleanup =
    ::testing::AddGlobalTestEnvironment(new ScratchCleanup);

}  // namespace
