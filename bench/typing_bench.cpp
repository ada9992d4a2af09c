// Types the same 5,000-character mixed text into Wine's (or Windows')
// Notepad twice: through the program's typing engine, and through a plain
// loop that makes one SendInput call per character with no pacing. Prints
// characters per second for both, their ratio, and how many characters were
// lost (the text Notepad ends up with, compared with what was sent), and how
// many characters of the engine's send were still on their way when it
// returned (goal 0). Then a send with a pause mark, as the countdown makes
// it (a piece, a two-second sleep, one more key): the pause measured from the
// piece's last character in Notepad to the next one (goal: within 100 ms of
// 2000 ms).
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>
#include <algorithm>
#include <atomic>

#include "platform/win32/system.h"

namespace {

using Clock = std::chrono::steady_clock;

std::wstring TextOf(HWND window) {
  DWORD_PTR length = 0;
  SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000, &copied);
  text.resize(copied);
  return text;
}

// Mixed text without the notation's special characters, so that both ways
// type the same characters: letters of both cases, digits, punctuation,
// blanks and a few letters outside ASCII.
std::wstring MixedText(std::size_t length) {
  const std::wstring words[] = {L"Strumlet", L"types", L"keys", L"12345", L"quick,", L"BROWN", L"fox;", L"jumps:",
                                L"d\u00e9j\u00e0", L"na\u00efve", L"over", L"lazy.", L"dogs!", L"?", L"<ok>", L"@home"};
  std::wstring text;
  std::size_t i = 0;
  while (text.size() < length) {
    text += words[i++ % (sizeof(words) / sizeof(words[0]))];
    text += L' ';
  }
  text.resize(length);
  return text;
}

// Waits until the box holds `expected` or its text stops changing for 3 s.
// Returns the seconds from `start` to the last change.
double WaitSettled(HWND edit, const std::wstring& expected, Clock::time_point start) {
  std::wstring last = TextOf(edit);
  auto lastChange = Clock::now();
  while (last != expected && Clock::now() - lastChange < std::chrono::seconds(3)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::wstring now = TextOf(edit);
    if (now != last) {
      last = now;
      lastChange = Clock::now();
    }
  }
  return std::chrono::duration<double>(lastChange - start).count();
}

std::size_t Lost(const std::wstring& sent, const std::wstring& got) {
  // Characters missing, by a longest-common-subsequence count on the two
  // texts (they differ only by dropped characters).
  std::vector<std::size_t> prev(got.size() + 1, 0), cur(got.size() + 1, 0);
  for (std::size_t i = 1; i <= sent.size(); ++i) {
    for (std::size_t j = 1; j <= got.size(); ++j) {
      cur[j] = sent[i - 1] == got[j - 1] ? prev[j - 1] + 1 : std::max(prev[j], cur[j - 1]);
    }
    std::swap(prev, cur);
  }
  return sent.size() - prev[got.size()];
}

void PlainLoop(const std::wstring& text) {
  HKL layout = GetKeyboardLayout(GetWindowThreadProcessId(GetForegroundWindow(), nullptr));
  for (wchar_t ch : text) {
    INPUT in[6] = {};
    UINT n = 0;
    SHORT scan = VkKeyScanExW(ch, layout);
    if (scan == -1) {
      in[n].type = INPUT_KEYBOARD;
      in[n].ki.wScan = ch;
      in[n++].ki.dwFlags = KEYEVENTF_UNICODE;
      in[n] = in[n - 1];
      in[n++].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    } else {
      bool shift = (scan & 0x100) != 0;
      auto key = [&](WORD vk, bool up) {
        in[n].type = INPUT_KEYBOARD;
        in[n].ki.wVk = vk;
        in[n++].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
      };
      if (shift) key(VK_SHIFT, false);
      key(static_cast<WORD>(scan & 0xFF), false);
      key(static_cast<WORD>(scan & 0xFF), true);
      if (shift) key(VK_SHIFT, true);
    }
    SendInput(n, in, sizeof(INPUT));
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::size_t length = argc > 1 ? static_cast<std::size_t>(_wtoi(argv[1])) : 5000;
  wchar_t commandLine[] = L"notepad.exe";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION notepad{};
  if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &notepad)) return 1;
  HWND window = nullptr;
  for (int i = 0; i < 1000 && !window; ++i) {
    window = FindWindowW(nullptr, L"Untitled - Notepad");
    if (!window) Sleep(20);
  }
  HWND edit = window ? FindWindowExW(window, nullptr, L"Edit", nullptr) : nullptr;
  if (!edit) return 1;

  rt::win32::Win32System system;
  const std::wstring text = MixedText(length);
  const rt::ustring keys(text.begin(), text.end());

  struct Result {
    double seconds;
    std::size_t lost;
  } results[2];
  std::size_t inFlight = 0;
  for (int way = 0; way < 2; ++way) {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    system.AppActivate(u"Untitled - Notepad");
    Sleep(300);
    auto start = Clock::now();
    if (way == 0) {
      system.SendKeys(keys, true);
      std::size_t arrived = TextOf(edit).size();
      inFlight = arrived < text.size() ? text.size() - arrived : 0;
    } else {
      PlainLoop(text);
    }
    double seconds = WaitSettled(edit, text, start);
    results[way] = {seconds, Lost(text, TextOf(edit))};
  }
  // The pause: a watcher thread notes when the piece is complete and when
  // the next key arrives.
  const std::wstring piece = MixedText(300);
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  system.AppActivate(u"Untitled - Notepad");
  Sleep(300);
  std::atomic<bool> done{false};
  Clock::time_point pieceArrived{}, nextArrived{};
  std::thread watcher([&] {
    while (!done) {
      std::wstring now = TextOf(edit);
      if (now.size() >= piece.size() && pieceArrived == Clock::time_point{}) pieceArrived = Clock::now();
      if (now.size() > piece.size()) {
        nextArrived = Clock::now();
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  system.SendKeys(rt::ustring(piece.begin(), piece.end()), true);
  rt::Pause(system.Time(), 2000);
  system.SendKeys(u"Z", true);
  auto limit = Clock::now() + std::chrono::seconds(30);
  while (nextArrived == Clock::time_point{} && Clock::now() < limit) Sleep(10);
  done = true;
  watcher.join();
  double pauseMs = nextArrived == Clock::time_point{}
                       ? -1.0
                       : std::chrono::duration<double, std::milli>(nextArrived - pieceArrived).count();

  TerminateProcess(notepad.hProcess, 0);
  CloseHandle(notepad.hProcess);
  CloseHandle(notepad.hThread);

  double engineRate = static_cast<double>(length - results[0].lost) / results[0].seconds;
  double plainRate = static_cast<double>(length - results[1].lost) / results[1].seconds;
  std::printf("typing %zu characters into Notepad\n", length);
  std::printf("  engine:     %8.1f chars/s  %6.2f s  lost %zu\n", engineRate, results[0].seconds, results[0].lost);
  std::printf("  plain loop: %8.1f chars/s  %6.2f s  lost %zu\n", plainRate, results[1].seconds, results[1].lost);
  std::printf("  engine / plain loop rate: %.2f\n", engineRate / plainRate);
  std::printf("  characters still on their way when the engine's send returned: %zu\n", inFlight);
  std::printf("pause mark {2} after a 300-character piece: %.0f ms from its last character to the next (mark 2000 ms)\n",
              pauseMs);
  return 0;
}
