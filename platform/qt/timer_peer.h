// A form's timer: its ticks come from the system as single wake-ups.
#pragma once

#include <memory>

#include "platform/qt/control_peers.h"

namespace rt::qt {

std::unique_ptr<ControlWidgetPeer> MakeTimerPeer(FormWindow& owner, Timer& timer);

}  // namespace rt::qt
