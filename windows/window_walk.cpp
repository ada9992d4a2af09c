#include "windows/window_walk.h"

#include <optional>
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

  // Each query may be a request to the window system (on Windows, under
  // Wine, one round trip each for another program's window), so a window is
  // asked only what can still change its outcome: a pattern of stars alone
  // passes every text without it, and the first failed test settles the
  // rest. The patterns are still tested in their order (class name, then
  // caption), so that a malformed pattern fails where it did.
  const bool anyClass = rt::MatchesEverything(ClassPattern);
  const bool anyCaption = rt::MatchesEverything(CaptionPattern);
  // The list box shows what the walk adds in one go when the walk ends.
  rt::ListBox::Update update(list);

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

    bool matches = anyClass || rt::Like(rt::CutUnits(windows.ClassName(w), kTextUnits), ClassPattern);
    std::optional<rt::ustring> caption;
    if (matches && !anyCaption) {
      caption = rt::CutUnits(windows.Caption(w), kTextUnits);
      matches = rt::Like(*caption, CaptionPattern);
    }
    // A window inside another reports it as its parent (unless it was set
    // into it without the child style), so the owner settles most windows
    // first.
    if (matches && windows.Owner(w) == 0) {
      if (!caption) caption = rt::CutUnits(windows.Caption(w), kTextUnits);
      if (!caption->empty() && windows.Visible(w) && windows.Enabled(w) && windows.Exists(w) &&
          !LeftOut(windows.Placement(w))) {
        list.AddItem(*caption);
      }
    }
    w = windows.NextSibling(w);
  }
}

}  // namespace strumlet
