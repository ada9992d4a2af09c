#include "platform/wayland/wl_keyboard.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <csignal>

#include "platform/errors.h"
#include "platform/virtual_keys.h"
#include "platform/wayland/wl_windows.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

namespace rt::wayland {

namespace {

constexpr std::uint32_t kKeymapFormatXkbV1 = 1;
// Requests queued before they are sent: far below what libwayland buffers.
constexpr int kFlushEvery = 64;

volatile std::sig_atomic_t g_signal = 0;
void OnSignal(int sig) { g_signal = sig; }

// The time stamp of a key event: the clock's milliseconds, wrapped.
std::uint32_t Stamp(Clock& clock) { return static_cast<std::uint32_t>(clock.NowMs()); }

// The characters of a text, surrogate pairs combined.
std::vector<char32_t> Characters(ustring_view text) {
  std::vector<char32_t> out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsSurrogatePairAt(text, i)) {
      out.push_back(CombineSurrogates(text[i], text[i + 1]));
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

}  // namespace

WaylandKeyboard::WaylandKeyboard(Connection& connection, WaylandWindows* windows, const KeyboardOptions& options)
    : connection_(connection), windows_(windows), options_(options) {
  manager_ = static_cast<zwp_virtual_keyboard_manager_v1*>(
      connection_.Bind(&zwp_virtual_keyboard_manager_v1_interface, 1));
  if (!manager_ || !connection_.Seat()) return;
  keyboard_ = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager_, connection_.Seat());
  Upload();
  if (!connection_.Roundtrip() || connection_.Broken()) {
    // The compositor refused the keyboard (a client it does not trust).
    keyboard_ = nullptr;
    return;
  }
  readyAt_ = Time().NowMs() + static_cast<std::uint64_t>(options_.readyMs);
}

WaylandKeyboard::~WaylandKeyboard() {
  if (keyboard_) {
    ReleaseAll();
    zwp_virtual_keyboard_v1_destroy(keyboard_);
    connection_.Roundtrip(2000);
  }
  if (manager_) zwp_virtual_keyboard_manager_v1_destroy(manager_);
}

void WaylandKeyboard::Upload() {
  std::string text = keymap_.Text();
  int fd = memfd_create("strumlet-keymap", MFD_CLOEXEC);
  if (fd < 0) return;
  // The compositor maps the text with its terminating NUL.
  std::size_t size = text.size() + 1;
  const char* data = text.c_str();
  std::size_t left = size;
  while (left > 0) {
    ssize_t n = write(fd, data, left);
    if (n <= 0) {
      close(fd);
      return;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  zwp_virtual_keyboard_v1_keymap(keyboard_, kKeymapFormatXkbV1, fd, static_cast<std::uint32_t>(size));
  close(fd);  // the request carries a copy
  ++uploads_;
  // A new keymap starts from no modifiers: ours are sent again.
  SendModifiers();
  connection_.Flush();
}

void WaylandKeyboard::Queued() {
  if (++queued_ >= kFlushEvery) {
    connection_.Flush();
    queued_ = 0;
  }
}

void WaylandKeyboard::Key(int keycode, bool down) {
  zwp_virtual_keyboard_v1_key(keyboard_, Stamp(Time()), static_cast<std::uint32_t>(keycode - 8),
                              down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
  ++paceEvents_;
  auto it = std::find(pressed_.begin(), pressed_.end(), keycode);
  if (down && it == pressed_.end()) pressed_.push_back(keycode);
  if (!down && it != pressed_.end()) pressed_.erase(it);
  Queued();
}

void WaylandKeyboard::SendModifiers() {
  zwp_virtual_keyboard_v1_modifiers(keyboard_, modifiers_, 0, 0, 0);
  ++paceEvents_;
  Queued();
}

void WaylandKeyboard::ReleaseAll() {
  if (!keyboard_) return;
  while (!pressed_.empty()) Key(pressed_.back(), false);
  modifiers_ = 0;
  SendModifiers();
  unicodeDown_ = 0;
  connection_.Flush();
}

void WaylandKeyboard::Prepare(const std::vector<InputEvent>& events) {
  if (!keyboard_) return;
  ustring units;
  for (const InputEvent& e : events) {
    if (e.unicode && !e.up) units.push_back(static_cast<char16_t>(e.code));
  }
  std::vector<char32_t> wanted = Characters(units);
  if (wanted.size() > keymap_.Capacity()) wanted.resize(keymap_.Capacity());
  if (keymap_.Hold(wanted)) Upload();
  // Reading the compositor's events meanwhile.
  std::uint64_t now = Time().NowMs();
  if (now < readyAt_) Pause(Time(), readyAt_ - now);
}

KeyOutput WaylandKeyboard::Translate(std::uint16_t vk, bool shift) {
  KeyOutput out;
  if (char32_t cp = keymap_.Translate(vk, shift)) AppendUtf16(out.text, cp);
  return out;
}

std::uint16_t WaylandKeyboard::ScanCode(std::uint16_t vk) { return static_cast<std::uint16_t>(keymap_.KeycodeOf(vk)); }

std::size_t WaylandKeyboard::Inject(const std::vector<InputEvent>& events) {
  if (!keyboard_ || connection_.Broken()) return 0;
  // The characters of this chunk that the keymap lacks, in one upload.
  ustring units;
  for (const InputEvent& e : events) {
    if (e.unicode && !e.up) units.push_back(static_cast<char16_t>(e.code));
  }
  std::vector<char32_t> wanted = Characters(units);
  if (wanted.size() > keymap_.Capacity()) wanted.resize(keymap_.Capacity());
  if (keymap_.Hold(wanted)) Upload();

  std::size_t done = 0;
  for (const InputEvent& e : events) {
    // Once interrupted, only releases go out.
    if (g_signal && !e.up) break;
    if (e.unicode) {
      char16_t unit = static_cast<char16_t>(e.code);
      if (IsHighSurrogate(unit)) {
        if (!e.up) pendingHigh_ = unit;
      } else if (!e.up) {
        char32_t cp = unit;
        if (IsLowSurrogate(unit)) {
          if (!pendingHigh_) break;
          cp = CombineSurrogates(pendingHigh_, unit);
          pendingHigh_ = 0;
        }
        int kc = keymap_.KeycodeOfCharacter(cp);
        if (!kc) {
          // More characters than the keymap holds at once: this one takes
          // the place of one already typed.
          if (keymap_.Hold({cp})) Upload();
          kc = keymap_.KeycodeOfCharacter(cp);
        }
        if (!kc) break;
        Key(kc, true);
        unicodeDown_ = kc;
      } else if (unicodeDown_) {
        Key(unicodeDown_, false);
        unicodeDown_ = 0;
      }
    } else if (e.vk == kVkMarker) {
      // The marker is no key here: its state is what the round trip proves.
      markerSent_ = !e.up;
    } else {
      int kc = e.code ? e.code : keymap_.KeycodeOf(e.vk);
      if (kc <= 0) break;
      Key(kc, !e.up);
      if (keymap_.ModifierOf(e.vk)) {
        // A modifier holds while any key that sets it is down.
        modifiers_ = 0;
        for (int down : pressed_) modifiers_ |= keymap_.ModifierOfKeycode(down);
        SendModifiers();
      }
    }
    ++done;
  }
  connection_.Flush();
  return done;
}

TargetKey WaylandKeyboard::ReadKey(std::uint16_t vk) {
  if (g_signal || !keyboard_ || connection_.Broken()) return TargetKey::Gone;
  if (vk != kVkMarker) return TargetKey::Up;
  if (markerRead_ != markerSent_) {
    if (!synced_) {
      if (!connection_.Roundtrip()) return TargetKey::Gone;
      synced_ = true;
    }
    // The target has had time to read what was sent at the pace.
    std::uint64_t now = Time().NowMs();
    std::uint64_t due = paceFrom_ + paceEvents_ * 1000 / static_cast<std::uint64_t>(std::max(1, options_.eventsPerSecond));
    if (now < due) return markerRead_ ? TargetKey::Down : TargetKey::Up;
    paceFrom_ = now;
    paceEvents_ = 0;
    synced_ = false;
    markerRead_ = markerSent_;
  }
  return markerRead_ ? TargetKey::Down : TargetKey::Up;
}

KeyFocus WaylandKeyboard::Focus() {
  if (!windows_ || !windows_->Available()) return {};
  return windows_->Focus();
}

bool WaylandKeyboard::WindowExists(WindowHandle window) {
  if (!windows_ || !windows_->Available()) return window != 0;
  return windows_->Exists(window);
}

void SendKeys(WaylandKeyboard& keyboard, ustring_view keys, bool wait) {
  if (!keyboard.Ok()) throw RuntimeError(ErrorCode::SendFailed, "the compositor gave no virtual keyboard");
  g_signal = 0;
  struct sigaction sa {}, oldInt {}, oldTerm {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, &oldInt);
  sigaction(SIGTERM, &sa, &oldTerm);
  int sig = 0;
  try {
    TypeKeys(keys, keyboard, wait);
  } catch (...) {
    sig = g_signal;
    keyboard.ReleaseAll();
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);
    if (!sig) throw;
  }
  if (!sig) {
    sig = g_signal;
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);
  }
  if (sig) {
    keyboard.ReleaseAll();
    std::raise(sig);
  }
}

}  // namespace rt::wayland
