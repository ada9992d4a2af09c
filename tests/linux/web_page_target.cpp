#include "web_page_target.h"

#include <signal.h>
#include <stdlib.h>

#include <cctype>

#ifndef TEXT_TARGET_PAGE
#error "TEXT_TARGET_PAGE names the web page the tests type into"
#endif

namespace strumlet::linux_e2e {

std::string NewFolder(const char* what) {
  std::string dir = ScratchFile(what) + "_XXXXXX";
  return mkdtemp(dir.data()) ? dir : std::string();
}

WebPageTarget::WebPageTarget(const std::function<pid_t(const std::string& file)>& start, const std::string& caption,
                             const std::string& suffix)
    : TextTarget(start), caption_(caption), suffix_(suffix) {}

WebPageTarget::~WebPageTarget() { End(); }

void WebPageTarget::End() {
  if (!process_.Running()) return;
  kill(-process_.Pid(), SIGCONT);
  kill(-process_.Pid(), SIGTERM);
  if (process_.WaitExit(30s) == -1) kill(-process_.Pid(), SIGKILL);
}

std::string WebPageTarget::PageUrl(const std::string& caption) {
  std::string url = "file://" TEXT_TARGET_PAGE "#";
  static const char hex[] = "0123456789ABCDEF";
  for (unsigned char c : caption) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.') {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += hex[c >> 4];
      url += hex[c & 15];
    }
  }
  return url;
}

std::string WebPageTarget::Unescape(const std::string& shown) {
  std::string text;
  for (std::size_t i = 0; i < shown.size(); ++i) {
    if (shown[i] != '\\' || i + 1 == shown.size()) {
      text += shown[i];
      continue;
    }
    switch (shown[++i]) {
      case 's': text += ' '; break;
      case 't': text += '\t'; break;
      case 'n': text += '\n'; break;
      default: text += shown[i];
    }
  }
  return text;
}

std::string WebPageTarget::Text() const {
  const std::string title = screen_.Title(window_);
  const std::string& c = caption_;
  const std::string& s = suffix_;
  if (title.size() < c.size() + s.size() || title.compare(0, c.size(), c) != 0 ||
      title.compare(title.size() - s.size(), s.size(), s) != 0) {
    return "(not the page's caption: " + title + ")";
  }
  std::string shown = title.substr(c.size(), title.size() - c.size() - s.size());
  if (shown.empty()) return {};
  if (shown.compare(0, 3, " | ") != 0) return "(not the page's caption: " + title + ")";
  return Unescape(shown.substr(3));
}

void WebPageTarget::AwaitPage() {
  AwaitWindow(caption_ + suffix_, [] { return true; });
}

}  // namespace strumlet::linux_e2e
