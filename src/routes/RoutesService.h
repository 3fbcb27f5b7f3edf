#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <atomic>
#include <chrono>
#include <memory>

#include "batch/RouteService.h"
#include "distance_matrix/ClientSettings.h"
#include "distance_matrix/RestClient.h"
#include "distance_matrix/RestResponse.h"
#include "routes/RequestPacer.h"
#include "routes/WaitClock.h"

namespace trajetix {

// The route service of the batch run over Google's Routes API (computeRouteMatrix), for
// Cloud projects that cannot enable the Distance Matrix service. One request per line, one
// origin and one destination, so each line costs one element, as with Distance Matrix.
//
// Request: POST of the JSON body of routes::requestBody to the endpoint, with the headers
// Content-Type: application/json, X-Goog-Api-Key (the key goes there and nowhere else) and
// X-Goog-FieldMask (fieldMask()), on the same transport as the Distance Matrix client.
//
// The answer is read into the batch run's three steps (see routes::readMatrixAnswer):
// - an element: status "OK"; the line's own origin and destination (the service returns no
//   resolved address) and an element status that is "OK" only for a route that exists;
//   then the distance and duration display texts;
// - an error envelope: a status other than "OK" (the envelope's own, as PERMISSION_DENIED),
//   so the line is written as refused by the service;
// - anything else: every step reports the answer unreadable.
//
// A 429 or 503 answer is asked again, at most maxRetries more times, after 1 s, 2 s and 4 s,
// or after what the answer asks for (a Retry-After header, else a RetryInfo detail of the
// envelope), never more than 30 s. Every attempt first waits its turn at the pacer.
class RoutesService : public RouteService {
  public:
    static constexpr int defaultElementsPerMinute = 3000; // the service's default quota
    static constexpr int maxRetries = 3;
    static constexpr std::chrono::seconds maxRetryDelay{30};

    static QString defaultEndpoint();
    // The client's default settings with the Routes endpoint.
    static ClientSettings defaultSettings();
    // The answer fields asked for; the service refuses a request without a field mask.
    static QByteArray fieldMask();
    // The wait before retry number retry (0 for the first) after a 429 or 503 answer.
    static std::chrono::milliseconds retryDelay(int retry, const RestResponse &answer,
                                                const QDateTime &utcNow);

    // Without a pacer, one of its own at defaultElementsPerMinute on clock.
    explicit RoutesService(const ClientSettings &settings = defaultSettings(),
                           std::shared_ptr<WaitClock> clock = systemWaitClock(),
                           std::shared_ptr<RequestPacer> pacer = {});
    ~RoutesService() override;

    // As DistanceMatrixService::setWaitInEventLoop: the whole send, waits included, runs on
    // a worker thread while the calling thread waits in a local QEventLoop.
    void setWaitInEventLoop(bool on) { m_waitInEventLoop = on; }
    bool waitsInEventLoop() const { return m_waitInEventLoop; }
    // Several services of one run may share a pacer; null: no pacing.
    void setPacer(std::shared_ptr<RequestPacer> pacer) { m_pacer = std::move(pacer); }
    const std::shared_ptr<RequestPacer> &pacer() const { return m_pacer; }
    // When set, a wait before a retry ends at once and the answer in hand stands.
    void setStopFlag(const std::atomic_bool *stop) { m_stop = stop; }

    void setKey(const QString &key) override;
    void setMode(const QString &mode) override;
    void setPair(const QString &origin, const QString &destination) override;

    // False when an attempt got no answer at all (or the key cannot go in a header); the
    // held answer is then empty. Also false, changing nothing, when called from an event
    // handled while an earlier send() waits in its event loop.
    bool send() override;

    bool readStatus(QString &status) override;
    bool readAddressesAndElement(QString &origin, QString &destination, QString &elementStatus) override;
    bool readDistanceAndDuration(QString &distance, QString &duration) override;

    // The service's own reason for refusing the held answer (the envelope's message), fit
    // to print: the key masked, control characters made blanks. Empty when there is none.
    QString serviceMessage() const override;

    QString travelMode() const { return m_travelMode; }
    // The body the next send() posts.
    QByteArray requestBody() const;
    const RestResponse &response() const { return m_response; }
    // Requests made by the last send(), retries included.
    int attempts() const { return m_attempts; }
    RestClient::Error lastError() const { return m_error; }
    // Never holds the address or the key.
    QString lastErrorString() const { return m_errorText; }

  private:
    bool sendNow();

    RestClient m_client;
    std::shared_ptr<WaitClock> m_clock;
    std::shared_ptr<RequestPacer> m_pacer;
    const std::atomic_bool *m_stop = nullptr;
    QString m_key;
    QString m_travelMode = QStringLiteral("DRIVE");
    QString m_origin;
    QString m_destination;
    RestResponse m_response;
    int m_attempts = 0;
    RestClient::Error m_error = RestClient::Error::None;
    QString m_errorText;
    bool m_waitInEventLoop = false;
    bool m_busy = false;
};

} // namespace trajetix
