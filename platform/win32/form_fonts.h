// A form's fonts: the system's message font at the size the portable fitting
// (platform/font_fit.h) chooses for the window's DPI, measured as GDI draws
// the controls' captions.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/form.h"

namespace rt::win32 {

class ControlWindow;

class FormFonts {
 public:
  FormFonts() = default;
  ~FormFonts();
  FormFonts(const FormFonts&) = delete;
  FormFonts& operator=(const FormFonts&) = delete;

  // Chooses the fonts of `form` at `dpi` and gives them to its controls'
  // windows; the earlier ones are deleted after.
  void Apply(HWND window, const Form& form, UINT dpi, const std::vector<ControlWindow*>& controls);

 private:
  HFONT font_ = nullptr;
  HFONT large_ = nullptr;
};

}  // namespace rt::win32
