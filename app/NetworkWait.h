#pragma once

#include <functional>

namespace velmora {

/// Runs `work` (a blocking network request) on the program's network thread and waits for it
/// here without freezing the window: once the wait is longer than one frame, paint events and
/// timers go on and a busy cursor shows. The window system's input (mouse, keys, a request to
/// close) is held back until `work` has finished, then delivered in order. `work` must not touch
/// widgets.
void waitWithoutFreezing(const std::function<void()> &work);

} // namespace velmora
