#include "routes/RequestPacer.h"

#include <algorithm>

namespace trajetix {

namespace {

std::chrono::nanoseconds intervalFor(int elementsPerMinute)
{
    if (elementsPerMinute <= 0)
        return std::chrono::nanoseconds(0);
    // Rounded up: N intervals must span the whole minute, or a minute could hold N + 1 starts.
    const qint64 minute = std::chrono::nanoseconds(std::chrono::minutes(1)).count();
    return std::chrono::nanoseconds((minute + elementsPerMinute - 1) / elementsPerMinute);
}

} // namespace

RequestPacer::RequestPacer(int elementsPerMinute, std::shared_ptr<WaitClock> clock)
    : m_rate(std::max(0, elementsPerMinute)), m_interval(intervalFor(elementsPerMinute)),
      m_clock(clock ? std::move(clock) : systemWaitClock())
{
}

std::chrono::nanoseconds RequestPacer::acquire(int elements)
{
    if (m_rate == 0)
        return std::chrono::nanoseconds(0);
    WaitClock::TimePoint start;
    WaitClock::TimePoint now;
    {
        QMutexLocker lock(&m_mutex);
        now = m_clock->now();
        start = m_booked ? std::max(now, m_next) : now;
        m_next = start + m_interval * std::max(1, elements);
        m_booked = true;
    }
    // Waiting outside the lock lets the next caller book the slot after this one meanwhile.
    if (start > now)
        m_clock->waitUntil(start);
    return std::chrono::duration_cast<std::chrono::nanoseconds>(start - now);
}

} // namespace trajetix
