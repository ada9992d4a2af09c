// A browser window showing the test page text_target.html, whose text area
// has the focus, as a target. The page shows its text in its title, so the
// text is read from the window's caption: "CAPTION" while it is empty, then
// "CAPTION | TEXT" with TEXT's backslashes, blanks, tabs and line ends
// escaped (the page says how), followed by whatever the browser adds. A
// browser that cuts long titles short gives the page a line of output
// instead (see FirefoxEditor).
//
// A browser reads the X events in one process and hands the keys to the
// page's process, which handles them later: when the browser has answered
// a ping, the keys have reached it, not yet the page. So the page's text
// may come some time after a send has ended; WaitText allows for that.
#pragma once

#include <functional>
#include <optional>
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
  // The text as the page writes it out, its escapes undone.
  static std::string Unescape(const std::string& shown);

 protected:
  // `suffix` is what the browser puts after the page's title in the
  // window's caption.
  WebPageTarget(const std::function<pid_t(const std::string& file)>& start, const std::string& caption,
                const std::string& suffix);
  ~WebPageTarget() override;
  // Waits for the page's window with its first title and the focus.
  void AwaitPage();
  // Ends the browser, before the folder it uses goes.
  void End();

  std::string caption_, suffix_;

 private:
  mutable Screen screen_;
};

}  // namespace strumlet::linux_e2e
