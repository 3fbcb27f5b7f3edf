#pragma once

#include <QDateTime>

#include <chrono>

#include "distance_matrix/RestResponse.h"

namespace trajetix {

// Passing refusals (too many requests, a service unavailable for a moment) are asked again at
// most this many more times, by both route services.
constexpr int DefaultMaxRetries = 3;
constexpr std::chrono::seconds MaxRetryDelay{30};

// The wait before retry number `retry` (0 for the first) after a passing refusal: what the
// answer asks for (a Retry-After header in seconds or as an HTTP date, else a RetryInfo detail
// of a Google error envelope), never more than MaxRetryDelay; without either, 1 s, 2 s, 4 s...
std::chrono::milliseconds retryDelayFor(int retry, const RestResponse &answer, const QDateTime &utcNow);

} // namespace trajetix
