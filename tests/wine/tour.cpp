// strumlet_tour.exe ARGUMENTS: the screenshot tour of scripts/run.sh. It
// starts strumlet.exe (beside it) with the argument text and opens the
// help, window-list and About windows by clicking their buttons, found by
// their ids through the end-to-end driver. After each window has opened it
// prints a line "<picture name> <window caption>" and waits for a line on
// standard input (the picture taken); then it closes the program with
// Shift+Esc and ends with the program's exit code.
#include <cstdio>
#include <iostream>
#include <string>

#include "../e2e/program_under_test.h"
#include "mainwin/form1_ids.h"

int main(int argc, char** argv) {
  using namespace strumlet::e2e;
  namespace ids = strumlet::form1_ids;
  if (argc != 2) {
    std::fprintf(stderr, "usage: strumlet_tour.exe ARGUMENTS\n");
    return 2;
  }
  auto desktop = MakeDesktop();
  auto program = desktop->Start({argv[1]});
  WindowId main = program->AwaitMain();
  if (main == 0) {
    std::fprintf(stderr, "strumlet_tour: the main window did not open\n");
    return 1;
  }
  const struct {
    int button;
    const char* caption;
    const char* picture;
  } steps[] = {
      {ids::kCommand3, "Help", "help-window"},
      {ids::kCommand7, "Window list", "window-list"},
      {ids::kCommand5, "About Strumlet", "about-window"},
  };
  for (const auto& step : steps) {
    if (!program->Click(main, step.button) || program->AwaitWindow(step.caption) == 0) {
      std::fprintf(stderr, "strumlet_tour: the window \"%s\" did not open\n", step.caption);
      continue;
    }
    std::printf("%s %s\n", step.picture, step.caption);
    std::fflush(stdout);
    std::string taken;
    std::getline(std::cin, taken);
  }
  program->Key(main, {"Escape", {"Shift"}});
  return program->WaitExit();
}
