#include "distance_matrix/DistanceMatrixService.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <memory>

#include "distance_matrix/AnswerReading.h"
#include "distance_matrix/ServiceMessage.h"

namespace trajetix {

DistanceMatrixService::DistanceMatrixService(const ClientSettings &settings) : m_client(settings) {}

DistanceMatrixService::~DistanceMatrixService() = default;

void DistanceMatrixService::setWaitInEventLoop(bool on)
{
    m_waitInEventLoop = on;
}

void DistanceMatrixService::setKey(const QString &key)
{
    m_request.setParameter(u"key", key);
}

void DistanceMatrixService::setMode(const QString &mode)
{
    m_request.setParameter(u"mode", mode);
}

void DistanceMatrixService::setPair(const QString &origin, const QString &destination)
{
    m_request.setParameter(u"origins", origin);
    m_request.setParameter(u"destinations", destination);
}

bool DistanceMatrixService::send()
{
    if (m_busy) {
        // Reached only from an event handled while an earlier send() waits.
        m_error = RestClient::Error::Other;
        return false;
    }
    m_busy = true;
    bool ok = false;
    if (m_waitInEventLoop && QCoreApplication::instance()) {
        QEventLoop loop;
        std::unique_ptr<QThread> worker(
            QThread::create([this, &ok] { ok = m_client.execute(m_request, m_response); }));
        // finished is emitted on the worker, so quit() is queued to this thread and is seen
        // even when the transfer ends before exec() starts.
        QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
        worker->start();
        loop.exec();
        worker->wait();
    } else {
        ok = m_client.execute(m_request, m_response);
    }
    m_error = m_client.lastError();
    m_busy = false;
    return ok;
}

bool DistanceMatrixService::readStatus(QString &status)
{
    return answer::readStatus(m_response.jsonValue(), status);
}

bool DistanceMatrixService::readAddressesAndElement(QString &origin, QString &destination,
                                                    QString &elementStatus)
{
    return answer::readAddressesAndElement(m_response.jsonValue(), origin, destination, elementStatus);
}

bool DistanceMatrixService::readDistanceAndDuration(QString &distance, QString &duration)
{
    return answer::readDistanceAndDuration(m_response.jsonValue(), distance, duration);
}

QString DistanceMatrixService::serviceMessage() const
{
    const JsonValue *json = m_response.jsonValue();
    QString message;
    if (!json || !json->isObject() || !answer::readText(json->member(u"error_message"), message))
        return {};
    return printableServiceMessage(message, m_request.parameter(u"key"));
}

QString DistanceMatrixService::lastErrorString() const
{
    if (m_error == RestClient::Error::None)
        return {};
    return m_error == m_client.lastError() ? m_client.lastErrorString() : RestClient::errorText(m_error);
}

} // namespace trajetix
