#include "platform/x11/selection_server.h"

#include <X11/Xatom.h>
#include <poll.h>

#include <algorithm>
#include <cstdint>

#include "platform/posix/posix_clock.h"
#include "platform/text.h"
#include "platform/x11/x11_errors.h"

namespace rt::x11 {

namespace {

std::uint64_t NowMs() { return posix::MonotonicClock().NowMs(); }

// Server times are 32-bit milliseconds that wrap around.
bool NotBefore(Time time, Time since) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(time) - static_cast<std::uint32_t>(since)) >= 0;
}

}  // namespace

std::string Latin1FromUtf8(const std::string& utf8, bool* exact) {
  ustring units = FromUtf8(utf8);
  std::string out;
  out.reserve(units.size());
  bool all = true;
  for (std::size_t i = 0; i < units.size(); ++i) {
    char16_t c = units[i];
    if (c < 0x100) {
      out += static_cast<char>(c);
      continue;
    }
    if (IsSurrogatePairAt(units, i)) ++i;
    out += '?';
    all = false;
  }
  if (exact) *exact = all;
  return out;
}

SelectionServer::SelectionServer(Display* display, std::string utf8)
    : display_(display),
      window_(XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0)),
      utf8_(std::move(utf8)),
      latin1_(Latin1FromUtf8(utf8_, &latin1Exact_)) {
  // What one ChangeProperty request carries, less room for its header.
  long units = XExtendedMaxRequestSize(display);
  if (units == 0) units = XMaxRequestSize(display);
  chunk_ = std::min(kChunk, static_cast<std::size_t>(units) * 4 - 1024);
  auto atom = [&](const char* name) { return XInternAtom(display, name, False); };
  clipboard_ = atom("CLIPBOARD");
  targets_ = atom("TARGETS");
  timestamp_ = atom("TIMESTAMP");
  multiple_ = atom("MULTIPLE");
  atomPair_ = atom("ATOM_PAIR");
  incr_ = atom("INCR");
  utf8String_ = atom("UTF8_STRING");
  utf8Mime_ = atom("text/plain;charset=utf-8");
  text_ = atom("TEXT");
  manager_ = atom("CLIPBOARD_MANAGER");
  saveTargets_ = atom("SAVE_TARGETS");
}

SelectionServer::~SelectionServer() { XDestroyWindow(display_, window_); }

bool SelectionServer::Take() {
  // A server timestamp: the time of a property change on our own window.
  Atom stamp = XInternAtom(display_, "STRUMLET_TIMESTAMP", False);
  XSelectInput(display_, window_, PropertyChangeMask);
  XChangeProperty(display_, window_, stamp, XA_STRING, 8, PropModeAppend, nullptr, 0);
  XEvent event;
  XWindowEvent(display_, window_, PropertyChangeMask, &event);
  owned_ = event.xproperty.time;
  XSetSelectionOwner(display_, clipboard_, window_, owned_);
  return XGetSelectionOwner(display_, clipboard_) == window_;
}

void SelectionServer::HandOffToManager() {
  if (XGetSelectionOwner(display_, manager_) == None) return;
  XConvertSelection(display_, manager_, saveTargets_, None, window_, owned_);
  XFlush(display_);
}

void SelectionServer::Serve() {
  bool owner = true;
  for (;;) {
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      switch (event.type) {
        case SelectionClear:
          if (event.xselectionclear.window == window_ && event.xselectionclear.selection == clipboard_) owner = false;
          break;
        case SelectionRequest:
          // Refused once another client owns the clipboard: it answers now.
          if (owner) Answer(event.xselectionrequest);
          else {
            XSelectionRequestEvent refused = event.xselectionrequest;
            refused.selection = None;
            Answer(refused);
          }
          break;
        case PropertyNotify:
          if (event.xproperty.state == PropertyDelete) Continue(event.xproperty.window, event.xproperty.atom);
          break;
        case DestroyNotify:
          for (std::size_t i = transfers_.size(); i-- > 0;) {
            if (transfers_[i].requestor == event.xdestroywindow.window) transfers_.erase(transfers_.begin() + i);
          }
          break;
        default:
          break;
      }
    }
    DropExpired();
    if (!owner && transfers_.empty()) return;
    int timeout = -1;
    if (!transfers_.empty()) {
      auto next = std::min_element(transfers_.begin(), transfers_.end(),
                                   [](const Transfer& a, const Transfer& b) { return a.deadline < b.deadline; });
      std::uint64_t now = NowMs();
      std::uint64_t left = next->deadline > now ? next->deadline - now : 0;
      timeout = static_cast<int>(std::clamp<std::uint64_t>(left + 1, 1, 60000));
    }
    pollfd p{ConnectionNumber(display_), POLLIN, 0};
    poll(&p, 1, timeout);
  }
}

void SelectionServer::Answer(const XSelectionRequestEvent& request) {
  XSelectionEvent reply{};
  reply.type = SelectionNotify;
  reply.display = request.display;
  reply.requestor = request.requestor;
  reply.selection = request.selection;
  reply.target = request.target;
  reply.time = request.time;
  // Old clients name no property: the target is the property then.
  Atom property = request.property == None ? request.target : request.property;
  bool converted = false;
  if (request.selection == clipboard_ && (request.time == CurrentTime || NotBefore(request.time, owned_))) {
    converted = request.target == multiple_ ? request.property != None && ConvertMultiple(request.requestor, property)
                                            : Convert(request.requestor, request.target, property);
  }
  reply.property = converted ? property : None;
  XSendEvent(display_, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
  XFlush(display_);
}

bool SelectionServer::Convert(Window requestor, Atom target, Atom property) {
  if (target == targets_) {
    Atom list[] = {targets_, timestamp_, multiple_, utf8String_, utf8Mime_, text_, XA_STRING};
    XChangeProperty(display_, requestor, property, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(list),
                    static_cast<int>(sizeof list / sizeof list[0]));
    return true;
  }
  if (target == timestamp_) {
    long time = static_cast<long>(owned_);
    XChangeProperty(display_, requestor, property, XA_INTEGER, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&time), 1);
    return true;
  }
  if (target == utf8String_ || target == utf8Mime_) return Put(requestor, property, target, utf8_);
  if (target == XA_STRING) return Put(requestor, property, XA_STRING, latin1_);
  // TEXT leaves the encoding to the owner: Latin-1 when that loses nothing,
  // since every client reads it, UTF-8 otherwise.
  if (target == text_) return latin1Exact_ ? Put(requestor, property, XA_STRING, latin1_) : Put(requestor, property, utf8String_, utf8_);
  return false;
}

// MULTIPLE: the property holds pairs of target and property; each is
// converted, and a pair that fails gets None for its property.
bool SelectionServer::ConvertMultiple(Window requestor, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  ErrorTrap trap(display_);
  if (XGetWindowProperty(display_, requestor, property, 0, 1 << 16, False, AnyPropertyType, &type, &format, &count,
                         &after, &data) != Success ||
      trap.Failed() || !data || format != 32) {
    if (data) XFree(data);
    return false;
  }
  // Format 32 data comes as longs.
  std::vector<long> pairs(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
  XFree(data);
  bool changed = false;
  for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
    Atom target = static_cast<Atom>(pairs[i]);
    Atom into = static_cast<Atom>(pairs[i + 1]);
    if (into == None || target == multiple_ || !Convert(requestor, target, into)) {
      pairs[i + 1] = None;
      changed = true;
    }
  }
  if (changed) {
    XChangeProperty(display_, requestor, property, type == None ? atomPair_ : type, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(pairs.data()), static_cast<int>(pairs.size()));
  }
  return true;
}

bool SelectionServer::Put(Window requestor, Atom property, Atom type, const std::string& data) {
  if (data.size() <= chunk_) {
    XChangeProperty(display_, requestor, property, type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
    return true;
  }
  // In increments: the INCR property says how much comes; each time the
  // requestor deletes the property, the next increment is written, and an
  // empty one ends the transfer. The requestor's window is watched from
  // before the reply, so that no deletion is missed.
  for (std::size_t i = transfers_.size(); i-- > 0;) {
    if (transfers_[i].requestor == requestor && transfers_[i].property == property) Drop(i);
  }
  ErrorTrap trap(display_);
  Listen(requestor, true);
  long size = static_cast<long>(data.size());
  XChangeProperty(display_, requestor, property, incr_, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&size), 1);
  if (trap.Failed()) {
    Listen(requestor, false);
    return false;
  }
  transfers_.push_back({requestor, property, type, &data, 0, NowMs() + kStallMs});
  return true;
}

void SelectionServer::Continue(Window requestor, Atom property) {
  auto it = std::find_if(transfers_.begin(), transfers_.end(),
                         [&](const Transfer& t) { return t.requestor == requestor && t.property == property; });
  if (it == transfers_.end()) return;
  std::size_t size = std::min(chunk_, it->data->size() - it->offset);
  ErrorTrap trap(display_);
  XChangeProperty(display_, requestor, property, it->type, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(it->data->data() + it->offset), static_cast<int>(size));
  it->offset += size;
  it->deadline = NowMs() + kStallMs;
  // The empty increment was the last; a requestor that has gone ends its
  // transfer too.
  if (size == 0 || trap.Failed()) Drop(static_cast<std::size_t>(it - transfers_.begin()));
}

void SelectionServer::Drop(std::size_t index) {
  Window requestor = transfers_[index].requestor;
  transfers_.erase(transfers_.begin() + static_cast<std::ptrdiff_t>(index));
  Listen(requestor, false);
}

void SelectionServer::DropExpired() {
  std::uint64_t now = NowMs();
  for (std::size_t i = transfers_.size(); i-- > 0;) {
    if (transfers_[i].deadline <= now) Drop(i);
  }
}

void SelectionServer::Listen(Window requestor, bool on) {
  if (!on && std::any_of(transfers_.begin(), transfers_.end(), [&](const Transfer& t) { return t.requestor == requestor; }))
    return;
  // Errors (a window that has gone) are counted by the handler, not fatal.
  XSelectInput(display_, requestor, on ? PropertyChangeMask | StructureNotifyMask : NoEventMask);
}

}  // namespace rt::x11
