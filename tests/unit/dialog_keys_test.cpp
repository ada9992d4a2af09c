#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dialog_keys.h"
#include "test_support.h"

namespace {

using FakeBackend = strumlet::testing::TestBackend;
using rt::fake::FakeSystem;

constexpr int kEnter = 13;
constexpr int kEsc = 27;
constexpr int kTab = 9;
constexpr int kF1 = 112;

// A form with every kind of keyboard-bound button, and the clicks it saw.
class KeysForm : public rt::Form {
 public:
  explicit KeysForm(rt::App& app)
      : rt::Form(app, "KeysForm"), line(*this, 1, "line"), lines(*this, 2, "lines"), ok(*this, 3, "ok"),
        cancel(*this, 4, "cancel"), other(*this, 5, "other") {
    int tab = 0;
    for (rt::Control* c : std::vector<rt::Control*>{&line, &lines, &ok, &cancel, &other}) c->SetTabIndex(tab++);
    lines.MultiLine = true;
    ok.Default = true;
    cancel.Cancel = true;
    ok.Click = [this] { clicks.push_back("ok"); };
    cancel.Click = [this] { clicks.push_back("cancel"); };
    other.Click = [this] { clicks.push_back("other"); };
    KeyPreview = true;
  }
  void Form_KeyUp(int keyCode, int shift) override { clicks.push_back("keyup " + std::to_string(keyCode) + "/" + std::to_string(shift)); }

  rt::TextBox line;
  rt::TextBox lines;
  rt::CommandButton ok;
  rt::CommandButton cancel;
  rt::CommandButton other;
  std::vector<std::string> clicks;
};

TEST(DialogKeys, EnterAndEscClickTheirButtons) {
  enum Focus { kLine, kLines, kOther, kCancel, kNone };
  const struct {
    const char* name;
    int key, shift;
    Focus focus;
    bool okOff, cancelOff;  // the button is disabled
    const char* clicked;    // null: none
    bool toNavigation;
  } cases[] = {
      {"Enter in a one-line box: the default button", kEnter, 0, kLine, false, false, "ok", false},
      {"Enter on a button: that button", kEnter, 0, kOther, false, false, "other", false},
      {"Enter on the cancel button: the cancel button", kEnter, 0, kCancel, false, false, "cancel", false},
      {"Enter in a multi-line box: a new line there", kEnter, 0, kLines, false, false, nullptr, true},
      {"Shift+Enter: the default button", kEnter, 1, kLine, false, false, "ok", false},
      {"Ctrl+Enter: not the default button", kEnter, 2, kLine, false, false, nullptr, true},
      {"Enter, default button disabled", kEnter, 0, kLine, true, false, nullptr, true},
      {"Enter with the form focused", kEnter, 0, kNone, false, false, "ok", false},
      {"Esc: the cancel button", kEsc, 0, kLine, false, false, "cancel", false},
      {"Esc in a multi-line box: the cancel button", kEsc, 0, kLines, false, false, "cancel", false},
      {"Esc on another button: the cancel button", kEsc, 0, kOther, false, false, "cancel", false},
      {"Shift+Esc: the cancel button", kEsc, 1, kLine, false, false, "cancel", false},
      {"Ctrl+Esc: the system's, kept from the navigation", kEsc, 2, kLine, false, false, nullptr, false},
      {"Alt+Esc: the system's, kept from the navigation", kEsc, 4, kLine, false, false, nullptr, false},
      {"Shift+Ctrl+Esc", kEsc, 3, kLine, false, false, nullptr, false},
      {"Esc, cancel button disabled", kEsc, 0, kLine, false, true, nullptr, true},
      {"Tab: navigation", kTab, 0, kLine, false, false, nullptr, true},
      {"F1: navigation", kF1, 0, kOther, false, false, nullptr, true},
      {"a letter: navigation", 'A', 0, kLine, false, false, nullptr, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSystem os;
    FakeBackend backend;
    rt::App app(os, backend, strumlet::testing::TestInfo(u""));
    KeysForm form(app);
    form.ok.SetEnabled(!c.okOff);
    form.cancel.SetEnabled(!c.cancelOff);
    form.Show();
    rt::Control* focused[] = {&form.line, &form.lines, &form.other, &form.cancel, nullptr};
    rt::KeyDownAnswer answer = rt::DialogKeys::KeyPressed(form, c.key, c.shift, focused[c.focus]);
    EXPECT_EQ(answer.toNavigation, c.toNavigation);
    std::vector<std::string> expected;
    if (c.clicked) expected.push_back(c.clicked);
    EXPECT_EQ(form.clicks, expected);
    EXPECT_EQ(answer.click != nullptr, c.clicked != nullptr);
  }
}

TEST(DialogKeys, AFormWithoutTheMarksHasNoKeyboardButtons) {
  FakeSystem os;
  FakeBackend backend;
  rt::App app(os, backend, strumlet::testing::TestInfo(u""));
  KeysForm form(app);
  form.ok.Default = false;
  form.cancel.Cancel = false;
  form.Show();
  for (int key : {kEnter, kEsc}) {
    rt::KeyDownAnswer answer = rt::DialogKeys::KeyPressed(form, key, 0, &form.line);
    EXPECT_EQ(answer.click, nullptr) << key;
    EXPECT_TRUE(answer.toNavigation) << key;
  }
  EXPECT_TRUE(form.clicks.empty());
}

TEST(DialogKeys, KeyPreviewSeesReleasesOnlyWhileTheFormIsActive) {
  enum Active { kThisForm, kOtherForm, kOtherProgram };
  const struct {
    const char* name;
    bool preview;
    Active active;
    bool previewed;
  } cases[] = {
      {"preview, active", true, kThisForm, true},
      {"no preview", false, kThisForm, false},
      {"another form of the program is active", true, kOtherForm, false},
      {"another program is active", true, kOtherProgram, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSystem os;
    FakeBackend backend;
    rt::App app(os, backend, strumlet::testing::TestInfo(u""));
    KeysForm form(app);
    KeysForm other(app);
    other.KeyPreview = false;
    form.KeyPreview = c.preview;
    form.Show();
    if (c.active == kOtherForm) other.Show();
    if (c.active == kOtherProgram) backend.ActivateOtherProgram();
    rt::fake::KeyUp(app, backend, kF1, 2);
    EXPECT_EQ(form.clicks, c.previewed ? std::vector<std::string>{"keyup 112/2"} : std::vector<std::string>{});
    EXPECT_TRUE(other.clicks.empty());
  }
}

TEST(DialogKeys, EscClicksTheCancelButtonAndItsReleaseIsStillPreviewed) {
  FakeSystem os;
  FakeBackend backend;
  rt::App app(os, backend, strumlet::testing::TestInfo(u""));
  KeysForm form(app);
  form.Show();
  rt::fake::Press(app, backend, kEsc, 0);
  EXPECT_EQ(form.clicks, (std::vector<std::string>{"cancel", "keyup 27/0"}));
}

}  // namespace
