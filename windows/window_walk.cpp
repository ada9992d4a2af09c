// The walk over the desktop's windows that fills the window list.
#include <cstdint>
#include <vector>

#include "mainwin/form1.h"
#include "platform/errors.h"
#include "platform/wildcard.h"

namespace strumlet {

namespace {

// The two restored rectangles of windows that are never listed.
bool LeftOut(const rt::PlacementRect& r) {
  return (r.left == 640 && r.top == 512 && r.right == 640 && r.bottom == 512) ||
         (r.left == 0 && r.top == 0 && r.right == 1280 && r.bottom == 1024);
}

}  // namespace

void Form1::ListTopWindows(rt::WindowHandle StartWindow, rt::ustring_view CaptionPattern, rt::ustring_view ClassPattern) {
  rt::System& os = Application().Os();
  if (WalkDepth == 0 && StartWindow == 0) StartWindow = os.GetDesktopWindow();

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
  auto enter = [this] {
    if (WalkDepth == 32767) throw rt::RuntimeError(rt::ErrorCode::Overflow, "Overflow");
    ++WalkDepth;
  };

  // The walk fills the window-list dialog: it is created and loaded
  // (hidden) if it is not loaded yet.
  Form3& dialog = WindowList.Get();
  Application().Load(dialog);
  rt::ListBox& list = dialog.List1;
  std::vector<rt::WindowHandle> levels;  // the window being walked at each level
  enter();
  rt::WindowHandle w = os.GetWindow(StartWindow, rt::kGwChild);
  for (;;) {
    if (w != 0) {
      // Into the tree below w, before w is tested.
      levels.push_back(w);
      enter();
      w = os.GetWindow(w, rt::kGwChild);
      continue;
    }
    --WalkDepth;
    if (levels.empty()) break;
    w = levels.back();
    levels.pop_back();

    rt::ustring caption = os.WindowText(w);
    rt::ustring className = os.WindowClassName(w);
    if (rt::Like(className, ClassPattern) && rt::Like(caption, CaptionPattern)) {
      bool orphan = os.GetParent(w) == 0;
      bool visible = os.IsWindowVisible(w);
      bool enabled = os.IsWindowEnabled(w);
      bool alive = os.IsWindow(w);
      if (!caption.empty() && orphan && visible && enabled && alive && !LeftOut(os.GetWindowPlacement(w))) {
        list.AddItem(caption);
      }
    }
    w = os.GetWindow(w, rt::kGwHwndNext);
  }
}

void Form1::Command7_Click() {
  // Moving the dialog loads it (hidden) if it is not loaded yet.
  Form3& dialog = WindowList.Get();
  Application().Load(dialog);
  // Beside the main window: its top, at its right edge (outer frames, in
  // twips, added in single precision).
  rt::TwipsRect main = Bounds();
  float top = static_cast<float>(main.top);
  float left = static_cast<float>(main.left) + static_cast<float>(main.width);
  dialog.MoveTo(static_cast<int>(left), static_cast<int>(top));
  dialog.Target = &Text1;
  dialog.Show();
  dialog.List1.Clear();
  ListTopWindows(0, u"*", u"*");
  dialog.Label1.SetCaption(rt::DecimalText(dialog.List1.ListCount()) + u" windows found.");
}

}  // namespace strumlet
