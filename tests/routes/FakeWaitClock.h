#pragma once

#include <QDateTime>
#include <QList>
#include <QMutex>

#include "routes/WaitClock.h"

namespace trajetix {

// A clock that only moves when waited on (or told to), and records each wait it was asked
// for, in milliseconds.
class FakeWaitClock : public WaitClock {
  public:
    TimePoint now() override
    {
        QMutexLocker lock(&m_mutex);
        return m_now;
    }

    QDateTime currentUtc() override
    {
        QMutexLocker lock(&m_mutex);
        return m_utcStart.addMSecs(
            std::chrono::duration_cast<std::chrono::milliseconds>(m_now - TimePoint()).count());
    }

    bool waitUntil(TimePoint until, const std::atomic_bool *stop) override
    {
        QMutexLocker lock(&m_mutex);
        m_waits.append(std::chrono::duration_cast<std::chrono::milliseconds>(until - m_now).count());
        if (stop && stop->load())
            return false;
        if (until > m_now)
            m_now = until;
        return true;
    }

    void advance(std::chrono::milliseconds by)
    {
        QMutexLocker lock(&m_mutex);
        m_now += by;
    }

    // Milliseconds since the clock's start.
    qint64 elapsedMs()
    {
        QMutexLocker lock(&m_mutex);
        return std::chrono::duration_cast<std::chrono::milliseconds>(m_now - TimePoint()).count();
    }

    QList<qint64> waits()
    {
        QMutexLocker lock(&m_mutex);
        return m_waits;
    }

    void setUtcStart(const QDateTime &utc)
    {
        QMutexLocker lock(&m_mutex);
        m_utcStart = utc;
    }

  private:
    QMutex m_mutex;
    TimePoint m_now{};
    QDateTime m_utcStart = QDateTime(QDate(2026, 3, 2), QTime(12, 0), Qt::UTC);
    QList<qint64> m_waits;
};

} // namespace trajetix
