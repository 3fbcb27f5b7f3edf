#pragma once

#include <QString>

namespace trajetix::cli {

// The figures --estimate prints, before any request is sent.
struct Estimate {
    qint64 lines = 0;        // lines the run would answer
    qint64 requests = 0;     // requests it would send (fewer than lines with --dedupe)
    qint64 pricePer1000 = 0; // in ten-thousandths of a dollar (see money::)
    int requestsPerMinute = 0;

    // "key: value" lines: lines, requests, price_per_1000_usd, cost_usd (to the cent) and
    // minimum_minutes (requests over the per-minute quota, rounded up to the hundredth).
    QString text() const;
};

// The service's own quota of elements (one per request) a minute.
constexpr int DistanceMatrixPerMinute = 60000;
constexpr int RoutesPerMinute = 3000;

} // namespace trajetix::cli
