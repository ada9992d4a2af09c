// Firefox ESR as a target: the test page in a window of a new instance with
// a profile of its own that goes with it (no first-run pages, no default
// browser question). The window's caption is the page's title followed by
// " — Mozilla Firefox". The page's lines come through dump() (switched on
// in the profile) on standard output.
#pragma once

#include <string>

#include "web_page_target.h"

namespace strumlet::linux_e2e {

class FirefoxEditor : public WebPageTarget {
 public:
  explicit FirefoxEditor(const std::string& title);
  ~FirefoxEditor() override;

 private:
  // The profile folder is made before the browser starts.
  FirefoxEditor(const std::string& title, const std::string& profile);
  std::string profile_;
};

}  // namespace strumlet::linux_e2e
