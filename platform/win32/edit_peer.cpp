// A text box: an EDIT window. What the user types comes back as the model's
// text; the program's own changes are not reported back as the user's.
#include "platform/win32/control_window.h"
#include "platform/win32/native_text.h"
#include "platform/win32/peers.h"

namespace rt::win32 {

namespace {

class EditPeer : public ControlWindow {
 public:
  EditPeer(FormWindow& owner, TextBox& box) : ControlWindow(owner, box), box_(box) {}

  void OnCommand(WORD code) override {
    if (code == EN_CHANGE && !settingText_) box_.UserSetText(WindowText(hwnd_));
  }

 private:
  Spec Describe() const override {
    DWORD style = WS_TABSTOP | WS_GROUP;
    style |= box_.MultiLine ? (ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL) : ES_AUTOHSCROLL;
    if (box_.VerticalScrollBar) style |= WS_VSCROLL;
    if (box_.Locked) style |= ES_READONLY;
    return {L"EDIT", style, WS_EX_CLIENTEDGE, box_.Text()};
  }

  void Created() override {
    // The limit binds the user's typing and pasting; the program's own texts
    // are set whole.
    SendMessageW(hwnd_, EM_SETLIMITTEXT, static_cast<WPARAM>(box_.MaxLength()), 0);
  }

  void Show(Property what) override {
    if (what != Property::Text) return;
    settingText_ = true;
    SetText(box_.Text());
    settingText_ = false;
  }

  TextBox& box_;
  bool settingText_ = false;
};

}  // namespace

std::unique_ptr<ControlWindow> MakeEditPeer(FormWindow& owner, TextBox& box) { return std::make_unique<EditPeer>(owner, box); }

}  // namespace rt::win32
