#include "batch/RunReport.h"

#include <QLocale>

namespace trajetix {

namespace money {

std::optional<qint64> parseDollars(const QString &text)
{
    const QString t = text.trimmed();
    const qsizetype point = t.indexOf(u'.');
    const QStringView whole = point < 0 ? QStringView(t) : QStringView(t).left(point);
    const QStringView decimals = point < 0 ? QStringView() : QStringView(t).mid(point + 1);
    if ((whole.isEmpty() && decimals.isEmpty()) || whole.size() > 6 || decimals.size() > 4)
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : whole) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    qint64 fraction = 0;
    for (int i = 0; i < 4; ++i) {
        const QChar c = i < decimals.size() ? decimals.at(i) : QChar(u'0');
        if (c < u'0' || c > u'9')
            return std::nullopt;
        fraction = fraction * 10 + (c.unicode() - u'0');
    }
    const qint64 price = value * Unit + fraction;
    if (price > 100000 * Unit)
        return std::nullopt;
    return price;
}

QString formatPrice(qint64 price)
{
    QString decimals = QStringLiteral("%1").arg(price % Unit, 4, 10, QLatin1Char('0'));
    while (decimals.size() > 2 && decimals.endsWith(u'0'))
        decimals.chop(1);
    return QString::number(price / Unit) + u'.' + decimals;
}

QString costText(qint64 requests, qint64 pricePer1000)
{
    // requests * price / 1000 ten-thousandths of a dollar, i.e. / 100,000 cents.
    const qint64 cents = (requests * pricePer1000 + 50000) / 100000;
    return QStringLiteral("%1.%2").arg(cents / 100).arg(cents % 100, 2, 10, QLatin1Char('0'));
}

} // namespace money

QString RunReport::line() const
{
    const RunCounts &c = counts;
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const auto n = [&english](qint64 v) { return english.toString(v); };
    QString text = QStringLiteral("Report: %1 lines: %2 found, %3 not found, %4 refused")
                       .arg(n(c.lines), n(c.found), n(c.notFound), n(c.refused));
    if (c.failedRequests > 0)
        text += QStringLiteral(" (%1 without an answer)").arg(n(c.failedRequests));
    text += QStringLiteral("; %1 requests, %2 retries").arg(n(c.requests), n(c.retries));
    if (c.savedRequests > 0)
        text += QStringLiteral(", %1 saved by --dedupe").arg(n(c.savedRequests));
    const double rate = seconds > 0 ? double(c.lines) / seconds : 0;
    text += QStringLiteral("; %1 s, %2 lines/s; %3 USD at %4 per 1,000 requests")
                .arg(QString::number(seconds, 'f', 1), QString::number(rate, 'f', rate < 10 ? 1 : 0),
                     costText(), money::formatPrice(pricePer1000));
    return text;
}

QByteArray RunReport::json() const
{
    const RunCounts &c = counts;
    const auto item = [](const char *key, const QByteArray &value) -> QByteArray {
        return QByteArray("  \"") + key + "\": " + value;
    };
    const auto number = [](qint64 v) { return QByteArray::number(v); };
    const QList<QByteArray> items{
        item("lines", number(c.lines)),
        item("found", number(c.found)),
        item("not_found", number(c.notFound)),
        item("refused", number(c.refused)),
        item("failed_requests", number(c.failedRequests)),
        item("retries", number(c.retries)),
        item("requests", number(c.requests)),
        item("saved_requests", number(c.savedRequests)),
        item("seconds", QByteArray::number(seconds, 'f', 3)),
        item("cost_usd", costText().toLatin1()),
    };
    return "{\n" + items.join(",\n") + "\n}\n";
}

} // namespace trajetix
