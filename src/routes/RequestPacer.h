#pragma once

#include <QMutex>

#include <memory>

#include "routes/WaitClock.h"

namespace trajetix {

// Keeps requests under a set number of elements per minute by spacing their starts evenly:
// one element every 60 s / rate. The first request goes at once; a pause (a message box,
// a slow answer) is never made up for with a burst afterwards. Several services working
// for one run may share one pacer; it is thread-safe.
class RequestPacer {
  public:
    // elementsPerMinute <= 0: no pacing.
    explicit RequestPacer(int elementsPerMinute, std::shared_ptr<WaitClock> clock = systemWaitClock());

    int elementsPerMinute() const { return m_rate; }
    // The spacing between two one-element requests (zero without pacing).
    std::chrono::nanoseconds interval() const { return m_interval; }

    // Books the next free start for a request of that many elements and waits until it has
    // come. Returns the time waited.
    std::chrono::nanoseconds acquire(int elements = 1);

  private:
    const int m_rate;
    const std::chrono::nanoseconds m_interval;
    std::shared_ptr<WaitClock> m_clock;
    QMutex m_mutex;
    bool m_booked = false;
    WaitClock::TimePoint m_next;
};

} // namespace trajetix
