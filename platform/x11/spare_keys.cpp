#include "platform/x11/spare_keys.h"

#include <algorithm>
#include <cstdio>

#include "platform/x11/bound_keys.h"
#include "platform/x11/keyboard_watchdog.h"
#include "platform/x11/x_keymap.h"

namespace rt::x11 {

namespace {

// How far ahead of the expected use a character is looked for in the plan
// (the plan and the keys typed go together; this only keeps a slip short).
constexpr std::size_t kPlanSlack = 64;

std::array<KeySym, 2> SymsOf(const std::array<char32_t, 2>& key) {
  return {key[0] ? KeysymOf(key[0]) : NoSymbol, key[1] ? KeysymOf(key[1]) : NoSymbol};
}

std::string CharacterName(char32_t cp) {
  char name[16];
  std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(cp));
  return name;
}

}  // namespace

SpareKeys::SpareKeys(Display* display, Window owner, KeyboardWatchdog& watchdog)
    : display_(display), owner_(owner), watchdog_(watchdog) {}

void SpareKeys::Claim(const std::vector<int>& keycodes) {
  for (int kc : keycodes) {
    if (IsSpare(kc)) continue;
    keycodes_.push_back(kc);
    layout_.push_back({0, 0});
    usedAt_.push_back({0, 0});
  }
}

bool SpareKeys::IsSpare(int keycode) const {
  return std::find(keycodes_.begin(), keycodes_.end(), keycode) != keycodes_.end();
}

void SpareKeys::Plan(std::vector<SpareUse> uses) {
  uses_ = std::move(uses);
  next_ = 0;
}

std::optional<SpareKeys::Slot> SpareKeys::Find(char32_t cp, bool shifted) const {
  for (bool shift : {shifted, false}) {
    for (std::size_t k = 0; k < keycodes_.size(); ++k) {
      int level = FittingLevel(layout_[k], cp, shift);
      if (level >= 0) return Slot{keycodes_[k], level};
    }
  }
  return std::nullopt;
}

std::optional<SpareKeys::Slot> SpareKeys::SlotFor(char32_t cp, bool shifted,
                                                   const std::function<bool(std::uint64_t)>& awaitRead) {
  // Where the plan is: the use being typed.
  std::size_t at = uses_.size();
  for (std::size_t i = next_; i < uses_.size() && i < next_ + kPlanSlack; ++i) {
    if (uses_[i].cp == cp) {
      at = i;
      next_ = i + 1;
      break;
    }
  }
  if (auto slot = Find(cp, shifted)) return slot;
  for (int attempt = 0; attempt < 3 && Any(); ++attempt) {
    // A round from the plan; off the plan, a round of this one character.
    SpareRound round = at < uses_.size() ? PlanSpareRound(uses_, at, layout_)
                                         : PlanSpareRound({SpareUse{cp, shifted}}, 0, layout_);
    std::uint64_t need = 0;
    for (std::size_t k = 0; k < layout_.size(); ++k) {
      for (std::size_t l : {0u, 1u}) {
        if (round.layout[k][l] != layout_[k][l]) need = std::max(need, usedAt_[k][l]);
      }
    }
    if (need && !awaitRead(need)) {
      why_ = "the window did not read the keys typed on a spare keycode in time to rebind it";
      return std::nullopt;
    }
    // False: another program took one of the keycodes meanwhile.
    if (Write(round.layout)) break;
  }
  if (auto slot = Find(cp, shifted)) return slot;
  why_ = "no keycode of the keymap is free to type " + CharacterName(cp) +
         " (a character no key types): every keycode holds a key or another program's binding";
  return std::nullopt;
}

bool SpareKeys::Write(const SpareLayout& next) {
  struct Change {
    std::size_t k;
    std::array<KeySym, 2> from, to;
  };
  std::vector<Change> changes;
  for (std::size_t k = 0; k < layout_.size(); ++k) {
    if (next[k] != layout_[k]) changes.push_back({k, SymsOf(layout_[k]), SymsOf(next[k])});
  }
  if (changes.empty()) return true;
  int lo = 256, hi = 0;
  for (const Change& c : changes) {
    lo = std::min(lo, keycodes_[c.k]);
    hi = std::max(hi, keycodes_[c.k]);
    watchdog_.Binding(keycodes_[c.k], c.to[0], c.to[1]);
  }
  watchdog_.Flush();
  std::vector<std::size_t> taken;
  {
    ServerGrab grab(display_);
    KeySyms now = ReadKeySyms(display_, lo, hi - lo + 1);
    std::vector<BoundKey> write;
    for (const Change& c : changes) {
      int kc = keycodes_[c.k];
      if (!Holds(now, static_cast<std::size_t>(kc - lo), c.from[0], c.from[1])) {
        taken.push_back(c.k);
        continue;
      }
      write.push_back({owner_, kc, {c.to[0], c.to[1]}});
      layout_[c.k] = next[c.k];
    }
    requests_ += WriteKeySyms(display_, write);
    std::vector<BoundKey> record;
    for (std::size_t k = 0; k < layout_.size(); ++k) {
      if (std::find(taken.begin(), taken.end(), k) != taken.end()) continue;
      auto syms = SymsOf(layout_[k]);
      if (syms[0] != NoSymbol || syms[1] != NoSymbol) record.push_back({owner_, keycodes_[k], {syms[0], syms[1]}});
    }
    RecordBindings(display_, owner_, record);
  }
  std::sort(taken.rbegin(), taken.rend());
  for (std::size_t k : taken) GiveUp(k);
  return taken.empty();
}

void SpareKeys::GiveUp(std::size_t k) {
  keycodes_.erase(keycodes_.begin() + static_cast<std::ptrdiff_t>(k));
  layout_.erase(layout_.begin() + static_cast<std::ptrdiff_t>(k));
  usedAt_.erase(usedAt_.begin() + static_cast<std::ptrdiff_t>(k));
}

void SpareKeys::Used(const Slot& slot, std::uint64_t event) {
  for (std::size_t k = 0; k < keycodes_.size(); ++k) {
    if (keycodes_[k] == slot.keycode) usedAt_[k][static_cast<std::size_t>(slot.level)] = event;
  }
}

std::uint64_t SpareKeys::LastUse() const {
  std::uint64_t last = 0;
  for (const auto& used : usedAt_) last = std::max({last, used[0], used[1]});
  return last;
}

bool SpareKeys::AnyBound() const {
  return std::any_of(layout_.begin(), layout_.end(), [](const auto& key) { return key[0] || key[1]; });
}

int SpareKeys::TakeRequests() {
  int n = requests_;
  requests_ = 0;
  return n;
}

void SpareKeys::Verify() {
  if (keycodes_.empty()) return;
  auto [lo, hi] = std::minmax_element(keycodes_.begin(), keycodes_.end());
  int first = *lo;
  KeySyms now = ReadKeySyms(display_, first, *hi - first + 1);
  for (std::size_t k = keycodes_.size(); k-- > 0;) {
    auto syms = SymsOf(layout_[k]);
    if (!Holds(now, static_cast<std::size_t>(keycodes_[k] - first), syms[0], syms[1])) GiveUp(k);
  }
}

void SpareKeys::Revert() {
  std::vector<BoundKey> keys;
  for (std::size_t k = 0; k < keycodes_.size(); ++k) {
    auto syms = SymsOf(layout_[k]);
    if (syms[0] == NoSymbol && syms[1] == NoSymbol) continue;
    keys.push_back({owner_, keycodes_[k], {syms[0], syms[1]}});
    watchdog_.Binding(keycodes_[k], NoSymbol, NoSymbol);
    layout_[k] = {0, 0};
  }
  watchdog_.Flush();
  ClearBindings(display_, owner_, keys);
}

}  // namespace rt::x11
