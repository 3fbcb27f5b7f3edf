#pragma once

#include "batch/RouteService.h"
#include "distance_matrix/ClientSettings.h"
#include "distance_matrix/RestClient.h"
#include "distance_matrix/RestRequest.h"
#include "distance_matrix/RestResponse.h"

namespace trajetix {

// The route service of the batch run over the Distance Matrix web service: the client, the
// request and the held answer, kept together for the life of the owner (one connection and
// one cookie store for every line of every run).
class DistanceMatrixService : public RouteService {
  public:
    explicit DistanceMatrixService(const ClientSettings &settings = {});
    ~DistanceMatrixService() override;

    // When true, the transfer runs on a worker thread while the calling (UI) thread waits in a
    // local QEventLoop, so the window keeps painting. Default false (plain blocking call).
    // Events delivered meanwhile must not use this service; a send() from inside one fails.
    void setWaitInEventLoop(bool on);
    bool waitsInEventLoop() const { return m_waitInEventLoop; }

    void setKey(const QString &key) override;
    void setMode(const QString &mode) override;
    void setPair(const QString &origin, const QString &destination) override;

    // When no answer arrives, the answer held before stays (see RestClient::execute).
    bool send() override;

    bool readStatus(QString &status) override;
    bool readAddressesAndElement(QString &origin, QString &destination, QString &elementStatus) override;
    bool readDistanceAndDuration(QString &distance, QString &duration) override;

    // The "error_message" the held answer carries beside a status other than "OK", fit to
    // print (see printableServiceMessage); empty when there is none. Reading it changes
    // nothing about how the answer is read.
    QString serviceMessage() const override;

    const RestRequest &request() const { return m_request; }
    const RestResponse &response() const { return m_response; }
    // Why the last send() failed; the text never holds the address or the key.
    RestClient::Error lastError() const { return m_error; }
    QString lastErrorString() const;

  private:
    RestClient m_client;
    RestRequest m_request;
    RestResponse m_response;
    RestClient::Error m_error = RestClient::Error::None;
    bool m_waitInEventLoop = false;
    bool m_busy = false;
};

} // namespace trajetix
