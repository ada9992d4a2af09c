#include "strumlet.h"

#include "platform/entry.h"

namespace strumlet {

Program::Program(rt::App& app) : app_(app), form1_(app) {}

void Program::Start() { form1_.Show(); }

int Program::ExitCode() const { return app_.ExitCode(); }

}  // namespace strumlet

int rt::RunProgram(App& app, const std::function<void()>& messageLoop) {
  strumlet::Program program(app);
  program.Start();
  messageLoop();
  return program.ExitCode();
}
