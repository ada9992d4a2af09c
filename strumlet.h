// The program as a whole: the main window on top of a platform.
#pragma once

#include "mainwin/form1.h"
#include "platform/app.h"

namespace strumlet {

class Program {
 public:
  explicit Program(rt::App& app);
  // Loads the main window (start-up) and shows it.
  void Start();
  Form1& Main() { return form1_; }
  // The exit code for the process, once no window is left.
  int ExitCode() const;

 private:
  rt::App& app_;
  Form1 form1_;
};

}  // namespace strumlet
