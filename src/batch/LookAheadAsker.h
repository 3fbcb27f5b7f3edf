#pragma once

#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "batch/LineAnswer.h"
#include "batch/RouteService.h"

namespace trajetix {

// Makes one route service of its own for each worker thread.
using RouteServiceFactory = std::function<std::unique_ptr<RouteService>()>;

// Asks the route service about lines ahead of the one being written. `jobs` worker
// threads each own a route service (so each keeps its own connection alive) and take
// the submitted lines in their order; the answers are taken back strictly in that
// order, whatever order they arrived in. At most capacity() lines are submitted and
// not yet taken, so memory does not grow with the file.
//
// One thread (the run's) submits and takes; the services are used only by their workers.
class LookAheadAsker {
  public:
    LookAheadAsker(int jobs, const RouteServiceFactory &factory, const QString &key, const QString &mode);
    // Drops the lines not yet started and waits for the requests in work.
    ~LookAheadAsker();
    LookAheadAsker(const LookAheadAsker &) = delete;
    LookAheadAsker &operator=(const LookAheadAsker &) = delete;

    int jobs() const { return int(m_workers.size()); }
    int capacity() const { return int(m_slots.size()); }
    // Lines submitted and not yet taken.
    qint64 pending() const { return m_submitted - m_taken; }

    // The next line of the file. Only while pending() < capacity().
    void submit(QString line);
    // Waits for the answer to the oldest line not yet taken. Only while pending() > 0.
    LineAnswer take();
    // Forgets the submitted lines that no worker has started; the answers of the lines
    // in work can still be taken. Returns how many lines that leaves pending.
    qint64 dropWaiting();

  private:
    struct Item {
        qint64 sequence;
        QString line;
    };
    void work(RouteService &service);

    const QString m_key;
    const QString m_mode;
    std::vector<std::unique_ptr<RouteService>> m_services;
    std::vector<std::thread> m_workers;

    std::mutex m_mutex;
    std::condition_variable m_workArrived;
    std::condition_variable m_answerArrived;
    std::deque<Item> m_queue;                       // submitted, not started
    std::vector<std::optional<LineAnswer>> m_slots; // by sequence modulo capacity
    bool m_closing = false;

    // Touched by the submitting thread only.
    qint64 m_submitted = 0;
    qint64 m_taken = 0;
};

} // namespace trajetix
