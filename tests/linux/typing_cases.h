// The keyboard state the Linux end-to-end tests set up around what they
// type into text editors (the corpus of ../e2e/typing_corpus.h), as another
// X client would.
#pragma once

#include <string>
#include <vector>

#include "../e2e/typing_corpus.h"

struct _XDisplay;

namespace strumlet::linux_e2e {

// The corpus every editor gets, on every platform.
using e2e::EditorCorpusKeys;
using e2e::EditorCorpusText;
using e2e::kEditorCorpus;
using e2e::kLayouts;
using e2e::kMixedCase;
using e2e::OutsideTheKeymaps;

// The keyboard's state as another X client sees and changes it: the layout
// (us again when it goes), Caps Lock (off again), and keys held through
// XTest (released).
class Keyboard {
 public:
  Keyboard();
  ~Keyboard();
  Keyboard(const Keyboard&) = delete;
  Keyboard& operator=(const Keyboard&) = delete;

  bool SetLayout(const std::string& layout);
  bool CapsLock();
  void ToggleCapsLock();
  // Presses the key (a keysym) and keeps it down, as a user (or another
  // tool) would.
  void Hold(unsigned long keysym);
  bool IsDown(unsigned long keysym);

 private:
  void Tap(unsigned long keysym);
  _XDisplay* display_;
  std::vector<int> held_;
};

}  // namespace strumlet::linux_e2e
