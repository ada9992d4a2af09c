#include "platform/font_fit.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "platform/twips.h"

namespace {

// A monospaced font as a text layout engine measures it: every character
// `charWidth` pixels at full size, lines `lineHeight` pixels, both scaled by
// the percentage; words wrap greedily at blanks; an "&" marks the next
// character as the access key and takes no room ("&&" is one "&").
class MonospaceMeasure : public rt::TextMeasure {
 public:
  int charWidth = 7;
  int lineHeight = 13;
  int glyph = 13;
  int dpi = 96;

  static rt::ustring Shown(rt::ustring_view text) {
    rt::ustring out;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == u'&' && i + 1 < text.size()) ++i;
      out += text[i];
    }
    return out;
  }
  int Width(std::size_t chars, int percent, bool large) const {
    int size = large ? rt::LargeFontPercent(percent) : percent;
    return static_cast<int>(chars) * charWidth * size / 100;
  }
  bool WrappedFits(rt::ustring_view text, int width, int height, int percent, bool large) override {
    rt::ustring shown = Shown(text);
    int size = large ? rt::LargeFontPercent(percent) : percent;
    int lines = 1;
    std::size_t used = 0;  // characters on the current line
    std::size_t start = 0;
    while (start <= shown.size()) {
      std::size_t end = shown.find(u' ', start);
      if (end == rt::ustring::npos) end = shown.size();
      std::size_t word = end - start;
      if (Width(word, percent, large) > width) return false;
      std::size_t needed = used == 0 ? word : used + 1 + word;
      if (used != 0 && Width(needed, percent, large) > width) {
        ++lines;
        used = word;
      } else {
        used = needed;
      }
      start = end + 1;
    }
    return lines * lineHeight * size / 100 <= height;
  }
  int SingleLineWidth(rt::ustring_view text, int percent, bool large) override {
    return Width(Shown(text).size(), percent, large);
  }
  int CheckGlyphWidth() override { return glyph; }
  int ToPixels(int twips) override { return rt::TwipsToPixels(twips, dpi); }
};

class CaptionForm : public rt::Form {
 public:
  explicit CaptionForm(rt::App& app) : Form(app, "CaptionForm") {}
  std::vector<std::unique_ptr<rt::Control>> owned;
  template <class C>
  C& Add(rt::ustring caption, int width, int height) {
    auto c = std::make_unique<C>(*this, static_cast<int>(owned.size()) + 1, "c");
    c->SetCaption(std::move(caption));
    c->Move(0, 0, width, height);
    C& ref = *c;
    owned.push_back(std::move(c));
    return ref;
  }
};

struct Fixture {
  rt::fake::FakeSystem os;
  rt::fake::FakeBackend backend;
  rt::App app{os, backend, rt::AppInfo{}};
  CaptionForm form{app};
  MonospaceMeasure measure;
};

// Widths in twips at 96 DPI: 15 twips are one pixel.
TEST(FontFit, TheLargestSizeAtWhichEveryCaptionFits) {
  const struct {
    const char* name;
    rt::ControlKind kind;
    const char16_t* caption;
    int width, height;  // twips
    bool large;
    int expected;  // percent
  } cases[] = {
      // "Counter:" is 8 characters: 56 px at full size.
      {"label with room", rt::ControlKind::Label, u"Counter:", 900, 300, false, 100},
      {"label just wide enough", rt::ControlKind::Label, u"Counter:", 56 * 15, 13 * 15, false, 100},
      {"label a pixel short", rt::ControlKind::Label, u"Counter:", 55 * 15, 13 * 15, false, 96},
      // Two words on two lines fit a narrow, tall label at full size.
      {"label wraps", rt::ControlKind::Label, u"Keys to send:", 60 * 15, 26 * 15, false, 100},
      {"label too low to wrap", rt::ControlKind::Label, u"Keys to send:", 60 * 15, 20 * 15, false, 80},
      {"title label is larger", rt::ControlKind::Label, u"Strumlet", 84 * 15, 20 * 15, true, 100},
      {"title label shrinks", rt::ControlKind::Label, u"Strumlet", 70 * 15, 20 * 15, true, 84},
      // The access-key marker takes no room: "Restart Counter" is 15.
      {"button border", rt::ControlKind::CommandButton, u"Restart &Counter", 105 * 15 + 120, 13 * 15 + 60, false, 100},
      {"button wraps onto two lines", rt::ControlKind::CommandButton, u"Restart &Counter", 60 * 15 + 120, 26 * 15 + 60,
       false, 100},
      // A check box's text sits beside a 13-pixel glyph and 60 twips.
      {"check box beside its glyph", rt::ControlKind::CheckBox, u"No target window", 112 * 15 + 13 * 15 + 60, 300,
       false, 100},
      {"check box short of the glyph", rt::ControlKind::CheckBox, u"No target window", 112 * 15 + 60, 300, false, 88},
      // A frame's caption stays on one line between its corners.
      {"frame", rt::ControlKind::Frame, u"Run", 21 * 15 + 240, 600, false, 100},
      // It would fit on two lines at full size, but a frame has one.
      {"frame never wraps", rt::ControlKind::Frame, u"Run run", 30 * 15 + 240, 6000, false, 68},
      // Nothing fits: the smallest step is taken.
      {"nothing fits", rt::ControlKind::Label, u"An overly long caption", 15, 15, false, 68},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    switch (c.kind) {
      case rt::ControlKind::Label: f.form.Add<rt::Label>(c.caption, c.width, c.height).Large = c.large; break;
      case rt::ControlKind::CommandButton: f.form.Add<rt::CommandButton>(c.caption, c.width, c.height); break;
      case rt::ControlKind::CheckBox: f.form.Add<rt::CheckBox>(c.caption, c.width, c.height); break;
      case rt::ControlKind::Frame: f.form.Add<rt::Frame>(c.caption, c.width, c.height); break;
      default: FAIL();
    }
    EXPECT_EQ(rt::FittingFontPercent(f.form, f.measure), c.expected);
  }
}

TEST(FontFit, OneControlThatDoesNotFitShrinksThemAll) {
  Fixture f;
  f.form.Add<rt::Label>(u"Counter:", 900, 300);
  f.form.Add<rt::Label>(u"", 15, 15);  // no caption: nothing to fit
  EXPECT_EQ(rt::FittingFontPercent(f.form, f.measure), 100);
  // 22 pixels inside the border: "Help" is 22 wide at 80%, 23 at 84%.
  f.form.Add<rt::CommandButton>(u"&Help", 30 * 15, 300);
  EXPECT_EQ(rt::FittingFontPercent(f.form, f.measure), 80);
  EXPECT_TRUE(rt::CaptionsFit(f.form, f.measure, 80));
  EXPECT_FALSE(rt::CaptionsFit(f.form, f.measure, 84));
}

TEST(Twips, PixelsRoundToNearest) {
  const struct {
    int twips, dpi, pixels;
  } cases[] = {
      {100, 96, 7},  {1440, 96, 96}, {1440, 144, 144}, {7, 96, 0},    {8, 96, 1},     {-8, 96, -1},
      {0, 120, 0},   {105, 96, 7},   {112, 96, 7},     {113, 96, 8},  {6000, 120, 500},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(rt::TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " twips at " << c.dpi;
  }
  // Back and forth at the common DPIs lands on the same pixel.
  for (int dpi : {96, 120, 144, 192}) {
    for (int px = -50; px <= 2000; ++px) ASSERT_EQ(rt::TwipsToPixels(rt::PixelsToTwips(px, dpi), dpi), px) << dpi;
  }
}

}  // namespace
