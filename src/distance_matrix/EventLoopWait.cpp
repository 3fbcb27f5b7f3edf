#include "distance_matrix/EventLoopWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <memory>

namespace trajetix {

bool runWaitingInEventLoop(bool inEventLoop, const std::function<bool()> &work)
{
    if (!inEventLoop || !QCoreApplication::instance())
        return work();
    bool ok = false;
    QEventLoop loop;
    std::unique_ptr<QThread> worker(QThread::create([&work, &ok] { ok = work(); }));
    // finished is emitted on the worker, so quit() is queued to this thread and is seen
    // even when the work ends before exec() starts.
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
    return ok;
}

} // namespace trajetix
