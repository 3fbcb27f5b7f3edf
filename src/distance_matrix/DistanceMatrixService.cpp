#include "distance_matrix/DistanceMatrixService.h"

#include "distance_matrix/AnswerReading.h"
#include "distance_matrix/EventLoopWait.h"
#include "distance_matrix/RetryDelay.h"
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

void DistanceMatrixService::setRetries(int retries, std::shared_ptr<WaitClock> clock)
{
    m_retries = qMax(0, retries);
    m_clock = clock ? std::move(clock) : systemWaitClock();
}

bool DistanceMatrixService::isPassingRefusal(const RestResponse &answer)
{
    if (answer.statusCode() == 429 || answer.statusCode() == 503)
        return true;
    QString status;
    return answer::readStatus(answer.jsonValue(), status) &&
           (status == u"OVER_QUERY_LIMIT" || status == u"UNKNOWN_ERROR");
}

bool DistanceMatrixService::sendNow()
{
    m_attempts = 0;
    m_interrupted = false;
    for (int retry = 0;; ++retry) {
        ++m_attempts;
        if (!m_client.execute(m_request, m_response))
            return false;
        if (retry >= m_retries || !isPassingRefusal(m_response))
            return true;
        const auto delay = retryDelayFor(retry, m_response, m_clock->currentUtc());
        if (!m_clock->waitUntil(m_clock->now() + delay, m_stop)) {
            m_interrupted = true;
            return true;
        }
    }
}

bool DistanceMatrixService::send()
{
    if (m_busy) {
        // Reached only from an event handled while an earlier send() waits.
        m_error = RestClient::Error::Other;
        return false;
    }
    m_busy = true;
    const bool ok = runWaitingInEventLoop(m_waitInEventLoop, [this] { return sendNow(); });
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
