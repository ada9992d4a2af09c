// The program's own forms on the Qt backend, headless (the offscreen
// platform): what the widgets show, and what the user's keys and clicks do
// to the program, through Qt's own event delivery.
#include <gtest/gtest.h>

#include <QApplication>
#include <QAbstractButton>
#include <QCheckBox>
#include <QStyle>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "mainwin/form1_ids.h"
#include "platform/fake/fake_platform.h"
#include "platform/font_fit.h"
#include "platform/qt/control_peers.h"
#include "platform/qt/form_window.h"
#include "platform/qt/qt_backend.h"
#include "platform/qt/qt_text.h"
#include "platform/twips.h"
#include "../unit/test_support.h"

namespace {

using rt::qt::ToQString;

// The program on the Qt backend over the recording system.
struct QtHarness {
  explicit QtHarness(rt::ustring command = u"") : app(os, backend, strumlet::testing::TestInfo(std::move(command))), program(app) {
    program.Start();
    app.Idle();
  }
  strumlet::Form1& main() { return program.Main(); }

  template <class W = QWidget>
  W* WidgetOf(const rt::Control& c) {
    auto* peer = dynamic_cast<rt::qt::ControlWidgetPeer*>(c.Peer());
    return peer ? qobject_cast<W*>(peer->Widget()) : nullptr;
  }
  QWidget* WindowOf(const rt::Form& f) {
    auto* peer = dynamic_cast<rt::qt::FormWindow*>(f.Peer());
    return peer ? peer->Widget() : nullptr;
  }
  // The main window active, with the focus where Qt put it.
  void Activate(const rt::Form& f) {
    QWidget* w = WindowOf(f);
    ASSERT_NE(w, nullptr);
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w, 10000));
  }

  rt::fake::FakeSystem os;
  rt::qt::QtBackend backend;
  rt::App app;
  strumlet::Program program;
};

TEST(QtForms, ControlsArePlacedFromTwipsAtTheScreensDpi) {
  QtHarness h(u"/T/x/9/loop");
  strumlet::Form1& f = h.main();
  QWidget* window = h.WindowOf(f);
  ASSERT_NE(window, nullptr);
  int dpi = static_cast<int>(window->screen()->logicalDotsPerInchY() + 0.5);
  EXPECT_EQ(window->size(), QSize(rt::TwipsToPixels(f.ClientWidth, dpi), rt::TwipsToPixels(f.ClientHeight, dpi)));
  int checked = 0;
  for (const rt::Control* c : f.Controls()) {
    QWidget* w = h.WidgetOf(*c);
    if (c->Kind() == rt::ControlKind::Timer || c->Kind() == rt::ControlKind::Line) continue;
    ASSERT_NE(w, nullptr) << c->Name();
    const rt::TwipsRect& b = c->Bounds();
    EXPECT_EQ(w->geometry(), QRect(rt::TwipsToPixels(b.left, dpi), rt::TwipsToPixels(b.top, dpi),
                                   rt::TwipsToPixels(b.width, dpi), rt::TwipsToPixels(b.height, dpi)))
        << c->Name();
    // A frame's controls are inside it, placed from its corner.
    QWidget* expectedParent = c->Container() ? h.WidgetOf(*c->Container()) : window;
    EXPECT_EQ(w->parentWidget(), expectedParent) << c->Name();
    ++checked;
  }
  EXPECT_EQ(checked, 20);
  // Twips at 96 DPI, by hand: Text1 is at 1440, 1560 and 2850 x 285.
  if (dpi == 96) EXPECT_EQ(h.WidgetOf(f.Text1)->geometry(), QRect(96, 104, 190, 19));
}

// Buttons wrap their captions at blanks when one line is too wide for them,
// as multi-line Windows buttons do: here with a font far larger than the
// fitted one, as a large screen font would give.
TEST(QtForms, AButtonCaptionTooWideForOneLineWrapsAtBlanks) {
  QtHarness h(u"/T/x/9/loop");
  strumlet::Form1& f = h.main();
  int wrapped = 0;
  for (const rt::Control* c : f.Controls()) {
    auto* w = h.WidgetOf<QAbstractButton>(*c);
    const auto* captioned = dynamic_cast<const rt::CaptionControl*>(c);
    if (!w || !captioned) continue;
    SCOPED_TRACE(c->Name());
    QFont big = w->font();
    big.setPixelSize(QFontInfo(big).pixelSize() * 2);
    w->setFont(big);
    QString caption = ToQString(captioned->Caption());
    EXPECT_EQ(QString(w->text()).replace(QLatin1Char('\n'), QLatin1Char(' ')), caption) << "the caption's words, in order";
    int room = w->width() - rt::TwipsToPixels(rt::kButtonBorderTwips, w->logicalDpiX());
    if (c->Kind() != rt::ControlKind::CommandButton) {
      room = w->width() - rt::qt::CheckGlyphWidth(*w->style()) - rt::TwipsToPixels(rt::kGlyphGapTwips, w->logicalDpiX());
    }
    QFontMetrics metrics(big);
    const QStringList lines = w->text().split(QLatin1Char('\n'));
    for (const QString& line : lines) {
      bool oneWord = !line.contains(QLatin1Char(' '));
      EXPECT_TRUE(oneWord || metrics.boundingRect(QRect(), Qt::TextSingleLine | Qt::TextShowMnemonic, line).width() <= room)
          << line.toStdString();
    }
    wrapped += lines.size() > 1;
  }
  EXPECT_GE(wrapped, 3) << "the larger font made some captions wrap";
  // A caption that changes wraps afresh, and back at the fitted font.
  auto* pause = h.WidgetOf<QAbstractButton>(f.Command2);
  f.Command2_Click();
  EXPECT_EQ(QString(pause->text()).replace(QLatin1Char('\n'), QLatin1Char(' ')), QString("&Resume Counter"));
  EXPECT_TRUE(pause->text().contains(QLatin1Char('\n')));
  pause->setFont(h.WidgetOf(f.Command1)->parentWidget()->font());
}

TEST(QtForms, EveryCaptionFitsItsControlInTheFittedFont) {
  QtHarness h(u"/T/x/9/loop");
  strumlet::Form1& f = h.main();
  for (const rt::Control* c : f.Controls()) {
    QWidget* w = h.WidgetOf(*c);
    const auto* captioned = dynamic_cast<const rt::CaptionControl*>(c);
    if (!w || !captioned || captioned->Caption().empty() || c->Kind() != rt::ControlKind::Label) continue;
    QFontMetrics metrics(w->font());
    QRect need = metrics.boundingRect(QRect(0, 0, w->width(), 1 << 20), Qt::TextWordWrap | Qt::TextShowMnemonic,
                                      ToQString(captioned->Caption()));
    EXPECT_LE(need.width(), w->width()) << c->Name();
    EXPECT_LE(need.height(), w->height()) << c->Name();
  }
}

TEST(QtForms, WidgetsShowTheModelAndReportTheUser) {
  QtHarness h(u"/T/x/9/loop");
  strumlet::Form1& f = h.main();
  h.Activate(f);

  // What the program set is what the widgets show.
  EXPECT_EQ(h.WidgetOf<QLineEdit>(f.Text1)->text(), ToQString(f.Text1.Text()));
  EXPECT_EQ(h.WidgetOf<QPushButton>(f.Command2)->text(), QString("P&ause Counter"));
  EXPECT_TRUE(h.WidgetOf<QRadioButton>(f.mLoop)->isChecked());
  EXPECT_FALSE(h.WidgetOf<QRadioButton>(f.mOnce)->isChecked());
  EXPECT_EQ(h.WidgetOf<QGroupBox>(f.Frame1)->title(), QString("Run"));

  // Typing: the model has the text, and the key script is split again.
  QLineEdit* keys = h.WidgetOf<QLineEdit>(f.Text2);
  keys->setFocus();
  keys->selectAll();
  QTest::keyClicks(keys, "ab{2}c");
  EXPECT_EQ(f.Text2.Text(), u"ab{2}c");

  // A click on the pause button pauses, and the button says so.
  QTest::mouseClick(h.WidgetOf(f.Command2), Qt::LeftButton);
  EXPECT_FALSE(f.Timer1.TimerEnabled());
  EXPECT_EQ(h.WidgetOf<QPushButton>(f.Command2)->text(), QString("&Resume Counter"));

  // The option buttons of the frame are one group, kept by the model.
  QTest::mouseClick(h.WidgetOf(f.mPersist), Qt::LeftButton);
  EXPECT_TRUE(f.mPersist.Value());
  EXPECT_FALSE(f.mLoop.Value());
  EXPECT_TRUE(h.WidgetOf<QRadioButton>(f.mPersist)->isChecked());
  EXPECT_FALSE(h.WidgetOf<QRadioButton>(f.mLoop)->isChecked());
  QTest::mouseClick(h.WidgetOf(f.mPersist), Qt::LeftButton);
  EXPECT_TRUE(h.WidgetOf<QRadioButton>(f.mPersist)->isChecked()) << "a second click leaves it selected";

  // The check box flips its value.
  QTest::mouseClick(h.WidgetOf(f.Check1), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(f.Check1.Value(), 1);
  EXPECT_TRUE(h.WidgetOf<QCheckBox>(f.Check1)->isChecked());
}

TEST(QtForms, KeysFollowTheFormsKeyRules) {
  const struct {
    const char* name;
    bool startPaused;
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    bool runningAfter;
    bool closed;
  } cases[] = {
      {"Esc pauses", false, Qt::Key_Escape, Qt::NoModifier, false, false},
      {"F1 resumes", true, Qt::Key_F1, Qt::NoModifier, true, false},
      {"Ctrl+Esc does nothing", false, Qt::Key_Escape, Qt::ControlModifier, true, false},
      {"Shift+Esc closes", false, Qt::Key_Escape, Qt::ShiftModifier, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QtHarness h(u"/T/x/9/loop");
    strumlet::Form1& f = h.main();
    h.Activate(f);
    if (c.startPaused) QTest::mouseClick(h.WidgetOf(f.Command2), Qt::LeftButton);
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, c.key, c.mods);
    h.app.Idle();
    EXPECT_EQ(f.Loaded(), !c.closed);
    if (c.closed) {
      EXPECT_TRUE(h.app.Forms().empty());
      continue;
    }
    EXPECT_EQ(f.Timer1.TimerEnabled(), c.runningAfter);
    EXPECT_EQ(h.WidgetOf<QPushButton>(f.Command2)->text(), QString(c.runningAfter ? "P&ause Counter" : "&Resume Counter"));
  }
}

TEST(QtForms, TheTimerTicksAndTheWindowListFills) {
  QtHarness h(u"/T/x/3/loop");
  strumlet::Form1& f = h.main();
  int start = f.Run.Counter;
  ASSERT_TRUE(QTest::qWaitFor([&] { return f.Run.Counter != start; }, 20000)) << "a tick within a generous limit";
  EXPECT_EQ(h.WidgetOf<QLabel>(f.Label1)->text(), ToQString(f.Label1.Caption()));

  h.os.desktop.AddWindow({u"Untitled - Text Editor"});
  h.os.desktop.AddWindow({u"Terminal \u2013 caf\u00E9"});
  QTest::mouseClick(h.WidgetOf(f.Command7), Qt::LeftButton);
  strumlet::Form3* list = f.WindowList.IfLoaded();
  ASSERT_NE(list, nullptr);
  QListWidget* widget = h.WidgetOf<QListWidget>(list->List1);
  ASSERT_NE(widget, nullptr);
  ASSERT_EQ(widget->count(), list->List1.ListCount());
  ASSERT_GE(widget->count(), 2);
  for (int i = 0; i < widget->count(); ++i) EXPECT_EQ(widget->item(i)->text(), ToQString(list->List1.List(i)));
  EXPECT_TRUE(h.WindowOf(*list)->isVisible());
}

TEST(QtForms, ClosingTheLastWindowEndsTheEventLoop) {
  QtHarness h;
  strumlet::Form1& f = h.main();
  QWidget* window = h.WindowOf(f);
  QTimer::singleShot(0, window, [window] { window->close(); });
  h.backend.Run(h.app);
  EXPECT_FALSE(f.Loaded());
  EXPECT_TRUE(h.app.Forms().empty());
}

}  // namespace

int main(int argc, char** argv) {
  // Headless: no X server is needed.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
