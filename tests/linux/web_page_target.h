// A browser window showing the test page text_target.html, whose text area
// has the focus, as a target. The page writes a line with its whole text to
// the browser's output once the keys come to it and at each change (the
// page says how); the browser's output goes to the target's file, and the
// text is read from the last whole line there. The target is ready once the
// page has seen a first key (a Shift, typing nothing, sent until it has).
//
// A browser reads the X events in one process and hands the keys to the
// page's process, which handles them later: when the browser has answered
// a ping, the keys have reached it, not yet the page. So the page's text
// may come some time after a send has ended; WaitText allows for that.
#pragma once

#include <functional>
#include <string>

#include "desktop.h"

namespace strumlet::linux_e2e {

// A new folder under /tmp, for this test process only.
std::string NewFolder(const char* what);

class WebPageTarget : public TextTarget {
 public:
  std::string Text() const override;

  // The page's address, opened with `caption` as its title.
  static std::string PageUrl(const std::string& caption);

 protected:
  // `start` sends the browser's output to the file it is given. The
  // window's caption is the page's title, `caption`, and then `suffix`.
  WebPageTarget(const std::function<pid_t(const std::string& file)>& start, const std::string& caption,
                const std::string& suffix);
  ~WebPageTarget() override;
  // Ends the browser, before the folder it uses goes.
  void End();
};

}  // namespace strumlet::linux_e2e
