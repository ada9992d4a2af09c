#include "platform/win32/control_window.h"

#include "platform/win32/form_window.h"
#include "platform/win32/native_text.h"

namespace rt::win32 {

ControlWindow::ControlWindow(FormWindow& owner, Control& control) : owner_(owner), control_(control) { owner_.Add(this); }

ControlWindow::~ControlWindow() {
  owner_.Remove(this);
  if (hwnd_) DestroyWindow(hwnd_);
}

HINSTANCE ControlWindow::Instance() const {
  return reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner_.Hwnd(), GWLP_HINSTANCE));
}

bool ControlWindow::Create(const Spec& spec) {
  hwnd_ = CreateWindowExW(spec.exStyle, spec.windowClass, Wide(spec.text).c_str(), WS_CHILD | WS_VISIBLE | spec.style, 0, 0, 0, 0,
                          owner_.Hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_.Id())), Instance(), nullptr);
  if (!hwnd_) return false;
  if (!control_.ToolTipText().empty()) owner_.AddToolTip(hwnd_, control_.ToolTipText());
  Place();
  Created();
  Show(Property::Value);
  Show(Property::List);
  if (!control_.Enabled()) EnableWindow(hwnd_, FALSE);
  if (!control_.Visible()) ShowWindow(hwnd_, SW_HIDE);
  return true;
}

void ControlWindow::SetText(const ustring& text) { SetWindowTextW(hwnd_, Wide(text).c_str()); }

void ControlWindow::Place() {
  if (!hwnd_) return;
  TwipsRect b = control_.Bounds();
  if (Control* frame = control_.Container()) {
    b.left += frame->Bounds().left;
    b.top += frame->Bounds().top;
  }
  MoveWindow(hwnd_, owner_.ToPixels(b.left), owner_.ToPixels(b.top), owner_.ToPixels(b.width), owner_.ToPixels(b.height), TRUE);
}

void ControlWindow::Sync(Property what) {
  if (!hwnd_) return;
  switch (what) {
    case Property::Enabled: EnableWindow(hwnd_, control_.Enabled()); break;
    case Property::Visible: ShowWindow(hwnd_, control_.Visible() ? SW_SHOWNA : SW_HIDE); break;
    case Property::Colors: InvalidateRect(hwnd_, nullptr, TRUE); break;
    case Property::Geometry: Place(); break;
    case Property::Focus: SetFocus(hwnd_); break;
    case Property::TimerState: break;
    case Property::Text:
    case Property::Value:
    case Property::List:
    case Property::ListIndex: Show(what); break;
  }
}

}  // namespace rt::win32
