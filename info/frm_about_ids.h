// Control identifiers of the About window, carried by its native controls so
// that the end-to-end tests can find them.
#pragma once

namespace strumlet::about_ids {
enum : int { kPicIcon = 301, kCmdOK, kLine1_1, kDescription, kTitle, kLine1_0, kVersion };
}  // namespace strumlet::about_ids
