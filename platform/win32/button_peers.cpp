// The BUTTON window's kinds: command buttons, check boxes, option buttons
// and frames (group boxes).
#include "platform/win32/control_window.h"
#include "platform/win32/peers.h"

namespace rt::win32 {

namespace {

class CommandButtonPeer : public ControlWindow {
 public:
  CommandButtonPeer(FormWindow& owner, CommandButton& button) : ControlWindow(owner, button), button_(button) {}

  void OnCommand(WORD code) override {
    if (code == BN_CLICKED) button_.UserClick();
  }

 private:
  Spec Describe() const override {
    // A caption that does not fit on one line may wrap onto two.
    DWORD style = WS_TABSTOP | WS_GROUP | BS_MULTILINE | (button_.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    return {L"BUTTON", style, 0, button_.Caption()};
  }
  void Show(Property what) override {
    if (what == Property::Text) SetText(button_.Caption());
  }

  CommandButton& button_;
};

class CheckBoxPeer : public ControlWindow {
 public:
  CheckBoxPeer(FormWindow& owner, CheckBox& box) : ControlWindow(owner, box), box_(box) {}

  void OnCommand(WORD code) override {
    if (code == BN_CLICKED) box_.UserClick();
  }
  bool TakesColors() const override { return true; }

 private:
  Spec Describe() const override {
    return {L"BUTTON", WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX | BS_MULTILINE, 0, box_.Caption()};
  }
  void Show(Property what) override {
    if (what == Property::Text) SetText(box_.Caption());
    if (what == Property::Value) SendMessageW(hwnd_, BM_SETCHECK, static_cast<WPARAM>(box_.Value()), 0);
  }

  CheckBox& box_;
};

class OptionButtonPeer : public ControlWindow {
 public:
  OptionButtonPeer(FormWindow& owner, OptionButton& button, bool startsGroup)
      : ControlWindow(owner, button), button_(button), startsGroup_(startsGroup) {}

  void OnCommand(WORD code) override {
    // The system also reports a click on the button already chosen.
    if (code == BN_CLICKED && !button_.Value()) button_.UserClick();
  }
  bool TakesColors() const override { return true; }

 private:
  Spec Describe() const override {
    DWORD style = BS_AUTORADIOBUTTON;
    if (startsGroup_) style |= WS_GROUP | WS_TABSTOP;
    return {L"BUTTON", style, 0, button_.Caption()};
  }
  void Show(Property what) override {
    if (what == Property::Text) SetText(button_.Caption());
    if (what == Property::Value) SendMessageW(hwnd_, BM_SETCHECK, button_.Value() ? BST_CHECKED : BST_UNCHECKED, 0);
  }

  OptionButton& button_;
  bool startsGroup_;
};

class FramePeer : public ControlWindow {
 public:
  FramePeer(FormWindow& owner, Frame& frame) : ControlWindow(owner, frame), frame_(frame) {}
  bool TakesColors() const override { return true; }

 private:
  Spec Describe() const override { return {L"BUTTON", BS_GROUPBOX | WS_GROUP, 0, frame_.Caption()}; }
  void Show(Property what) override {
    if (what == Property::Text) SetText(frame_.Caption());
  }

  Frame& frame_;
};

}  // namespace

std::unique_ptr<ControlWindow> MakeCommandButtonPeer(FormWindow& owner, CommandButton& button) {
  return std::make_unique<CommandButtonPeer>(owner, button);
}

std::unique_ptr<ControlWindow> MakeCheckBoxPeer(FormWindow& owner, CheckBox& box) {
  return std::make_unique<CheckBoxPeer>(owner, box);
}

std::unique_ptr<ControlWindow> MakeOptionButtonPeer(FormWindow& owner, OptionButton& button, bool startsGroup) {
  return std::make_unique<OptionButtonPeer>(owner, button, startsGroup);
}

std::unique_ptr<ControlWindow> MakeFramePeer(FormWindow& owner, Frame& frame) { return std::make_unique<FramePeer>(owner, frame); }

}  // namespace rt::win32
