#include "platform/win32/window_class.h"

#include <map>

#include "platform/resource_ids.h"
#include "platform/win32/form_window.h"

namespace rt::win32 {

namespace {

constexpr wchar_t kFormClass[] = STRUMLET_FORM_CLASS;
constexpr wchar_t kApplicationClass[] = L"StrumletApplication";

std::map<HWND, FormWindow*>& Forms() {
  static std::map<HWND, FormWindow*> forms;
  return forms;
}

LRESULT CALLBACK FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    // The first message, before CreateWindowEx returns: the form window
    // learns its handle here.
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* window = static_cast<FormWindow*>(create->lpCreateParams);
    window->Bind(hwnd);
    Forms()[hwnd] = window;
  }
  if (FormWindow* window = FormOf(hwnd)) return window->Proc(message, wParam, lParam);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

const wchar_t* FormClassName() { return kFormClass; }

bool RegisterFormClass(HINSTANCE instance) {
  static const bool registered = [instance] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = FormProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(STRUMLET_ICON_PROGRAM));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(STRUMLET_ICON_PROGRAM), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    return RegisterClassExW(&wc) != 0;
  }();
  return registered;
}

HWND CreateApplicationWindow(HINSTANCE instance) {
  static const bool registered = [instance] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = kApplicationClass;
    return RegisterClassExW(&wc) != 0;
  }();
  if (!registered) return nullptr;
  // Never shown: no taskbar button, no place on the screen.
  return CreateWindowExW(0, kApplicationClass, L"Strumlet", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
}

FormWindow* FormOf(HWND window) {
  auto it = Forms().find(window);
  return it == Forms().end() ? nullptr : it->second;
}

void ForgetForm(HWND window) { Forms().erase(window); }

}  // namespace rt::win32
