#pragma once

#include <QString>
#include <QtGlobal>

namespace trajetix {

// Transport settings of the web client. The defaults are the program's; tests shorten the
// time-outs and point the endpoint at a local fake service.
struct ClientSettings {
    QString endpoint = QStringLiteral("https://maps.googleapis.com/maps/api/distancematrix/json");
    QString caFile;                // extra trusted CA (tests, local proxies); empty = system store only
    int connectTimeoutMs = 30000;  // each connection attempt, TLS handshake included
    int responseTimeoutMs = 30000; // from the request being written until the whole answer is in
    int sendTimeoutMs = 60000;     // from the start of a request until it is written
    int maxRedirects = 5;          // one more than this fails the request
    qint64 maxBodyBytes = 16 * 1024 * 1024; // unpacked body; a larger one fails the request
};

} // namespace trajetix
