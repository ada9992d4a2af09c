#include "platform/font_fit.h"

namespace rt {

bool CaptionsFit(const Form& form, TextMeasure& m, int percent) {
  const int glyph = m.CheckGlyphWidth() + m.ToPixels(kGlyphGapTwips);
  for (const Control* c : form.Controls()) {
    const auto* captioned = dynamic_cast<const CaptionControl*>(c);
    if (!captioned || captioned->Caption().empty()) continue;
    const ustring& text = captioned->Caption();
    int width = m.ToPixels(c->Bounds().width);
    int height = m.ToPixels(c->Bounds().height);
    bool fit = true;
    switch (c->Kind()) {
      case ControlKind::Label: {
        bool large = static_cast<const Label*>(c)->Large;
        fit = m.WrappedFits(text, width, height, percent, large);
        break;
      }
      case ControlKind::CheckBox:
      case ControlKind::OptionButton: fit = m.WrappedFits(text, width - glyph, height, percent, false); break;
      case ControlKind::CommandButton:
        fit = m.WrappedFits(text, width - m.ToPixels(kButtonBorderTwips), height - m.ToPixels(kButtonBorderHeightTwips),
                            percent, false);
        break;
      case ControlKind::Frame: fit = m.SingleLineWidth(text, percent, false) <= width - m.ToPixels(240); break;
      default: break;
    }
    if (!fit) return false;
  }
  return true;
}

int FittingFontPercent(const Form& form, TextMeasure& measure) {
  int percent = kFontLargestPercent;
  for (; percent - kFontStepPercent >= kFontSmallestPercent; percent -= kFontStepPercent) {
    if (CaptionsFit(form, measure, percent)) return percent;
  }
  return percent;
}

}  // namespace rt
