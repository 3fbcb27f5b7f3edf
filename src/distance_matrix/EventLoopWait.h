#pragma once

#include <functional>

namespace trajetix {

// Runs work to completion and returns its result. With inEventLoop (and an application
// object), the work runs on a worker thread while the calling thread waits in a local
// event loop, so a window keeps painting during a blocking transfer.
bool runWaitingInEventLoop(bool inEventLoop, const std::function<bool()> &work);

} // namespace trajetix
