#include "mainwin/composer.h"

#include "mainwin/form1.h"
#include "platform/command_text.h"

namespace strumlet {

rt::ustring ComposeCommandLine(const ComposerSettings& s) {
  rt::ustring arguments = u"/";
  arguments += s.caption;
  arguments += u" /";
  arguments += s.keys;
  arguments += u" /";
  arguments += s.interval;
  if (s.loop) arguments += u" /loop";
  if (s.persist) arguments += u" /persist";
  if (s.noTarget) arguments += u" /notarget";
  if (s.shellCommandLine) return rt::ShellWord(s.folder + u"/" + s.exeName) + u" " + rt::ShellQuoted(arguments);
  return s.folder + u"\\" + s.exeName + u".exe " + arguments;
}

rt::ustring ComposerMessage(const rt::ustring& commandLine) {
  rt::ustring message = commandLine;
  message += u"\r\nCopied to clipboard";
  message += u"\r\nRemember! If you put the command line in a batch file (%) must be doubled (%%)";
  return message;
}

// "Make Command Line": the current settings as a command line, shown first,
// then put on the clipboard.
void Form1::Command6_Click() {
  const rt::AppInfo& info = Application().Info();
  ComposerSettings settings;
  settings.folder = info.folder;
  settings.exeName = info.exeName;
  settings.caption = Text1.Text();
  settings.keys = Text2.Text();
  settings.interval = Text3.Text();
  settings.loop = mLoop.Value();
  settings.persist = mPersist.Value();
  settings.noTarget = Check1.Value() == 1;
  settings.shellCommandLine = info.shellCommandLine;
  rt::ustring line = ComposeCommandLine(settings);

  Application().MsgBox(ComposerMessage(line));
  if (!Application().Os().SetClipboardText(line)) {
    // Never leave "Copied to clipboard" as the last word when it was not.
    Application().MsgBox(u"The command line could not be copied: another program is holding the clipboard. Please try again.");
  }
}


}  // namespace strumlet
