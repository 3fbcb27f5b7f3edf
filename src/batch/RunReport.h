#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace trajetix {

// What a run did, counted as its rows are written.
struct RunCounts {
    qint64 lines = 0;          // rows this run wrote for lines it answered (kept rows not counted)
    qint64 found = 0;          // route-found rows
    qint64 notFound = 0;       // pair-not-found rows
    qint64 refused = 0;        // service-refused rows, those of failed requests included
    qint64 failedRequests = 0; // lines whose last request got no answer at all
    qint64 requests = 0;       // requests sent, retries included
    qint64 retries = 0;        // requests sent again after a passing refusal
    qint64 savedRequests = 0;  // lines answered with an identical earlier line's answer
};

// Prices in ten-thousandths of a US dollar, so sums and roundings are exact.
namespace money {

constexpr qint64 Unit = 10000; // one dollar
constexpr qint64 DefaultPricePer1000 = 5 * Unit;

// "5", "5.00", "4.125": at most four decimals, 0 to 100,000 dollars; nullopt otherwise.
std::optional<qint64> parseDollars(const QString &text);
// At least two decimals, more only when the price has them: "5.00", "4.125".
QString formatPrice(qint64 price);
// requests at pricePer1000, rounded to the cent (halves up), as "12.35".
QString costText(qint64 requests, qint64 pricePer1000);

} // namespace money

struct RunReport {
    RunCounts counts;
    double seconds = 0;
    qint64 pricePer1000 = money::DefaultPricePer1000;

    // The cost of the requests sent, at the price per 1,000.
    QString costText() const { return money::costText(counts.requests, pricePer1000); }
    // One line for a terminal, without a line break.
    QString line() const;
    // A JSON object with the keys lines, found, not_found, refused, failed_requests, retries,
    // requests, saved_requests, seconds and cost_usd, and a line break after it.
    QByteArray json() const;
};

} // namespace trajetix
