#include "firefox_target.h"

#include <filesystem>
#include <fstream>

namespace strumlet::linux_e2e {

namespace {
// No first-run pages, no default browser question, no updates; dump() on.
constexpr char kPreferences[] = R"(user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("browser.aboutwelcome.enabled", false);
user_pref("trailhead.firstrun.didSeeAboutWelcome", true);
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
user_pref("app.update.enabled", false);
user_pref("browser.tabs.warnOnClose", false);
user_pref("browser.dom.window.dump.enabled", true);
)";
}  // namespace

FirefoxEditor::FirefoxEditor(const std::string& title) : FirefoxEditor(title, NewFolder("firefox")) {}

FirefoxEditor::FirefoxEditor(const std::string& title, const std::string& profile)
    : WebPageTarget(
          [&](const std::string& file) {
            std::ofstream(profile + "/user.js") << kPreferences;
            // The shell only sends the output to the file: Firefox takes its
            // place (and its process group).
            return Spawn({"sh", "-c", "exec firefox-esr --new-instance --no-remote --profile \"$0\" \"$1\" > \"$2\"",
                          profile, PageUrl(title), file},
                         {"MOZ_CRASHREPORTER_DISABLE=1"});
          },
          title, " \xE2\x80\x94 Mozilla Firefox"),
      profile_(profile) {}

FirefoxEditor::~FirefoxEditor() {
  End();
  std::error_code ignored;
  if (!profile_.empty()) std::filesystem::remove_all(profile_, ignored);
}

}  // namespace strumlet::linux_e2e
