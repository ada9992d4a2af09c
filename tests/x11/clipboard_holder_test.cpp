// The clipboard after the program has ended, on a real X server: a program
// copies text and ends; other programs read it as UTF-8 and as Latin-1
// until one of them takes the clipboard, which ends the holder.
// GoogleTest comes before Xlib, whose macros (None, Bool) it would trip on.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "platform/x11/clipboard_holder.h"

namespace {

constexpr const char* kCopyAndEnd = "STRUMLET_TEST_COPY_AND_END";

// Another program reading the clipboard, as xclip -o does.
class Reader {
 public:
  Reader() : display_(XOpenDisplay(nullptr)) {
    if (display_) window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
  }
  ~Reader() {
    if (display_) XCloseDisplay(display_);
  }
  bool Ok() const { return display_ != nullptr; }
  Display* display() const { return display_; }
  Window window() const { return window_; }
  Atom A(const char* name) { return XInternAtom(display_, name, False); }

  // The clipboard as `target`, or nothing when the owner refuses or does
  // not answer within the limit.
  std::optional<std::string> Read(const char* target) {
    Atom property = A("STRUMLET_TEST_READ");
    XConvertSelection(display_, A("CLIPBOARD"), A(target), property, window_, CurrentTime);
    XFlush(display_);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      XEvent event;
      if (XCheckTypedWindowEvent(display_, window_, SelectionNotify, &event)) {
        if (event.xselection.property == None) return std::nullopt;
        Atom type;
        int format;
        unsigned long items, after;
        unsigned char* data = nullptr;
        XGetWindowProperty(display_, window_, property, 0, 1 << 24, True, AnyPropertyType, &type, &format, &items, &after,
                           &data);
        std::string out;
        if (data && format == 8) out.assign(reinterpret_cast<char*>(data), items);
        if (data && format == 32) out = std::to_string(items) + " atoms";
        if (data) XFree(data);
        return out;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return std::nullopt;
  }

 private:
  Display* display_;
  Window window_ = 0;
};

int ignoreErrors(Display*, XErrorEvent*) { return 0; }

bool WindowExists(Display* display, Window window) {
  XWindowAttributes attributes;
  return XGetWindowAttributes(display, window, &attributes) != 0;
}

// Runs this test program as "a program that copies and ends", and waits
// for it to end.
int CopyInAnotherProgram(const std::string& text) {
  pid_t pid = fork();
  if (pid == 0) {
    setenv(kCopyAndEnd, text.c_str(), 1);
    execl("/proc/self/exe", "clipboard_holder_test", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ClipboardHolder, TheTextOutlivesTheProgramUntilAnotherOneTakesTheClipboard) {
  const struct {
    const char* name;
    std::string text;
    std::string latin1;
  } cases[] = {
      {"a command line", "'/usr/bin/strumlet' '/Untitled/hello{2}world~/5/loop'",
       "'/usr/bin/strumlet' '/Untitled/hello{2}world~/5/loop'"},
      {"beyond Latin-1", "caf\xC3\xA9 \xE2\x9C\x93", "caf\xE9 ?"},
      {"a long script", std::string(100000, 'x'), std::string(100000, 'x')},
  };
  XSetErrorHandler(ignoreErrors);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Reader reader;
    ASSERT_TRUE(reader.Ok()) << "needs an X display";
    ASSERT_EQ(CopyInAnotherProgram(c.text), 0) << "the copying program ended and said it held the clipboard";
    Window holder = XGetSelectionOwner(reader.display(), reader.A("CLIPBOARD"));
    ASSERT_NE(holder, static_cast<Window>(None));
    EXPECT_EQ(reader.Read("UTF8_STRING"), c.text);
    EXPECT_EQ(reader.Read("STRING"), c.latin1);
    EXPECT_EQ(reader.Read("TARGETS"), std::string("4 atoms"));
    EXPECT_EQ(reader.Read("image/png"), std::nullopt) << "a form it does not have is refused";

    // Another program takes the clipboard: the holder ends.
    XSetSelectionOwner(reader.display(), reader.A("CLIPBOARD"), reader.window(), CurrentTime);
    XSync(reader.display(), False);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (WindowExists(reader.display(), holder) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(WindowExists(reader.display(), holder)) << "the holder let go and ended";
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv(rt::x11::kClipboardHolderVariable)) return rt::x11::RunClipboardHolder();
  if (const char* text = std::getenv(kCopyAndEnd)) {
    return rt::x11::StartClipboardHolder("/proc/self/exe", text) ? 0 : 1;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
