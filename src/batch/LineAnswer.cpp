#include "batch/LineAnswer.h"

namespace trajetix {

LineAnswer askRoute(RouteService &service, const QString &key, const QString &mode, const QString &line)
{
    LineAnswer answer;
    answer.pair = splitAddressLine(line);
    service.setKey(key);
    service.setMode(mode);
    service.setPair(answer.pair.origin, answer.pair.destination);

    // A failed request leaves nothing to read: an answer held from an earlier line
    // must not stand in for this one.
    const bool answered = service.send();
    answer.attempts = service.attempts();
    if (service.wasInterrupted()) {
        answer.kind = LineAnswer::Kind::Interrupted;
        return answer;
    }
    if (!answered) {
        answer.kind = LineAnswer::Kind::RequestFailed;
        return answer;
    }

    const QString ok = QStringLiteral("OK");
    QString status;
    if (!service.readStatus(status))
        return answer;
    answer.statusRead = true;
    if (status != ok) {
        answer.kind = LineAnswer::Kind::Refused;
        answer.serviceMessage = service.serviceMessage();
        return answer;
    }

    QString origin;
    QString destination;
    QString elementStatus;
    if (!service.readAddressesAndElement(origin, destination, elementStatus))
        return answer;
    if (elementStatus != ok) {
        // The resolved addresses are not used for this row.
        answer.kind = LineAnswer::Kind::NotFound;
        return answer;
    }

    QString distance;
    QString duration;
    if (!service.readDistanceAndDuration(distance, duration))
        return answer;
    answer.kind = LineAnswer::Kind::Found;
    answer.origin = std::move(origin);
    answer.destination = std::move(destination);
    answer.distance = std::move(distance);
    answer.duration = std::move(duration);
    return answer;
}

} // namespace trajetix
