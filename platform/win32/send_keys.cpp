#include "platform/errors.h"
#include "platform/win32/system.h"

namespace rt::win32 {

void Win32System::SendKeys(ustring_view, bool) { throw RuntimeError(ErrorCode::InvalidCall, "SendKeys"); }

}  // namespace rt::win32
