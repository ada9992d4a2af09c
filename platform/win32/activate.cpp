#include "platform/errors.h"
#include "platform/win32/system.h"

namespace rt::win32 {

void Win32System::AppActivate(ustring_view) { throw RuntimeError(ErrorCode::NotFound, "AppActivate"); }

}  // namespace rt::win32
