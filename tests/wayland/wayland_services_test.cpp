// The Wayland services alone: the keymap the virtual keyboard uploads, read
// back by libxkbcommon as a client reads it; the choice of the backend; and
// on a headless sway the window list, activation and the clipboard against
// real clients.
#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include <dirent.h>

#include <algorithm>

#include <fstream>
#include <memory>
#include <set>

#include "platform/activation.h"
#include "platform/errors.h"
#include "platform/posix/backend_choice.h"
#include "platform/posix/holder_process.h"
#include "platform/wayland/keymap_text.h"
#include "platform/wayland/wl_clipboard.h"
#include "platform/wayland/wl_windows.h"
#include "sway_fixture.h"

namespace {

using namespace strumlet::wayland_e2e;
using rt::wayland::Keymap;

// The keymap as a client compiles it.
struct Compiled {
  explicit Compiled(const Keymap& source)
      : context(xkb_context_new(XKB_CONTEXT_NO_DEFAULT_INCLUDES), xkb_context_unref),
        keymap(xkb_keymap_new_from_string(context.get(), source.Text().c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                          XKB_KEYMAP_COMPILE_NO_FLAGS),
               xkb_keymap_unref),
        state(keymap ? xkb_state_new(keymap.get()) : nullptr, xkb_state_unref) {}
  char32_t Type(int keycode, std::uint32_t modifiers = 0) {
    xkb_state_update_mask(state.get(), modifiers, 0, 0, 0, 0, 0);
    return xkb_state_key_get_utf32(state.get(), static_cast<xkb_keycode_t>(keycode));
  }
  xkb_keysym_t Sym(int keycode) { return xkb_state_key_get_one_sym(state.get(), static_cast<xkb_keycode_t>(keycode)); }
  std::unique_ptr<xkb_context, void (*)(xkb_context*)> context;
  std::unique_ptr<xkb_keymap, void (*)(xkb_keymap*)> keymap;
  std::unique_ptr<xkb_state, void (*)(xkb_state*)> state;
};

TEST(WaylandKeymap, EveryKeyTypesWhatTheLayoutSaysWithAndWithoutShift) {
  Keymap keymap;
  Compiled client(keymap);
  ASSERT_TRUE(client.keymap) << keymap.Text();
  int keys = 0;
  for (std::uint16_t vk = 0x20; vk <= 0xDE; ++vk) {
    for (bool shift : {false, true}) {
      char32_t expected = keymap.Translate(vk, shift);
      if (!expected) continue;
      ++keys;
      EXPECT_EQ(client.Type(keymap.KeycodeOf(vk), shift ? rt::wayland::kShiftMask : 0), expected)
          << "vk " << std::hex << vk << (shift ? " with Shift" : "");
    }
  }
  EXPECT_EQ(keys, 2 * 48) << "the US layout's 47 character keys and Space";
  // Named keys carry their keysyms; the modifiers are the real ones.
  const struct {
    std::uint16_t vk;
    xkb_keysym_t sym;
  } named[] = {{0x0D, XKB_KEY_Return}, {0x09, XKB_KEY_Tab},  {0x08, XKB_KEY_BackSpace}, {0x1B, XKB_KEY_Escape},
               {0x25, XKB_KEY_Left},   {0x2E, XKB_KEY_Delete}, {0x70, XKB_KEY_F1},        {0x7B, XKB_KEY_F12},
               {0x87, XKB_KEY_F24},    {0x10, XKB_KEY_Shift_L}, {0xA3, XKB_KEY_Control_R}, {0x12, XKB_KEY_Alt_L}};
  for (const auto& n : named) EXPECT_EQ(client.Sym(keymap.KeycodeOf(n.vk)), n.sym) << std::hex << n.vk;
  EXPECT_EQ(xkb_keymap_mod_get_index(client.keymap.get(), XKB_MOD_NAME_CTRL), 2u);
  EXPECT_EQ(xkb_keymap_mod_get_index(client.keymap.get(), XKB_MOD_NAME_ALT), 3u);
}

TEST(WaylandKeymap, CharactersOutsideTheLayoutGetKeysAndTheHighestKeycodeStaysEmpty) {
  Keymap keymap;
  std::vector<char32_t> wanted;
  for (char32_t c = U'\u0430'; c <= U'\u044F'; ++c) wanted.push_back(c);
  wanted.push_back(U'\U0001F600');
  wanted.push_back(U'\u00E4');
  bool fit = false;
  EXPECT_TRUE(keymap.Hold(wanted, &fit));
  EXPECT_TRUE(fit);
  EXPECT_FALSE(keymap.Hold(wanted)) << "nothing new: the keymap is not uploaded again";
  Compiled client(keymap);
  ASSERT_TRUE(client.keymap);
  std::set<int> keycodes;
  for (char32_t c : wanted) {
    int kc = keymap.KeycodeOfCharacter(c);
    ASSERT_NE(kc, 0);
    keycodes.insert(kc);
    EXPECT_EQ(client.Type(kc), c);
    EXPECT_EQ(client.Type(kc, rt::wayland::kShiftMask), c) << "Shift does not change it";
  }
  EXPECT_EQ(keycodes.size(), wanted.size());
  // GTK 3 reads nothing from the highest keycode of a keymap.
  xkb_keycode_t highest = xkb_keymap_max_keycode(client.keymap.get());
  EXPECT_EQ(xkb_keymap_num_layouts_for_key(client.keymap.get(), highest), 0u);
  EXPECT_LT(*keycodes.rbegin(), static_cast<int>(highest));
}

TEST(WaylandKeymap, MoreCharactersThanFitReplaceThoseNotWantedNow) {
  Keymap keymap;
  std::vector<char32_t> first, second;
  for (std::size_t i = 0; i < keymap.Capacity(); ++i) first.push_back(U'\u4E00' + static_cast<char32_t>(i));
  ASSERT_TRUE(keymap.Hold(first));
  for (char32_t c = U'\u0391'; c < U'\u0391' + 10; ++c) second.push_back(c);
  second.push_back(first.back());
  bool fit = false;
  EXPECT_TRUE(keymap.Hold(second, &fit));
  EXPECT_TRUE(fit);
  for (char32_t c : second) EXPECT_NE(keymap.KeycodeOfCharacter(c), 0);
  EXPECT_EQ(keymap.KeycodeOfCharacter(first.front()), 0) << "the oldest made room";
  Compiled client(keymap);
  ASSERT_TRUE(client.keymap);
  for (char32_t c : second) EXPECT_EQ(client.Type(keymap.KeycodeOfCharacter(c)), c);
}

TEST(BackendChoice, TheSessionDecides) {
  using rt::posix::Backend;
  const std::vector<std::pair<std::string, std::string>> gnome = {
      {"zwp_virtual_keyboard_manager_v1", "typing"},
      {"zwlr_foreign_toplevel_management_v1", "the window list"},
      {"zwlr_data_control_manager_v1", "the clipboard"}};
  const std::vector<std::pair<std::string, std::string>> noClipboard = {{"zwlr_data_control_manager_v1", "the clipboard"}};
  const struct {
    const char* name;
    rt::posix::SessionFacts facts;
    Backend backend;
    const char* noticeHas;  // "" for no notice
  } cases[] = {
      {"X11 session", {"", false, false, "", {}, true}, Backend::X11, ""},
      {"sway", {"", true, true, "sway", {}, true}, Backend::Wayland, ""},
      {"GNOME", {"", true, true, "GNOME", gnome, true}, Backend::X11, "(GNOME) lacks zwp_virtual_keyboard_manager_v1 (typing)"},
      {"GNOME, XWayland's words", {"", true, true, "GNOME", gnome, true}, Backend::X11, "X11 windows only"},
      {"forced x11 on sway", {"x11", true, true, "sway", {}, true}, Backend::X11, "X11 windows only"},
      {"forced wayland on GNOME", {"wayland", true, true, "GNOME", gnome, true}, Backend::Wayland, "only Strumlet's own"},
      {"no clipboard, no XWayland", {"", true, true, "", noClipboard, false}, Backend::Wayland,
       "This Wayland compositor lacks zwlr_data_control_manager_v1 (the clipboard); everything else works"},
      {"compositor gone", {"wayland", true, false, "", {}, true}, Backend::None, "cannot connect"},
      {"unknown value", {"mir", true, true, "sway", {}, true}, Backend::Wayland, "\"mir\", not x11 or wayland"},
      {"no compositor answers", {"", true, false, "", {}, true}, Backend::X11, "X11 windows only"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    rt::posix::BackendChoice choice = rt::posix::ChooseBackend(c.facts);
    EXPECT_EQ(choice.backend, c.backend);
    if (*c.noticeHas) {
      EXPECT_NE(choice.notice.find(c.noticeHas), std::string::npos) << choice.notice;
      EXPECT_EQ(choice.notice.rfind("Strumlet: ", 0), 0u) << choice.notice;
    } else {
      EXPECT_EQ(choice.notice, "");
    }
  }
}

class OnSway : public SwayTest {
 protected:
  void SetUp() override {
    SwayTest::SetUp();
    if (!SwayUp()) return;
    connection_ = rt::wayland::Connection::Open();
    ASSERT_TRUE(connection_);
    windows_ = std::make_unique<rt::wayland::WaylandWindows>(*connection_);
    ASSERT_TRUE(windows_->Available());
  }
  std::vector<std::string> Titles() {
    std::vector<std::string> titles;
    for (const rt::TopWindow& w : rt::VisibleTopWindows(*windows_)) titles.push_back(rt::ToUtf8(w.title));
    return titles;
  }
  std::unique_ptr<rt::wayland::Connection> connection_;
  std::unique_ptr<rt::wayland::WaylandWindows> windows_;
};

TEST_F(OnSway, TheWindowListHasEveryToolkitsWindowsByTitleTheLastActivatedFirst) {
  const std::string utf8 = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x93";
  TextTarget foot(TextTarget::Kind::Foot, "List Foot " + utf8);
  TextTarget gtk(TextTarget::Kind::Gtk, "List GTK");
  TextTarget qt(TextTarget::Kind::Qt, "List Qt");
  ASSERT_TRUE(foot.Ready() && gtk.Ready() && qt.Ready())
      << "foot " << foot.Ready() << ", GTK " << gtk.Ready() << ", Qt " << qt.Ready();
  ASSERT_TRUE(Sway::Focus(gtk.Window()));
  std::vector<std::string> titles;
  EXPECT_TRUE(WaitFor([&] {
    titles = Titles();
    return titles.size() >= 3 && titles[0] == "List GTK";
  })) << (titles.empty() ? "" : titles[0]);
  auto at = [&](const std::string& t) { return std::find(titles.begin(), titles.end(), t) - titles.begin(); };
  EXPECT_LT(at("List GTK"), at("List Qt"));
  EXPECT_LT(at("List Qt"), at("List Foot " + utf8)) << "Qt was activated after foot";
  for (const rt::TopWindow& w : rt::VisibleTopWindows(*windows_)) {
    EXPECT_NE(rt::ToUtf8(windows_->ClassName(w.handle)), rt::wayland::kOwnAppId);
    EXPECT_EQ(windows_->Owner(w.handle), 0u);
  }
}

TEST_F(OnSway, ActivationByCaptionPrefixInAnyCaseCountsOnceSwayFocusesTheWindow) {
  TextTarget first(TextTarget::Kind::Foot, "Activate Me Please");
  TextTarget second(TextTarget::Kind::Qt, "Activate Other");
  ASSERT_TRUE(first.Ready() && second.Ready());
  ASSERT_TRUE(Sway::Focus(second.Window()));
  rt::ActivateWindow(u"activate me", *windows_);
  auto focused = Sway::Focused();
  ASSERT_TRUE(focused.has_value());
  EXPECT_EQ(focused->id, first.Window());
  // A window in the scratchpad comes back.
  ASSERT_TRUE(Sway::ToScratchpad(first.Window()));
  ASSERT_TRUE(WaitFor([&] { return Sway::Focused() && Sway::Focused()->id != first.Window(); }));
  rt::ActivateWindow(u"ACTIVATE ME PLEASE", *windows_);
  focused = Sway::Focused();
  ASSERT_TRUE(focused.has_value());
  EXPECT_EQ(focused->id, first.Window());
  EXPECT_FALSE(focused->scratchpad);
  try {
    rt::ActivateWindow(u"No Such Window 4711", *windows_);
    ADD_FAILURE() << "no window has that caption";
  } catch (const rt::RuntimeError& e) {
    EXPECT_EQ(e.Code(), rt::ErrorCode::NotFound);
  }
}

// The holders of the Wayland clipboard that run now.
std::vector<int> Holders() {
  std::vector<int> pids;
  DIR* proc = opendir("/proc");
  while (dirent* e = proc ? readdir(proc) : nullptr) {
    int pid = std::atoi(e->d_name);
    if (pid <= 0) continue;
    std::ifstream in("/proc/" + std::string(e->d_name) + "/environ", std::ios::binary);
    std::string env((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (env.find(std::string(rt::wayland::kClipboardHolderVariable) + "=1") != std::string::npos) pids.push_back(pid);
  }
  if (proc) closedir(proc);
  return pids;
}

TEST_F(OnSway, TheClipboardOutlivesTheProgramUntilAnotherClientTakesIt) {
  const std::string text = "/Bob's Target /it's~ /2 \xE2\x9C\x93 " + std::string(100000, 'z');
  // A holder that an earlier test left ends when this one takes the
  // clipboard: the new one is told by its process id.
  std::vector<int> before = Holders();
  ASSERT_TRUE(rt::wayland::StartClipboardHolder(text, STRUMLET_EXE));
  EXPECT_EQ(Clipboard(), text) << "read by another client, with no window of the holder's";
  EXPECT_EQ(Clipboard(), text) << "as often as asked";
  std::vector<int> started;
  for (int pid : Holders()) {
    if (std::find(before.begin(), before.end(), pid) == before.end()) started.push_back(pid);
  }
  ASSERT_EQ(started.size(), 1u) << "one holder";
  int code = 0;
  strumlet::wayland_e2e::Run("wl-copy taken", &code);
  ASSERT_EQ(code, 0);
  EXPECT_TRUE(WaitFor([&] {
    std::vector<int> now = Holders();
    return std::find(now.begin(), now.end(), started[0]) == now.end();
  })) << "the holder ends once another takes it";
  EXPECT_EQ(Clipboard(), "taken");
  strumlet::wayland_e2e::Run("wl-copy --clear");
}

}  // namespace
