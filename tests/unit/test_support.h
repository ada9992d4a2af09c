// A program on the fake platform, for tests that drive the main window, and
// what these tests share.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

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
  // The timers keep the system's time: they tick as Wait lets it pass.
  explicit Harness(rt::ustring command = u"")
      : app(os, backend, TestInfo(std::move(command))), program(app) {
    backend.SetClock(os.clock);
  }
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

// Runs up to `ticks` ticks of the countdown (fewer once the main window has
// closed) and tells what each did, as a line: the count shown, then the
// system calls ("AppActivate:Target", "SendKeys:x", "Sleep:2000"), then
// "END" when the main window closed.
inline std::vector<std::string> RunTicks(Harness& h, int ticks) {
  std::vector<std::string> lines;
  for (int t = 1; t <= ticks && h.main().Loaded(); ++t) {
    std::size_t before = h.os.calls.size();
    rt::fake::Tick(h.app, h.main().Timer1);
    std::string line = rt::ToUtf8(h.main().Label1.Caption());
    for (std::size_t i = before; i < h.os.calls.size(); ++i) {
      const rt::fake::Call& c = h.os.calls[i];
      line += " " + c.what + ":" + (c.what == "Sleep" ? std::to_string(c.number) : rt::ToUtf8(c.text));
    }
    if (!h.main().Loaded()) line += " END";
    lines.push_back(line);
  }
  return lines;
}

// The status label after a failed activation or send, and after a good one.
constexpr const char16_t* kNotFound = u"Window not found!";
constexpr const char16_t* kCaption = u"Window Caption";

}  // namespace strumlet::testing
