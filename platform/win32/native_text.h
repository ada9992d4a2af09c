// The program's UTF-16 text and the system's wide strings, which are the same
// code units.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/text.h"

namespace rt::win32 {

inline std::wstring Wide(ustring_view text) { return std::wstring(text.begin(), text.end()); }

// The whole text of a native window.
inline ustring WindowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring buffer(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
  int copied = GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()));
  return ustring(buffer.begin(), buffer.begin() + std::max(copied, 0));
}

}  // namespace rt::win32
