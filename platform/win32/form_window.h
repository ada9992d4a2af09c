// A form's native window, of the class in window_class.h. It owns the window
// handle, its fonts, tooltips and brushes; the controls' peers own their
// child windows and system timers and register here while they exist.
#pragma once

#include <windows.h>

#include <map>
#include <vector>

#include "platform/form.h"
#include "platform/win32/form_fonts.h"
#include "platform/win32/tooltips.h"

namespace rt::win32 {

class Win32Backend;
class ControlWindow;
class TimerWindow;

class FormWindow : public FormPeer {
 public:
  FormWindow(Win32Backend& backend, Form& form);
  ~FormWindow() override;
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  void Sync(FormProperty what) override;
  TwipsRect OuterBounds() const override;
  bool IsActive() const override { return hwnd_ && GetActiveWindow() == hwnd_; }

  HWND Hwnd() const { return hwnd_; }
  // Called on the window's first message, before CreateWindowEx returns.
  void Bind(HWND hwnd) { hwnd_ = hwnd; }
  Form& Model() const { return form_; }
  // Unloaded: the window only waits to be destroyed, once no handler runs.
  bool Dead() const { return dead_; }
  int ToPixels(int twips) const;
  // Gives every control the fonts fitted for the current DPI.
  void ApplyFonts();
  void AddToolTip(HWND control, const ustring& text) { toolTips_.Add(hwnd_, control, text); }
  void Repaint() { InvalidateRect(hwnd_, nullptr, TRUE); }

  void Add(ControlWindow* control);
  void Remove(ControlWindow* control);
  void AddTimer(TimerWindow* timer) { timers_.push_back(timer); }
  void RemoveTimer(TimerWindow* timer);
  ControlWindow* FindByHwnd(HWND child) const;

  LRESULT Proc(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void Place(DWORD style, DWORD exStyle);
  void FocusFirst();
  TimerWindow* FindTimer(WPARAM id) const;
  void PaintLines(HDC dc);
  HBRUSH Brush(COLORREF color);
  LRESULT OnControlColor(HDC dc, const Control& control);
  // True when the focus went back to the control that had it.
  bool OnActivate(bool active);
  void OnDpiChanged(UINT dpi, const RECT* suggested);
  void OnPosition();
  void OnVisible();

  Form& form_;
  HWND hwnd_ = nullptr;
  UINT dpi_ = 96;
  FormFonts fonts_;
  ToolTips toolTips_;
  bool dead_ = false;
  bool shownOnce_ = false;
  // While the program places the window: the top-left corner it must keep,
  // in screen pixels, when a change of monitor changes its DPI.
  bool placing_ = false;
  POINT placedAt_{};
  HWND lastFocus_ = nullptr;
  std::vector<ControlWindow*> controls_;
  std::vector<TimerWindow*> timers_;
  std::map<COLORREF, HBRUSH> brushes_;
};

}  // namespace rt::win32
