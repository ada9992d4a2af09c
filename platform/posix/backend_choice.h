// Which window system the Linux edition's services use: the rule, apart
// from the system calls that gather its facts, so that it is tested alone.
//
// - STRUMLET_BACKEND=x11 or =wayland forces one.
// - Otherwise Wayland when WAYLAND_DISPLAY names a compositor that offers
//   every protocol the program needs (wlroots-family compositors: sway,
//   Hyprland, labwc, river, Wayfire, ...); else X11, through XWayland under
//   a Wayland session; Wayland with what it offers when there is no X
//   display either.
// - Whatever is left out is named on standard error, with what still works.
#pragma once

#include <string>
#include <vector>

namespace rt::posix {

enum class Backend { X11, Wayland, None };

struct SessionFacts {
  std::string forced;               // STRUMLET_BACKEND, "" when unset
  bool waylandDisplay = false;      // WAYLAND_DISPLAY is set
  bool waylandConnected = false;    // the compositor accepted a connection
  std::string compositor;           // its name as the session gives it (XDG_CURRENT_DESKTOP), "" unknown
  // The protocols it lacks, each with what it gives ("typing", ...).
  std::vector<std::pair<std::string, std::string>> missing;
  bool xDisplay = false;            // an X display (XWayland under Wayland) accepts a connection
};

struct BackendChoice {
  Backend backend = Backend::None;
  std::string notice;  // for standard error, "" for nothing to say
};

BackendChoice ChooseBackend(const SessionFacts& facts);

}  // namespace rt::posix
