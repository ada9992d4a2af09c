#include "strumlet.h"

namespace strumlet {

Program::Program(rt::App& app) : app_(app), form1_(app) {}

void Program::Start() { form1_.Show(); }

int Program::ExitCode() const { return app_.ExitCode(); }

}  // namespace strumlet
