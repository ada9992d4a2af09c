// A list box: a LISTBOX window showing the model's list, and reporting the
// user's choice.
#include "platform/win32/control_window.h"
#include "platform/win32/native_text.h"
#include "platform/win32/peers.h"

namespace rt::win32 {

namespace {

class ListPeer : public ControlWindow {
 public:
  ListPeer(FormWindow& owner, ListBox& list) : ControlWindow(owner, list), list_(list) {}

  void OnCommand(WORD code) override {
    if (code != LBN_SELCHANGE) return;
    LRESULT index = SendMessageW(hwnd_, LB_GETCURSEL, 0, 0);
    list_.UserSelect(index == LB_ERR ? -1 : static_cast<int>(index));
  }

 private:
  Spec Describe() const override {
    return {L"LISTBOX", WS_TABSTOP | WS_GROUP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE, {}};
  }

  void Show(Property what) override {
    if (what == Property::List) ShowList();
    if (what == Property::ListIndex) SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(list_.ListIndex()), 0);
  }

  void ShowList() {
    LRESULT native = SendMessageW(hwnd_, LB_GETCOUNT, 0, 0);
    if (native < 0 || native > list_.ListCount()) {
      SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
      native = 0;
    }
    const int first = static_cast<int>(native);
    const int count = list_.ListCount() - first;
    // A box redraws itself and its scroll bar for each entry added: on
    // screen that is a repaint per entry, and even hidden it costs the
    // window system a request per entry. Many entries go in with redrawing
    // off, and the box is redrawn once. Only a box that is shown by its own
    // style is switched (turning redrawing on again shows a window).
    const bool quiet = count > 1 && (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
    if (quiet) SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    if (count > 1) {
      // Room for the new entries at once, rather than growing per entry.
      std::size_t bytes = 0;
      for (int i = first; i < list_.ListCount(); ++i) bytes += (list_.List(i).size() + 1) * sizeof(wchar_t);
      SendMessageW(hwnd_, LB_INITSTORAGE, static_cast<WPARAM>(count), static_cast<LPARAM>(bytes));
    }
    // Entry i of the box is entry i of the list. When the box takes no more
    // (LB_ERR, LB_ERRSPACE) it shows the first entries only, never a later
    // entry in an earlier place; the next change tries again.
    for (int i = first; i < list_.ListCount(); ++i) {
      LRESULT added = SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(list_.List(i)).c_str()));
      if (added != i) {
        if (added >= 0) SendMessageW(hwnd_, LB_DELETESTRING, static_cast<WPARAM>(added), 0);
        break;
      }
    }
    if (quiet) {
      SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
      RedrawWindow(hwnd_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
  }

  ListBox& list_;
};

}  // namespace

std::unique_ptr<ControlWindow> MakeListPeer(FormWindow& owner, ListBox& list) { return std::make_unique<ListPeer>(owner, list); }

}  // namespace rt::win32
