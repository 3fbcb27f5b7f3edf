#pragma once

#include <QString>

namespace trajetix {

// One origin-destination question to a route web service, asked and then read in
// three steps. The batch run knows only this; the Distance Matrix client is one
// implementation, and another route service can plug in without touching the run.
class RouteService {
public:
    virtual ~RouteService() = default;

    virtual void setKey(const QString &key) = 0;
    // "driving", "walking" or "bicycling".
    virtual void setMode(const QString &mode) = 0;
    virtual void setPair(const QString &origin, const QString &destination) = 0;

    // Sends the question and waits for the answer. False when no answer arrived
    // (name resolution, connection, TLS, time-out, too many redirects).
    virtual bool send() = 0;

    // The reading steps, called in this order; each returns false when the answer
    // cannot be read for what it needs.
    virtual bool readStatus(QString &status) = 0;
    virtual bool readAddressesAndElement(QString &origin, QString &destination, QString &elementStatus) = 0;
    virtual bool readDistanceAndDuration(QString &distance, QString &duration) = 0;

    // The service's own reason for refusing the last answer, fit to print (the key never
    // in it); empty when it gave none.
    virtual QString serviceMessage() const { return {}; }
};

} // namespace trajetix
