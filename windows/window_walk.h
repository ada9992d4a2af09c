// The walk over the desktop's windows that fills the window list.
#pragma once

#include <cstdint>

#include "platform/controls.h"
#include "platform/system.h"
#include "platform/text.h"

namespace strumlet {

// Appends to `list`, in Z order from the topmost down, the caption of every
// window at or below `StartWindow` (0: the desktop, when the walk is not
// already under way) that matches both patterns, has a caption, neither parent
// nor owner, is visible, enabled and alive, and whose restored rectangle is
// not one of the two left out. Captions and class names count with their
// first 254 UTF-16 units only (never half a surrogate pair). `WalkDepth` counts the levels entered and is back where it
// was however the walk ends; entering more than 32767 levels is an Overflow
// error.
void ListTopWindows(rt::System& os, rt::ListBox& list, std::int16_t& WalkDepth, rt::WindowHandle StartWindow,
                    rt::ustring_view CaptionPattern, rt::ustring_view ClassPattern);

}  // namespace strumlet
