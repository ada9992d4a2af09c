// Keeping the split key script in step with the key-script box.
#include "mainwin/form1.h"
#include "runner/key_script.h"

namespace strumlet {

void Form1::SplitKeyScript() {
  SplitScript split = SplitKeyScriptText(Text2.Text());
  KeyParts = std::move(split.parts);
  KeyPauses = std::move(split.pauses);
}

void Form1::Text2_Change() {
  // While the window is not yet shown (during start-up) the load handler
  // splits the script itself, once.
  if (Visible()) SplitKeyScript();
}

}  // namespace strumlet
