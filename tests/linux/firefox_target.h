// Firefox ESR as a target: the test page in a window of a new instance with
// a profile of its own that goes with it (no first-run pages, no default
// browser question). The window's caption is the page's title followed by
// " — Mozilla Firefox", but Firefox cuts a title after 255 characters: the
// text is read from the lines the page writes to Firefox's output instead
// (dump(), switched on in the profile), the last complete one.
#pragma once

#include <string>

#include "web_page_target.h"

namespace strumlet::linux_e2e {

class FirefoxEditor : public WebPageTarget {
 public:
  explicit FirefoxEditor(const std::string& title);
  ~FirefoxEditor() override;

  std::string Text() const override;

 private:
  // The profile folder is made before the browser starts.
  FirefoxEditor(const std::string& title, const std::string& profile);
  std::string profile_;
};

}  // namespace strumlet::linux_e2e
