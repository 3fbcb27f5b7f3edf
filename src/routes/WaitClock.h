#pragma once

#include <QDateTime>

#include <atomic>
#include <chrono>
#include <memory>

namespace trajetix {

// The time source and the waiting of the request pacing and the retries. The system one
// reads the steady clock and sleeps; tests hand in one that only moves when waited on.
class WaitClock {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~WaitClock() = default;
    virtual TimePoint now() = 0;
    // For an HTTP date in a Retry-After header.
    virtual QDateTime currentUtc() = 0;
    // Waits until the time point. When stop is given and becomes set, returns early with
    // false; otherwise true.
    virtual bool waitUntil(TimePoint until, const std::atomic_bool *stop = nullptr) = 0;
};

// The steady clock and a sleep of the calling thread, checking stop every 50 ms. Shared:
// it holds no state.
std::shared_ptr<WaitClock> systemWaitClock();

} // namespace trajetix
