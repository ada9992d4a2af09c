// A program on the fake platform, for tests that drive the main window.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include "platform/fake/fake_platform.h"
#include "strumlet.h"
#include "strumlet_version.h"
#ifdef STRUMLET_TESTS_ON_QT
#include "../qt/qt_tee_backend.h"
#endif

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

// The forms' backend of the tests: the fake, or the fake with the Qt backend
// beside it when the same tests run on Qt.
#ifdef STRUMLET_TESTS_ON_QT
using TestBackend = QtTeeBackend;
#else
using TestBackend = rt::fake::FakeBackend;
#endif

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
  TestBackend backend;
  rt::App app;
  Program program;
};

inline rt::ustring U(const char* utf8) { return rt::FromUtf8(utf8); }

}  // namespace strumlet::testing
