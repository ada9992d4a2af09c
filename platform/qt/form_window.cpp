#include "platform/qt/form_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QWindow>
#include <algorithm>

#include "platform/app.h"
#include "platform/qt/colors.h"
#include "platform/qt/control_peers.h"
#include "platform/qt/qt_text.h"
#include "platform/twips.h"
#include "platform/x11/x11_frames.h"

namespace rt::qt {

namespace {

Qt::WindowFlags FlagsFor(const Form& form) {
  // A form without a taskbar button is a tool window, which window managers
  // leave off the task list.
  Qt::WindowFlags flags = form.ShowInTaskbar ? Qt::Window : Qt::Tool;
  flags |= Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint;
  if (form.MinButton) flags |= Qt::WindowMinimizeButtonHint;
  if (form.MaxButton && form.Border == BorderStyle::Sizable) flags |= Qt::WindowMaximizeButtonHint;
  return flags;
}

// Screen positions are in twips at one scale for the whole screen.
int ScreenDpi() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? static_cast<int>(screen->logicalDotsPerInchY() + 0.5) : 96;
}

}  // namespace

FormWidget::FormWidget(FormWindow& window, Qt::WindowFlags flags) : QWidget(nullptr, flags), window_(window) {}

void FormWidget::closeEvent(QCloseEvent* event) {
  // The form decides: its Form_Unload may cancel.
  event->ignore();
  if (window_.Dead()) return;
  Form& form = window_.Model();
  form.Application().Dispatch([&form] { form.Unload(); });
}

void FormWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  for (const Control* c : window_.Model().Controls()) {
    if (c->Kind() != ControlKind::Line) continue;
    const auto* line = static_cast<const Line*>(c);
    painter.setPen(QPen(ToQColor(line->BorderColor, palette()), std::max(line->BorderWidth, 1)));
    painter.drawLine(window_.ToPixels(line->X1), window_.ToPixels(line->Y1), window_.ToPixels(line->X2),
                     window_.ToPixels(line->Y2));
  }
}

FormWindow::FormWindow(Form& form) : form_(form), widget_(new FormWidget(*this, FlagsFor(form))) {
  widget_->setWindowTitle(ToQString(form.Caption()));
  int width = ToPixels(form.ClientWidth);
  int height = ToPixels(form.ClientHeight);
  if (form.Border == BorderStyle::Sizable) {
    widget_->resize(width, height);
  } else {
    widget_->setFixedSize(width, height);
  }
  if (form.WasMoved()) {
    // The outer frame's corner.
    widget_->move(TwipsToPixels(form.RequestedPosition().left, ScreenDpi()),
                  TwipsToPixels(form.RequestedPosition().top, ScreenDpi()));
  } else if (form.StartUp == StartPosition::Manual) {
    // The client area's corner.
    widget_->setGeometry(ToPixels(form.StartLeft), ToPixels(form.StartTop), width, height);
  }
}

FormWindow::~FormWindow() {
  dead_ = true;
  delete widget_.data();
}

int FormWindow::Dpi() const {
  QScreen* screen = widget_ ? widget_->screen() : QGuiApplication::primaryScreen();
  return screen ? static_cast<int>(screen->logicalDotsPerInchY() + 0.5) : 96;
}

int FormWindow::ToPixels(int twips) const { return TwipsToPixels(twips, Dpi()); }

bool FormWindow::AwaitingScreen() const {
  if (dead_ || !widget_ || widget_->isMinimized()) return false;
  if (!widget_->isVisible()) return true;
  QWindow* window = widget_->windowHandle();
  return window && !window->isExposed();
}

void FormWindow::Remove(ControlWidgetPeer* peer) { std::erase(controls_, peer); }

ControlWidgetPeer* FormWindow::FindByWidget(const QWidget* widget) const {
  for (; widget; widget = widget->parentWidget()) {
    for (ControlWidgetPeer* c : controls_) {
      if (c->Widget() == widget) return c;
    }
  }
  return nullptr;
}

void FormWindow::Finish() {
  // Tab moves through the controls in the order of their tab indexes.
  std::vector<ControlWidgetPeer*> ordered = controls_;
  std::stable_sort(ordered.begin(), ordered.end(), [](ControlWidgetPeer* a, ControlWidgetPeer* b) {
    return a->Model().TabIndex() < b->Model().TabIndex();
  });
  QWidget* previous = nullptr;
  for (ControlWidgetPeer* c : ordered) {
    QWidget* w = c->Widget();
    if (!w || w->focusPolicy() == Qt::NoFocus) continue;
    if (previous) QWidget::setTabOrder(previous, w);
    previous = w;
  }
  ApplyFonts();
}

void FormWindow::FocusFirst() {
  std::vector<ControlWidgetPeer*> ordered = controls_;
  std::stable_sort(ordered.begin(), ordered.end(), [](ControlWidgetPeer* a, ControlWidgetPeer* b) {
    return a->Model().TabIndex() < b->Model().TabIndex();
  });
  for (ControlWidgetPeer* c : ordered) {
    QWidget* w = c->Widget();
    if (w && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && c->Model().Visible()) {
      w->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

QFont ScaledFont(int percent, bool large) {
  QFont font = QApplication::font();
  int size = large ? LargeFontPercent(percent) : percent;
  if (font.pointSizeF() > 0) {
    font.setPointSizeF(font.pointSizeF() * size / 100.0);
  } else {
    font.setPixelSize(std::max(1, font.pixelSize() * size / 100));
  }
  if (large) font.setBold(true);
  return font;
}

bool QtTextMeasure::WrappedFits(ustring_view text, int width, int height, int percent, bool large) {
  if (width <= 0 || height <= 0) return false;
  QFontMetrics metrics(ScaledFont(percent, large));
  QRect r = metrics.boundingRect(QRect(0, 0, width, 1 << 20), Qt::TextWordWrap | Qt::TextShowMnemonic, ToQString(text));
  return r.width() <= width && r.height() <= height;
}

int QtTextMeasure::SingleLineWidth(ustring_view text, int percent, bool large) {
  QFontMetrics metrics(ScaledFont(percent, large));
  return metrics.boundingRect(QRect(), Qt::TextSingleLine | Qt::TextShowMnemonic, ToQString(text)).width();
}

int QtTextMeasure::CheckGlyphWidth() {
  return rt::qt::CheckGlyphWidth(window_.Widget() ? *window_.Widget()->style() : *QApplication::style());
}

void FormWindow::ApplyFonts() {
  QtTextMeasure measure(*this);
  int percent = FittingFontPercent(form_, measure);
  QFont font = ScaledFont(percent, false);
  QFont large = ScaledFont(percent, true);
  for (ControlWidgetPeer* c : controls_) {
    if (QWidget* w = c->Widget()) w->setFont(c->LargeFont() ? large : font);
  }
}

void FormWindow::Sync(FormProperty what) {
  if (dead_ || !widget_) return;
  switch (what) {
    case FormProperty::Caption: widget_->setWindowTitle(ToQString(form_.Caption())); break;
    case FormProperty::WindowState:
      if (widget_->isVisible()) {
        if (form_.State() == WindowState::Minimized) {
          widget_->showMinimized();
        } else {
          widget_->showNormal();
        }
      }
      break;
    case FormProperty::Position: {
      const TwipsRect& p = form_.RequestedPosition();
      // A minimised window is restored, so that it shows at the new place.
      if (widget_->isVisible() && widget_->isMinimized()) widget_->showNormal();
      widget_->move(TwipsToPixels(p.left, ScreenDpi()), TwipsToPixels(p.top, ScreenDpi()));
      break;
    }
    case FormProperty::Visible:
      if (!form_.Loaded()) {
        // Unloaded: the window goes away now and is destroyed once no
        // handler is running inside it.
        dead_ = true;
        widget_->hide();
      } else if (form_.Visible()) {
        if (form_.State() == WindowState::Minimized) {
          // A window that opens minimised does not take the focus from the
          // window the user is working in.
          widget_->setAttribute(Qt::WA_ShowWithoutActivating, true);
          widget_->showMinimized();
          widget_->setAttribute(Qt::WA_ShowWithoutActivating, false);
        } else {
          widget_->show();
          widget_->raise();
          widget_->activateWindow();
          if (!shownOnce_) FocusFirst();
        }
        shownOnce_ = true;
      } else {
        widget_->hide();
      }
      break;
  }
}

TwipsRect FormWindow::OuterBounds() const {
  if (!widget_) return {};
  QRect r = widget_->frameGeometry();
  // On X11, the frame as the window manager shows it now. Qt learns of a
  // frame from the window manager's notices, which may not have come (or
  // not been read) yet; until then its frame is the bare client area.
  // (Only on the xcb platform: others, offscreen among them, may have an
  // X connection that shows none of the program's windows.)
  auto* x11 = QGuiApplication::platformName() == QLatin1String("xcb")
                  ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                  : nullptr;
  if (x11 && x11->display() && widget_->isVisible() && widget_->testAttribute(Qt::WA_WState_Created)) {
    if (auto frame = x11::OuterFrame(x11->display(), static_cast<unsigned long>(widget_->winId()))) {
      // In the device pixels of the screen; Qt's are device independent.
      qreal ratio = widget_->devicePixelRatioF();
      r = QRect(qRound(frame->left / ratio), qRound(frame->top / ratio), qRound(frame->width / ratio),
                qRound(frame->height / ratio));
    }
  }
  int dpi = ScreenDpi();
  return {PixelsToTwips(r.left(), dpi), PixelsToTwips(r.top(), dpi), PixelsToTwips(r.width(), dpi),
          PixelsToTwips(r.height(), dpi)};
}

bool FormWindow::IsActive() const { return widget_ && !dead_ && widget_->isActiveWindow(); }

}  // namespace rt::qt
