#include "windows/window_walk.h"

#include <vector>

#include "platform/errors.h"
#include "platform/wildcard.h"

namespace strumlet {

namespace {

// The two restored rectangles of windows that are never listed, in pixels as
// they stand (not derived from the screen's size): an empty rectangle at
// (640, 512), the centre of a 1280 x 1024 screen, which is where windows that
// were never given a place of their own sit (hidden helper and tool windows
// of the shell and of other programs); and the whole of a 1280 x 1024
// screen, the rectangle of the shell's desktop window ("Program Manager") and
// of full-screen overlays on such a screen.
bool LeftOut(const rt::PlacementRect& r) {
  return (r.left == 640 && r.top == 512 && r.right == 640 && r.bottom == 512) ||
         (r.left == 0 && r.top == 0 && r.right == 1280 && r.bottom == 1024);
}

// Captions and class names are read as into a buffer of 255 units with room
// for the terminating zero: at most 254 units, one fewer when the 254th would
// be the first half of a surrogate pair.
constexpr std::size_t kTextUnits = 254;

}  // namespace

void ListTopWindows(rt::System& os, rt::ListBox& list, std::int16_t& WalkDepth, rt::WindowHandle StartWindow,
                    rt::ustring_view CaptionPattern, rt::ustring_view ClassPattern) {
  rt::WindowQueries& windows = os.Windows();
  if (WalkDepth == 0 && StartWindow == 0) StartWindow = windows.Desktop();

  // Depth first, the whole tree below a window walked before the window
  // itself is tested. The levels are kept in a list rather than on the call
  // stack, so that no depth of window tree can overflow the stack; WalkDepth
  // counts them as the nested calls would, and is back where it was however
  // the walk ends.
  const std::int16_t outer = WalkDepth;
  struct Restore {
    std::int16_t& depth;
    std::int16_t value;
    ~Restore() { depth = value; }
  } restore{WalkDepth, outer};
  auto enter = [&WalkDepth] {
    if (WalkDepth == 32767) throw rt::RuntimeError(rt::ErrorCode::Overflow, "Overflow");
    ++WalkDepth;
  };

  std::vector<rt::WindowHandle> levels;  // the window being walked at each level
  enter();
  rt::WindowHandle w = windows.FirstChild(StartWindow);
  for (;;) {
    if (w != 0) {
      // Into the tree below w, before w is tested.
      levels.push_back(w);
      enter();
      w = windows.FirstChild(w);
      continue;
    }
    --WalkDepth;
    if (levels.empty()) break;
    w = levels.back();
    levels.pop_back();

    rt::ustring caption = rt::CutUnits(windows.Caption(w), kTextUnits);
    rt::ustring className = rt::CutUnits(windows.ClassName(w), kTextUnits);
    if (rt::Like(className, ClassPattern) && rt::Like(caption, CaptionPattern)) {
      // All four are asked, whatever the first ones answer.
      bool orphan = windows.Owner(w) == 0;
      bool visible = windows.Visible(w);
      bool enabled = windows.Enabled(w);
      bool alive = windows.Exists(w);
      if (!caption.empty() && orphan && visible && enabled && alive && !LeftOut(windows.Placement(w))) {
        list.AddItem(caption);
      }
    }
    w = windows.NextSibling(w);
  }
}

}  // namespace strumlet
