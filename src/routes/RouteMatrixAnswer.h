#pragma once

#include <QString>

#include "distance_matrix/Json.h"

namespace trajetix {
namespace routes {

// What a computeRouteMatrix answer to a one-origin, one-destination request says.
//
// Element: a JSON array (HTTP 200) holding the element of origin 0 and destination 0. The
//   elements come in no particular order and leave zero values out, so a missing
//   originIndex or destinationIndex is 0; of two such elements the first counts. The route
//   is found when the element's status code is 0 (a missing status or code is 0) and its
//   condition is ROUTE_EXISTS; its texts are localizedValues.distance.text and
//   localizedValues.duration.text.
// Error: the error envelope {"error":{"code":…,"message":…,"status":…}} of a refusal, as an
//   object or (as a streaming answer may end) as an entry of the array in place of the
//   element.
// Unreadable: anything else: no JSON, a 200 answer that is not an array or lacks the
//   element, a non-200 answer without the envelope, or an element whose indexes, status or
//   condition are of the wrong type.
struct MatrixAnswer {
    enum class Kind { Unreadable, Element, Error };
    Kind kind = Kind::Unreadable;

    // Element
    bool routeFound = false;
    // "OK" when found; else the element's status code name ("NOT_FOUND", …) when it
    // failed, or its condition ("ROUTE_NOT_FOUND", …). Never "OK" when not found.
    QString elementStatus;
    bool hasTexts = false; // both display texts present and strings
    QString distanceText;
    QString durationText;

    // Error
    QString errorStatus;  // the envelope's status, else a name from its code; never "OK"
    QString errorMessage; // the envelope's message as sent (may be empty)
};

MatrixAnswer readMatrixAnswer(int httpStatus, const JsonValue *json);

// The google.rpc.Code name of a code ("OK", "INVALID_ARGUMENT", …); "CODE_<n>" for one it
// does not know.
QString rpcCodeName(qint64 code);

} // namespace routes
} // namespace trajetix
