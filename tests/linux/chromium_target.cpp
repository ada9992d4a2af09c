#include "chromium_target.h"

#include <unistd.h>

#include <filesystem>

namespace strumlet::linux_e2e {

ChromiumEditor::ChromiumEditor(const std::string& title) : ChromiumEditor(title, NewFolder("chromium")) {}

ChromiumEditor::ChromiumEditor(const std::string& title, const std::string& profile)
    : WebPageTarget(
          [&](const std::string&) {
            std::vector<std::string> args = {"chromium",
                                             "--user-data-dir=" + profile,
                                             "--no-first-run",
                                             "--no-default-browser-check",
                                             "--password-store=basic",
                                             "--disable-background-networking",
                                             "--disable-component-update",
                                             "--app=" + PageUrl(title)};
            if (geteuid() == 0) args.insert(args.begin() + 1, "--no-sandbox");
            return Spawn(args);
          },
          title, ""),
      profile_(profile) {
  AwaitPage();
}

ChromiumEditor::~ChromiumEditor() {
  End();
  std::error_code ignored;
  if (!profile_.empty()) std::filesystem::remove_all(profile_, ignored);
}

}  // namespace strumlet::linux_e2e
