#pragma once

#include <QString>

#include "batch/AddressReader.h"
#include "batch/RouteService.h"

namespace trajetix {

// What the route service said about one address line, before it becomes a row. Asking
// and writing are kept apart so that lines can be asked ahead on other threads while
// the rows, messages and progress still follow the input order.
struct LineAnswer {
    enum class Kind {
        Found,         // both statuses "OK": the resolved addresses, distance and duration
        NotFound,      // top-level status "OK", element status anything else
        Refused,       // top-level status anything but "OK"
        RequestFailed, // no answer arrived; nothing was read
        Unreadable,    // the answer could not be read for what was needed: the run ends
        Interrupted,   // a stop came while the service waited to ask again: no row
    };
    Kind kind = Kind::Unreadable;
    AddressPair pair; // the halves of the line as read
    // Unreadable only: whether the top-level status had been read before the failure.
    bool statusRead = false;
    int attempts = 0; // requests sent for the line, retries included
    // Refused only: the service's own reason, fit to print (empty when it gave none).
    QString serviceMessage;
    // Found only.
    QString origin;
    QString destination;
    QString distance;
    QString duration;
};

// Sets the request values in their order (key, mode, the pair), sends the question and
// reads the answer in its steps as far as the answer's statuses lead.
LineAnswer askRoute(RouteService &service, const QString &key, const QString &mode, const QString &line);

} // namespace trajetix
