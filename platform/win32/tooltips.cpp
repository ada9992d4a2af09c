#include "platform/win32/tooltips.h"

#include <commctrl.h>

#include "platform/win32/native_text.h"
#include "platform/win32/optional_functions.h"

namespace rt::win32 {

namespace {

bool CommonControlsReady() {
  static const bool ready = [] {
    const auto init = optional::InitCommonControlsEx();
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    return init && init(&icc);
  }();
  return ready;
}

}  // namespace

void ToolTips::Add(HWND form, HWND control, const ustring& text) {
  if (!window_) {
    if (!CommonControlsReady()) return;
    window_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, form, nullptr, nullptr, nullptr);
    if (!window_) return;
  }
  std::wstring tip = Wide(text);
  TOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = form;
  info.uId = reinterpret_cast<UINT_PTR>(control);
  info.lpszText = tip.data();
  SendMessageW(window_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void ToolTips::Destroy() {
  if (window_) DestroyWindow(window_);
  window_ = nullptr;
}

}  // namespace rt::win32
