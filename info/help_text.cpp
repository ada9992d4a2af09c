// The help text shown by the help window.
#include <string>

#include "info/form2.h"

namespace strumlet {

namespace {

struct KeyRow {
  const char16_t* name;
  int blanks;
  const char16_t* code;
};

constexpr KeyRow kKeyRows[] = {
    {u"BACKSPACE", 2, u"{BACKSPACE}, {BS}, or {BKSP}"},
    {u"BREAK", 8, u"{BREAK}"},
    {u"CAPS LOCK", 4, u"{CAPSLOCK}"},
    {u"DEL or DELETE", 4, u"{DELETE} or {DEL}"},
    {u"DOWN ARROW", 3, u"{DOWN}"},
    {u"END", 6, u"{END}"},
    {u"ENTER", 8, u"{ENTER} or ~"},
    {u"ESC", 6, u"{ESC}"},
    {u"HELP", 5, u"{HELP}"},
    {u"HOME", 5, u"{HOME}"},
    {u"INS or INSERT", 4, u"{INSERT} or {INS}"},
    {u"LEFT ARROW", 3, u"{LEFT}"},
    {u"NUM LOCK", 1, u"{NUMLOCK}"},
    {u"PAGE DOWN", 4, u"{PGDN}"},
    {u"PAGE UP", 6, u"{PGUP}"},
    {u"PRINT SCREEN", 1, u"{PRTSC}"},
    {u"RIGHT ARROW", 2, u"{RIGHT}"},
    {u"SCROLL LOCK", 2, u"{SCROLLLOCK}"},
    {u"TAB", 6, u"{TAB}"},
    {u"UP ARROW", 1, u"{UP}"},
};

constexpr const char16_t* kBefore[] = {
    u"You can use command line arguments eg: ",
    u"strumlet /WindowName /KeysToSend /SecondsToWaitBeforeSending /loop|once|persist /notarget",
    u"Add /loop to repeatedly send keystrokes after specified seconds.",
    u"Add /once to send keystrokes and quit (default)",
    u"Add /persist to loop until the window is found.",
    u"You can omit arguments from right to left. Omitting seconds defaults to the minimum 2 seconds.",
    u"Add {n} in the string of keystrokes where n is seconds to wait before sending the next set of keys.",
    u"If used in a batch file or from DOS prompt use %% instead of % to send the ALT key",
    u"Pressing ESC when Strumlet window is active pauses the timer, F1 resumes, Shift-Esc quits program",
    u"",
    u"Examples:",
    u"Strumlet.exe /window-caption /keys to send /5 /loop /notarget",
    u"Strumlet.exe /window-caption /keys to send /5 /once /notarget",
    u"Strumlet.exe /window-caption /keys {4}to {2}send /5 /loop",
    u"Strumlet.exe /window-caption /keys to send /5 /once",
    u"Strumlet.exe /window-caption /keys to send /5",
    u"",
    u"Keys:",
};

constexpr const char16_t* kAfter[] = {
    u"",
    u"To specify keys combined with SHIFT, CTRL or ALT, write one or more of the ",
    u"modifier codes below directly before the key code:",
    u"",
    u"Key  Code",
    u"SHIFT    +",
    u"CTRL     ^",
    u"ALT  %",
    u"",
    u"To specify that any combination of modifiers stays held while several keys ",
    u"are typed, put the codes of those keys in parentheses after the modifier ",
    u"codes: \"+(ab)\" types A and B with SHIFT held for both. Without parentheses a ",
    u"modifier applies to the first key only: \"+ab\" types A, then b. To repeat a ",
    u"key, write its code and a count inside one pair of braces, separated by one ",
    u"blank: {LEFT 42} presses the LEFT ARROW key 42 times, and {h 10} types the ",
    u"letter h ten times.",
    u"",
    u"Note   You can't use SendKeys to send keystrokes to a program that was not ",
    u"designed to run under Windows, and the PRINT SCREEN key cannot be sent to any ",
    u"program.",
    u"",
    u"Key codes as documented for the SendKeys notation of Windows.",
};

void AddLine(rt::ustring& text, rt::ustring_view line) {
  text += line;
  text += u"\r\n";
}

}  // namespace

rt::ustring HelpText() {
  rt::ustring text;
  for (const char16_t* line : kBefore) AddLine(text, line);
  for (const KeyRow& row : kKeyRows) {
    AddLine(text, rt::ustring(row.name) + rt::ustring(static_cast<std::size_t>(row.blanks), u' ') + row.code);
  }
  for (int f = 1; f <= 16; ++f) {
    rt::ustring number = rt::DecimalText(f);
    rt::ustring blanks(f < 10 ? 7 : 6, u' ');
    AddLine(text, u"F" + number + blanks + u"{F" + number + u"}");
  }
  for (const char16_t* line : kAfter) AddLine(text, line);
  return text;
}

}  // namespace strumlet
