#include "fake_service/FakeRoutes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QMap>
#include <QStringList>

#include <memory>

namespace trajetix {

namespace {

QByteArray toJson(const QJsonValue &v)
{
    return v.isArray() ? QJsonDocument(v.toArray()).toJson(QJsonDocument::Indented)
                       : QJsonDocument(v.toObject()).toJson(QJsonDocument::Indented);
}

FakeReply badRequest(const QString &message)
{
    return FakeRoutes::error(400, QStringLiteral("INVALID_ARGUMENT"), message);
}

// A field mask as a tree: a name with no children keeps its whole value.
struct MaskNode {
    QMap<QString, std::shared_ptr<MaskNode>> children;
    bool whole = false;
};

MaskNode parseMask(const QByteArray &mask)
{
    MaskNode root;
    for (const QByteArray &rawPath : mask.split(',')) {
        const QString path = QString::fromUtf8(rawPath).trimmed();
        if (path.isEmpty())
            continue;
        if (path == u"*") {
            root.whole = true;
            continue;
        }
        MaskNode *node = &root;
        for (const QString &name : path.split(u'.')) {
            std::shared_ptr<MaskNode> &child = node->children[name];
            if (!child)
                child = std::make_shared<MaskNode>();
            node = child.get();
        }
        node->whole = true;
    }
    return root;
}

QJsonObject filtered(const QJsonObject &object, const MaskNode &node)
{
    if (node.whole)
        return object;
    QJsonObject out;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const auto child = node.children.value(it.key());
        if (!child)
            continue;
        if (child->whole)
            out.insert(it.key(), it.value());
        else if (it.value().isObject())
            out.insert(it.key(), filtered(it.value().toObject(), *child));
    }
    return out;
}

QJsonObject elementJson(int originIndex, int destinationIndex, const FakeRouteElement &e)
{
    QJsonObject o;
    // Zero values are left out.
    if (originIndex != 0)
        o.insert(QStringLiteral("originIndex"), originIndex);
    if (destinationIndex != 0)
        o.insert(QStringLiteral("destinationIndex"), destinationIndex);
    switch (e.outcome) {
    case FakeRouteElement::Outcome::Found: {
        o.insert(QStringLiteral("status"), QJsonObject());
        o.insert(QStringLiteral("condition"), QStringLiteral("ROUTE_EXISTS"));
        if (e.distanceMeters != 0)
            o.insert(QStringLiteral("distanceMeters"), double(e.distanceMeters));
        const QString duration = QString::number(e.durationSeconds) + u's';
        o.insert(QStringLiteral("duration"), duration);
        o.insert(QStringLiteral("staticDuration"), duration);
        const QJsonObject localized{
            {QStringLiteral("distance"), QJsonObject{{QStringLiteral("text"), e.distanceText}}},
            {QStringLiteral("duration"), QJsonObject{{QStringLiteral("text"), e.durationText}}},
            {QStringLiteral("staticDuration"), QJsonObject{{QStringLiteral("text"), e.durationText}}}};
        o.insert(QStringLiteral("localizedValues"), localized);
        o.insert(QStringLiteral("travelAdvisory"), QJsonObject());
        break;
    }
    case FakeRouteElement::Outcome::NotFound:
        o.insert(QStringLiteral("status"), QJsonObject());
        o.insert(QStringLiteral("condition"), QStringLiteral("ROUTE_NOT_FOUND"));
        break;
    case FakeRouteElement::Outcome::Error:
        o.insert(QStringLiteral("status"), QJsonObject{{QStringLiteral("code"), e.errorCode},
                                                       {QStringLiteral("message"), e.errorMessage}});
        break;
    }
    return o;
}

// The address of one {"waypoint": {"address": …}} entry; false when it has none.
bool addressOf(const QJsonValue &entry, QString &address)
{
    const QJsonValue a =
        entry.toObject().value(QStringLiteral("waypoint")).toObject().value(QStringLiteral("address"));
    if (!a.isString())
        return false;
    address = a.toString();
    return true;
}

} // namespace

QByteArray FakeRoutes::path()
{
    return QByteArrayLiteral("/distanceMatrix/v2:computeRouteMatrix");
}

FakeReply FakeRoutes::error(int httpStatus, const QString &status, const QString &message,
                            const QString &reason)
{
    QJsonObject error{{QStringLiteral("code"), httpStatus},
                      {QStringLiteral("message"), message},
                      {QStringLiteral("status"), status}};
    if (!reason.isEmpty()) {
        error.insert(QStringLiteral("details"),
                     QJsonArray{QJsonObject{{QStringLiteral("@type"),
                                             QStringLiteral("type.googleapis.com/google.rpc.ErrorInfo")},
                                            {QStringLiteral("reason"), reason},
                                            {QStringLiteral("domain"), QStringLiteral("googleapis.com")}}});
    }
    return FakeReply::json(toJson(QJsonObject{{QStringLiteral("error"), error}}), httpStatus);
}

FakeReply FakeRoutes::missingKey()
{
    return error(403, QStringLiteral("PERMISSION_DENIED"),
                 QStringLiteral("The request is missing a valid API key."));
}

FakeReply FakeRoutes::invalidKey()
{
    return error(400, QStringLiteral("INVALID_ARGUMENT"),
                 QStringLiteral("API key not valid. Please pass a valid API key."),
                 QStringLiteral("API_KEY_INVALID"));
}

FakeReply FakeRoutes::serviceDisabled()
{
    return error(403, QStringLiteral("PERMISSION_DENIED"),
                 QStringLiteral("Routes API has not been used in project 123456789 before or it is disabled. "
                                "Enable it by visiting the Google Cloud console, then retry."),
                 QStringLiteral("SERVICE_DISABLED"));
}

FakeReply FakeRoutes::quotaExceeded()
{
    return error(
        429, QStringLiteral("RESOURCE_EXHAUSTED"),
        QStringLiteral("Quota exceeded for quota metric 'Compute Route Matrix elements' and limit "
                       "'Compute Route Matrix elements per minute' of service 'routes.googleapis.com'."),
        QStringLiteral("RATE_LIMIT_EXCEEDED"));
}

FakeReply FakeRoutes::unavailable()
{
    return error(503, QStringLiteral("UNAVAILABLE"), QStringLiteral("The service is currently unavailable."));
}

FakeReply FakeRoutes::garbage()
{
    return FakeReply::json("[{\"originIndex\": 0, \"condition\": ROUTE_EXISTS");
}

QJsonObject FakeRoutes::applyFieldMask(const QJsonObject &element, const QByteArray &mask)
{
    return filtered(element, parseMask(mask));
}

FakeHandler FakeRoutes::handler(FakeRoutesOptions options)
{
    return [options](const FakeRequest &request) { return answer(request, options); };
}

FakeReply FakeRoutes::answer(const FakeRequest &request, const FakeRoutesOptions &options)
{
    if (request.method != "POST")
        return error(404, QStringLiteral("NOT_FOUND"), QStringLiteral("Method not found."));
    const QByteArray key = request.header("X-Goog-Api-Key");
    if (key.isEmpty())
        return missingKey();
    if (!options.validKey.isEmpty() && key != options.validKey)
        return invalidKey();
    const QByteArray mask = request.header("X-Goog-FieldMask").trimmed();
    if (mask.isEmpty())
        return badRequest(QStringLiteral("FieldMask is a required parameter."));
    if (!request.header("Content-Type").trimmed().toLower().startsWith("application/json"))
        return badRequest(QStringLiteral("Invalid JSON payload received. Unexpected Content-Type."));

    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(request.body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject())
        return badRequest(QStringLiteral("Invalid JSON payload received."));
    const QJsonObject body = doc.object();
    const QJsonArray origins = body.value(QStringLiteral("origins")).toArray();
    const QJsonArray destinations = body.value(QStringLiteral("destinations")).toArray();
    if (origins.isEmpty() || destinations.isEmpty())
        return badRequest(QStringLiteral("Origins and destinations must be set."));
    if (origins.size() + destinations.size() > maxWaypoints)
        return badRequest(
            QStringLiteral("The number of waypoints (origins plus destinations) must not exceed 50."));
    if (origins.size() * destinations.size() > maxElements)
        return badRequest(
            QStringLiteral("The number of elements (origins times destinations) must not exceed 625."));

    const QString travelMode = body.value(QStringLiteral("travelMode")).toString(QStringLiteral("DRIVE"));
    static const QStringList modes{QStringLiteral("DRIVE"), QStringLiteral("BICYCLE"), QStringLiteral("WALK"),
                                   QStringLiteral("TWO_WHEELER"), QStringLiteral("TRANSIT")};
    if (!modes.contains(travelMode))
        return badRequest(QStringLiteral("Invalid value at 'travel_mode'."));
    if (body.contains(QStringLiteral("routingPreference")) &&
        (travelMode == u"WALK" || travelMode == u"BICYCLE"))
        return badRequest(
            QStringLiteral("Routing preference cannot be set for WALK or BICYCLE travel mode."));

    QStringList originTexts, destinationTexts;
    for (const QJsonValue &o : origins) {
        QString address;
        if (!addressOf(o, address))
            return badRequest(QStringLiteral("Each origin needs a waypoint with an address."));
        originTexts << address;
    }
    for (const QJsonValue &d : destinations) {
        QString address;
        if (!addressOf(d, address))
            return badRequest(QStringLiteral("Each destination needs a waypoint with an address."));
        destinationTexts << address;
    }

    const MaskNode maskTree = parseMask(mask);
    QJsonArray elements;
    // Last pair first: the answer keeps no order.
    for (int i = int(originTexts.size()) - 1; i >= 0; --i) {
        for (int j = int(destinationTexts.size()) - 1; j >= 0; --j) {
            FakeRouteElement e;
            if (originTexts.at(i).isEmpty() || destinationTexts.at(j).isEmpty())
                e.outcome = FakeRouteElement::Outcome::Error;
            else if (options.decide)
                e = options.decide(i, j, originTexts.at(i), destinationTexts.at(j), travelMode);
            elements.append(filtered(elementJson(i, j, e), maskTree));
        }
    }
    return FakeReply::json(toJson(elements));
}

} // namespace trajetix
