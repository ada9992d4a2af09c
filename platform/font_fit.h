// The font of a form's controls: the system's message font at the largest
// size, from its own down to two thirds of it, at which every caption fits
// its control. A title label gets a bold font half as large again.
//
// What fits: a label's caption wrapped at word breaks inside the label; a
// check or option button's beside its glyph; a command button's inside its
// border (it may wrap onto two lines); a frame's on one line beside its
// corners.
#pragma once

#include "platform/form.h"
#include "platform/text.h"

namespace rt {

// Measures text as a backend draws it, in the form's pixels.
class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  // Whether the text wrapped at word breaks fits `width` x `height` pixels:
  // no word wider than the width, no more lines than the height holds. The
  // font is the message font at `percent` of its size, bold and half as
  // large again when `large`.
  virtual bool WrappedFits(ustring_view text, int width, int height, int percent, bool large) = 0;
  virtual int SingleLineWidth(ustring_view text, int percent, bool large) = 0;
  // The width of the box or circle of a check or option button.
  virtual int CheckGlyphWidth() = 0;
  virtual int ToPixels(int twips) = 0;
};

// The room a caption has, in twips less than its control: a command
// button's border, and the gap between a check or option button's glyph and
// its caption.
inline constexpr int kButtonBorderTwips = 120;
inline constexpr int kButtonBorderHeightTwips = 60;
inline constexpr int kGlyphGapTwips = 60;

inline constexpr int kFontLargestPercent = 100;
inline constexpr int kFontSmallestPercent = 66;
inline constexpr int kFontStepPercent = 4;

// Whether every caption of the form fits at that size.
bool CaptionsFit(const Form& form, TextMeasure& measure, int percent);

// The size, in percent of the message font, that the form's controls get:
// the largest that fits, or the smallest when none does.
int FittingFontPercent(const Form& form, TextMeasure& measure);

// The size of a title label's font, in percent of the message font, for the
// controls' size.
constexpr int LargeFontPercent(int percent) { return percent * 3 / 2; }

}  // namespace rt
