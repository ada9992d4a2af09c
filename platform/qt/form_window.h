// A form's top-level widget and its peer. The peer owns the widget; the
// controls' peers own their widgets, which are the form's (or a frame's)
// children.
#pragma once

#include <QPointer>
#include <QWidget>
#include <vector>

#include "platform/font_fit.h"
#include "platform/form.h"

namespace rt::qt {

class ControlWidgetPeer;
class FormWindow;

// The widget: reports closing and paints the form's lines.
class FormWidget : public QWidget {
 public:
  explicit FormWidget(FormWindow& window, Qt::WindowFlags flags);
  FormWindow& Window() const { return window_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  FormWindow& window_;
};

class FormWindow : public FormPeer {
 public:
  explicit FormWindow(Form& form);
  ~FormWindow() override;

  void Sync(FormProperty what) override;
  TwipsRect OuterBounds() const override;
  bool IsActive() const override;

  Form& Model() const { return form_; }
  FormWidget* Widget() const { return widget_; }
  // Unloaded: the widget is hidden and waits to be destroyed.
  bool Dead() const { return dead_; }
  // The window is about to be on the screen but is not yet: not shown yet,
  // or shown and not yet exposed (a Wayland compositor maps a window, and
  // gives it the focus, only once it has the first frame). A minimised
  // window is not waited for.
  bool AwaitingScreen() const;

  // Logical dots per inch of the form's screen, and twips in its pixels.
  int Dpi() const;
  int ToPixels(int twips) const;

  void Add(ControlWidgetPeer* peer) { controls_.push_back(peer); }
  void Remove(ControlWidgetPeer* peer);
  // The peer whose widget is `widget` or holds it, or null.
  ControlWidgetPeer* FindByWidget(const QWidget* widget) const;

  // Once every control is made: the tab order, and the font that fits.
  void Finish();

 private:
  void FocusFirst();
  void ApplyFonts();

  Form& form_;
  QPointer<FormWidget> widget_;
  std::vector<ControlWidgetPeer*> controls_;
  bool dead_ = false;
  bool shownOnce_ = false;
};

// Text measured in the application font, for the font fitting.
class QtTextMeasure : public TextMeasure {
 public:
  explicit QtTextMeasure(const FormWindow& window) : window_(window) {}
  bool WrappedFits(ustring_view text, int width, int height, int percent, bool large) override;
  int SingleLineWidth(ustring_view text, int percent, bool large) override;
  int CheckGlyphWidth() override;
  int ToPixels(int twips) override { return window_.ToPixels(twips); }

 private:
  const FormWindow& window_;
};

// The application font at `percent` of its size, bold when `large`.
QFont ScaledFont(int percent, bool large);

}  // namespace rt::qt
