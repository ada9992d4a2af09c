// A control's native child window. The base makes the window, places it from
// twips by the form's DPI and shows what every control has (enabled, visible,
// place, focus, colours); each kind of control (peers.h) shows the rest of its
// state and handles its own notifications.
#pragma once

#include <windows.h>

#include "platform/controls.h"

namespace rt::win32 {

class FormWindow;

class ControlWindow : public ControlPeer {
 public:
  ControlWindow(FormWindow& owner, Control& control);
  ~ControlWindow() override;
  ControlWindow(const ControlWindow&) = delete;
  ControlWindow& operator=(const ControlWindow&) = delete;

  // Makes the child window and shows the model's whole state on it; false
  // when the system refused.
  virtual bool Realise() { return Create(Describe()); }
  void Sync(Property what) override;
  Control& Model() const { return control_; }
  // Null for a control drawn by the form itself (a line).
  HWND Hwnd() const { return hwnd_; }
  void Place();

  // A notification from the control's window (WM_COMMAND's code).
  virtual void OnCommand(WORD code) { (void)code; }
  // Whether the control's text and background take the model's colours.
  virtual bool TakesColors() const { return false; }
  // Whether the font fitting gives this control the large title font.
  virtual bool LargeFont() const { return false; }

 protected:
  struct Spec {
    const wchar_t* windowClass;
    DWORD style;  // beside WS_CHILD and WS_VISIBLE
    DWORD exStyle;
    ustring text;
  };
  // The window the kind is made of.
  virtual Spec Describe() const = 0;
  bool Create(const Spec& spec);
  // After the window is made and placed, before the model's state is shown.
  virtual void Created() {}
  // Text, Value, List and ListIndex: what the kind has of them.
  virtual void Show(Property what) { (void)what; }
  void SetText(const ustring& text);
  HINSTANCE Instance() const;

  FormWindow& owner_;
  Control& control_;
  HWND hwnd_ = nullptr;
};

}  // namespace rt::win32
