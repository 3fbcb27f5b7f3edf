#include "batch/LookAheadAsker.h"

#include <QtGlobal>

namespace trajetix {

LookAheadAsker::LookAheadAsker(int jobs, const RouteServiceFactory &factory, const QString &key,
                               const QString &mode)
    : m_key(key), m_mode(mode)
{
    jobs = qMax(1, jobs);
    // Twice the workers: a worker that finishes finds its next line waiting while the
    // run writes the rows before it.
    m_slots.resize(size_t(2 * jobs));
    m_services.reserve(size_t(jobs));
    for (int i = 0; i < jobs; ++i) {
        // A null service is left out: fewer workers.
        std::unique_ptr<RouteService> service = factory();
        if (service)
            m_services.push_back(std::move(service));
    }
    m_workers.reserve(m_services.size());
    for (const std::unique_ptr<RouteService> &service : m_services) {
        RouteService *s = service.get();
        m_workers.emplace_back([this, s] { work(*s); });
    }
}

LookAheadAsker::~LookAheadAsker()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closing = true;
        m_queue.clear();
    }
    m_workArrived.notify_all();
    for (std::thread &worker : m_workers)
        worker.join();
}

void LookAheadAsker::submit(QString line)
{
    Q_ASSERT(pending() < capacity());
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back({m_submitted, std::move(line)});
    }
    ++m_submitted;
    m_workArrived.notify_one();
}

LineAnswer LookAheadAsker::take()
{
    Q_ASSERT(pending() > 0);
    std::optional<LineAnswer> &slot = m_slots[size_t(m_taken % capacity())];
    std::unique_lock<std::mutex> lock(m_mutex);
    m_answerArrived.wait(lock, [&slot] { return slot.has_value(); });
    LineAnswer answer = std::move(*slot);
    slot.reset();
    ++m_taken;
    return answer;
}

qint64 LookAheadAsker::dropWaiting()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    // The waiting lines are the newest ones, so the lines left form an unbroken run.
    m_submitted -= qint64(m_queue.size());
    m_queue.clear();
    return pending();
}

void LookAheadAsker::work(RouteService &service)
{
    for (;;) {
        Item item;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_workArrived.wait(lock, [this] { return m_closing || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            item = std::move(m_queue.front());
            m_queue.pop_front();
        }
        LineAnswer answer = askRoute(service, m_key, m_mode, item.line);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_slots[size_t(item.sequence % capacity())] = std::move(answer);
        }
        // Only the run's thread waits for answers.
        m_answerArrived.notify_one();
    }
}

} // namespace trajetix
