// Control identifiers of the help window, carried by its native controls so
// that the end-to-end tests can find them.
#pragma once

namespace strumlet::form2_ids {
enum : int { kText1 = 201, kCommand1 };
}  // namespace strumlet::form2_ids
