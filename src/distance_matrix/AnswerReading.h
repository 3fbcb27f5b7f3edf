#pragma once

#include <QString>

#include "distance_matrix/Json.h"

namespace trajetix {

// The three reading steps over a Distance Matrix answer. Each returns false when the answer
// is unreadable for what it reads: no JSON value, not an object, a member missing (names
// match exactly, case included; of a repeated name the first counts), an array that is not
// one or is empty (only its first entry is read), a first row or element or a "distance"
// or "duration" that is not an object, or a text that is not one (see readText).
// The outputs are written only when the step succeeds.
namespace answer {

// A string's content; a number, true or false as written in the answer (the service sends
// strings in every place read, so these only make an odd answer legible). null, an array,
// an object or a missing value have no text.
bool readText(const JsonValue *value, QString &text);

// 1. The top-level "status".
bool readStatus(const JsonValue *root, QString &status);
// 2. The first "destination_addresses" entry, the first "origin_addresses" entry, then the
// "status" of the first element of the first row.
bool readAddressesAndElement(const JsonValue *root, QString &origin, QString &destination,
                             QString &elementStatus);
// 3. The "text" of that element's "distance" and "duration" objects.
bool readDistanceAndDuration(const JsonValue *root, QString &distance, QString &duration);

} // namespace answer
} // namespace trajetix
