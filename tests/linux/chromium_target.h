// Chromium as a target: the test page in an app window (no tabs, no address
// bar; the window's caption is the page's title), with a profile of its own
// that goes with it. The page's lines come as console messages in
// Chromium's log on standard error. As root it runs without its sandbox,
// which needs user namespaces that a root shell may not have.
#pragma once

#include <string>

#include "web_page_target.h"

namespace strumlet::linux_e2e {

class ChromiumEditor : public WebPageTarget {
 public:
  explicit ChromiumEditor(const std::string& title);
  ~ChromiumEditor() override;

 private:
  // The profile folder is made before the browser starts.
  ChromiumEditor(const std::string& title, const std::string& profile);
  std::string profile_;
};

}  // namespace strumlet::linux_e2e
