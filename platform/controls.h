// The control objects the forms are built from. Each control owns its state
// (text, caption, enabled flag, value, colours, list entries, timer settings,
// geometry in twips, tab index, tooltip) and fires its events. A backend
// realises a control as a native widget through a ControlPeer, which the
// control tells about every change of its state; the backend reports what the
// user does through the control's User* methods.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/text.h"

namespace rt {

class Form;
class Control;

// Colours are OLE colour values: 0x00BBGGRR, or a system colour index with the
// top bit set (0x8000000F is the button face).
using Color = std::uint32_t;
inline constexpr Color kButtonFace = 0x8000000F;
inline constexpr Color kWindowText = 0x80000012;
inline constexpr Color kWindowBackground = 0x80000005;
inline constexpr Color kRed = 0x000000FF;
inline constexpr Color kBlack = 0x00000000;

// Whether the colour is a system colour (the top bit set), and its index
// among the system's colours (the button face is 15).
constexpr bool IsSystemColor(Color color) { return (color & 0x80000000u) != 0; }
constexpr int SystemColorIndex(Color color) { return static_cast<int>(color & 0xFFu); }

enum class ControlKind { TextBox, Label, CommandButton, CheckBox, OptionButton, Frame, ListBox, Timer, PictureBox, Line };

// What changed, so that a peer updates only that part of its native widget.
enum class Property { Text, Enabled, Value, Colors, Geometry, List, ListIndex, TimerState, Focus, Visible };

class ControlPeer {
 public:
  virtual ~ControlPeer() = default;
  virtual void Sync(Property what) = 0;
};

// Positions and sizes in twips, from the top-left corner of the client area of
// the form (or of the frame that holds the control).
struct TwipsRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

class Control {
 public:
  Control(Form& form, ControlKind kind, int id, std::string name);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlKind Kind() const { return kind_; }
  int Id() const { return id_; }
  const std::string& Name() const { return name_; }
  Form& Parent() const { return form_; }

  // The frame that holds this control, or null for the form itself.
  Control* Container() const { return container_; }
  void SetContainer(Control* frame) { container_ = frame; }

  const TwipsRect& Bounds() const { return bounds_; }
  void Move(int left, int top, int width, int height);

  int TabIndex() const { return tabIndex_; }
  void SetTabIndex(int index) { tabIndex_ = index; }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

  const ustring& ToolTipText() const { return toolTip_; }
  void SetToolTipText(ustring text) { toolTip_ = std::move(text); }

  Color BackColor() const { return backColor_; }
  void SetBackColor(Color color);
  Color ForeColor() const { return foreColor_; }
  void SetForeColor(Color color);

  // Moves the keyboard focus to this control.
  void SetFocus();

  void AttachPeer(std::unique_ptr<ControlPeer> peer) { peer_ = std::move(peer); }
  std::unique_ptr<ControlPeer> DetachPeer() { return std::move(peer_); }
  ControlPeer* Peer() const { return peer_.get(); }

 protected:
  void Notify(Property what) const;
  // Runs an event handler through the application's dispatcher.
  void Fire(const std::function<void()>& handler) const;

 private:
  Form& form_;
  ControlKind kind_;
  int id_;
  std::string name_;
  Control* container_ = nullptr;
  TwipsRect bounds_;
  int tabIndex_ = 0;
  bool enabled_ = true;
  bool visible_ = true;
  ustring toolTip_;
  Color backColor_ = kButtonFace;
  Color foreColor_ = kWindowText;
  std::unique_ptr<ControlPeer> peer_;
};

// Controls whose text is a caption: labels, buttons, check and option
// buttons, frames.
class CaptionControl : public Control {
 public:
  using Control::Control;
  const ustring& Caption() const { return caption_; }
  void SetCaption(ustring caption);

 private:
  ustring caption_;
};

class TextBox : public Control {
 public:
  TextBox(Form& form, int id, std::string name);

  const ustring& Text() const { return text_; }
  // Sets the text from the program. Fires Change when the text differs. The
  // length limit applies to the user's typing, not to the program.
  void SetText(ustring text);
  // The native box reports the user's edit; fires Change.
  void UserSetText(ustring text);
  // The user types or pastes `text` at the end of the box: as much of it as
  // there is room for under MaxLength goes in, never half a surrogate pair,
  // and fires Change once when anything did. Returns the units inserted.
  std::size_t UserInsert(ustring_view text);

  // The most UTF-16 units the user can type or paste; 0 means no limit.
  // What the program assigns to Text is not limited, and a text already
  // longer than the limit stays as it is.
  std::size_t MaxLength() const { return maxLength_; }
  void SetMaxLength(std::size_t length) { maxLength_ = length; }

  bool MultiLine = false;
  bool VerticalScrollBar = false;
  bool Locked = false;

  std::function<void()> Change;

 private:
  ustring text_;
  std::size_t maxLength_ = 0;
};

enum class Alignment { Left, Right, Center };

class Label : public CaptionControl {
 public:
  Label(Form& form, int id, std::string name);
  Alignment TextAlign = Alignment::Left;
  // Shown in a larger, bold font (a title).
  bool Large = false;
};

class CommandButton : public CaptionControl {
 public:
  CommandButton(Form& form, int id, std::string name);
  // The user (or the keyboard) pressed the button.
  void UserClick();
  bool Default = false;  // clicked by Enter
  bool Cancel = false;   // clicked by Esc
  std::function<void()> Click;
};

class CheckBox : public CaptionControl {
 public:
  CheckBox(Form& form, int id, std::string name);
  // 0 unchecked, 1 checked, 2 greyed.
  int Value() const { return value_; }
  void SetValue(int value);
  // The user toggled the box: the value flips between 0 and 1, then Click.
  void UserClick();
  std::function<void()> Click;

 private:
  int value_ = 0;
};

class OptionButton : public CaptionControl {
 public:
  OptionButton(Form& form, int id, std::string name);
  bool Value() const { return value_; }
  // Selecting a button clears the other option buttons of its container: the
  // buttons of one frame are one exclusive group.
  void SetValue(bool value);
  void UserClick();
  std::function<void()> Click;

 private:
  bool value_ = false;
};

class Frame : public CaptionControl {
 public:
  Frame(Form& form, int id, std::string name);
};

class ListBox : public Control {
 public:
  ListBox(Form& form, int id, std::string name);
  void Clear();
  void AddItem(ustring item);
  int ListCount() const { return static_cast<int>(items_.size()); }
  const ustring& List(int index) const;
  // -1 when nothing is selected.
  int ListIndex() const { return listIndex_; }
  // Selecting an entry from the program fires Click, as the user's does.
  void SetListIndex(int index);
  void UserSelect(int index);
  const std::vector<ustring>& Items() const { return items_; }
  std::function<void()> Click;

  // While an Update is open, entries added to the list are in it at once but
  // reach the native widget together when the last Update closes (however
  // the filling code ends): a fill of a thousand entries redraws the box
  // once, not a thousand times. Clearing the list and selecting an entry
  // reach it at once.
  class Update {
   public:
    explicit Update(ListBox& list) : list_(list) { ++list_.updates_; }
    ~Update() {
      if (--list_.updates_ == 0) list_.ShowPending();
    }
    Update(const Update&) = delete;
    Update& operator=(const Update&) = delete;

   private:
    ListBox& list_;
  };

 private:
  void ShowPending();

  std::vector<ustring> items_;
  int listIndex_ = -1;
  int updates_ = 0;
  bool pending_ = false;  // entries added that the widget has not been told of
};

class Timer : public Control {
 public:
  Timer(Form& form, int id, std::string name);
  int Interval() const { return interval_; }
  void SetInterval(int milliseconds);
  bool TimerEnabled() const { return timerEnabled_; }
  // Enabling (again) starts the period afresh from this moment.
  void SetTimerEnabled(bool enabled);
  // One period has passed; fires Tick while enabled.
  void UserTick();
  // The system would not run the timer: it stops, and Refused gets the
  // system's reason (without a handler, a message box shows it).
  void UserRefused(ustring reason);
  std::function<void()> Tick;
  std::function<void(const ustring& reason)> Refused;

 private:
  int interval_ = 0;
  bool timerEnabled_ = true;
};

class PictureBox : public Control {
 public:
  PictureBox(Form& form, int id, std::string name);
  int IconResource = 0;  // the icon shown, by resource number
};

class Line : public Control {
 public:
  Line(Form& form, int id, std::string name);
  int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;  // twips
  int BorderWidth = 1;                  // pixels
  Color BorderColor = kBlack;
};

}  // namespace rt
