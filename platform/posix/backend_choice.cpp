#include "platform/posix/backend_choice.h"

namespace rt::posix {

namespace {

std::string CompositorName(const SessionFacts& f) {
  return f.compositor.empty() ? std::string("This Wayland compositor") : "The Wayland compositor (" + f.compositor + ")";
}

std::string MissingList(const SessionFacts& f) {
  std::string out;
  for (std::size_t i = 0; i < f.missing.size(); ++i) {
    if (i) out += i + 1 == f.missing.size() ? " and " : ", ";
    out += f.missing[i].first + " (" + f.missing[i].second + ")";
  }
  return out;
}

constexpr const char* kXWaylandOnly =
    "Strumlet runs through XWayland and can find, activate and type into X11 windows only.";

BackendChoice Wayland(const SessionFacts& f) {
  if (!f.waylandConnected) return {Backend::None, "Strumlet: cannot connect to the Wayland compositor."};
  if (f.missing.empty()) return {Backend::Wayland, ""};
  std::string notice = "Strumlet: " + CompositorName(f) + " lacks " + MissingList(f) + "; ";
  notice += f.missing.size() == 3 ? std::string("only Strumlet's own windows work.")
                                   : "everything else works on native Wayland windows.";
  return {Backend::Wayland, notice};
}

BackendChoice X11(const SessionFacts& f, std::string notice) {
  if (f.waylandDisplay) {
    if (!notice.empty()) notice += " ";
    notice += kXWaylandOnly;
  }
  if (!notice.empty()) notice = "Strumlet: " + notice;
  return {Backend::X11, notice};
}

}  // namespace

BackendChoice ChooseBackend(const SessionFacts& f) {
  std::string prefix;
  if (f.forced == "x11") return X11(f, "");
  if (f.forced == "wayland") return Wayland(f);
  if (!f.forced.empty()) prefix = "STRUMLET_BACKEND is \"" + f.forced + "\", not x11 or wayland; it is left aside. ";
  if (!f.waylandDisplay || !f.waylandConnected) {
    BackendChoice c = X11(f, prefix.empty() ? "" : prefix.substr(0, prefix.size() - 1));
    return c;
  }
  if (f.missing.empty()) {
    if (prefix.empty()) return {Backend::Wayland, ""};
    return {Backend::Wayland, "Strumlet: " + prefix.substr(0, prefix.size() - 1)};
  }
  if (!f.xDisplay) {
    BackendChoice c = Wayland(f);
    if (!prefix.empty()) c.notice.insert(std::string("Strumlet: ").size(), prefix);
    return c;
  }
  return X11(f, prefix + CompositorName(f) + " lacks " + MissingList(f) + ".");
}

}  // namespace rt::posix
