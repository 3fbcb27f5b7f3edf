#include "cli/Estimate.h"

#include "batch/RunReport.h"

namespace trajetix::cli {

QString Estimate::text() const
{
    // Hundredths of a minute, rounded up: the quota cannot be beaten.
    const qint64 perMinute = qMax(1, requestsPerMinute);
    const qint64 hundredths = (requests * 100 + perMinute - 1) / perMinute;
    return QStringLiteral("lines: %1\nrequests: %2\nprice_per_1000_usd: %3\ncost_usd: %4\n"
                          "minimum_minutes: %5.%6\n")
        .arg(QString::number(lines), QString::number(requests), money::formatPrice(pricePer1000),
             money::costText(requests, pricePer1000), QString::number(hundredths / 100),
             QStringLiteral("%1").arg(hundredths % 100, 2, 10, QLatin1Char('0')));
}

} // namespace trajetix::cli
