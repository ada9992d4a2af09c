// The window classes of the program's own windows, and the map from a form's
// window handle to its form window, which the window procedure and the
// message loop look up.
#pragma once

#include <windows.h>

namespace rt::win32 {

class FormWindow;

// Registers the forms' class once; the form windows pass themselves as the
// creation parameter, and the class procedure hands every message to them.
bool RegisterFormClass(HINSTANCE instance);
const wchar_t* FormClassName();

// The hidden application window: owns the forms that have no taskbar button.
HWND CreateApplicationWindow(HINSTANCE instance);

// The form window of a top-level handle, or null. A form window is known from
// its first message until it forgets itself.
FormWindow* FormOf(HWND window);
void ForgetForm(HWND window);

}  // namespace rt::win32
