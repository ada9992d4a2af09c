// The owner's side of the X selection protocol for one text on the
// CLIPBOARD selection, as the ICCCM describes it: it answers TARGETS,
// TIMESTAMP and MULTIPLE, the text as UTF8_STRING (and its MIME name), as
// STRING (Latin-1) and as TEXT; texts larger than one chunk go in
// increments (INCR), several transfers at a time. A requester that goes
// away at any point costs only its own transfer: X errors are counted, never
// fatal, and a transfer that stalls is dropped after a while.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace rt::x11 {

class SelectionServer {
 public:
  // A window of its own on `display`; owns nothing yet.
  SelectionServer(Display* display, std::string utf8);
  ~SelectionServer();
  SelectionServer(const SelectionServer&) = delete;
  SelectionServer& operator=(const SelectionServer&) = delete;

  // The most one property holds (less when a request may carry less): a
  // larger text goes in increments of this size, as toolkits send theirs.
  static constexpr std::size_t kChunk = 256 * 1024;
  // A transfer whose requestor has not taken the last increment for this
  // long is dropped.
  static constexpr std::uint64_t kStallMs = 30000;

  // Takes the CLIPBOARD selection at a fresh server time; true when it owns
  // it.
  bool Take();
  // Asks a clipboard manager, if one runs, to save the text now: it then
  // reads it through the usual requests and later takes the clipboard.
  void HandOffToManager();
  // Answers requests until another client takes the clipboard, then
  // finishes the transfers under way (each until it ends or stalls).
  void Serve();

 private:
  struct Transfer {
    Window requestor;
    Atom property;
    Atom type;
    const std::string* data;
    std::size_t offset;
    std::uint64_t deadline;  // by the monotonic clock
  };

  void Answer(const XSelectionRequestEvent& request);
  bool Convert(Window requestor, Atom target, Atom property);
  bool ConvertMultiple(Window requestor, Atom property);
  bool Put(Window requestor, Atom property, Atom type, const std::string& data);
  void Continue(Window requestor, Atom property);
  void Drop(std::size_t index);
  void DropExpired();
  void Listen(Window requestor, bool on);

  Display* display_;
  Window window_;
  std::string utf8_, latin1_;
  bool latin1Exact_ = false;
  std::size_t chunk_;
  Time owned_ = CurrentTime;
  std::vector<Transfer> transfers_;
  Atom clipboard_, targets_, timestamp_, multiple_, atomPair_, incr_, utf8String_, utf8Mime_, text_, manager_,
      saveTargets_;
};

// The Latin-1 form of UTF-8 text (the STRING target): characters outside
// Latin-1 become "?". `exact` tells whether none did.
std::string Latin1FromUtf8(const std::string& utf8, bool* exact = nullptr);

}  // namespace rt::x11
