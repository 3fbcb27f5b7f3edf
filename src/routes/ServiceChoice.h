#pragma once

#include <QString>

#include <atomic>
#include <memory>

#include "batch/RouteService.h"
#include "distance_matrix/ClientSettings.h"
#include "routes/RequestPacer.h"

namespace trajetix {

// Which web service answers the batch run: the index of the settings tab's service list and
// of the settings file's "servico" key. Distance Matrix stays the default.
enum class ServiceChoice { DistanceMatrix = 0, Routes = 1 };
constexpr int ServiceChoiceCount = 2;

// 1 is Routes; anything else (a missing or damaged setting included) Distance Matrix.
ServiceChoice serviceChoiceFromIndex(int index);

// The service's own address.
QString defaultEndpoint(ServiceChoice choice);
// The client's default settings with that address.
ClientSettings defaultClientSettings(ServiceChoice choice);

// True when the service offers the travel mode of that index only as beta (Routes with
// walking or bicycling), so the notice Google asks for is to be shown.
bool isBetaTravelMode(ServiceChoice choice, int modeIndex);

// The notice for that service and travel-mode index in an interface language; empty when
// none is to be shown.
QString betaNotice(ServiceChoice choice, int modeIndex, int language);

// How makeRouteService sets the client up.
struct ServiceOptions {
    ClientSettings settings; // an empty endpoint: the service's own address
    // Elements a minute at most: 0 gives the service's default (3,000 for Routes, no pacing
    // for Distance Matrix).
    int elementsPerMinute = 0;
    const std::atomic_bool *stop = nullptr; // ends a wait before a Routes retry
    bool waitInEventLoop = false;           // see DistanceMatrixService::setWaitInEventLoop
};

std::unique_ptr<RouteService> makeRouteService(ServiceChoice choice, ServiceOptions options);

// Paces the requests of a service that has no pacing of its own.
class PacedRouteService : public RouteService {
  public:
    PacedRouteService(std::unique_ptr<RouteService> inner, std::shared_ptr<RequestPacer> pacer);

    void setKey(const QString &key) override { m_inner->setKey(key); }
    void setMode(const QString &mode) override { m_inner->setMode(mode); }
    void setPair(const QString &origin, const QString &destination) override
    {
        m_inner->setPair(origin, destination);
    }
    bool send() override;
    bool readStatus(QString &status) override { return m_inner->readStatus(status); }
    bool readAddressesAndElement(QString &origin, QString &destination, QString &elementStatus) override
    {
        return m_inner->readAddressesAndElement(origin, destination, elementStatus);
    }
    bool readDistanceAndDuration(QString &distance, QString &duration) override
    {
        return m_inner->readDistanceAndDuration(distance, duration);
    }
    QString serviceMessage() const override { return m_inner->serviceMessage(); }

    RouteService &inner() { return *m_inner; }

  private:
    std::unique_ptr<RouteService> m_inner;
    std::shared_ptr<RequestPacer> m_pacer;
};

} // namespace trajetix
