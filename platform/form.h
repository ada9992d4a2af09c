// Forms: top-level windows with their controls as members. A form is loaded
// (its Form_Load run) before it is first shown, stays loaded until it is
// unloaded, and is realised by the backend as a native window.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/text.h"

namespace rt {

class App;

enum class BorderStyle { Sizable, FixedSingle, FixedDialog };
enum class StartPosition { Manual, WindowsDefault };
enum class WindowState { Normal, Minimized };

// What changed on a form, for its peer.
enum class FormProperty { Caption, WindowState, Position, Visible };

class FormPeer {
 public:
  virtual ~FormPeer() = default;
  virtual void Sync(FormProperty what) = 0;
  // The outer frame's position and size on the screen, in twips.
  virtual TwipsRect OuterBounds() const = 0;
  // Whether the native window is the active (foreground) window.
  virtual bool IsActive() const = 0;
};

class Form {
 public:
  Form(App& app, std::string name);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  App& Application() const { return app_; }
  const std::string& Name() const { return name_; }

  const ustring& Caption() const { return caption_; }
  void SetCaption(ustring caption);

  WindowState State() const { return state_; }
  void SetWindowState(WindowState state);

  // Client-area size in twips, fixed at design time.
  int ClientWidth = 0;
  int ClientHeight = 0;
  BorderStyle Border = BorderStyle::Sizable;
  bool MinButton = true;
  bool MaxButton = true;
  bool ShowInTaskbar = true;
  bool KeyPreview = false;
  StartPosition StartUp = StartPosition::WindowsDefault;
  // With StartUp Manual: the top-left corner of the client area, in twips
  // from the screen's top-left corner.
  int StartLeft = 0;
  int StartTop = 0;

  // The outer frame's position and size on the screen, in twips.
  TwipsRect Bounds() const;
  // Places the outer frame's top-left corner at (left, top) twips on the
  // screen, overriding the start position.
  void MoveTo(int left, int top);
  // The last position given to MoveTo, for the backend.
  const TwipsRect& RequestedPosition() const { return pendingMove_; }
  bool WasMoved() const { return moved_; }

  bool Loaded() const { return loaded_; }
  bool Visible() const { return visible_; }
  // True once the form has been unloaded: the object is finished with, and
  // the next use of the form creates a new one.
  bool Discarded() const { return discarded_; }
  bool IsActive() const;

  // Loads the form if needed, then makes it visible (modeless).
  void Show();
  // Runs Form_Unload and closes the form; a form that is not loaded is left
  // alone.
  void Unload();

  const std::vector<Control*>& Controls() const { return controls_; }
  Control* FindControl(int id) const;

  // Event handlers, overridden by the concrete forms.
  virtual void Form_Load() {}
  virtual void Form_Unload(int& cancel) { (void)cancel; }
  // keyCode is a virtual-key code, shift the mask 1 Shift, 2 Ctrl, 4 Alt.
  virtual void Form_KeyUp(int keyCode, int shift) { (void)keyCode, (void)shift; }

  void AttachPeer(std::unique_ptr<FormPeer> peer) { peer_ = std::move(peer); }
  std::unique_ptr<FormPeer> DetachPeer() { return std::move(peer_); }
  FormPeer* Peer() const { return peer_.get(); }

 private:
  friend class Control;
  friend class App;
  void Register(Control* control) { controls_.push_back(control); }
  void Deregister(Control* control);
  void Notify(FormProperty what) const;

  App& app_;
  std::string name_;
  ustring caption_;
  WindowState state_ = WindowState::Normal;
  TwipsRect pendingMove_{};
  bool moved_ = false;
  bool loaded_ = false;
  bool visible_ = false;
  bool discarded_ = false;
  bool unloading_ = false;
  std::vector<Control*> controls_;
  std::unique_ptr<FormPeer> peer_;
};

}  // namespace rt
