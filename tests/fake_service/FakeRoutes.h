#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <functional>

#include "fake_service/FakeDistanceMatrix.h"

namespace trajetix {

// What the fake Routes service answers for one origin-destination element.
struct FakeRouteElement {
    enum class Outcome {
        Found,    // status {}, condition ROUTE_EXISTS, distance, duration and their texts
        NotFound, // status {}, condition ROUTE_NOT_FOUND
        Error,    // status {code, message}; no condition (its zero value is left out)
    };
    Outcome outcome = Outcome::Found;
    qint64 distanceMeters = 12300; // left out when 0, as proto3 JSON does
    qint64 durationSeconds = 900;  // "900s"
    QString distanceText = QStringLiteral("12,3 km");
    QString durationText = QStringLiteral("15 min");
    int errorCode = 3; // google.rpc.Code of an Error element (3 INVALID_ARGUMENT)
    QString errorMessage = QStringLiteral("The waypoint could not be used.");
};

// Decides each element from its indexes, its two address texts and the travel mode.
using FakeRouteDecider =
    std::function<FakeRouteElement(int originIndex, int destinationIndex, const QString &origin,
                                   const QString &destination, const QString &travelMode)>;

struct FakeRoutesOptions {
    QByteArray validKey;     // non-empty: any other key is refused as not valid
    FakeRouteDecider decide; // empty: every element found, with the values above
};

// The Routes API's computeRouteMatrix method as the fake service answers it, checking the
// request as the real service does:
// - POST only (else 404 NOT_FOUND);
// - the key in the X-Goog-Api-Key header (a key in the query does not count): none gives
//   403 PERMISSION_DENIED, one other than options.validKey 400 INVALID_ARGUMENT with reason
//   API_KEY_INVALID;
// - an X-Goog-FieldMask header (none: 400); every element leaves out each field the mask does
//   not name ("*" names all; "a.b" keeps only b of a);
// - a Content-Type of application/json and a JSON object body with non-empty "origins" and
//   "destinations" of {"waypoint": {"address": "…"}} entries (else 400);
// - at most 50 waypoints (origins plus destinations) and 625 elements (else 400);
// - travelMode missing (DRIVE) or one of DRIVE, BICYCLE, WALK, TWO_WHEELER, TRANSIT;
//   "routingPreference" refused with WALK and BICYCLE (400).
// The 200 answer is a JSON array of one element per origin-destination pair, last pair
// first (the service keeps no order), with zero values left out: the element of origin 0
// and destination 0 has neither index. An empty address gives an Error element.
class FakeRoutes {
  public:
    static constexpr int maxWaypoints = 50;
    static constexpr int maxElements = 625;

    // "/distanceMatrix/v2:computeRouteMatrix"
    static QByteArray path();

    static FakeReply answer(const FakeRequest &request, const FakeRoutesOptions &options = {});
    static FakeHandler handler(FakeRoutesOptions options);

    // The error envelope {"error":{"code":httpStatus,"message":…,"status":…,"details":[…]}},
    // with an ErrorInfo detail when reason is given.
    static FakeReply error(int httpStatus, const QString &status, const QString &message,
                           const QString &reason = QString());
    static FakeReply missingKey();      // 403 PERMISSION_DENIED
    static FakeReply invalidKey();      // 400 INVALID_ARGUMENT, API_KEY_INVALID
    static FakeReply serviceDisabled(); // 403 PERMISSION_DENIED, SERVICE_DISABLED
    static FakeReply quotaExceeded();   // 429 RESOURCE_EXHAUSTED
    static FakeReply unavailable();     // 503 UNAVAILABLE
    // A 200 answer whose body is not JSON.
    static FakeReply garbage();

    // The element as the mask leaves it.
    static QJsonObject applyFieldMask(const QJsonObject &element, const QByteArray &mask);
};

} // namespace trajetix
