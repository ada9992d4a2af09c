#include "platform/win32/backend.h"

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include <commctrl.h>

#include "platform/dialog_keys.h"
#include "platform/resource_ids.h"
#include "platform/tick_grid.h"
#include "platform/win32/dpi.h"

namespace rt::win32 {

namespace {

constexpr wchar_t kFormClass[] = STRUMLET_FORM_CLASS;
constexpr wchar_t kApplicationClass[] = L"StrumletApplication";
constexpr UINT_PTR kTimerBase = 0x7000;
// Posted to a form when the system refused one of its timers: wParam the
// timer's id, lParam the system's error code.
constexpr UINT kTimerFailedMessage = WM_APP + 1;

class FormWindow;

std::map<HWND, FormWindow*>& Windows() {
  static std::map<HWND, FormWindow*> windows;
  return windows;
}

COLORREF ToColorRef(Color color) {
  if (color & 0x80000000u) return GetSysColor(static_cast<int>(color & 0xFFu));
  return static_cast<COLORREF>(color & 0x00FFFFFFu);
}

std::uint64_t NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<std::uint64_t>(now.QuadPart) * 1000u / static_cast<std::uint64_t>(frequency.QuadPart);
}

class ControlWindow;

// A form's native window. It owns the window handle; the controls' peers own
// their child windows.
class FormWindow : public FormPeer {
 public:
  FormWindow(Win32Backend& backend, Form& form);
  ~FormWindow() override;

  void Sync(FormProperty what) override;
  TwipsRect OuterBounds() const override;
  bool IsActive() const override { return hwnd_ && GetActiveWindow() == hwnd_; }

  HWND Hwnd() const { return hwnd_; }
  // Called on the window's first message, before CreateWindowEx returns.
  void Bind(HWND hwnd) { hwnd_ = hwnd; }
  Form& Model() const { return form_; }
  UINT Dpi() const { return dpi_; }
  HFONT Font() const { return font_; }
  bool Dead() const { return dead_; }
  int ToPixels(int twips) const { return TwipsToPixels(twips, dpi_); }
  HFONT LargeFont() const { return largeFont_; }
  // Chooses the fonts for the current DPI: the system's message font, made
  // smaller where a caption would not fit its control, and gives them to
  // every control.
  void ApplyFonts();
  void AddToolTip(HWND control, const ustring& text);

  void Add(ControlWindow* control) { controls_.push_back(control); }
  void Remove(ControlWindow* control) { controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end()); }
  ControlWindow* FindById(int id) const;
  ControlWindow* FindByHwnd(HWND child) const;
  void FocusFirst();

  LRESULT Proc(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void PaintLines(HDC dc);
  HBRUSH Brush(COLORREF color);
  bool CaptionsFit(HFONT font, HFONT large) const;
  void OnDpiChanged(UINT dpi, const RECT* suggested);

  Form& form_;
  HWND hwnd_ = nullptr;
  UINT dpi_ = 96;
  HFONT font_ = nullptr;
  HFONT largeFont_ = nullptr;
  HWND toolTip_ = nullptr;
  bool dead_ = false;
  bool shownOnce_ = false;
  // While the program places the window: the top-left corner it must keep,
  // in screen pixels, when a change of monitor changes its DPI.
  bool placing_ = false;
  POINT placedAt_{};
  HWND lastFocus_ = nullptr;
  std::vector<ControlWindow*> controls_;
  std::map<COLORREF, HBRUSH> brushes_;
};

// A control's native child window (or, for a timer, its system timer).
class ControlWindow : public ControlPeer {
 public:
  ControlWindow(FormWindow& owner, Control& control, HWND hwnd) : owner_(owner), control_(control), hwnd_(hwnd) {
    owner_.Add(this);
  }
  ~ControlWindow() override {
    owner_.Remove(this);
    if (hwnd_) DestroyWindow(hwnd_);
  }

  void Sync(Property what) override;
  Control& Model() const { return control_; }
  HWND Hwnd() const { return hwnd_; }
  void OnCommand(WORD code);
  virtual void OnTimer() {}
  void Place();

 protected:
  FormWindow& owner_;
  Control& control_;
  HWND hwnd_;
  bool suppressChange_ = false;
};

// A timer's system timer: a one-shot wake-up for its tick grid
// (platform/tick_grid.h), which holds every rule of when it ticks.
class TimerWindow : public ControlWindow, private TickGrid::Alarm {
 public:
  TimerWindow(FormWindow& owner, Timer& timer)
      : ControlWindow(owner, timer, nullptr), timer_(timer), id_(kTimerBase + static_cast<UINT_PTR>(timer.Id())),
        grid_(NowMs, *this, USER_TIMER_MINIMUM) {
    Sync(Property::TimerState);
  }
  ~TimerWindow() override { grid_.Stop(); }

  void SyncTimer() {
    if (!timer_.TimerEnabled() || timer_.Interval() <= 0 || owner_.Dead() || !timer_.Parent().Loaded()) {
      grid_.Stop();
      return;
    }
    grid_.Start(static_cast<std::uint64_t>(timer_.Interval()));
  }

  void OnTimer() override {
    // The system's timer repeats; the grid asks for each wake-up anew.
    KillTimer(owner_.Hwnd(), id_);
    if (owner_.Dead() || !timer_.TimerEnabled()) {
      grid_.Stop();
      return;
    }
    grid_.Woken([this] { timer_.UserTick(); });
  }

 private:
  bool Set(std::uint64_t delayMs) override {
    if (owner_.Dead()) return false;
    UINT delay = static_cast<UINT>(std::min<std::uint64_t>(delayMs, USER_TIMER_MAXIMUM));
    if (SetTimer(owner_.Hwnd(), id_, delay, nullptr) == 0) {
      // Not running, and said so: reported from the message loop, where a
      // message box may be shown.
      PostMessageW(owner_.Hwnd(), kTimerFailedMessage, id_, static_cast<LPARAM>(GetLastError()));
      return false;
    }
    return true;
  }
  void Cancel() override { KillTimer(owner_.Hwnd(), id_); }

  Timer& timer_;
  // Kept apart from the control, which may be gone before this peer is.
  UINT_PTR id_;
  TickGrid grid_;

  friend class ControlWindow;
};

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
  if (control_.Kind() == ControlKind::Timer) {
    if (what == Property::TimerState) static_cast<TimerWindow*>(this)->SyncTimer();
    return;
  }
  if (!hwnd_) return;
  switch (what) {
    case Property::Text: {
      ustring text = control_.Kind() == ControlKind::TextBox ? static_cast<TextBox&>(control_).Text()
                                                             : static_cast<CaptionControl&>(control_).Caption();
      suppressChange_ = true;
      SetWindowTextW(hwnd_, Wide(text).c_str());
      suppressChange_ = false;
      break;
    }
    case Property::Enabled: EnableWindow(hwnd_, control_.Enabled()); break;
    case Property::Visible: ShowWindow(hwnd_, control_.Visible() ? SW_SHOWNA : SW_HIDE); break;
    case Property::Value:
      if (control_.Kind() == ControlKind::CheckBox) {
        SendMessageW(hwnd_, BM_SETCHECK, static_cast<WPARAM>(static_cast<CheckBox&>(control_).Value()), 0);
      } else if (control_.Kind() == ControlKind::OptionButton) {
        SendMessageW(hwnd_, BM_SETCHECK, static_cast<OptionButton&>(control_).Value() ? BST_CHECKED : BST_UNCHECKED, 0);
      }
      break;
    case Property::Colors: InvalidateRect(hwnd_, nullptr, TRUE); break;
    case Property::Geometry: Place(); break;
    case Property::List: {
      if (control_.Kind() != ControlKind::ListBox) break;
      auto& list = static_cast<ListBox&>(control_);
      LRESULT native = SendMessageW(hwnd_, LB_GETCOUNT, 0, 0);
      if (native < 0 || native > list.ListCount()) {
        SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
        native = 0;
      }
      // Entry i of the box is entry i of the list. When the box takes no
      // more (LB_ERR, LB_ERRSPACE) it shows the first entries only, never
      // a later entry in an earlier place; the next change tries again.
      for (int i = static_cast<int>(native); i < list.ListCount(); ++i) {
        LRESULT added = SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(list.List(i)).c_str()));
        if (added != i) {
          if (added >= 0) SendMessageW(hwnd_, LB_DELETESTRING, static_cast<WPARAM>(added), 0);
          break;
        }
      }
      break;
    }
    case Property::ListIndex:
      if (control_.Kind() != ControlKind::ListBox) break;
      SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(static_cast<ListBox&>(control_).ListIndex()), 0);
      break;
    case Property::Focus: SetFocus(hwnd_); break;
    case Property::TimerState: break;
  }
}

void ControlWindow::OnCommand(WORD code) {
  switch (control_.Kind()) {
    case ControlKind::TextBox:
      if (code == EN_CHANGE && !suppressChange_) static_cast<TextBox&>(control_).UserSetText(WindowText(hwnd_));
      break;
    case ControlKind::CommandButton:
      if (code == BN_CLICKED) static_cast<CommandButton&>(control_).UserClick();
      break;
    case ControlKind::CheckBox:
      if (code == BN_CLICKED) static_cast<CheckBox&>(control_).UserClick();
      break;
    case ControlKind::OptionButton:
      if (code == BN_CLICKED && !static_cast<OptionButton&>(control_).Value()) static_cast<OptionButton&>(control_).UserClick();
      break;
    case ControlKind::ListBox:
      if (code == LBN_SELCHANGE) {
        LRESULT index = SendMessageW(hwnd_, LB_GETCURSEL, 0, 0);
        static_cast<ListBox&>(control_).UserSelect(index == LB_ERR ? -1 : static_cast<int>(index));
      }
      break;
    default: break;
  }
}

LRESULT CALLBACK FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* window = static_cast<FormWindow*>(create->lpCreateParams);
    window->Bind(hwnd);
    Windows()[hwnd] = window;
  }
  auto it = Windows().find(hwnd);
  if (it == Windows().end() || it->second == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  return it->second->Proc(message, wParam, lParam);
}

void RegisterFormClass(HINSTANCE instance) {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = FormProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFormClass;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(STRUMLET_ICON_PROGRAM));
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(STRUMLET_ICON_PROGRAM), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  RegisterClassExW(&wc);
  registered = true;
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

FormWindow::FormWindow(Win32Backend& backend, Form& form) : form_(form) {
  RegisterFormClass(backend.Instance());
  dpi_ = SystemDpi();
  DWORD style = FormStyle(form);
  DWORD ex = FormExStyle(form);
  // A window without a taskbar button is owned by the hidden application
  // window, as desktop runtimes do it: owned by no form, it neither stays
  // above one nor takes the activation when that form comes to the front.
  HWND owner = form.ShowInTaskbar ? nullptr : backend.ApplicationWindow();
  hwnd_ = CreateWindowExW(ex, kFormClass, Wide(form.Caption()).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, owner, nullptr, backend.Instance(), this);
  if (!hwnd_) return;  // Realise reports it
  dpi_ = WindowDpi(hwnd_);

  RECT frame{0, 0, ToPixels(form.ClientWidth), ToPixels(form.ClientHeight)};
  AdjustWindowRectForDpi(&frame, style, ex, dpi_);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  if (form.WasMoved()) {
    SetWindowPos(hwnd_, nullptr, ScreenTwipsToPixels(form.RequestedPosition().left),
                 ScreenTwipsToPixels(form.RequestedPosition().top), width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  } else if (form.StartUp == StartPosition::Manual) {
    // The start position names the client area's corner.
    SetWindowPos(hwnd_, nullptr, ToPixels(form.StartLeft) + frame.left, ToPixels(form.StartTop) + frame.top, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

FormWindow::~FormWindow() {
  dead_ = true;
  Windows().erase(hwnd_);
  // The tooltip is owned by the form's window, which would destroy it too:
  // it goes first, while its handle is still its own.
  if (toolTip_) DestroyWindow(toolTip_);
  toolTip_ = nullptr;
  if (hwnd_) DestroyWindow(hwnd_);
  for (auto& [color, brush] : brushes_) DeleteObject(brush);
  if (font_) DeleteObject(font_);
  if (largeFont_) DeleteObject(largeFont_);
}

ControlWindow* FormWindow::FindById(int id) const {
  for (ControlWindow* c : controls_) {
    if (c->Model().Id() == id) return c;
  }
  return nullptr;
}

ControlWindow* FormWindow::FindByHwnd(HWND child) const {
  for (ControlWindow* c : controls_) {
    if (c->Hwnd() == child) return c;
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

namespace {

ustring CaptionOf(const Control& c) {
  switch (c.Kind()) {
    case ControlKind::Label:
    case ControlKind::CommandButton:
    case ControlKind::CheckBox:
    case ControlKind::OptionButton:
    case ControlKind::Frame: return static_cast<const CaptionControl&>(c).Caption();
    default: return {};
  }
}

// Whether text wrapped at word breaks fits a box: no word wider than the box,
// no more lines than its height holds.
bool Fits(HDC dc, const ustring& text, int width, int height) {
  RECT r{0, 0, std::max(width, 1), 0};
  std::wstring w = Wide(text);
  DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &r, DT_CALCRECT | DT_WORDBREAK);
  return r.right <= width && r.bottom <= height;
}

int SingleLineWidth(HDC dc, const ustring& text) {
  RECT r{0, 0, 0, 0};
  std::wstring w = Wide(text);
  DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &r, DT_CALCRECT | DT_SINGLELINE);
  return r.right;
}

HFONT ScaledFont(HFONT base, int percent, bool bold) {
  LOGFONTW lf{};
  GetObjectW(base, sizeof(lf), &lf);
  lf.lfHeight = MulDiv(lf.lfHeight, percent, 100);
  if (lf.lfHeight == 0) lf.lfHeight = -1;
  if (bold) lf.lfWeight = FW_BOLD;
  return CreateFontIndirectW(&lf);
}

}  // namespace

bool FormWindow::CaptionsFit(HFONT font, HFONT large) const {
  HDC dc = GetDC(hwnd_);
  bool fit = true;
  int glyph = MulDiv(GetSystemMetrics(SM_CXMENUCHECK), static_cast<int>(dpi_), static_cast<int>(SystemDpi())) + ToPixels(60);
  for (ControlWindow* cw : controls_) {
    const Control& c = cw->Model();
    ustring text = CaptionOf(c);
    if (text.empty()) continue;
    bool isLarge = c.Kind() == ControlKind::Label && static_cast<const Label&>(c).Large;
    HGDIOBJ old = SelectObject(dc, isLarge ? large : font);
    int width = ToPixels(c.Bounds().width);
    int height = ToPixels(c.Bounds().height);
    switch (c.Kind()) {
      case ControlKind::Label: fit = Fits(dc, text, width, height); break;
      case ControlKind::CheckBox:
      case ControlKind::OptionButton: fit = Fits(dc, text, width - glyph, height); break;
      case ControlKind::CommandButton:
        // A caption that does not fit on one line may wrap onto two.
        fit = Fits(dc, text, width - ToPixels(120), height - ToPixels(60));
        break;
      case ControlKind::Frame: fit = SingleLineWidth(dc, text) <= width - ToPixels(240); break;
      default: break;
    }
    SelectObject(dc, old);
    if (!fit) break;
  }
  ReleaseDC(hwnd_, dc);
  return fit;
}

void FormWindow::ApplyFonts() {
  HFONT base = CreateMessageFont(dpi_);
  HFONT font = nullptr;
  HFONT large = nullptr;
  // From the system's size down to two thirds of it, the largest that fits.
  for (int percent = 100; percent >= 66; percent -= 4) {
    if (font) DeleteObject(font);
    if (large) DeleteObject(large);
    font = ScaledFont(base, percent, false);
    large = ScaledFont(base, percent * 3 / 2, true);
    if (CaptionsFit(font, large)) break;
  }
  DeleteObject(base);
  for (ControlWindow* cw : controls_) {
    if (!cw->Hwnd()) continue;
    bool isLarge = cw->Model().Kind() == ControlKind::Label && static_cast<const Label&>(cw->Model()).Large;
    SendMessageW(cw->Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(isLarge ? large : font), TRUE);
  }
  if (font_) DeleteObject(font_);
  if (largeFont_) DeleteObject(largeFont_);
  font_ = font;
  largeFont_ = large;
}

void FormWindow::AddToolTip(HWND control, const ustring& text) {
  if (!toolTip_) {
    // Loaded at run time, so that the program imports only the core system
    // libraries; without it the program simply has no tooltips.
    static const auto init = [] {
      HMODULE comctl = LoadLibraryW(L"comctl32.dll");
      using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
      auto fn = comctl ? reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx"))) : nullptr;
      INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
      return fn && fn(&icc);
    }();
    if (!init) return;
    toolTip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, nullptr, nullptr);
    if (!toolTip_) return;
  }
  std::wstring tip = Wide(text);
  TOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = hwnd_;
  info.uId = reinterpret_cast<UINT_PTR>(control);
  info.lpszText = tip.data();
  SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void FormWindow::OnDpiChanged(UINT dpi, const RECT* suggested) {
  dpi_ = dpi;
  for (ControlWindow* cw : controls_) cw->Place();
  ApplyFonts();
  if (suggested) {
    // The system's size for the new DPI; the place is the program's own when
    // the move came from it.
    POINT at = placing_ ? placedAt_ : POINT{suggested->left, suggested->top};
    SetWindowPos(hwnd_, nullptr, at.x, at.y, suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void FormWindow::Sync(FormProperty what) {
  if (dead_) return;
  switch (what) {
    case FormProperty::Caption: SetWindowTextW(hwnd_, Wide(form_.Caption()).c_str()); break;
    case FormProperty::WindowState:
      if (IsWindowVisible(hwnd_)) ShowWindow(hwnd_, form_.State() == WindowState::Minimized ? SW_MINIMIZE : SW_RESTORE);
      break;
    case FormProperty::Position: {
      const TwipsRect& p = form_.RequestedPosition();
      POINT at{ScreenTwipsToPixels(p.left), ScreenTwipsToPixels(p.top)};
      // A minimised or maximised window is restored, so that it shows at the
      // new place rather than later at its old restored one.
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
      break;
    }
    case FormProperty::Visible:
      if (!form_.Loaded()) {
        // Unloaded: the window goes away now and is destroyed once no handler
        // is running inside it.
        dead_ = true;
        for (ControlWindow* c : controls_) {
          if (c->Model().Kind() == ControlKind::Timer) KillTimer(hwnd_, kTimerBase + static_cast<UINT_PTR>(c->Model().Id()));
        }
        ShowWindow(hwnd_, SW_HIDE);
      } else if (form_.Visible()) {
        // A window that opens minimised does not take the focus from the
        // window the user (or a no-target send) is working in.
        bool minimised = form_.State() == WindowState::Minimized;
        ShowWindow(hwnd_, minimised ? SW_SHOWMINNOACTIVE : SW_SHOWNORMAL);
        if (!shownOnce_ && !minimised) FocusFirst();
        shownOnce_ = true;
      } else {
        ShowWindow(hwnd_, SW_HIDE);
      }
      break;
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

LRESULT FormWindow::Proc(UINT message, WPARAM wParam, LPARAM lParam) {
  App& app = form_.Application();
  switch (message) {
    case WM_COMMAND: {
      if (dead_) return 0;
      HWND child = reinterpret_cast<HWND>(lParam);
      WORD code = HIWORD(wParam);
      if (child) {
        if (ControlWindow* c = FindByHwnd(child)) c->OnCommand(code);
        return 0;
      }
      // IDOK and IDCANCEL come from the dialog navigation for Enter and Esc;
      // the message loop has already given those keys to the form's rules.
      return 0;
    }
    case DM_GETDEFID:
      // Asked by the dialog navigation, to draw the default button's frame.
      if (CommandButton* button = DialogKeys::DefaultButton(form_)) return MAKELRESULT(button->Id(), DC_HASDEFID);
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      ControlWindow* c = FindByHwnd(reinterpret_cast<HWND>(lParam));
      if (!c) break;
      ControlKind kind = c->Model().Kind();
      if (kind != ControlKind::Label && kind != ControlKind::CheckBox && kind != ControlKind::OptionButton &&
          kind != ControlKind::Frame && kind != ControlKind::PictureBox) {
        break;
      }
      HDC dc = reinterpret_cast<HDC>(wParam);
      COLORREF back = ToColorRef(c->Model().BackColor());
      SetTextColor(dc, ToColorRef(c->Model().ForeColor()));
      SetBkColor(dc, back);
      return reinterpret_cast<LRESULT>(Brush(back));
    }
    case WM_TIMER:
      if (!dead_ && wParam >= kTimerBase) {
        if (ControlWindow* c = FindById(static_cast<int>(wParam - kTimerBase))) c->OnTimer();
      }
      return 0;
    case kTimerFailedMessage:
      if (!dead_ && wParam >= kTimerBase) {
        ControlWindow* c = FindById(static_cast<int>(wParam - kTimerBase));
        if (c && c->Model().Kind() == ControlKind::Timer) {
          auto& timer = static_cast<Timer&>(c->Model());
          ustring error = DecimalText(static_cast<int>(lParam));
          app.Dispatch([&app, &timer, error] {
            // Stopped, so that enabling it again (Restart Counter, F1,
            // Resume) tries again.
            timer.SetTimerEnabled(false);
            app.MsgBox(u"Windows could not start the timer (error " + error +
                       u"): the countdown stands still. Restart the counter to try again.");
          });
        }
      }
      return 0;
    case WM_ACTIVATE:
      // Like a dialog, the window gives the focus back to the control that had
      // it when the user returns.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
      } else if (lastFocus_ && IsWindow(lastFocus_) && IsWindowEnabled(lastFocus_)) {
        SetFocus(lastFocus_);
        return 0;
      }
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      PaintLines(dc);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_CLOSE:
      if (!dead_) app.Dispatch([this] { form_.Unload(); });
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      return 0;
    default: break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

std::unique_ptr<ControlWindow> MakeControl(FormWindow& owner, Control& control, const Control* previous) {
  DWORD style = WS_CHILD | WS_VISIBLE;
  DWORD ex = 0;
  const wchar_t* cls = L"STATIC";
  ustring text;
  switch (control.Kind()) {
    case ControlKind::TextBox: {
      auto& box = static_cast<TextBox&>(control);
      cls = L"EDIT";
      ex = WS_EX_CLIENTEDGE;
      style |= WS_TABSTOP | WS_GROUP;
      style |= box.MultiLine ? (ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL) : ES_AUTOHSCROLL;
      if (box.VerticalScrollBar) style |= WS_VSCROLL;
      if (box.Locked) style |= ES_READONLY;
      text = box.Text();
      break;
    }
    case ControlKind::Label: {
      auto& label = static_cast<Label&>(control);
      style |= label.TextAlign == Alignment::Right ? SS_RIGHT : label.TextAlign == Alignment::Center ? SS_CENTER : SS_LEFT;
      text = label.Caption();
      break;
    }
    case ControlKind::CommandButton: {
      auto& button = static_cast<CommandButton&>(control);
      cls = L"BUTTON";
      style |= WS_TABSTOP | WS_GROUP | BS_MULTILINE | (button.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      text = button.Caption();
      break;
    }
    case ControlKind::CheckBox:
      cls = L"BUTTON";
      style |= WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX | BS_MULTILINE;
      text = static_cast<CaptionControl&>(control).Caption();
      break;
    case ControlKind::OptionButton: {
      cls = L"BUTTON";
      style |= BS_AUTORADIOBUTTON;
      // The first button of a run of option buttons in one container starts
      // a group: Tab enters it, the arrow keys move within it.
      bool continues = previous && previous->Kind() == ControlKind::OptionButton && previous->Container() == control.Container();
      if (!continues) style |= WS_GROUP | WS_TABSTOP;
      text = static_cast<CaptionControl&>(control).Caption();
      break;
    }
    case ControlKind::Frame:
      cls = L"BUTTON";
      style |= BS_GROUPBOX | WS_GROUP;
      text = static_cast<CaptionControl&>(control).Caption();
      break;
    case ControlKind::ListBox:
      cls = L"LISTBOX";
      ex = WS_EX_CLIENTEDGE;
      style |= WS_TABSTOP | WS_GROUP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
      break;
    case ControlKind::PictureBox:
      style |= SS_ICON | SS_CENTERIMAGE;
      break;
    case ControlKind::Timer:
      return std::make_unique<TimerWindow>(owner, static_cast<Timer&>(control));
    case ControlKind::Line:
      return std::make_unique<ControlWindow>(owner, control, nullptr);
  }
  HWND hwnd = CreateWindowExW(ex, cls, Wide(text).c_str(), style, 0, 0, 0, 0, owner.Hwnd(),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.Id())),
                              reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner.Hwnd(), GWLP_HINSTANCE)), nullptr);
  if (!hwnd) return nullptr;  // the system refused: the form cannot be shown
  auto peer = std::make_unique<ControlWindow>(owner, control, hwnd);
  if (!control.ToolTipText().empty()) owner.AddToolTip(hwnd, control.ToolTipText());
  peer->Place();
  if (control.Kind() == ControlKind::TextBox) {
    auto& box = static_cast<TextBox&>(control);
    // The limit binds the user's typing and pasting; the program's own
    // texts are set whole.
    SendMessageW(hwnd, EM_SETLIMITTEXT, box.MaxLength(), 0);
  }
  if (control.Kind() == ControlKind::PictureBox && static_cast<PictureBox&>(control).IconResource != 0) {
    HICON icon = LoadIconW(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner.Hwnd(), GWLP_HINSTANCE)),
                           MAKEINTRESOURCEW(static_cast<PictureBox&>(control).IconResource));
    SendMessageW(hwnd, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  }
  peer->Sync(Property::Value);
  peer->Sync(Property::List);
  if (!control.Enabled()) EnableWindow(hwnd, FALSE);
  if (!control.Visible()) ShowWindow(hwnd, SW_HIDE);
  return peer;
}

// The modifier keys held now, as the forms' key rules count them.
int ShiftMask() {
  return (GetKeyState(VK_SHIFT) < 0 ? kShiftMask : 0) | (GetKeyState(VK_CONTROL) < 0 ? kCtrlMask : 0) |
         (GetKeyState(VK_MENU) < 0 ? kAltMask : 0);
}

}  // namespace

std::wstring Wide(ustring_view text) { return std::wstring(text.begin(), text.end()); }

ustring WindowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
  int copied = GetWindowTextW(window, buffer.data(), length + 1);
  return ustring(buffer.begin(), buffer.begin() + std::max(copied, 0));
}

Win32Backend::Win32Backend(HINSTANCE instance) : instance_(instance) {}

Win32Backend::~Win32Backend() {
  if (applicationWindow_) DestroyWindow(applicationWindow_);
}

HWND Win32Backend::ApplicationWindow() {
  if (!applicationWindow_) {
    static const bool registered = [this] {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof(wc);
      wc.lpfnWndProc = DefWindowProcW;
      wc.hInstance = instance_;
      wc.lpszClassName = kApplicationClass;
      return RegisterClassExW(&wc) != 0;
    }();
    if (!registered) return nullptr;
    // Never shown: no taskbar button, no place on the screen.
    applicationWindow_ = CreateWindowExW(0, kApplicationClass, L"Strumlet", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance_, nullptr);
  }
  return applicationWindow_;
}

bool Win32Backend::Realise(Form& form) {
  auto window = std::make_unique<FormWindow>(*this, form);
  FormWindow& owner = *window;
  form.AttachPeer(std::move(window));
  if (!owner.Hwnd()) return false;
  // Child windows are made in tab order, which is also the order the dialog
  // navigation follows.
  std::vector<Control*> ordered = form.Controls();
  std::stable_sort(ordered.begin(), ordered.end(), [](Control* a, Control* b) {
    bool aChild = a->Kind() != ControlKind::Timer && a->Kind() != ControlKind::Line;
    bool bChild = b->Kind() != ControlKind::Timer && b->Kind() != ControlKind::Line;
    if (aChild != bChild) return aChild;
    return a->TabIndex() < b->TabIndex();
  });
  const Control* previous = nullptr;
  bool complete = true;
  for (Control* c : ordered) {
    auto peer = MakeControl(owner, *c, previous);
    if (!peer) {
      complete = false;
      break;
    }
    c->AttachPeer(std::move(peer));
    previous = c;
  }
  if (complete) owner.ApplyFonts();
  return complete;
}

void Win32Backend::AllUnloaded() { PostQuitMessage(0); }

void Win32Backend::Run(App& app) {
  MSG msg;
  while (app.AnyLoaded()) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    auto it = root ? Windows().find(root) : Windows().end();
    FormWindow* form = it != Windows().end() && !it->second->Dead() ? it->second : nullptr;
    // Keys follow the forms' keyboard rules (platform/dialog_keys.h): key
    // preview on release, the default and cancel buttons on press.
    bool navigation = form != nullptr;
    bool used = false;
    if (form && (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP)) {
      // The form sees the released key first; the focused control still gets
      // it as usual.
      DialogKeys::KeyReleased(app, form->Model(), static_cast<int>(msg.wParam), ShiftMask());
    } else if (form && (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN)) {
      ControlWindow* focused = form->FindByHwnd(GetFocus());
      KeyDownAnswer answer = DialogKeys::KeyPressed(form->Model(), static_cast<int>(msg.wParam), ShiftMask(),
                                                    focused ? &focused->Model() : nullptr);
      used = answer.click != nullptr;
      navigation = answer.toNavigation;
    }
    // A handler may have unloaded the form: its window only waits to be
    // destroyed.
    if (form && form->Dead()) navigation = false;
    if (!used && !(navigation && IsDialogMessageW(root, &msg))) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    app.Idle();
  }
  app.Idle();
}

}  // namespace rt::win32
