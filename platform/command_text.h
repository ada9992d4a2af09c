// The argument text: what follows the program's own path on its command line.
#pragma once

#include "platform/text.h"

namespace rt {

// The argument text of a whole command line as the system hands it over
// (the program's path first). The path is either quoted, up to the next
// '"', or runs up to the first blank or tab. Exactly one blank or tab right
// after the path is the separator and is dropped; every further blank or tab
// belongs to the arguments, so "strumlet  /a" gives " /a". Blanks or tabs
// before the path are skipped. An empty result means no arguments.
ustring ArgumentText(ustring_view commandLine);

// The argument text of a program started with separate arguments (as a POSIX
// system starts it): the arguments after the program's own name, joined with
// single blanks, so that `strumlet /a /b` and `strumlet '/a /b'` read alike.
// The arguments are UTF-8.
ustring JoinedArguments(int argc, const char* const* argv);

// A word as a POSIX shell reads it back unchanged: in single quotes, each
// "'" written as '\''. `ShellWord` leaves a word of only letters, digits and
// "/._-+,:@" as it is, and quotes any other.
ustring ShellQuoted(ustring_view text);
ustring ShellWord(ustring_view text);

}  // namespace rt
