#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "test_support.h"

namespace {

using FakeBackend = strumlet::testing::TestBackend;
using rt::fake::FakeSystem;

struct Log {
  std::vector<std::string> lines;
};

class TestForm : public rt::Form {
 public:
  TestForm(rt::App& app, Log& log, std::string name)
      : rt::Form(app, name), box(*this, 1, "box"), frame(*this, 2, "frame"), a(*this, 3, "a"), b(*this, 4, "b"),
        c(*this, 5, "c"), loose(*this, 6, "loose"), timer(*this, 7, "timer"), log_(log) {
    a.SetContainer(&frame);
    b.SetContainer(&frame);
    c.SetContainer(&frame);
    box.Change = [this] { log_.lines.push_back(Name() + ".change:" + rt::ToUtf8(box.Text())); };
    timer.SetInterval(1000);
    timer.Tick = [this] { log_.lines.push_back(Name() + ".tick"); };
  }
  void Form_Load() override { log_.lines.push_back(Name() + ".load"); }
  void Form_Unload(int& cancel) override {
    log_.lines.push_back(Name() + ".unload");
    cancel = cancelUnload;
  }
  rt::TextBox box;
  rt::Frame frame;
  rt::OptionButton a, b, c;
  rt::OptionButton loose;
  rt::Timer timer;
  int cancelUnload = 0;

 private:
  Log& log_;
};

// A form created by a FormSlot, which passes only the application.
struct Slotted : TestForm {
  static inline Log* sharedLog = nullptr;
  explicit Slotted(rt::App& app) : TestForm(app, *sharedLog, "slot") {}
};

struct Fixture : ::testing::Test {
  FakeSystem os;
  FakeBackend backend;
  rt::App app{os, backend, strumlet::testing::TestInfo(u"")};
  Log log;
};

TEST_F(Fixture, OptionButtonsOfOneFrameAreOneExclusiveGroup) {
  TestForm form(app, log, "f");
  form.loose.SetValue(true);
  form.a.SetValue(true);
  form.b.SetValue(true);
  EXPECT_FALSE(form.a.Value());
  EXPECT_TRUE(form.b.Value());
  EXPECT_TRUE(form.loose.Value()) << "a button outside the frame is another group";
  rt::fake::Click(app, form.c);
  EXPECT_FALSE(form.b.Value());
  EXPECT_TRUE(form.c.Value());
}

TEST_F(Fixture, TextBoxFiresChangeOnlyWhenTheTextChanges) {
  TestForm form(app, log, "f");
  form.box.SetText(u"x");
  form.box.SetText(u"x");
  form.box.UserSetText(u"xy");
  EXPECT_EQ(log.lines, (std::vector<std::string>{"f.change:x", "f.change:xy"}));
}

// The length limit counts UTF-16 units and cuts what the user enters, never
// inside a surrogate pair; the program's own assignments are not limited.
TEST_F(Fixture, TextBoxLimitAppliesToWhatTheUserEnters) {
  const rt::ustring smile = u"\xD83D\xDE00";
  const struct {
    const char* name;
    std::size_t limit;
    rt::ustring before;  // set by the program
    rt::ustring entered;
    bool typed;          // typed one character at a time, else pasted
    rt::ustring after;
    int changes;         // Change events from the entry
  } cases[] = {
      {"no limit", 0, u"ab", u"cdefgh", false, u"abcdefgh", 1},
      {"no limit, typed", 0, u"", u"xyz", true, u"xyz", 3},
      {"exact fit", 5, u"ab", u"cde", false, u"abcde", 1},
      {"overflow pasted", 5, u"ab", u"123456", false, u"ab123", 1},
      {"overflow typed", 5, u"", u"abcdefgh", true, u"abcde", 5},
      {"pair at the edge, pasted", 4, u"ab", u"c" + smile, false, u"abc", 1},
      {"pair at the edge, typed", 4, u"abc", smile + u"d", true, u"abcd", 1},  // the pair is refused, d fits
      {"pair that fits", 4, u"ab", smile + u"z", false, u"ab" + smile, 1},
      {"paste into a full box", 3, u"abc", u"d", false, u"abc", 0},
      {"program's text over the limit", 3, u"abcdef", u"g", true, u"abcdef", 0},
      {"nothing entered", 3, u"a", u"", false, u"a", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestForm form(app, log, "f");
    form.box.SetMaxLength(c.limit);
    form.box.SetText(c.before);
    EXPECT_EQ(form.box.Text(), c.before) << "the program's text is never cut";
    log.lines.clear();
    if (c.typed) {
      rt::fake::Type(app, form.box, c.entered);
    } else {
      rt::fake::Paste(app, form.box, c.entered);
    }
    EXPECT_EQ(form.box.Text(), c.after);
    EXPECT_EQ(static_cast<int>(log.lines.size()), c.changes);
  }
}

TEST_F(Fixture, TextBoxInsertReportsWhatWentIn) {
  TestForm form(app, log, "f");
  form.box.SetMaxLength(3);
  EXPECT_EQ(form.box.UserInsert(u"ab"), 2u);
  EXPECT_EQ(form.box.UserInsert(u"\xD83D\xDE00"), 0u);
  EXPECT_EQ(form.box.UserInsert(u"cd"), 1u);
  EXPECT_EQ(form.box.Text(), u"abc");
}

TEST_F(Fixture, FormsLoadOnceShowAndUnloadInOrder) {
  TestForm one(app, log, "one"), two(app, log, "two");
  one.Show();
  two.Show();
  one.Show();
  EXPECT_EQ(app.Forms(), (std::vector<rt::Form*>{&one, &two}));
  EXPECT_TRUE(backend.State(two).shown);
  two.Unload();
  EXPECT_FALSE(two.Loaded());
  EXPECT_TRUE(two.Discarded());
  EXPECT_FALSE(backend.State(two).shown);
  EXPECT_FALSE(backend.quit);
  one.Unload();
  EXPECT_TRUE(backend.quit);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"one.load", "two.load", "two.unload", "one.unload"}));
}

TEST_F(Fixture, CancelledUnloadKeepsTheForm) {
  TestForm one(app, log, "one");
  one.Show();
  one.cancelUnload = 1;
  one.Unload();
  EXPECT_TRUE(one.Loaded());
}

TEST_F(Fixture, NativeWindowOutlivesTheHandlerThatUnloadsIt) {
  TestForm one(app, log, "one");
  one.Show();
  bool peerDuringHandler = false;
  app.Dispatch([&] {
    one.Unload();
    // The handler still runs inside the form: nothing of it is destroyed yet.
    peerDuringHandler = !one.Loaded() && one.timer.Peer() == nullptr;
    app.Idle();  // an inner message loop's idle step must not free anything
  });
  EXPECT_TRUE(peerDuringHandler);
  app.Idle();
  EXPECT_FALSE(one.Loaded());
}

TEST_F(Fixture, FormSlotCreatesAFreshFormAfterUnload) {
  Slotted::sharedLog = &log;
  rt::FormSlot<Slotted> slot(app);
  EXPECT_EQ(slot.IfLoaded(), nullptr);
  Slotted* first = &slot.Get();
  first->Show();
  first->box.SetText(u"edited");
  EXPECT_EQ(&slot.Get(), first) << "one instance while loaded";
  first->Unload();
  Slotted& second = slot.Get();
  second.Show();
  EXPECT_EQ(second.box.Text(), u"");
  EXPECT_EQ(log.lines, (std::vector<std::string>{"slot.load", "slot.change:edited", "slot.unload", "slot.load"}));
}

TEST_F(Fixture, TimerTicksOnlyWhileEnabledAndLoaded) {
  TestForm form(app, log, "f");
  form.Show();
  rt::fake::Tick(app, form.timer);
  form.timer.SetTimerEnabled(false);
  rt::fake::Tick(app, form.timer);
  form.timer.SetTimerEnabled(true);
  rt::fake::Tick(app, form.timer);
  form.Unload();
  rt::fake::Tick(app, form.timer);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"f.load", "f.tick", "f.tick", "f.unload"}));
}

// Shows a list as a native list box is kept: the entries it has stay, new
// ones are appended, and it starts again when it has more than the list.
class ListMirror : public rt::ControlPeer {
 public:
  explicit ListMirror(const rt::ListBox& list) : list_(list) {}
  void Sync(rt::Property what) override {
    if (what == rt::Property::List) {
      ++listSyncs;
      if (static_cast<int>(shown.size()) > list_.ListCount()) shown.clear();
      for (int i = static_cast<int>(shown.size()); i < list_.ListCount(); ++i) shown.push_back(list_.List(i));
    } else if (what == rt::Property::ListIndex) {
      selectedShown = list_.ListIndex() < static_cast<int>(shown.size());
    }
  }
  std::vector<rt::ustring> shown;
  int listSyncs = 0;
  bool selectedShown = false;

 private:
  const rt::ListBox& list_;
};

TEST_F(Fixture, EntriesAddedInAnUpdateReachTheWidgetTogetherWhenItCloses) {
  rt::Form form(app, "lists");
  rt::ListBox list(form, 1, "list");
  auto owned = std::make_unique<ListMirror>(list);
  ListMirror& widget = *owned;
  list.AttachPeer(std::move(owned));
  list.AddItem(u"old 1");
  list.AddItem(u"old 2");
  EXPECT_EQ(widget.listSyncs, 2) << "outside an update, each entry at once";
  {
    rt::ListBox::Update outer(list);
    list.Clear();
    EXPECT_TRUE(widget.shown.empty()) << "clearing reaches the widget at once";
    {
      rt::ListBox::Update inner(list);
      list.AddItem(u"a");
      list.AddItem(u"b");
    }
    list.AddItem(u"c");
    EXPECT_EQ(list.ListCount(), 3) << "the list itself is current";
    EXPECT_EQ(widget.listSyncs, 3) << "nothing more until the outer update closes";
    list.SetListIndex(2);
    EXPECT_TRUE(widget.selectedShown) << "the entries reach the widget before the selection";
    list.AddItem(u"d");
  }
  EXPECT_EQ(widget.shown, (std::vector<rt::ustring>{u"a", u"b", u"c", u"d"}));
  int syncs = widget.listSyncs;
  EXPECT_THROW(
      {
        rt::ListBox::Update update(list);
        list.AddItem(u"e");
        list.AddItem(u"f");
        throw rt::RuntimeError(rt::ErrorCode::Overflow, "Overflow");
      },
      rt::RuntimeError);
  EXPECT_EQ(widget.listSyncs, syncs + 1) << "an error ends the fill; what it added reaches the widget once";
  EXPECT_EQ(widget.shown, (std::vector<rt::ustring>{u"a", u"b", u"c", u"d", u"e", u"f"}));
  { rt::ListBox::Update empty(list); }
  EXPECT_EQ(widget.listSyncs, syncs + 1) << "an update that added nothing tells nothing";
  list.AttachPeer(nullptr);
}

TEST_F(Fixture, UntrappedErrorsGetTheDefaultMessageAndTheProgramGoesOn) {
  app.Dispatch([] { throw rt::RuntimeError(rt::ErrorCode::Overflow, "Overflow"); });
  ASSERT_EQ(os.Texts("MsgBox").size(), 1u);
  EXPECT_EQ(os.Texts("MsgBox")[0], u"Run-time error '6':\r\n\r\nOverflow");
  EXPECT_EQ(os.lastMsgBoxTitle, u"Strumlet");
  EXPECT_EQ(app.HandlerDepth(), 0);
}

TEST_F(Fixture, AnythingAHandlerThrowsStopsAtTheDispatcher) {
  struct NotAnException {};
  TestForm one(app, log, "one");
  one.Show();
  const struct {
    const char* name;
    std::function<void()> raise;
    const char16_t* message;
  } cases[] = {
      {"runtime error", [] { throw rt::RuntimeError(rt::ErrorCode::NotFound, "gone"); }, u"Run-time error '53':\r\n\r\ngone"},
      {"standard exception", [] { throw std::length_error("too long"); }, u"Run-time error:\r\n\r\ntoo long"},
      {"an int", [] { throw 42; }, u"Run-time error:\r\n\r\nAn error of unknown kind ended the action."},
      {"a class of its own", [] { throw NotAnException{}; },
       u"Run-time error:\r\n\r\nAn error of unknown kind ended the action."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    os.calls.clear();
    TestForm second(app, log, "second");
    second.Show();
    // The handler unloads a form before it fails: its window must still be
    // released once the handler is over.
    EXPECT_NO_THROW(app.Dispatch([&] {
      second.Unload();
      c.raise();
    }));
    EXPECT_EQ(os.Texts("MsgBox"), std::vector<rt::ustring>{c.message});
    EXPECT_EQ(app.HandlerDepth(), 0);
    EXPECT_EQ(second.Peer(), nullptr);
    app.Idle();
    EXPECT_EQ(app.Forms(), std::vector<rt::Form*>{&one}) << "only the unloaded form is gone";
  }
}

}  // namespace
