#include "platform/win32/dpi.h"

#include "platform/twips.h"
#include "platform/win32/optional_functions.h"

namespace rt::win32 {

UINT SystemDpi() {
  const auto getDpiForSystem = optional::GetDpiForSystem();
  if (getDpiForSystem) return getDpiForSystem();
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

int ScreenTwipsToPixels(int twips) { return TwipsToPixels(twips, static_cast<int>(SystemDpi())); }

int ScreenPixelsToTwips(int pixels) { return PixelsToTwips(pixels, static_cast<int>(SystemDpi())); }

UINT WindowDpi(HWND window) {
  const auto getDpiForWindow = optional::GetDpiForWindow();
  if (getDpiForWindow && window) {
    UINT dpi = getDpiForWindow(window);
    if (dpi != 0) return dpi;
  }
  return SystemDpi();
}

BOOL AdjustWindowRectForDpi(RECT* rect, DWORD style, DWORD exStyle, UINT dpi) {
  const auto adjust = optional::AdjustWindowRectExForDpi();
  if (adjust) return adjust(rect, style, FALSE, exStyle, dpi);
  return AdjustWindowRectEx(rect, style, FALSE, exStyle);
}

HFONT CreateMessageFont(UINT dpi) {
  const auto spiForDpi = optional::SystemParametersInfoForDpi();
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (spiForDpi && spiForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi)) {
    return CreateFontIndirectW(&metrics.lfMessageFont);
  }
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    // Without the per-DPI query the metrics are at the system DPI.
    UINT system = SystemDpi();
    if (system != dpi) metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), static_cast<int>(system));
    return CreateFontIndirectW(&metrics.lfMessageFont);
  }
  return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

}  // namespace rt::win32
