#include "platform/win32/form_window.h"

#include <algorithm>

#include "platform/app.h"
#include "platform/dialog_keys.h"
#include "platform/twips.h"
#include "platform/win32/backend.h"
#include "platform/win32/control_window.h"
#include "platform/win32/dpi.h"
#include "platform/win32/native_text.h"
#include "platform/win32/timer_window.h"
#include "platform/win32/window_class.h"

namespace rt::win32 {

namespace {

COLORREF ToColorRef(Color color) {
  if (IsSystemColor(color)) return GetSysColor(SystemColorIndex(color));
  return static_cast<COLORREF>(color & 0x00FFFFFFu);
}

DWORD FormStyle(const Form& form) {
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  if (form.Border == BorderStyle::Sizable) style |= WS_THICKFRAME;
  if (form.MinButton) style |= WS_MINIMIZEBOX;
  if (form.MaxButton) style |= WS_MAXIMIZEBOX;
  return style;
}

DWORD FormExStyle(const Form& form) {
  DWORD ex = WS_EX_CONTROLPARENT;
  if (form.Border == BorderStyle::FixedDialog) ex |= WS_EX_DLGMODALFRAME;
  return ex;
}

}  // namespace

FormWindow::FormWindow(Win32Backend& backend, Form& form) : form_(form) {
  if (!RegisterFormClass(backend.Instance())) return;  // Realise reports it
  dpi_ = SystemDpi();
  DWORD style = FormStyle(form);
  DWORD ex = FormExStyle(form);
  // A window without a taskbar button is owned by the hidden application
  // window, as desktop runtimes do it: owned by no form, it neither stays
  // above one nor takes the activation when that form comes to the front.
  HWND owner = form.ShowInTaskbar ? nullptr : backend.ApplicationWindow();
  hwnd_ = CreateWindowExW(ex, FormClassName(), Wide(form.Caption()).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, owner, nullptr, backend.Instance(), this);
  if (!hwnd_) return;
  dpi_ = WindowDpi(hwnd_);
  Place(style, ex);
}

void FormWindow::Place(DWORD style, DWORD exStyle) {
  RECT frame{0, 0, ToPixels(form_.ClientWidth), ToPixels(form_.ClientHeight)};
  AdjustWindowRectForDpi(&frame, style, exStyle, dpi_);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  if (form_.WasMoved()) {
    SetWindowPos(hwnd_, nullptr, ScreenTwipsToPixels(form_.RequestedPosition().left),
                 ScreenTwipsToPixels(form_.RequestedPosition().top), width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  } else if (form_.StartUp == StartPosition::Manual) {
    // The start position names the client area's corner.
    SetWindowPos(hwnd_, nullptr, ToPixels(form_.StartLeft) + frame.left, ToPixels(form_.StartTop) + frame.top, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

FormWindow::~FormWindow() {
  dead_ = true;
  ForgetForm(hwnd_);
  toolTips_.Destroy();
  if (hwnd_) DestroyWindow(hwnd_);
  for (auto& [color, brush] : brushes_) DeleteObject(brush);
}

int FormWindow::ToPixels(int twips) const { return TwipsToPixels(twips, static_cast<int>(dpi_)); }

void FormWindow::ApplyFonts() { fonts_.Apply(hwnd_, form_, dpi_, controls_); }

void FormWindow::Add(ControlWindow* control) { controls_.push_back(control); }

void FormWindow::Remove(ControlWindow* control) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

void FormWindow::RemoveTimer(TimerWindow* timer) { timers_.erase(std::remove(timers_.begin(), timers_.end(), timer), timers_.end()); }

ControlWindow* FormWindow::FindByHwnd(HWND child) const {
  if (!child) return nullptr;
  for (ControlWindow* c : controls_) {
    if (c->Hwnd() == child) return c;
  }
  return nullptr;
}

TimerWindow* FormWindow::FindTimer(WPARAM id) const {
  for (TimerWindow* t : timers_) {
    if (t->Id() == id) return t;
  }
  return nullptr;
}

void FormWindow::FocusFirst() {
  // The focus goes to the first control in tab order that can take it.
  std::vector<ControlWindow*> ordered = controls_;
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](ControlWindow* a, ControlWindow* b) { return a->Model().TabIndex() < b->Model().TabIndex(); });
  for (ControlWindow* c : ordered) {
    HWND h = c->Hwnd();
    if (h && (GetWindowLongW(h, GWL_STYLE) & WS_TABSTOP) && IsWindowEnabled(h) && IsWindowVisible(h)) {
      SetFocus(h);
      return;
    }
  }
}

void FormWindow::OnDpiChanged(UINT dpi, const RECT* suggested) {
  dpi_ = dpi;
  for (ControlWindow* c : controls_) c->Place();
  ApplyFonts();
  if (suggested) {
    // The system's size for the new DPI; the place is the program's own when
    // the move came from it.
    POINT at = placing_ ? placedAt_ : POINT{suggested->left, suggested->top};
    SetWindowPos(hwnd_, nullptr, at.x, at.y, suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  Repaint();
}

void FormWindow::Sync(FormProperty what) {
  if (dead_) return;
  switch (what) {
    case FormProperty::Caption: SetWindowTextW(hwnd_, Wide(form_.Caption()).c_str()); break;
    case FormProperty::WindowState:
      if (IsWindowVisible(hwnd_)) ShowWindow(hwnd_, form_.State() == WindowState::Minimized ? SW_MINIMIZE : SW_RESTORE);
      break;
    case FormProperty::Position: OnPosition(); break;
    case FormProperty::Visible: OnVisible(); break;
  }
}

void FormWindow::OnPosition() {
  const TwipsRect& p = form_.RequestedPosition();
  POINT at{ScreenTwipsToPixels(p.left), ScreenTwipsToPixels(p.top)};
  // A minimised or maximised window is restored, so that it shows at the new
  // place rather than later at its old restored one.
  if (IsWindowVisible(hwnd_) && (IsIconic(hwnd_) || IsZoomed(hwnd_))) ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
  placing_ = true;
  placedAt_ = at;
  SetWindowPos(hwnd_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  // Moved onto a monitor of another DPI, the window was resized for it
  // (WM_DPICHANGED); its corner stays where it was asked to be.
  RECT r{};
  GetWindowRect(hwnd_, &r);
  if (r.left != at.x || r.top != at.y) SetWindowPos(hwnd_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  placing_ = false;
}

void FormWindow::OnVisible() {
  if (!form_.Loaded()) {
    // Unloaded: the window goes away now and is destroyed once no handler is
    // running inside it.
    dead_ = true;
    for (TimerWindow* t : timers_) t->Halt();
    ShowWindow(hwnd_, SW_HIDE);
  } else if (form_.Visible()) {
    // A window that opens minimised does not take the focus from the window
    // the user (or a no-target send) is working in.
    bool minimised = form_.State() == WindowState::Minimized;
    ShowWindow(hwnd_, minimised ? SW_SHOWMINNOACTIVE : SW_SHOWNORMAL);
    if (!shownOnce_ && !minimised) FocusFirst();
    shownOnce_ = true;
  } else {
    ShowWindow(hwnd_, SW_HIDE);
  }
}

TwipsRect FormWindow::OuterBounds() const {
  // In the screen's twips, one scale for every monitor: the right edge of one
  // window is then the left edge of another, whatever DPI each has.
  RECT r{};
  GetWindowRect(hwnd_, &r);
  return {ScreenPixelsToTwips(r.left), ScreenPixelsToTwips(r.top), ScreenPixelsToTwips(r.right - r.left),
          ScreenPixelsToTwips(r.bottom - r.top)};
}

HBRUSH FormWindow::Brush(COLORREF color) {
  auto it = brushes_.find(color);
  if (it != brushes_.end()) return it->second;
  HBRUSH brush = CreateSolidBrush(color);
  brushes_[color] = brush;
  return brush;
}

void FormWindow::PaintLines(HDC dc) {
  for (Control* c : form_.Controls()) {
    if (c->Kind() != ControlKind::Line) continue;
    auto* line = static_cast<Line*>(c);
    HPEN pen = CreatePen(PS_SOLID, line->BorderWidth, ToColorRef(line->BorderColor));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, ToPixels(line->X1), ToPixels(line->Y1), nullptr);
    LineTo(dc, ToPixels(line->X2), ToPixels(line->Y2));
    SelectObject(dc, old);
    DeleteObject(pen);
  }
}

LRESULT FormWindow::OnControlColor(HDC dc, const Control& control) {
  COLORREF back = ToColorRef(control.BackColor());
  SetTextColor(dc, ToColorRef(control.ForeColor()));
  SetBkColor(dc, back);
  return reinterpret_cast<LRESULT>(Brush(back));
}

bool FormWindow::OnActivate(bool active) {
  // Like a dialog, the window gives the focus back to the control that had
  // it when the user returns.
  if (!active) {
    HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
    return false;
  }
  if (!lastFocus_ || !IsWindow(lastFocus_) || !IsWindowEnabled(lastFocus_)) return false;
  SetFocus(lastFocus_);
  return true;
}

LRESULT FormWindow::Proc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      // Each control handles its own notifications. IDOK and IDCANCEL, from
      // the dialog navigation for Enter and Esc, come without a child: the
      // message loop has already given those keys to the form's rules.
      if (!dead_) {
        if (ControlWindow* c = FindByHwnd(reinterpret_cast<HWND>(lParam))) c->OnCommand(HIWORD(wParam));
      }
      return 0;
    case DM_GETDEFID:
      // Asked by the dialog navigation, to draw the default button's frame.
      if (CommandButton* button = DialogKeys::DefaultButton(form_)) return MAKELRESULT(button->Id(), DC_HASDEFID);
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (ControlWindow* c = FindByHwnd(reinterpret_cast<HWND>(lParam)); c && c->TakesColors()) {
        return OnControlColor(reinterpret_cast<HDC>(wParam), c->Model());
      }
      break;
    case WM_TIMER:
      if (TimerWindow* t = dead_ ? nullptr : FindTimer(wParam)) t->OnTimer();
      return 0;
    case kTimerRefusedMessage:
      if (TimerWindow* t = dead_ ? nullptr : FindTimer(wParam)) t->OnRefused(static_cast<DWORD>(lParam));
      return 0;
    case WM_ACTIVATE:
      // Once the focus is given back, the default must not give it to the
      // window itself.
      if (OnActivate(LOWORD(wParam) != WA_INACTIVE)) return 0;
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      PaintLines(dc);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_CLOSE:
      if (!dead_) form_.Application().Dispatch([this] { form_.Unload(); });
      return 0;
    case WM_DPICHANGED: OnDpiChanged(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam)); return 0;
    default: break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace rt::win32
