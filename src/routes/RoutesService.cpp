#include "routes/RoutesService.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <algorithm>
#include <cmath>

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

// "30s", "1.5s": a google.protobuf.Duration in JSON. Negative for anything else.
double durationSeconds(const QString &text)
{
    if (!text.endsWith(u's'))
        return -1;
    bool ok = false;
    const double seconds = QStringView(text).chopped(1).toDouble(&ok);
    return ok && std::isfinite(seconds) && seconds >= 0 ? seconds : -1;
}

// The retryDelay of a RetryInfo entry among the envelope's details, in seconds; negative
// when there is none.
double retryInfoSeconds(const JsonValue *json)
{
    const JsonValue *error = json && json->isObject() ? json->member(u"error") : nullptr;
    if (!error && json && json->isArray() && !json->items().empty())
        error = json->items().front().isObject() ? json->items().front().member(u"error") : nullptr;
    const JsonValue *details = error && error->isObject() ? error->member(u"details") : nullptr;
    if (!details || !details->isArray())
        return -1;
    for (const JsonValue &detail : details->items()) {
        const JsonValue *type = detail.member(u"@type");
        const JsonValue *delay = detail.member(u"retryDelay");
        if (type && type->text().endsWith(u"google.rpc.RetryInfo") && delay && delay->isString())
            return durationSeconds(delay->text());
    }
    return -1;
}

// An HTTP date: "Sun, 06 Nov 1994 08:49:37 GMT", or the older asctime form
// "Sun Nov  6 08:49:37 1994" (UTC). Invalid for anything else.
QDateTime httpDate(const QByteArray &value)
{
    QString text = QString::fromLatin1(value).simplified();
    if (text.endsWith(u" GMT") || text.endsWith(u" UTC")) {
        // Qt's RFC 2822 reading wants a numeric zone.
        text.chop(4);
        return QDateTime::fromString(text + u" +0000", Qt::RFC2822Date);
    }
    QDateTime asctime = QDateTime::fromString(text, u"ddd MMM d HH:mm:ss yyyy");
    if (asctime.isValid())
        asctime.setTimeSpec(Qt::UTC);
    return asctime;
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
    using std::chrono::milliseconds;
    const milliseconds cap = maxRetryDelay;
    const auto capped = [cap](double seconds) {
        if (seconds >= double(cap.count()) / 1000.0)
            return cap;
        return milliseconds(qint64(std::ceil(seconds * 1000.0)));
    };

    const QByteArray retryAfter = answer.header("Retry-After").trimmed();
    if (!retryAfter.isEmpty()) {
        bool digits = true;
        for (const char c : retryAfter)
            digits = digits && c >= '0' && c <= '9';
        if (digits)
            return retryAfter.size() > 9 ? cap : capped(double(retryAfter.toLongLong()));
        const QDateTime at = httpDate(retryAfter);
        if (at.isValid())
            return capped(std::max<qint64>(0, utcNow.msecsTo(at)) / 1000.0);
    }
    const double info = retryInfoSeconds(answer.jsonValue());
    if (info >= 0)
        return capped(info);
    return milliseconds(1000LL << std::clamp(retry, 0, 5));
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
    bool ok = false;
    if (m_waitInEventLoop && QCoreApplication::instance()) {
        QEventLoop loop;
        std::unique_ptr<QThread> worker(QThread::create([this, &ok] { ok = sendNow(); }));
        QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
        worker->start();
        loop.exec();
        worker->wait();
    } else {
        ok = sendNow();
    }
    m_busy = false;
    return ok;
}

bool RoutesService::sendNow()
{
    m_response.clear();
    m_attempts = 0;
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
        if ((status != 429 && status != 503) || retry == maxRetries)
            break;
        const auto delay = retryDelay(retry, m_response, m_clock->currentUtc());
        if (!m_clock->waitUntil(m_clock->now() + delay, m_stop))
            break;
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
