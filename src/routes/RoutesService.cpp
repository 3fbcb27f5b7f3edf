#include "routes/RoutesService.h"

#include <algorithm>
#include <cmath>

#include "distance_matrix/EventLoopWait.h"
#include "distance_matrix/RetryDelay.h"
#include "distance_matrix/ServiceMessage.h"
#include "routes/RouteMatrixAnswer.h"
#include "routes/RouteMatrixRequest.h"

namespace trajetix {

namespace {

void wipe(QByteArray &bytes)
{
    bytes.fill('\0');
    bytes.clear();
}

} // namespace

QString RoutesService::defaultEndpoint()
{
    return QStringLiteral("https://routes.googleapis.com/distanceMatrix/v2:computeRouteMatrix");
}

ClientSettings RoutesService::defaultSettings()
{
    ClientSettings s;
    s.endpoint = defaultEndpoint();
    return s;
}

QByteArray RoutesService::fieldMask()
{
    return QByteArrayLiteral(
        "originIndex,destinationIndex,status,condition,distanceMeters,duration,localizedValues");
}

std::chrono::milliseconds RoutesService::retryDelay(int retry, const RestResponse &answer,
                                                    const QDateTime &utcNow)
{
    return retryDelayFor(retry, answer, utcNow);
}

RoutesService::RoutesService(const ClientSettings &settings, std::shared_ptr<WaitClock> clock,
                             std::shared_ptr<RequestPacer> pacer)
    : m_client(settings), m_clock(clock ? std::move(clock) : systemWaitClock()),
      m_pacer(pacer ? std::move(pacer) : std::make_shared<RequestPacer>(defaultElementsPerMinute, m_clock))
{
}

RoutesService::~RoutesService()
{
    m_key.fill(QChar(u'\0'));
}

void RoutesService::setKey(const QString &key)
{
    m_key = key;
}

void RoutesService::setMode(const QString &mode)
{
    m_travelMode = routes::travelModeFor(mode);
}

void RoutesService::setPair(const QString &origin, const QString &destination)
{
    m_origin = origin;
    m_destination = destination;
}

QByteArray RoutesService::requestBody() const
{
    return routes::requestBody(m_origin, m_destination, m_travelMode);
}

bool RoutesService::send()
{
    if (m_busy) {
        // Reached only from an event handled while an earlier send() waits. Its worker owns
        // the service's state meanwhile, so nothing is touched here.
        return false;
    }
    m_busy = true;
    const bool ok = runWaitingInEventLoop(m_waitInEventLoop, [this] { return sendNow(); });
    m_busy = false;
    return ok;
}

bool RoutesService::sendNow()
{
    m_response.clear();
    m_attempts = 0;
    m_interrupted = false;
    m_error = RestClient::Error::None;
    m_errorText.clear();

    const QByteArray body = requestBody();
    QList<QByteArray> headers{QByteArrayLiteral("Content-Type: application/json"),
                              QByteArrayLiteral("X-Goog-Api-Key: ") + m_key.toUtf8(),
                              QByteArrayLiteral("X-Goog-FieldMask: ") + fieldMask()};
    bool answered = true;
    for (int retry = 0;; ++retry) {
        if (m_pacer)
            m_pacer->acquire();
        ++m_attempts;
        RestResponse answer;
        if (!m_client.post(body, headers, answer)) {
            m_error = m_client.lastError();
            m_errorText = m_client.lastErrorString();
            m_response.clear();
            answered = false;
            break;
        }
        m_response = std::move(answer);
        const int status = m_response.statusCode();
        if ((status != 429 && status != 503) || retry >= m_maxRetries)
            break;
        const auto delay = retryDelay(retry, m_response, m_clock->currentUtc());
        if (!m_clock->waitUntil(m_clock->now() + delay, m_stop)) {
            m_interrupted = true;
            break;
        }
    }
    wipe(headers[1]);
    return answered;
}

bool RoutesService::readStatus(QString &status)
{
    if (m_response.isEmpty())
        return false;
    const routes::MatrixAnswer a = routes::readMatrixAnswer(m_response.statusCode(), m_response.jsonValue());
    switch (a.kind) {
    case routes::MatrixAnswer::Kind::Unreadable:
        return false;
    case routes::MatrixAnswer::Kind::Element:
        status = QStringLiteral("OK");
        return true;
    case routes::MatrixAnswer::Kind::Error:
        status = a.errorStatus;
        return true;
    }
    return false;
}

bool RoutesService::readAddressesAndElement(QString &origin, QString &destination, QString &elementStatus)
{
    if (m_response.isEmpty())
        return false;
    const routes::MatrixAnswer a = routes::readMatrixAnswer(m_response.statusCode(), m_response.jsonValue());
    if (a.kind != routes::MatrixAnswer::Kind::Element)
        return false;
    origin = m_origin;
    destination = m_destination;
    elementStatus = a.elementStatus;
    return true;
}

bool RoutesService::readDistanceAndDuration(QString &distance, QString &duration)
{
    if (m_response.isEmpty())
        return false;
    const routes::MatrixAnswer a = routes::readMatrixAnswer(m_response.statusCode(), m_response.jsonValue());
    if (a.kind != routes::MatrixAnswer::Kind::Element || !a.hasTexts)
        return false;
    distance = a.distanceText;
    duration = a.durationText;
    return true;
}

QString RoutesService::serviceMessage() const
{
    if (m_response.isEmpty())
        return {};
    const routes::MatrixAnswer a = routes::readMatrixAnswer(m_response.statusCode(), m_response.jsonValue());
    if (a.kind != routes::MatrixAnswer::Kind::Error)
        return {};
    return printableServiceMessage(a.errorMessage, m_key);
}

} // namespace trajetix
