#include "platform/x11/bound_keys.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <set>

#include "platform/x11/x11_errors.h"

namespace rt::x11 {

namespace {

constexpr int kFields = 4;  // owner, keycode, two keysyms

Atom RecordAtom(Display* display) { return XInternAtom(display, "STRUMLET_BOUND_KEYS", False); }

void WriteRecord(Display* display, const std::vector<BoundKey>& keys) {
  Window root = DefaultRootWindow(display);
  if (keys.empty()) {
    XDeleteProperty(display, root, RecordAtom(display));
    return;
  }
  std::vector<long> data;
  for (const BoundKey& k : keys) {
    data.push_back(static_cast<long>(k.owner));
    data.push_back(k.keycode);
    data.push_back(static_cast<long>(k.syms[0]));
    data.push_back(static_cast<long>(k.syms[1]));
  }
  XChangeProperty(display, root, RecordAtom(display), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(data.data()), static_cast<int>(data.size()));
}

bool WindowExists(Display* display, Window window) {
  ErrorTrap trap(display);
  XWindowAttributes attributes;
  bool got = XGetWindowAttributes(display, window, &attributes) != 0;
  return !trap.Failed() && got;
}

// Clears the keys that hold what they say, reading the keycodes once.
std::vector<int> ClearHeld(Display* display, const std::vector<BoundKey>& keys) {
  std::vector<int> cleared;
  if (keys.empty()) return cleared;
  auto [lo, hi] = std::minmax_element(keys.begin(), keys.end(),
                                      [](const BoundKey& a, const BoundKey& b) { return a.keycode < b.keycode; });
  int first = lo->keycode;
  KeySyms now = ReadKeySyms(display, first, hi->keycode - first + 1);
  std::vector<BoundKey> clear;
  for (const BoundKey& k : keys) {
    auto i = static_cast<std::size_t>(k.keycode - first);
    if (k.syms[0] == NoSymbol && k.syms[1] == NoSymbol) continue;
    if (!Holds(now, i, k.syms[0], k.syms[1])) continue;
    clear.push_back({k.owner, k.keycode, {NoSymbol, NoSymbol}});
    cleared.push_back(k.keycode);
  }
  WriteKeySyms(display, clear);
  return cleared;
}

}  // namespace

KeySyms ReadKeySyms(Display* display, int first, int count) {
  KeySyms out;
  out.syms.assign(static_cast<std::size_t>(std::max(count, 0)), {NoSymbol, NoSymbol});
  out.simple.assign(out.syms.size(), false);
  if (count <= 0) return out;
  int per = 0;
  KeySym* list = XGetKeyboardMapping(display, static_cast<KeyCode>(first), count, &per);
  if (!list) return out;
  for (int i = 0; i < count; ++i) {
    const KeySym* syms = list + static_cast<std::ptrdiff_t>(i) * per;
    KeySym a = per > 0 ? syms[0] : NoSymbol, b = per > 1 ? syms[1] : NoSymbol;
    bool simple = true;
    // The server repeats the first group's keysyms in the columns of the
    // others; anything else is a key with more to it.
    for (int j = 2; j < per; ++j) simple &= syms[j] == NoSymbol || syms[j] == a || syms[j] == b;
    out.syms[static_cast<std::size_t>(i)] = {a, b};
    out.simple[static_cast<std::size_t>(i)] = simple;
  }
  XFree(list);
  return out;
}

bool Holds(const KeySyms& read, std::size_t i, KeySym sym0, KeySym sym1) {
  if (i >= read.syms.size() || !read.simple[i]) return false;
  KeySym a = read.syms[i][0], b = read.syms[i][1];
  // A pair of one keysym may come back as that keysym alone.
  if (b == NoSymbol && sym0 == sym1) b = a;
  return a == sym0 && b == sym1;
}

int WriteKeySyms(Display* display, const std::vector<BoundKey>& keys) {
  std::vector<BoundKey> sorted = keys;
  std::sort(sorted.begin(), sorted.end(), [](const BoundKey& a, const BoundKey& b) { return a.keycode < b.keycode; });
  int requests = 0;
  for (std::size_t i = 0; i < sorted.size();) {
    std::size_t j = i;
    std::vector<KeySym> syms;
    while (j < sorted.size() && sorted[j].keycode == sorted[i].keycode + static_cast<int>(j - i)) {
      syms.push_back(sorted[j].syms[0]);
      syms.push_back(sorted[j].syms[1]);
      ++j;
    }
    XChangeKeyboardMapping(display, sorted[i].keycode, 2, syms.data(), static_cast<int>(j - i));
    ++requests;
    i = j;
  }
  return requests;
}

std::vector<BoundKey> ReadRecord(Display* display) {
  std::vector<BoundKey> keys;
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, DefaultRootWindow(display), RecordAtom(display), 0, 1 << 16, False, XA_CARDINAL,
                         &type, &format, &items, &after, &data) == Success &&
      data && format == 32) {
    const long* values = reinterpret_cast<const long*>(data);
    for (unsigned long i = 0; i + kFields <= items; i += kFields) {
      BoundKey k;
      k.owner = static_cast<Window>(values[i]);
      k.keycode = static_cast<int>(values[i + 1]);
      k.syms[0] = static_cast<KeySym>(values[i + 2]);
      k.syms[1] = static_cast<KeySym>(values[i + 3]);
      if (k.keycode >= 8 && k.keycode <= 255) keys.push_back(k);
    }
  }
  if (data) XFree(data);
  return keys;
}

void RecordBindings(Display* display, Window owner, const std::vector<BoundKey>& keys) {
  std::vector<BoundKey> record = ReadRecord(display);
  record.erase(std::remove_if(record.begin(), record.end(), [&](const BoundKey& k) { return k.owner == owner; }),
               record.end());
  for (BoundKey k : keys) {
    if (k.syms[0] == NoSymbol && k.syms[1] == NoSymbol) continue;
    k.owner = owner;
    record.push_back(k);
  }
  WriteRecord(display, record);
}

std::vector<int> ClearBindings(Display* display, Window owner, const std::vector<BoundKey>& keys) {
  ServerGrab grab(display);
  std::vector<int> cleared = ClearHeld(display, keys);
  RecordBindings(display, owner, {});
  return cleared;
}

int ClearLeftovers(Display* display) {
  ServerGrab grab(display);
  std::vector<BoundKey> record = ReadRecord(display);
  if (record.empty()) return 0;
  std::set<Window> dead;
  for (const BoundKey& k : record) {
    if (!dead.count(k.owner) && !WindowExists(display, k.owner)) dead.insert(k.owner);
  }
  std::vector<BoundKey> left, kept;
  for (const BoundKey& k : record) (dead.count(k.owner) ? left : kept).push_back(k);
  if (left.empty()) return 0;
  int cleared = static_cast<int>(ClearHeld(display, left).size());
  WriteRecord(display, kept);
  return cleared;
}

}  // namespace rt::x11
