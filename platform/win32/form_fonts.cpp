#include "platform/win32/form_fonts.h"

#include <algorithm>
#include <map>
#include <utility>

#include "platform/font_fit.h"
#include "platform/twips.h"
#include "platform/win32/control_window.h"
#include "platform/win32/dpi.h"
#include "platform/win32/native_text.h"

namespace rt::win32 {

namespace {

HFONT ScaledFont(const LOGFONTW& base, int percent, bool bold) {
  LOGFONTW lf = base;
  lf.lfHeight = MulDiv(lf.lfHeight, percent, 100);
  if (lf.lfHeight == 0) lf.lfHeight = -1;
  if (bold) lf.lfWeight = FW_BOLD;
  return CreateFontIndirectW(&lf);
}

// Text as the controls draw it (DrawText, access-key markers hidden), in the
// window's device context. Owns the fonts it makes; Take hands one over.
class GdiTextMeasure : public TextMeasure {
 public:
  GdiTextMeasure(HWND window, UINT dpi) : window_(window), dc_(GetDC(window)), dpi_(dpi) {
    HFONT base = CreateMessageFont(dpi);
    GetObjectW(base, sizeof(base_), &base_);
    DeleteObject(base);
    original_ = SelectObject(dc_, GetStockObject(DEFAULT_GUI_FONT));
  }
  ~GdiTextMeasure() override {
    SelectObject(dc_, original_);
    ReleaseDC(window_, dc_);
    for (auto& [key, font] : fonts_) DeleteObject(font);
  }
  GdiTextMeasure(const GdiTextMeasure&) = delete;
  GdiTextMeasure& operator=(const GdiTextMeasure&) = delete;

  bool WrappedFits(ustring_view text, int width, int height, int percent, bool large) override {
    Select(percent, large);
    RECT r{0, 0, std::max(width, 1), 0};
    std::wstring w = Wide(text);
    DrawTextW(dc_, w.c_str(), static_cast<int>(w.size()), &r, DT_CALCRECT | DT_WORDBREAK);
    return r.right <= width && r.bottom <= height;
  }

  int SingleLineWidth(ustring_view text, int percent, bool large) override {
    Select(percent, large);
    RECT r{0, 0, 0, 0};
    std::wstring w = Wide(text);
    DrawTextW(dc_, w.c_str(), static_cast<int>(w.size()), &r, DT_CALCRECT | DT_SINGLELINE);
    return r.right;
  }

  int CheckGlyphWidth() override {
    // The system metric is at the system DPI.
    return MulDiv(GetSystemMetrics(SM_CXMENUCHECK), static_cast<int>(dpi_), static_cast<int>(SystemDpi()));
  }

  int ToPixels(int twips) override { return TwipsToPixels(twips, static_cast<int>(dpi_)); }

  // The font at that size, now the caller's to delete.
  HFONT Take(int percent, bool large) {
    HFONT font = Font(percent, large);
    fonts_.erase({percent, large});
    return font;
  }

 private:
  HFONT Font(int percent, bool large) {
    auto key = std::make_pair(percent, large);
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second;
    HFONT font = ScaledFont(base_, large ? LargeFontPercent(percent) : percent, large);
    fonts_[key] = font;
    return font;
  }
  void Select(int percent, bool large) { SelectObject(dc_, Font(percent, large)); }

  HWND window_;
  HDC dc_;
  UINT dpi_;
  LOGFONTW base_{};
  HGDIOBJ original_ = nullptr;
  std::map<std::pair<int, bool>, HFONT> fonts_;
};

}  // namespace

FormFonts::~FormFonts() {
  if (font_) DeleteObject(font_);
  if (large_) DeleteObject(large_);
}

void FormFonts::Apply(HWND window, const Form& form, UINT dpi, const std::vector<ControlWindow*>& controls) {
  HFONT font = nullptr;
  HFONT large = nullptr;
  {
    GdiTextMeasure measure(window, dpi);
    int percent = FittingFontPercent(form, measure);
    // Taken out before the measure deletes the other fonts it made.
    font = measure.Take(percent, false);
    large = measure.Take(percent, true);
  }
  for (ControlWindow* c : controls) {
    if (!c->Hwnd()) continue;
    SendMessageW(c->Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(c->LargeFont() ? large : font), TRUE);
  }
  if (font_) DeleteObject(font_);
  if (large_) DeleteObject(large_);
  font_ = font;
  large_ = large;
}

}  // namespace rt::win32
