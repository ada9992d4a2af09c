// The controls' colours in Qt: OLE colour values (0x00BBGGRR, or a system
// colour index with the top bit set) as QColor.
#pragma once

#include <QColor>
#include <QPalette>

#include "platform/controls.h"

namespace rt::qt {

// A system colour comes from the palette: the button face, the window's
// text, the window's (edit box) background.
inline QColor ToQColor(Color color, const QPalette& palette) {
  if (IsSystemColor(color)) {
    switch (color) {
      case kWindowText: return palette.color(QPalette::WindowText);
      case kWindowBackground: return palette.color(QPalette::Base);
      case kButtonFace:
      default: return palette.color(QPalette::Button);
    }
  }
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF), static_cast<int>((color >> 16) & 0xFF));
}

}  // namespace rt::qt
