// A program on the fake platform, for tests that drive the main window.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include "platform/fake/fake_platform.h"
#include "strumlet.h"
#include "strumlet_version.h"

namespace rt {
// Readable failure messages for UTF-16 text.
inline void PrintTo(const ustring& text, std::ostream* os) { *os << '"' << ToUtf8(text) << '"'; }
}  // namespace rt

namespace strumlet::testing {

inline rt::AppInfo TestInfo(rt::ustring command) {
  rt::AppInfo info;
  info.folder = u"C:\\Tools";
  info.exeName = u"strumlet";
  info.title = u"Strumlet";
  info.major = STRUMLET_VERSION_MAJOR;
  info.minor = STRUMLET_VERSION_MINOR;
  info.revision = STRUMLET_VERSION_REVISION;
  info.command = std::move(command);
  return info;
}

// One run of the program on the fake platform.
struct Harness {
  explicit Harness(rt::ustring command = u"")
      : app(os, backend, TestInfo(std::move(command))), program(app) {}
  void Start() {
    program.Start();
    app.Idle();
  }
  Form1& main() { return program.Main(); }

  rt::fake::FakeSystem os;
  rt::fake::FakeBackend backend;
  rt::App app;
  Program program;
};

inline rt::ustring U(const char* utf8) { return rt::FromUtf8(utf8); }

}  // namespace strumlet::testing
