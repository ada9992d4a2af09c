// Qt's key events in the terms of the forms' key rules: the virtual-key
// code of the key and the modifier mask (1 Shift, 2 Ctrl, 4 Alt).
#pragma once

#include <QKeyEvent>

namespace rt::qt {

// The virtual-key code of the key, or 0 for a key that has none. Letters
// and digits give their upper-case letter and digit codes whatever the
// layout types, as the keys' codes do on Windows.
int VirtualKeyOf(const QKeyEvent& event);

// The modifiers held with the key.
int ShiftMaskOf(const QKeyEvent& event);

}  // namespace rt::qt
