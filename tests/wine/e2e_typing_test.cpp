// What the real program types into real programs: Notepad and a console,
// read back the moment the program has ended. The test command runs these
// under several X keyboard layouts (STRUMLET_LAYOUT names the one in force).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "mainwin/form1_ids.h"
#include "program_driver.h"

namespace {

using namespace strumlet::wine;

std::string Layout() {
  const char* layout = std::getenv("STRUMLET_LAYOUT");
  return layout ? layout : "us";
}

TEST(RealTyping, TheLayoutNamedIsTheOneInForce) {
  // The keys under Q and Y of a US keyboard tell the three layouts apart.
  UINT q = MapVirtualKeyW(0x10, MAPVK_VSC_TO_VK), y = MapVirtualKeyW(0x15, MAPVK_VSC_TO_VK);
  std::string layout = Layout();
  if (layout == "de") {
    EXPECT_EQ(q, 'Q');
    EXPECT_EQ(y, 'Z');
  } else if (layout == "fr") {
    EXPECT_EQ(q, 'A');
    EXPECT_EQ(y, 'Y');
  } else {
    EXPECT_EQ(q, 'Q');
    EXPECT_EQ(y, 'Y');
  }
}

TEST(RealTyping, APauseStartsWhenThePieceHasArrived) {
  SCOPED_TRACE("X layout " + Layout());
  Notepad notepad;
  ASSERT_TRUE(notepad.Ready());
  std::wstring piece;
  for (int i = 0; i < 400; ++i) piece += static_cast<wchar_t>(L'a' + i % 26);
  Program program(L"/Untitled - Notepad/" + piece + L"{2}Z/2");
  // What a poll sees was true at some moment during the poll. The pause is
  // at most the time from the start of the last poll that saw the piece
  // incomplete to the end of the first poll that saw the Z: a slow poll on a
  // busy machine makes this longer, never shorter.
  using Clock = std::chrono::steady_clock;
  Clock::time_point lastIncomplete = Clock::now();
  Clock::time_point zSeen{};
  bool ended = false;  // the program ended before the text was complete
  ASSERT_TRUE(WaitFor([&] {
    Clock::time_point start = Clock::now();
    std::wstring text = notepad.Text();
    if (text.size() < piece.size()) lastIncomplete = start;
    if (text != piece + L"Z") {
      // Once the program has ended, nothing more is coming (read once more
      // after that, for keys still on their way).
      ended = !program.Running() && notepad.Text() != piece + L"Z";
      return ended;
    }
    zSeen = Clock::now();
    return true;
  }, 120s) && !ended) << "Notepad holds " << testing::PrintToString(notepad.Text()) << "; the program "
                      << (ended ? "ended with exit code " + std::to_string(program.WaitExit(0ms)) : std::string("still runs"))
                      << "; the foreground window is " << testing::PrintToString(TextOf(GetForegroundWindow()));
  auto pause = std::chrono::duration_cast<std::chrono::milliseconds>(zSeen - lastIncomplete);
  EXPECT_GE(pause.count(), 1900) << "the two seconds count from the piece's last key";
  EXPECT_EQ(program.WaitExit(), 0);
}

TEST(RealTyping, AConsoleGetsACommandThatNeedsShiftedKeysAndAltGr) {
  SCOPED_TRACE("X layout " + Layout());
  std::wstring file = TestFolder() + L"\\console_out.txt";
  DeleteFileW(file.c_str());
  Console console(L"Strumlet console test");
  ASSERT_NE(console.Window(), nullptr) << "the console window did not open";
  // A console reads keys and drops characters that come without one: the
  // characters that need AltGr on German and French keyboards ([]{}@#) too
  // must come as what its keys make.
  Program program(L"/Strumlet console test/echo hello {(}x{)} {[}y{]} {{}z{}} @#$=-_.,;:!?'*{%}>console_out.txt~/2");
  EXPECT_EQ(program.WaitExit(), 0);
  std::string content;
  ASSERT_TRUE(WaitFor([&] {
    content = FileContent(file);
    return content.find('\n') != std::string::npos;
  }, 45s)) << "no file; it holds: " << content;
  EXPECT_EQ(content, "hello (x) [y] {z} @#$=-_.,;:!?'*%\r\n");
  DeleteFileW(file.c_str());
}

}  // namespace

namespace {

using namespace strumlet::wine;
namespace ids = strumlet::form1_ids;

TEST(RealTyping, AMessageFromAnotherProgramWaitsUntilTheSendIsOver) {
  Notepad notepad;
  ASSERT_TRUE(notepad.Ready());
  std::wstring piece;
  for (int i = 0; i < 400; ++i) piece += static_cast<wchar_t>(L'a' + i % 26);
  Program program(L"/Untitled - Notepad/" + piece + L"/60/loop");
  HWND main = program.MainWindow();
  ASSERT_NE(main, nullptr);
  Click(program.Control(main, ids::kSendNow));
  ASSERT_TRUE(WaitFor([&] { return !notepad.Text().empty(); }, 60s));
  // A close sent by another program in the middle of the send is not
  // handled there (the sender gives up waiting): the send goes on to its end.
  DWORD_PTR result = 0;
  LRESULT answered = SendMessageTimeoutW(main, WM_CLOSE, 0, 0, SMTO_NORMAL, 300, &result);
  std::wstring atAnswer = notepad.Text();
  EXPECT_LT(atAnswer.size(), piece.size()) << "the close came during the send";
  EXPECT_EQ(answered, 0) << "handled during the send, with " << atAnswer.size() << " characters typed";
  EXPECT_TRUE(notepad.WaitText(piece, 60s)) << testing::PrintToString(notepad.Text());
  EXPECT_TRUE(program.Running());
  EXPECT_EQ(program.Close(main), 0);
}

}  // namespace

namespace {

using namespace strumlet::wine;

TEST(RealTyping, CapsLockIsOnAgainForTheNextProgramsKeys) {
  SCOPED_TRACE("X layout " + Layout());
  Notepad notepad;
  ASSERT_TRUE(notepad.Ready());
  CapsLockOn caps(notepad);
  ASSERT_TRUE(caps.On()) << "Caps Lock did not go on: " << testing::PrintToString(notepad.Text()) << ", probes "
                         << testing::PrintToString(caps.History());
  Program program(L"/Untitled - Notepad/Hello World +a 12/2");
  EXPECT_EQ(program.WaitExit(), 0);
  EXPECT_EQ(notepad.Text(), L"AHello World A 12") << "the text as written";
  std::wstring probes;
  EXPECT_TRUE(TypesCapitals(notepad, 30s, probes)) << "Caps Lock on again afterwards: probes "
                                                   << testing::PrintToString(probes) << ", set-up probes "
                                                   << testing::PrintToString(caps.History());
}

}  // namespace

namespace {

using namespace strumlet::wine;

// Holds a program's thread still: keys sent to it meanwhile wait in its
// queue, to be read all at once when it is let go.
class HeldThread {
 public:
  explicit HeldThread(HWND window)
      : thread_(OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(window, nullptr))) {
    if (thread_ && SuspendThread(thread_) == static_cast<DWORD>(-1)) {
      CloseHandle(thread_);
      thread_ = nullptr;
    }
  }
  ~HeldThread() {
    if (!thread_) return;
    ResumeThread(thread_);
    CloseHandle(thread_);
  }
  HeldThread(const HeldThread&) = delete;
  HeldThread& operator=(const HeldThread&) = delete;

  bool Holding() const { return thread_ != nullptr; }

 private:
  HANDLE thread_;
};

// The same on the failure path: another window takes the foreground in the
// middle of a send. At most the chunk that went out as it did strays into
// it, the run ends as a failure, and Caps Lock is on again. That window's
// program is held while the program ends, so that it reads the switch of
// Caps Lock back as one press and release (under Wine that once left it
// typing small letters, its view of the lock behind the desktop's).
TEST(RealTyping, AWindowThatTakesTheFocusMidSendGetsAtMostAChunk) {
  SCOPED_TRACE("X layout " + Layout());
  Notepad target;
  Notepad other;
  ASSERT_TRUE(target.Ready() && other.Ready());
  ASSERT_TRUE(SetWindowTextW(target.Window(), L"Focus target - Notepad"));
  CapsLockOn caps(other);
  ASSERT_TRUE(caps.On()) << "probes " << testing::PrintToString(caps.History());
  const std::size_t before = other.Text().size();
  std::wstring piece;
  for (int i = 0; i < 3000; ++i) piece += static_cast<wchar_t>(L'a' + i % 26);
  Program program(L"/Focus target - Notepad/" + piece + L"/2");
  ASSERT_TRUE(WaitFor([&] { return target.Text().size() >= 20; }, 60s)) << "the send did not begin";
  ASSERT_TRUE(Foreground(other.Window()));
  {
    HeldThread held(other.Window());
    ASSERT_TRUE(held.Holding());
    EXPECT_EQ(program.WaitExit(), 1) << "a failed send: Window not found!";
  }
  EXPECT_LT(target.Text().size(), piece.size());
  std::wstring probes;
  const bool capitals = TypesCapitals(other, 30s, probes);
  EXPECT_TRUE(capitals) << "Caps Lock on again: probes " << testing::PrintToString(probes) << ", set-up probes "
                        << testing::PrintToString(caps.History());
  // The probe's capital came after whatever strayed, so Notepad has read
  // all of that by now; the capital itself is no stray.
  std::wstring stray = other.Text().substr(before);
  if (capitals && !stray.empty() && stray.back() == L'A') stray.pop_back();
  EXPECT_LE(stray.size(), 40u) << testing::PrintToString(stray);
}

}  // namespace
