#include "chromium_target.h"

#include <unistd.h>

#include <filesystem>

namespace strumlet::linux_e2e {

ChromiumEditor::ChromiumEditor(const std::string& title) : ChromiumEditor(title, NewFolder("chromium")) {}

ChromiumEditor::ChromiumEditor(const std::string& title, const std::string& profile)
    : WebPageTarget(
          [&](const std::string& file) {
            std::vector<std::string> args = {"chromium",
                                             "--user-data-dir=" + profile,
                                             "--no-first-run",
                                             "--no-default-browser-check",
                                             "--password-store=basic",
                                             "--disable-background-networking",
                                             "--disable-component-update",
                                             // The page's console messages go to standard error.
                                             "--enable-logging=stderr",
                                             "--v=0",
                                             "--app=" + PageUrl(title)};
            if (geteuid() == 0) args.insert(args.begin() + 1, "--no-sandbox");
            return Spawn(args, {}, file);
          },
          title, ""),
      profile_(profile) {}

ChromiumEditor::~ChromiumEditor() {
  End();
  std::error_code ignored;
  if (!profile_.empty()) std::filesystem::remove_all(profile_, ignored);
}

}  // namespace strumlet::linux_e2e
