#include "platform/win32/optional_functions.h"

namespace rt::win32::optional {

namespace {

// GetProcAddress returns a generic function pointer; converting it to the
// function's real type is how an optional system function is reached.
template <class F>
F Lookup(HMODULE module, const char* name) {
  if (!module) return nullptr;
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// user32 is always loaded in a program with windows.
template <class F>
F User32(const char* name) {
  return Lookup<F>(GetModuleHandleW(L"user32.dll"), name);
}

}  // namespace

GetDpiForWindowFn GetDpiForWindow() {
  static const auto fn = User32<GetDpiForWindowFn>("GetDpiForWindow");
  return fn;
}

GetDpiForSystemFn GetDpiForSystem() {
  static const auto fn = User32<GetDpiForSystemFn>("GetDpiForSystem");
  return fn;
}

AdjustWindowRectExForDpiFn AdjustWindowRectExForDpi() {
  static const auto fn = User32<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
  return fn;
}

SystemParametersInfoForDpiFn SystemParametersInfoForDpi() {
  static const auto fn = User32<SystemParametersInfoForDpiFn>("SystemParametersInfoForDpi");
  return fn;
}

IsHungAppWindowFn IsHungAppWindow() {
  static const auto fn = User32<IsHungAppWindowFn>("IsHungAppWindow");
  return fn;
}

InitCommonControlsExFn InitCommonControlsEx() {
  // Loaded, not imported; it stays loaded for the tooltips' lifetime, which
  // is the program's.
  static const auto fn = Lookup<InitCommonControlsExFn>(LoadLibraryW(L"comctl32.dll"), "InitCommonControlsEx");
  return fn;
}

}  // namespace rt::win32::optional
