// The clipboard after the program has ended, on a real X server: a program
// copies text and ends; other programs read it, small or large, in every
// form they ask for, until one of them takes the clipboard, which ends the
// holder. Requestors that go away at any step cost nothing but their own
// transfer; the holder keeps none of the program's streams or its working
// directory, starts after the program's file was replaced by an upgrade, and
// never stays behind when the program gave up waiting for it.
// GoogleTest comes before Xlib, whose macros (None, Bool) it would trip on.
#include <gtest/gtest.h>

#include "clipboard_clients.h"

#include <X11/Xatom.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <set>

#include "platform/x11/clipboard_holder.h"

namespace {

using namespace clipboard_test;

std::string Self() { return LinkOf(getpid(), "exe"); }

// About 1 MB of numbered lines with characters in and beyond Latin-1, and
// its Latin-1 form.
struct LargeText {
  std::string utf8, latin1;
  LargeText() {
    for (int line = 0; utf8.size() < (1u << 20); ++line) {
      std::string number = std::to_string(line);
      utf8 += number + " Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x93 {2}~\n";
      latin1 += number + " Gr\xFC\xDF" "e ? {2}~\n";
    }
  }
};
const LargeText& Large() {
  static const LargeText large;
  return large;
}

// Another program takes the clipboard: the holder ends.
bool TakeClipboardAndAwaitHolderEnd(Requestor& other, const Copier& copier) {
  XSetSelectionOwner(other.display(), other.A("CLIPBOARD"), other.window(), CurrentTime);
  XSync(other.display(), False);
  return WaitFor([&] { return HolderProcesses(copier.Mark()).empty(); });
}

// A text read whole, or what went wrong, without a megabyte in the log.
::testing::AssertionResult SameText(const std::optional<std::string>& got, const std::string& expected) {
  if (got == expected) return ::testing::AssertionSuccess();
  if (!got) return ::testing::AssertionFailure() << "nothing arrived";
  std::size_t at = 0;
  while (at < got->size() && at < expected.size() && (*got)[at] == expected[at]) ++at;
  return ::testing::AssertionFailure() << got->size() << " bytes arrived of " << expected.size()
                                       << ", the first difference at " << at;
}

TEST(ClipboardHolder, OtherProgramsReadTheTextInEveryFormTheyAskFor) {
  const std::string line = "'/usr/bin/strumlet' '/Untitled/hello{2}world~/5/loop'";
  const struct {
    const char* name;
    std::string text, latin1;
  } cases[] = {
      {"a command line", line, line},
      {"beyond Latin-1", "caf\xC3\xA9 \xE2\x9C\x93 \xF0\x9F\x98\x80", "caf\xE9 ? ?"},
      {"a megabyte, in increments", Large().utf8, Large().latin1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Copier copier(Self());
    copier.Copy(c.text);
    ASSERT_EQ(copier.WaitExit(), 0) << "the program said it had copied";
    Requestor reader;
    ASSERT_TRUE(reader.Ok()) << "needs an X display";
    ASSERT_NE(XGetSelectionOwner(reader.display(), reader.A("CLIPBOARD")), static_cast<Window>(None));

    EXPECT_TRUE(SameText(reader.Read("UTF8_STRING"), c.text));
    EXPECT_TRUE(SameText(reader.Read("text/plain;charset=utf-8"), c.text));
    EXPECT_TRUE(SameText(reader.Read("STRING"), c.latin1));
    // TEXT in whichever encoding loses nothing.
    EXPECT_TRUE(SameText(reader.Read("TEXT"), c.latin1 == c.text ? c.latin1 : c.text));
    EXPECT_EQ(reader.Read("image/png"), std::nullopt) << "a form it does not have is refused";

    // Every form it lists is one it gives.
    Atom listed = reader.A("STRUMLET_TEST_TARGETS");
    ASSERT_EQ(reader.Ask(reader.A("TARGETS"), listed), listed);
    std::set<std::string> names;
    for (long atom : reader.Take(listed).items) names.insert(reader.Name(static_cast<Atom>(atom)));
    for (const char* needed : {"TARGETS", "UTF8_STRING", "STRING", "TEXT"}) EXPECT_EQ(names.count(needed), 1u) << needed;
    for (const std::string& name : names) {
      if (name != "MULTIPLE") EXPECT_TRUE(reader.Read(name.c_str()).has_value()) << name << " is listed and given";
    }

    if (c.text.size() < 1000) {
      // Old clients name no property: the target is the property then.
      Atom utf8 = reader.A("UTF8_STRING");
      ASSERT_EQ(reader.Ask(utf8, None), utf8);
      Requestor::Value old = reader.Take(utf8);
      EXPECT_EQ(std::string(old.bytes.begin(), old.bytes.end()), c.text);
      // MULTIPLE: each pair converted, a refused one marked None.
      Atom pairs = reader.A("STRUMLET_TEST_PAIRS"), first = reader.A("STRUMLET_TEST_FIRST");
      long list[] = {static_cast<long>(utf8), static_cast<long>(first), static_cast<long>(reader.A("image/png")),
                     static_cast<long>(reader.A("STRUMLET_TEST_SECOND"))};
      XChangeProperty(reader.display(), reader.window(), pairs, reader.A("ATOM_PAIR"), 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(list), 4);
      ASSERT_EQ(reader.Ask(reader.A("MULTIPLE"), pairs), pairs);
      std::vector<long> answered = reader.Take(pairs).items;
      ASSERT_EQ(answered.size(), 4u);
      EXPECT_EQ(answered[1], static_cast<long>(first));
      EXPECT_EQ(answered[3], static_cast<long>(None));
      Requestor::Value got = reader.Take(first);
      EXPECT_EQ(std::string(got.bytes.begin(), got.bytes.end()), c.text);
    }

    EXPECT_TRUE(TakeClipboardAndAwaitHolderEnd(reader, copier)) << "the holder let go and ended";
  }
}

// xclip, xsel, Qt and GTK read a megabyte whole (they take it in
// increments), as UTF-8 and as Latin-1.
TEST(ClipboardHolder, RealProgramsReadAMegabyteWhole) {
  Copier copier(Self());
  copier.Copy(Large().utf8);
  ASSERT_EQ(copier.WaitExit(), 0);
  const std::string python = "/usr/bin/python3";
  const struct {
    const char* name;
    std::vector<std::string> argv, environment;
    const std::string& expected;
  } readers[] = {
      {"xclip", {"xclip", "-o", "-selection", "clipboard"}, {}, Large().utf8},
      {"xclip as STRING", {"xclip", "-o", "-selection", "clipboard", "-t", "STRING"}, {}, Large().latin1},
      {"xsel", {"xsel", "--clipboard", "--output"}, {}, Large().utf8},
      {"Qt", {QT_CLIPBOARD_READER}, {"QT_QPA_PLATFORM=xcb"}, Large().utf8},
      {"GTK 3", {python, GTK_CLIPBOARD_READER}, {}, Large().utf8},
  };
  for (const auto& r : readers) {
    SCOPED_TRACE(r.name);
    EXPECT_TRUE(SameText(Output(r.argv, r.environment), r.expected));
  }
  std::optional<std::string> targets = Output({"xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"});
  ASSERT_TRUE(targets.has_value());
  EXPECT_NE(targets->find("UTF8_STRING\n"), std::string::npos) << *targets;
  Requestor other;
  EXPECT_TRUE(TakeClipboardAndAwaitHolderEnd(other, copier));
}

// A text larger than one request can carry (the server's limit) goes in
// increments; without them it would be refused.
TEST(ClipboardHolder, ATextLargerThanOneRequestArrivesWhole) {
  Requestor probe;
  ASSERT_TRUE(probe.Ok()) << "needs an X display";
  long units = XExtendedMaxRequestSize(probe.display());
  if (units == 0) units = XMaxRequestSize(probe.display());
  std::string text;
  for (int line = 0; text.size() <= static_cast<std::size_t>(units) * 4; ++line) {
    text += std::to_string(line) + " \xE2\x9C\x93 the quick brown fox jumps over the lazy dog\n";
  }
  Copier copier(Self());
  copier.Copy(text);
  ASSERT_EQ(copier.WaitExit(), 0);
  EXPECT_TRUE(SameText(Output({"xclip", "-o", "-selection", "clipboard"}), text)) << "xclip";
  EXPECT_TRUE(SameText(Output({QT_CLIPBOARD_READER}, {"QT_QPA_PLATFORM=xcb"}), text)) << "Qt";
  EXPECT_TRUE(TakeClipboardAndAwaitHolderEnd(probe, copier));
}

// A requestor that goes away, at any step of a transfer, makes the holder's
// next request to its window fail with BadWindow; the clipboard must stay
// readable for everyone else.
TEST(ClipboardHolder, ARequestorThatGoesAwayCostsOnlyItsOwnTransfer) {
  enum Step { kBeforeTheAnswer, kRightAfterAsking, kMidIncrements, kClosedMidIncrements, kStalledMidIncrements };
  const struct {
    const char* name;
    Step step;
    bool incrementsOnly;
  } cases[] = {
      {"its window is gone before the answer", kBeforeTheAnswer, false},
      {"it closes its connection right after asking", kRightAfterAsking, false},
      {"its window is gone between two increments", kMidIncrements, true},
      {"it closes its connection between two increments", kClosedMidIncrements, true},
      {"it stops taking increments", kStalledMidIncrements, true},
  };
  const std::string small = "'/usr/bin/strumlet' '/Untitled/x/5'";
  std::vector<std::unique_ptr<Requestor>> stalled;
  for (const std::string* text : {&small, &Large().utf8}) {
    SCOPED_TRACE(text->size());
    Copier copier(Self());
    copier.Copy(*text);
    ASSERT_EQ(copier.WaitExit(), 0);
    for (const auto& c : cases) {
      if (c.incrementsOnly && text == &small) continue;
      SCOPED_TRACE(c.name);
      auto requestor = std::make_unique<Requestor>();
      ASSERT_TRUE(requestor->Ok()) << "needs an X display";
      Display* d = requestor->display();
      Window w = requestor->window();
      Atom property = requestor->A("STRUMLET_TEST_READ");
      Atom utf8 = requestor->A("UTF8_STRING");
      switch (c.step) {
        case kBeforeTheAnswer:
          // The server grabbed, the holder answers only after the window
          // has gone.
          XGrabServer(d);
          XConvertSelection(d, requestor->A("CLIPBOARD"), utf8, property, w, CurrentTime);
          XDestroyWindow(d, w);
          XSync(d, False);
          XUngrabServer(d);
          XSync(d, False);
          break;
        case kRightAfterAsking:
          XConvertSelection(d, requestor->A("CLIPBOARD"), utf8, property, w, CurrentTime);
          requestor->Vanish();
          break;
        case kMidIncrements:
          ASSERT_TRUE(requestor->BeginIncrements("UTF8_STRING", property));
          XGrabServer(d);
          XDeleteProperty(d, w, property);
          XDestroyWindow(d, w);
          XSync(d, False);
          XUngrabServer(d);
          XSync(d, False);
          break;
        case kClosedMidIncrements:
          ASSERT_TRUE(requestor->BeginIncrements("UTF8_STRING", property));
          requestor->Take(property);
          requestor->Vanish();
          break;
        case kStalledMidIncrements:
          ASSERT_TRUE(requestor->BeginIncrements("UTF8_STRING", property));
          stalled.push_back(std::move(requestor));
          break;
      }
      EXPECT_TRUE(SameText(Output({"xclip", "-o", "-selection", "clipboard"}), *text)) << "read by xclip afterwards";
    }
    // The stalled requestor goes too, ending its transfer.
    stalled.clear();
    Requestor other;
    EXPECT_TRUE(TakeClipboardAndAwaitHolderEnd(other, copier));
  }
}

// `out=$(strumlet ...)` returns when the program ends: the holder keeps
// none of its streams, nor its working directory, nor its session.
TEST(ClipboardHolder, TheHolderKeepsNothingOfTheProgram) {
  std::string directory = ScratchPath("directory");
  ASSERT_EQ(mkdir(directory.c_str(), 0755), 0);
  Copier copier(Self(), directory);
  copier.Copy("kept");
  ASSERT_EQ(copier.WaitExit(), 0);
  EXPECT_TRUE(copier.OutputClosed(20s)) << "the program's output ends with the program";
  std::vector<pid_t> holders = HolderProcesses(copier.Mark());
  ASSERT_EQ(holders.size(), 1u) << "one holder, and the process that started it has ended";
  pid_t holder = holders[0];
  EXPECT_EQ(LinkOf(holder, "cwd"), "/");
  for (const char* stream : {"fd/0", "fd/1", "fd/2"}) EXPECT_EQ(LinkOf(holder, stream), "/dev/null") << stream;
  for (int fd = 3; fd < 64; ++fd) {
    EXPECT_EQ(LinkOf(holder, "fd/" + std::to_string(fd)).rfind("pipe:", 0), std::string::npos) << "descriptor " << fd;
  }
  EXPECT_EQ(getsid(holder), holder) << "a session of its own";
  EXPECT_EQ(rmdir(directory.c_str()), 0);
  Requestor reader;
  EXPECT_EQ(reader.Read("UTF8_STRING"), std::string("kept"));
  EXPECT_TRUE(TakeClipboardAndAwaitHolderEnd(reader, copier));
}

// A package upgrade deletes or replaces the running program's file; the
// holder still starts, from the running file.
TEST(ClipboardHolder, StartsFromTheRunningFileAfterAnUpgradeReplacedIt) {
  const std::string self = ReadFile(Self());
  for (bool replaced : {false, true}) {
    SCOPED_TRACE(replaced ? "replaced by a new file" : "deleted");
    std::string directory = ScratchPath("bin");
    ASSERT_EQ(mkdir(directory.c_str(), 0755), 0);
    std::string file = directory + "/strumlet";
    ASSERT_TRUE(WriteFile(file, self, 0755));
    Copier copier(file);
    ASSERT_TRUE(WaitFor([&] { return LinkOf(copier.Pid(), "exe") == file; })) << "the program runs from there";
    if (replaced) {
      // As dpkg does: the new file beside it, renamed over it.
      ASSERT_TRUE(WriteFile(file + ".dpkg-new", "#!/bin/sh\nexit 3\n", 0755));
      ASSERT_EQ(rename((file + ".dpkg-new").c_str(), file.c_str()), 0);
    } else {
      ASSERT_EQ(unlink(file.c_str()), 0);
    }
    copier.Copy("after the upgrade");
    EXPECT_EQ(copier.WaitExit(), 0);
    Requestor reader;
    EXPECT_EQ(reader.Read("UTF8_STRING"), std::string("after the upgrade"));
    EXPECT_TRUE(TakeClipboardAndAwaitHolderEnd(reader, copier));
    unlink(file.c_str());
    rmdir(directory.c_str());
  }
}

// A holder that is not ready when the program gives up (here: its display
// never answers) is ended, and never comes up later as a second holder.
TEST(ClipboardHolder, AHolderNotReadyInTimeIsEnded) {
  SilentDisplay silent;
  ASSERT_TRUE(silent.Ok());
  Copier copier(Self(), "/", {"DISPLAY=" + silent.Name(), std::string(kCopyLimit) + "=4000"});
  copier.Copy("too late");
  EXPECT_EQ(copier.WaitExit(), 1) << "the program gave up";
  if (silent.Accept(2s)) {
    EXPECT_TRUE(silent.ClientGone(20s)) << "the holder that was still connecting has been ended";
  }
  EXPECT_TRUE(WaitFor([&] { return HolderProcesses(copier.Mark()).empty(); }, 20s)) << "no holder is left";
}

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv(rt::x11::kClipboardHolderVariable)) return rt::x11::RunClipboardHolder();
  if (std::getenv(kCopyMode)) return CopyModeMain();
  // The requestors' own windows go away under them on purpose.
  XSetErrorHandler(IgnoreErrors);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
