#include "routes/WaitClock.h"

#include <algorithm>
#include <thread>

namespace trajetix {

namespace {

class SystemWaitClock : public WaitClock {
  public:
    TimePoint now() override { return std::chrono::steady_clock::now(); }

    QDateTime currentUtc() override { return QDateTime::currentDateTimeUtc(); }

    bool waitUntil(TimePoint until, const std::atomic_bool *stop) override
    {
        constexpr auto step = std::chrono::milliseconds(50);
        for (;;) {
            if (stop && stop->load())
                return false;
            const TimePoint current = now();
            if (current >= until)
                return true;
            if (!stop) {
                std::this_thread::sleep_until(until);
                return true;
            }
            std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(until - current, step));
        }
    }
};

} // namespace

std::shared_ptr<WaitClock> systemWaitClock()
{
    static const std::shared_ptr<WaitClock> clock = std::make_shared<SystemWaitClock>();
    return clock;
}

} // namespace trajetix
