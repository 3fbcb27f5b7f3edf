#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace trajetix {
namespace routes {

// The Routes API's travel mode for the batch run's mode word: "driving" gives DRIVE,
// "walking" WALK, anything else BICYCLE (as the Distance Matrix path sends "bicycling" for
// any other travel-mode index).
QString travelModeFor(QStringView modeWord);

// WALK and BICYCLE routes are offered as beta; Google asks apps to tell their users.
bool isBetaTravelMode(QStringView travelMode);

// A JSON string literal, quotes included, in UTF-8: quotes and backslashes escaped, control
// characters as \b \f \n \r \t or \u00XX, everything else as its UTF-8 bytes. A lone
// surrogate (which UTF-8 cannot carry) becomes U+FFFD.
QByteArray jsonString(QStringView text);

// The body of a computeRouteMatrix request for one origin and one destination:
// {"origins":[{"waypoint":{"address":O}}],"destinations":[{"waypoint":{"address":D}}],
//  "travelMode":M,"languageCode":"pt","units":"METRIC"}
// without white space. The language and units are fixed, like the Distance Matrix request's
// language=PT, so both services give texts of the same kind.
QByteArray requestBody(QStringView origin, QStringView destination, QStringView travelMode);

} // namespace routes
} // namespace trajetix
