#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

#include "distance_matrix/ClientSettings.h"
#include "distance_matrix/RestRequest.h"
#include "distance_matrix/RestResponse.h"

namespace trajetix {

// The service address, the headers every request carries, and the transport (libcurl).
// One connection cache and one cookie store live as long as the client, so consecutive
// requests to the same host reuse one connection.
//
// Headers sent: Host, User-Agent, Accept, Accept-Charset, and Cookie when cookies are
// held; never Accept-Encoding, yet gzip and deflate bodies are unpacked.
// Time-outs: connectTimeoutMs for each connection attempt (TLS handshake included); from
// the start of each request (the first, or one that follows a redirect) until it has been
// written, connectTimeoutMs + sendTimeoutMs; from then until the whole answer has arrived,
// responseTimeoutMs.
//
// execute() may be called from any one thread at a time.
class RestClient {
  public:
    enum class Error {
        None,
        BadAddress, // the endpoint cannot be used as an http(s) address
        NameResolution,
        Connection, // refused or unreachable
        Tls,        // handshake or certificate check failed
        ConnectTimeout,
        SendTimeout,
        ResponseTimeout,
        TooManyRedirects,
        BodyTooLarge,
        ConnectionLost, // closed before a complete answer
        Protocol,       // not a valid HTTP answer, or a body that cannot be unpacked
        BadHeader,      // a header line that cannot be sent (line breaks, NUL, no name)
        Other,
    };

    explicit RestClient(const ClientSettings &settings = {});
    ~RestClient();
    RestClient(const RestClient &) = delete;
    RestClient &operator=(const RestClient &) = delete;

    const ClientSettings &settings() const;
    // The base address; the query is appended after a "?".
    const QString &baseAddress() const;
    // The header lines set on every request (User-Agent apart).
    static QList<QByteArray> commonHeaders();
    static QByteArray userAgent();

    // Sends the request and waits. When an answer arrives, whatever its HTTP status, it
    // replaces response and the result is true. When none does, response keeps what it
    // held and the result is false; lastError() tells why.
    bool execute(const RestRequest &request, RestResponse &response);

    // Sends a POST of body to the base address (no query) with the common headers, then
    // headers ("Name: value" lines, added after them), and waits; the answer is taken as by
    // execute(). Redirects are not followed: the extra headers may carry a key, and they go
    // to the base address only, so a redirect answer is the answer. The extra header lines
    // are wiped from memory once the request is done.
    bool post(const QByteArray &body, const QList<QByteArray> &headers, RestResponse &response);

    Error lastError() const;
    // A short English description of lastError(); never contains the address or the query.
    QString lastErrorString() const;
    static QString errorText(Error error);

  private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace trajetix
