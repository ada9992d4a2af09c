#include <gtest/gtest.h>

#include <vector>

#include "platform/command_text.h"
#include "runner/command_line.h"
#include "test_support.h"

namespace {

using strumlet::Arguments;
using strumlet::ReadArguments;
using strumlet::RunMode;
using strumlet::testing::U;

struct ArgsCase {
  const char* argumentText;  // what follows the program's path
  const char* caption;
  const char* keys;
  const char* interval;
  RunMode mode;
  bool noTarget;
};

TEST(ReadArguments, ReadsEveryDocumentedForm) {
  const ArgsCase cases[] = {
      // The help window's examples.
      {"/window-caption /keys to send /5 /loop /notarget", "window-caption", "keys to send", "5 ", RunMode::Loop, true},
      {"/window-caption /keys to send /5 /once /notarget", "window-caption", "keys to send", "5 ", RunMode::Once, true},
      {"/window-caption /keys {4}to {2}send /5 /loop", "window-caption", "keys {4}to {2}send", "5 ", RunMode::Loop, false},
      {"/window-caption /keys to send /5 /once", "window-caption", "keys to send", "5 ", RunMode::Once, false},
      {"/window-caption /keys to send /5", "window-caption", "keys to send", "5", RunMode::Once, false},
      // Fields left out from the right.
      {"/Untitled - Notepad/hello~", "Untitled - Notepad", "hello~", "2", RunMode::Once, false},
      {"/Calculator", "Calculator", "", "2", RunMode::Once, false},
      {"/Notepad/~/5/notarget", "Notepad", "~", "5", RunMode::Once, true},
      // The first character is dropped whatever it is.
      {"Notepad/~/5", "otepad", "~", "5", RunMode::Once, false},
      {"/", "", "", "2", RunMode::Once, false},
      // A trailing "/" opens an empty field.
      {"/a/b/5/", "a", "b", "5", RunMode::Once, false},
      {"/a/b/", "a", "b", "", RunMode::Once, false},
      {"/a//5", "a", "", "5", RunMode::Once, false},
      // Field 5: any character sets no-target; an empty one does not.
      {"/a/b/5/loop/", "a", "b", "5", RunMode::Loop, false},
      {"/a/b/5/loop/x", "a", "b", "5", RunMode::Loop, true},
      {"/a/b/5/loop/ ", "a", "b", "5", RunMode::Loop, true},
      // Mode words: any case, as substrings, a later word winning.
      {"/a/b/5/loopy", "a", "b", "5", RunMode::Loop, false},
      {"/a/b/5/Persistent", "a", "b", "5", RunMode::Persist, false},
      {"/a/b/5/once-loop", "a", "b", "5", RunMode::Once, false},
      {"/a/b/5/LOOP persist once", "a", "b", "5", RunMode::Persist, false},
      {"/a/b/5/lo op", "a", "b", "5", RunMode::Once, false},
      // Only field 4 holds mode words; field 6 and beyond are ignored.
      {"/a/b/5//loop", "a", "b", "5", RunMode::Once, true},
      {"/a/b/5/loop//persist", "a", "b", "5", RunMode::Loop, false},
      // Captions and scripts are trimmed; the interval is not.
      {"/  a b  /  {TAB}  / 7 ", "a b", "{TAB}", " 7 ", RunMode::Once, false},
      // Characters outside any code page pass through unchanged.
      {"/\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80/\xC3\xA9~/3", "\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80",
       "\xC3\xA9~", "3", RunMode::Once, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.argumentText);
    Arguments a = ReadArguments(U(c.argumentText));
    EXPECT_EQ(a.caption, U(c.caption));
    EXPECT_EQ(a.keys, U(c.keys));
    EXPECT_EQ(a.interval, U(c.interval));
    EXPECT_EQ(a.mode, c.mode);
    EXPECT_EQ(a.noTarget, c.noTarget);
  }
}

TEST(ReadArguments, ThousandsOfSlashesEndInLaterFields) {
  rt::ustring text = u"/cap/keys/9/loop/x" + rt::ustring(5000, u'/') + u"tail";
  Arguments a = ReadArguments(text);
  EXPECT_EQ(a.caption, u"cap");
  EXPECT_EQ(a.interval, u"9");
  EXPECT_EQ(a.mode, RunMode::Loop);
  EXPECT_TRUE(a.noTarget);
}

// The argument text of a whole command line: one blank or tab after the
// program's path separates it from the arguments; any further ones are part
// of them.
TEST(ArgumentText, DropsOnlyTheOneSeparatorAfterThePath) {
  const struct {
    const char* commandLine;
    const char* argumentText;
  } cases[] = {
      {"\"C:\\Program Files\\Strumlet\\strumlet.exe\" /Notepad/~/5", "/Notepad/~/5"},
      {"\"C:\\Program Files\\Strumlet\\strumlet.exe\"", ""},
      {"\"C:\\Program Files\\Strumlet\\strumlet.exe\"/a", "/a"},
      {"\"C:\\Program Files\\Strumlet\\strumlet.exe\"  /a", " /a"},
      {"\"C:\\a b\\strumlet.exe", ""},  // a quote never closed: all of it is the path
      {"C:\\Tools\\strumlet.exe /Notepad/~/5", "/Notepad/~/5"},
      {"strumlet /a /b c /5 ", "/a /b c /5 "},
      {"strumlet.exe", ""},
      {"strumlet.exe  /a", " /a"},
      {"strumlet.exe    /a", "   /a"},
      {"strumlet.exe\t/a", "/a"},
      {"strumlet.exe\t\t/a", "\t/a"},
      {"strumlet.exe \t/a", "\t/a"},
      {"strumlet.exe ", ""},
      {"strumlet.exe  ", " "},
      {"strumlet.exe     ", "    "},
      {"   ", ""},
      {"", ""},
      {"  strumlet.exe /a", "/a"},
      {"strumlet.exe /a  ", "/a  "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.commandLine);
    EXPECT_EQ(rt::ArgumentText(U(c.commandLine)), U(c.argumentText));
  }
}

// The whole way from the command line to the settings: the blank kept after
// the separator is the first character, the one the reader drops.
TEST(ArgumentText, ExtraBlanksReachTheReader) {
  const struct {
    const char* commandLine;
    const char* caption;
    const char* keys;
    const char* interval;
  } cases[] = {
      {"strumlet.exe /Notepad/~/5", "Notepad", "~", "5"},
      {"strumlet.exe  /Notepad/~/5", "", "Notepad", "~"},
      {"strumlet.exe\t /Notepad/~/5", "", "Notepad", "~"},
      {"strumlet.exe  Notepad/~/5", "Notepad", "~", "5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.commandLine);
    Arguments a = ReadArguments(rt::ArgumentText(U(c.commandLine)));
    EXPECT_EQ(a.caption, U(c.caption));
    EXPECT_EQ(a.keys, U(c.keys));
    EXPECT_EQ(a.interval, U(c.interval));
  }
}

}  // namespace

namespace {

// Started with separate arguments, the program reads them joined with single
// blanks: split by a shell or quoted as one, the settings are the same.
TEST(JoinedArguments, ReadLikeOneArgumentText) {
  const struct {
    std::vector<const char*> argv;
    const char* argumentText;
  } cases[] = {
      {{"strumlet"}, ""},
      {{"strumlet", "/Untitled - Text Editor/hello{2}world~/5/loop"}, "/Untitled - Text Editor/hello{2}world~/5/loop"},
      {{"strumlet", "/Untitled", "-", "Text", "Editor/hello{2}world~/5/loop"},
       "/Untitled - Text Editor/hello{2}world~/5/loop"},
      {{"strumlet", "/a  b", "/c"}, "/a  b /c"},
      {{"strumlet", "", "/x"}, " /x"},
      {{"strumlet", "/caf\xC3\xA9"}, "/caf\xC3\xA9"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(rt::JoinedArguments(static_cast<int>(c.argv.size()), c.argv.data()), U(c.argumentText)) << c.argumentText;
  }
  const char* split[] = {"strumlet", "/Untitled", "-", "Text", "Editor", "/hello{2}world~", "/5", "/loop"};
  Arguments a = ReadArguments(rt::JoinedArguments(8, split));
  EXPECT_EQ(a.caption, u"Untitled - Text Editor");
  EXPECT_EQ(a.keys, u"hello{2}world~");
  EXPECT_EQ(a.mode, RunMode::Loop);
}

}  // namespace
