// Where the window manager shows a window of the program's own: its outer
// frame on the screen, read from the server when asked, so that it holds
// whether or not the toolkit has heard of the frame yet. This header
// includes no X header, so that the toolkit's code can use it.
#pragma once

#include <optional>

struct _XDisplay;

namespace rt::x11 {

// A rectangle on the screen, in pixels.
struct ScreenRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// The outer frame of a top-level window: the client with the frame extents
// the window manager announces (_NET_FRAME_EXTENTS), else the window
// manager's frame window that holds it, else (no window manager) the
// window itself. Nothing when the window does not exist.
std::optional<ScreenRect> OuterFrame(_XDisplay* display, unsigned long window);

}  // namespace rt::x11
