// What shows and is not used: labels and pictures (STATIC windows), and
// lines, which the form draws itself.
#include "platform/win32/control_window.h"
#include "platform/win32/form_window.h"
#include "platform/win32/peers.h"

namespace rt::win32 {

namespace {

class LabelPeer : public ControlWindow {
 public:
  LabelPeer(FormWindow& owner, Label& label) : ControlWindow(owner, label), label_(label) {}
  bool TakesColors() const override { return true; }
  bool LargeFont() const override { return label_.Large; }

 private:
  Spec Describe() const override {
    DWORD align = label_.TextAlign == Alignment::Right ? SS_RIGHT : label_.TextAlign == Alignment::Center ? SS_CENTER : SS_LEFT;
    return {L"STATIC", align, 0, label_.Caption()};
  }
  void Show(Property what) override {
    if (what == Property::Text) SetText(label_.Caption());
  }

  Label& label_;
};

class PicturePeer : public ControlWindow {
 public:
  PicturePeer(FormWindow& owner, PictureBox& picture) : ControlWindow(owner, picture), picture_(picture) {}
  bool TakesColors() const override { return true; }

 private:
  Spec Describe() const override { return {L"STATIC", SS_ICON | SS_CENTERIMAGE, 0, {}}; }
  void Created() override {
    if (picture_.IconResource == 0) return;
    // A resource icon is shared and never destroyed.
    HICON icon = LoadIconW(Instance(), MAKEINTRESOURCEW(picture_.IconResource));
    SendMessageW(hwnd_, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  }

  PictureBox& picture_;
};

// No window of its own: the form paints its lines.
class LinePeer : public ControlWindow {
 public:
  LinePeer(FormWindow& owner, Line& line) : ControlWindow(owner, line) {}
  bool Realise() override { return true; }
  void Sync(Property what) override {
    if (what == Property::Geometry || what == Property::Colors || what == Property::Visible) owner_.Repaint();
  }

 private:
  Spec Describe() const override { return {L"STATIC", 0, 0, {}}; }
};

}  // namespace

std::unique_ptr<ControlWindow> MakeLabelPeer(FormWindow& owner, Label& label) { return std::make_unique<LabelPeer>(owner, label); }

std::unique_ptr<ControlWindow> MakePicturePeer(FormWindow& owner, PictureBox& picture) {
  return std::make_unique<PicturePeer>(owner, picture);
}

std::unique_ptr<ControlWindow> MakeLinePeer(FormWindow& owner, Line& line) { return std::make_unique<LinePeer>(owner, line); }

}  // namespace rt::win32
