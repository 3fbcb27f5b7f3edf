#include "routes/RouteMatrixAnswer.h"

#include <cmath>
#include <optional>

namespace trajetix {
namespace routes {

namespace {

// An integer field of proto3 JSON: a number, or (as parsers also accept) a string of one.
std::optional<qint64> readInteger(const JsonValue *value)
{
    if (!value)
        return qint64(0); // a zero value is left out
    if (value->type() != JsonValue::Type::Number && value->type() != JsonValue::Type::String)
        return std::nullopt;
    bool ok = false;
    const qint64 whole = value->text().toLongLong(&ok);
    if (ok)
        return whole;
    const double d = value->text().toDouble(&ok);
    if (ok && std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.0e15)
        return qint64(d);
    return std::nullopt;
}

const JsonValue *member(const JsonValue *object, QStringView name)
{
    return object && object->isObject() ? object->member(name) : nullptr;
}

// The envelope's error object, when value is {"error":{…}}.
const JsonValue *envelopeError(const JsonValue *value)
{
    const JsonValue *error = member(value, u"error");
    return error && error->isObject() ? error : nullptr;
}

MatrixAnswer errorAnswer(const JsonValue *error, int httpStatus)
{
    MatrixAnswer a;
    a.kind = MatrixAnswer::Kind::Error;
    const JsonValue *status = error->member(u"status");
    if (status && status->isString() && !status->text().isEmpty() && status->text() != u"OK") {
        a.errorStatus = status->text();
    } else {
        // The envelope's code is the HTTP status of the refusal.
        qint64 code = readInteger(error->member(u"code")).value_or(0);
        if (code <= 0 || code == 200)
            code = httpStatus;
        a.errorStatus =
            code == 200 ? QStringLiteral("ERROR") : QStringLiteral("HTTP_") + QString::number(code);
    }
    const JsonValue *message = error->member(u"message");
    if (message && message->isString())
        a.errorMessage = message->text();
    return a;
}

// Reads one element into a; false when it is shaped wrongly.
bool readElement(const JsonValue &element, MatrixAnswer &a)
{
    qint64 code = 0;
    if (const JsonValue *status = element.member(u"status")) {
        if (!status->isObject())
            return false;
        const std::optional<qint64> c = readInteger(status->member(u"code"));
        if (!c)
            return false;
        code = *c;
    }
    QString condition = QStringLiteral("ROUTE_MATRIX_ELEMENT_CONDITION_UNSPECIFIED");
    if (const JsonValue *c = element.member(u"condition")) {
        if (!c->isString())
            return false;
        condition = c->text();
    }

    a.kind = MatrixAnswer::Kind::Element;
    a.routeFound = code == 0 && condition == u"ROUTE_EXISTS";
    if (a.routeFound)
        a.elementStatus = QStringLiteral("OK");
    else if (code != 0)
        a.elementStatus = rpcCodeName(code);
    else
        a.elementStatus = condition == u"OK" ? QStringLiteral("NOT_OK") : condition;

    const JsonValue *localized = member(&element, u"localizedValues");
    const JsonValue *distance = member(member(localized, u"distance"), u"text");
    const JsonValue *duration = member(member(localized, u"duration"), u"text");
    a.hasTexts = distance && distance->isString() && duration && duration->isString();
    if (a.hasTexts) {
        a.distanceText = distance->text();
        a.durationText = duration->text();
    }
    return true;
}

} // namespace

QString rpcCodeName(qint64 code)
{
    static const char *const names[] = {
        "OK",        "CANCELLED",      "UNKNOWN",           "INVALID_ARGUMENT",   "DEADLINE_EXCEEDED",
        "NOT_FOUND", "ALREADY_EXISTS", "PERMISSION_DENIED", "RESOURCE_EXHAUSTED", "FAILED_PRECONDITION",
        "ABORTED",   "OUT_OF_RANGE",   "UNIMPLEMENTED",     "INTERNAL",           "UNAVAILABLE",
        "DATA_LOSS", "UNAUTHENTICATED"};
    if (code >= 0 && code < qint64(std::size(names)))
        return QLatin1String(names[code]);
    return QStringLiteral("CODE_") + QString::number(code);
}

MatrixAnswer readMatrixAnswer(int httpStatus, const JsonValue *json)
{
    if (!json)
        return {};
    if (const JsonValue *error = envelopeError(json))
        return errorAnswer(error, httpStatus);
    if (!json->isArray())
        return {};

    const JsonValue *firstError = nullptr;
    for (const JsonValue &entry : json->items()) {
        if (!entry.isObject())
            continue;
        if (const JsonValue *error = envelopeError(&entry)) {
            if (!firstError)
                firstError = error;
            continue;
        }
        if (httpStatus != 200)
            continue;
        const std::optional<qint64> origin = readInteger(entry.member(u"originIndex"));
        const std::optional<qint64> destination = readInteger(entry.member(u"destinationIndex"));
        if (!origin || !destination)
            return {};
        if (*origin != 0 || *destination != 0)
            continue;
        MatrixAnswer a;
        if (!readElement(entry, a))
            return {};
        return a;
    }
    if (firstError)
        return errorAnswer(firstError, httpStatus);
    return {};
}

} // namespace routes
} // namespace trajetix
