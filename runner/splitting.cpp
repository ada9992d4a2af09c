// Keeping the split key script in step with the key-script box.
#include "runner/key_script.h"
#include "runner/runner.h"

namespace strumlet {

void Runner::SplitKeyScript() {
  SplitScript split = SplitKeyScriptText(c_.keys.Text());
  KeyParts = std::move(split.parts);
  KeyPauses = std::move(split.pauses);
}

void Runner::KeyScriptChanged() {
  // While the window is not yet shown (during start-up) the load handler
  // splits the script itself, once.
  if (c_.window.Visible()) SplitKeyScript();
}

}  // namespace strumlet
