// End-to-end typing on X11: the XTest typer types into a real xterm in raw
// mode (every byte it reads goes to a file as it is), under the us, de and
// fr layouts. Needs DISPLAY: a throwaway Xvfb with openbox
// (scripts/lib.sh start_display).
// GoogleTest before Xlib, whose macros (None, Bool) clash with its names.
#include <gtest/gtest.h>
// clang-format off
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
// clang-format on
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <algorithm>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include "../e2e/wait_for.h"
#include "platform/text.h"
#include "platform/x11/x_keyboard.h"

namespace {

using Clock = std::chrono::steady_clock;

using strumlet::e2e::WaitFor;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

// Where what arrived first differs from what was sent, with the text around.
std::string Difference(const std::string& sent, const std::string& got) {
  std::size_t at = static_cast<std::size_t>(std::mismatch(sent.begin(), sent.end(), got.begin(), got.end()).first - sent.begin());
  std::size_t from = at < 8 ? 0 : at - 8;
  std::ostringstream out;
  out << "sent " << sent.size() << " bytes, " << got.size() << " arrived, first difference at " << at << ": sent \""
      << sent.substr(from, 16) << "\", arrived \"" << (from < got.size() ? got.substr(from, 16) : "") << "\"";
  return out.str();
}

// The xterm target, shared by every case, and a connection of the test's own.
class XtermTarget {
 public:
  bool Start() {
    dpy_ = XOpenDisplay(nullptr);
    if (!dpy_) return false;
    char dir[] = "/tmp/strumlet-x11-XXXXXX";
    if (!mkdtemp(dir)) return false;
    out_ = std::string(dir) + "/out";
    std::ofstream(out_).close();
    pid_ = fork();
    if (pid_ == 0) {
      std::string shell = "stty raw -echo && : > '" + out_ + ".ready'; exec cat >> '" + out_ + "'";
      execlp("xterm", "xterm", "-u8", "-xrm", "XTerm*metaSendsEscape: true", "-T", "Target", "-e", "sh", "-c",
             shell.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    // Once stty has run, the terminal keeps every byte for cat.
    std::string ready = out_ + ".ready";
    return WaitFor([&] { return (window_ = Find(DefaultRootWindow(dpy_))) != 0 && Viewable(window_); }) &&
           WaitFor([&] { return access(ready.c_str(), F_OK) == 0; });
  }

  void Stop() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
    if (dpy_) XCloseDisplay(dpy_);
    dpy_ = nullptr;
    if (!out_.empty()) {
      unlink((out_ + ".ready").c_str());
      unlink(out_.c_str());
      rmdir(out_.substr(0, out_.rfind('/')).c_str());
    }
  }

  // Gives the xterm the input focus and waits until it has it.
  bool Focus() {
    XRaiseWindow(dpy_, window_);
    XSetInputFocus(dpy_, window_, RevertToParent, CurrentTime);
    XSync(dpy_, False);
    return WaitFor([&] {
      Window focus = 0;
      int revert = 0;
      XGetInputFocus(dpy_, &focus, &revert);
      return focus == window_;
    });
  }

  void Clear() { truncate(out_.c_str(), 0); }

  // Stops the terminal from reading (as a loaded machine does), and lets it
  // go on.
  void Stall() { kill(pid_, SIGSTOP); }
  void Resume() { kill(pid_, SIGCONT); }

  // The bytes that arrived, once there are at least `size` of them (or the
  // limit passed).
  std::string Received(std::size_t size) {
    WaitFor([&] { return ReadFile(out_).size() >= size; });
    return ReadFile(out_);
  }

  // Keycodes down in the server, by number.
  std::string KeysDown() {
    char keys[32] = {};
    XQueryKeymap(dpy_, keys);
    std::string down;
    for (int kc = 0; kc < 256; ++kc) {
      if (keys[kc / 8] & (1 << (kc % 8))) down += std::to_string(kc) + " ";
    }
    return down;
  }

  int EmptyKeycodes() {
    XkbDescPtr xkb = XkbGetMap(dpy_, XkbKeySymsMask, XkbUseCoreKbd);
    int n = 0;
    for (int kc = xkb->min_key_code; kc <= xkb->max_key_code; ++kc) n += XkbKeyNumSyms(xkb, kc) == 0;
    XkbFreeKeyboard(xkb, 0, True);
    return n;
  }

  bool CapsLock() {
    XkbStateRec st{};
    XkbGetState(dpy_, XkbUseCoreKbd, &st);
    return (st.locked_mods & LockMask) != 0;
  }

  Display* display() { return dpy_; }

 private:
  Window Find(Window w) {
    char* name = nullptr;
    if (XFetchName(dpy_, w, &name) && name) {
      bool match = std::string(name) == "Target";
      XFree(name);
      if (match) return w;
    }
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    Window found = 0;
    if (XQueryTree(dpy_, w, &root, &parent, &children, &n)) {
      for (unsigned i = 0; i < n && !found; ++i) found = Find(children[i]);
      if (children) XFree(children);
    }
    return found;
  }
  bool Viewable(Window w) {
    XWindowAttributes a{};
    return XGetWindowAttributes(dpy_, w, &a) && a.map_state == IsViewable;
  }

  Display* dpy_ = nullptr;
  pid_t pid_ = -1;
  Window window_ = 0;
  std::string out_;
};

XtermTarget* g_target = nullptr;

class X11Typing : public ::testing::TestWithParam<const char*> {
 public:
  static void SetUpTestSuite() {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "the X11 tests need a display (scripts/lib.sh start_display)";
    g_target = new XtermTarget;
    ASSERT_TRUE(g_target->Start()) << "no xterm window appeared";
  }
  static void TearDownTestSuite() {
    if (g_target) g_target->Stop();
    delete g_target;
    g_target = nullptr;
    Shell("setxkbmap us");
  }

 protected:
  void SetUp() override {
    ASSERT_NE(g_target, nullptr);
    ASSERT_EQ(Shell(std::string("setxkbmap ") + GetParam()), 0);
    ASSERT_TRUE(g_target->Focus());
    emptyBefore_ = g_target->EmptyKeycodes();
    g_target->Clear();
  }

  // Types the notation and returns what the xterm read, once `expected`
  // bytes have arrived; afterwards no key is down and no spare is bound.
  std::string Type(const std::string& keys, std::size_t expected) {
    rt::x11::SendKeys(rt::FromUtf8(keys), true);
    std::string got = g_target->Received(expected);
    EXPECT_EQ(g_target->KeysDown(), "") << "keys left held after " << keys;
    EXPECT_EQ(g_target->EmptyKeycodes(), emptyBefore_) << "a spare keycode is still bound after " << keys;
    return got;
  }

  int emptyBefore_ = 0;
};

struct Case {
  const char* keys;  // the notation (UTF-8)
  const char* bytes; // what the terminal reads
};

// The notation and what a raw-mode xterm reads for it.
const Case kCorpus[] = {
    {"abcxyz ABCXYZ 0123456789", "abcxyz ABCXYZ 0123456789"},
    {"!@#$&*_=-[]\\;:'\",.<>/?|`", "!@#$&*_=-[]\\;:'\",.<>/?|`"},
    {"{{}{}}{+}{^}{%}{~}{(}{)}", "{}+^%~()"},
    {"a~b", "a\rb"},
    {"{ENTER}{TAB}", "\r\t"},
    {"^a", "\001"},
    {"%x", "\033x"},
    {"{F1}", "\033OP"},
    {"{LEFT}", "\033[D"},
    {"+{TAB}", "\033[Z"},
    {"+(abc)d", "ABCd"},
    {"{h 10}", "hhhhhhhhhh"},
    {"{BS}{ESC}", "\177\033"},
    // Characters outside the keymap with the script's Shift held and not:
    // the same character on the Shift level and off it.
    {"+(\xCE\xB1" "b)\xCE\xB1+\xCE\xB2\xCE\xB2", "\xCE\xB1" "B\xCE\xB1\xCE\xB2\xCE\xB2"},
};

TEST_P(X11Typing, TheNotationArrivesAsTheTerminalReadsIt) {
  for (const Case& c : kCorpus) {
    g_target->Clear();
    EXPECT_EQ(Type(c.keys, std::string(c.bytes).size()), c.bytes) << "keys: " << c.keys;
  }
}

TEST_P(X11Typing, EveryPrintableAsciiCharacter) {
  std::string keys, plain;
  for (char c = 0x20; c < 0x7F; ++c) {
    plain.push_back(c);
    if (std::string("+^%~(){}[]").find(c) != std::string::npos) keys += std::string("{") + c + "}";
    else keys.push_back(c);
  }
  EXPECT_EQ(Type(keys, plain.size()), plain);
}

// 72 characters in a row that the layout has no key for (some of them), so
// that the spare keycodes are rebound many times within one send.
TEST_P(X11Typing, CharactersOutsideTheKeymap) {
  std::string text;
  for (int i = 0; i < 8; ++i) text += "äöüß€✓→Ω😀";
  EXPECT_EQ(Type(text, text.size()), text);
}

// More different characters outside the keymap than there are spare
// keycodes: each spare is rebound while the text goes out.
TEST_P(X11Typing, MoreCharactersOutsideTheKeymapThanSpareKeys) {
  std::string text;
  for (int round = 0; round < 2; ++round) {
    for (char32_t cp = U'\u0430'; cp <= U'\u044F'; ++cp) text += rt::ToUtf8(rt::ustring(1, static_cast<char16_t>(cp)));
    for (char32_t cp = U'\u03B1'; cp <= U'\u03C9'; ++cp) text += rt::ToUtf8(rt::ustring(1, static_cast<char16_t>(cp)));
  }
  EXPECT_EQ(Type(text, text.size()), text);
}

TEST_P(X11Typing, CapsLockOnBeforehand) {
  ASSERT_EQ(Shell("xdotool key Caps_Lock"), 0);
  ASSERT_TRUE(WaitFor([] { return g_target->CapsLock(); }));
  std::string got = Type("Hello World ä", 14);
  bool capsAfter = g_target->CapsLock();
  if (capsAfter) Shell("xdotool key Caps_Lock");
  EXPECT_EQ(got, "Hello World ä");
  EXPECT_TRUE(capsAfter) << "Caps Lock was not switched on again";
}

// Another client holds Shift down through XTest: the text still arrives as
// written, and the Shift is released, not pressed again.
TEST_P(X11Typing, ShiftHeldByAnotherClient) {
  Display* dpy = g_target->display();
  int shift = XKeysymToKeycode(dpy, XK_Shift_L);
  XTestFakeKeyEvent(dpy, static_cast<unsigned>(shift), True, CurrentTime);
  XSync(dpy, False);
  ASSERT_NE(g_target->KeysDown(), "");
  EXPECT_EQ(Type("abc Abc", 7), "abc Abc");
}

TEST_P(X11Typing, FiveThousandRandomCharactersNoneLost) {
  std::mt19937 random(20261207);
  std::uniform_int_distribution<int> printable(0x20, 0x7E);
  std::string keys, plain;
  for (int i = 0; i < 5000; ++i) {
    char c = static_cast<char>(printable(random));
    plain.push_back(c);
    if (std::string("+^%~(){}[]").find(c) != std::string::npos) keys += std::string("{") + c + "}";
    else keys.push_back(c);
  }
  std::string got = Type(keys, plain.size());
  EXPECT_TRUE(got == plain) << Difference(plain, got);
}

// The terminal stops reading for a moment just as the last keys reach it:
// the characters outside the keymap among them still arrive, since their
// keycodes are cleared only once it has read them.
TEST_P(X11Typing, ATargetThatStallsAtTheEndStillGetsTheCharactersOutsideTheKeymap) {
  const std::string text = "ab\u2713\u2192\u03A9c\u2713";
  g_target->Stall();
  std::thread resume([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    g_target->Resume();
  });
  rt::x11::SendKeys(rt::FromUtf8(text), true);
  resume.join();
  std::string got = g_target->Received(text.size());
  EXPECT_TRUE(got == text) << Difference(text, got);
  EXPECT_EQ(g_target->EmptyKeycodes(), emptyBefore_);
}

INSTANTIATE_TEST_SUITE_P(Layouts, X11Typing, ::testing::Values("us", "de", "fr"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
