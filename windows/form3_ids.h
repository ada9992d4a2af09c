// Control identifiers of the window-list dialog, carried by its native
// controls so that the end-to-end tests can find them.
#pragma once

namespace strumlet::form3_ids {
enum : int { kLabel1 = 401, kList1 };
}  // namespace strumlet::form3_ids
