// README.md's table of exit codes against the codes the program ends with:
// every code is in the table, once, with what it means, and the table lists
// no other.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/exit_code.h"
#include "readme_exit_codes.h"

namespace {

// Words the README's row of each code must contain. The switch names every
// ExitCode (the compiler warns about one left out); any other value gives
// null.
const char* Meaning(rt::ExitCode code) {
  switch (code) {
    case rt::ExitCode::Sent: return "after its send";
    case rt::ExitCode::Failed: return "a send failed";
    case rt::ExitCode::ArgumentError: return "argument error";
    case rt::ExitCode::NoWindow: return "could not create";
  }
  return nullptr;
}

TEST(ExitCodes, TheReadmeTableListsEveryCodeWithItsMeaningAndNoOther) {
  ASSERT_FALSE(kReadmeExitCodes.empty()) << "README.md has no table under \"### Exit codes\"";
  std::set<int> listed;
  for (const ReadmeExitCode& row : kReadmeExitCodes) {
    SCOPED_TRACE(std::to_string(row.code) + " | " + row.when);
    EXPECT_TRUE(listed.insert(row.code).second) << "listed twice";
    const char* meaning = Meaning(static_cast<rt::ExitCode>(row.code));
    if (!meaning) {
      ADD_FAILURE() << "the program has no such exit code";
      continue;
    }
    EXPECT_NE(std::string(row.when).find(meaning), std::string::npos) << "the row does not say \"" << meaning << "\"";
  }
  for (int code = 0; code < 256; ++code) {
    if (Meaning(static_cast<rt::ExitCode>(code))) {
      EXPECT_EQ(listed.count(code), 1u) << "README.md does not list exit code " << code;
    }
  }
}

}  // namespace
