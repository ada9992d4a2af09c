// A form's tooltips: one tooltip window, made at the first control that has a
// tip. Without the common controls library the form simply has no tooltips.
#pragma once

#include <windows.h>

#include "platform/text.h"

namespace rt::win32 {

class ToolTips {
 public:
  ToolTips() = default;
  ~ToolTips() { Destroy(); }
  ToolTips(const ToolTips&) = delete;
  ToolTips& operator=(const ToolTips&) = delete;

  // Shows `text` while the pointer rests on `control`, a child of `form`.
  void Add(HWND form, HWND control, const ustring& text);
  // The tooltip window is owned by the form's window, which would destroy it
  // too: it goes first, while its handle is still its own.
  void Destroy();

 private:
  HWND window_ = nullptr;
};

}  // namespace rt::win32
