#include "platform/x11/spare_plan.h"

#include <algorithm>
#include <map>

#include "platform/text.h"

namespace rt::x11 {

std::vector<SpareUse> SpareUses(const std::vector<InputEvent>& events) {
  std::vector<SpareUse> uses;
  int shifts = 0;
  char16_t high = 0;
  for (const InputEvent& e : events) {
    if (!e.unicode) {
      if (e.vk == kVkShift || e.vk == kVkLShift || e.vk == kVkRShift) shifts = std::max(0, shifts + (e.up ? -1 : 1));
      continue;
    }
    if (e.up) continue;
    char16_t unit = static_cast<char16_t>(e.code);
    if (IsHighSurrogate(unit)) {
      high = unit;
      continue;
    }
    char32_t cp = IsLowSurrogate(unit) && high ? CombineSurrogates(high, unit) : unit;
    high = 0;
    uses.push_back({cp, shifts > 0});
  }
  return uses;
}

int FittingLevel(const std::array<char32_t, 2>& key, char32_t cp, bool shifted) {
  if (cp == 0) return -1;
  if (!shifted && key[0] == cp) return 0;
  return key[1] == cp ? 1 : -1;
}

SpareRound PlanSpareRound(const std::vector<SpareUse>& uses, std::size_t from, const SpareLayout& now) {
  const std::size_t keys = now.size();
  SpareRound round{now, from};
  if (keys == 0 || from >= uses.size()) return round;

  // The round's characters in the order of their first use, and whether a
  // use needs the Shift level: as many as fit (at most one Shift-level
  // character per keycode, two characters per keycode in all).
  std::vector<char32_t> order;
  std::map<char32_t, bool> upper;
  std::size_t uppers = 0;
  std::size_t i = from;
  for (; i < uses.size(); ++i) {
    const SpareUse& use = uses[i];
    auto it = upper.find(use.cp);
    bool isNew = it == upper.end();
    bool becomesUpper = use.shifted && (isNew || !it->second);
    std::size_t total = upper.size() + (isNew ? 1 : 0);
    if (uppers + (becomesUpper ? 1 : 0) > keys || total > 2 * keys) break;
    if (isNew) {
      order.push_back(use.cp);
      upper[use.cp] = use.shifted;
    } else if (becomesUpper) {
      it->second = true;
    }
    if (becomesUpper) ++uppers;
  }
  round.end = i;

  // Placement. A slot is taken once a round character is set (or kept) there.
  std::vector<std::array<bool, 2>> taken(keys, {false, false});
  std::map<char32_t, bool> placed;
  SpareLayout& layout = round.layout;
  auto keep = [&](char32_t cp, int level) {
    for (std::size_t k = 0; k < keys; ++k) {
      if (now[k][static_cast<std::size_t>(level)] == cp && !taken[k][static_cast<std::size_t>(level)]) {
        taken[k][static_cast<std::size_t>(level)] = true;
        placed[cp] = true;
        return;
      }
    }
  };
  // A free slot for a new character: one that holds nothing first, then
  // one whose character this round does not need.
  auto place = [&](char32_t cp, int level) {
    auto l = static_cast<std::size_t>(level);
    for (bool wantEmpty : {true, false}) {
      for (std::size_t k = 0; k < keys; ++k) {
        if (taken[k][l] || (wantEmpty && now[k][l] != 0)) continue;
        layout[k][l] = cp;
        taken[k][l] = true;
        placed[cp] = true;
        return true;
      }
    }
    return false;
  };
  for (char32_t cp : order) {
    if (upper[cp]) keep(cp, 1);
  }
  for (char32_t cp : order) {
    if (!upper[cp]) keep(cp, 0);
  }
  for (char32_t cp : order) {
    if (upper[cp] && !placed[cp]) place(cp, 1);
  }
  for (char32_t cp : order) {
    if (!upper[cp] && !placed[cp]) keep(cp, 1);
  }
  for (char32_t cp : order) {
    if (!upper[cp] && !placed[cp] && !place(cp, 0)) place(cp, 1);
  }
  // A level that would type nothing types the other level's character.
  for (auto& key : layout) {
    if (key[0] == 0) key[0] = key[1];
    if (key[1] == 0) key[1] = key[0];
  }
  return round;
}

}  // namespace rt::x11
