#include "distance_matrix/RetryDelay.h"

#include <algorithm>
#include <cmath>

namespace trajetix {

namespace {

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

std::chrono::milliseconds retryDelayFor(int retry, const RestResponse &answer, const QDateTime &utcNow)
{
    using std::chrono::milliseconds;
    const milliseconds cap = MaxRetryDelay;
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

} // namespace trajetix
