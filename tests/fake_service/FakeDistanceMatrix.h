#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>

class QThread;

namespace trajetix {

class FakeServer;

// One request as the fake service received it.
struct FakeRequest {
    QByteArray method;
    QByteArray target; // as on the request line: path, "?", raw query
    QByteArray path;
    QByteArray rawQuery; // without the "?"; empty when there is none
    // Form-decoded ("+" is a space, %XX a byte, then UTF-8), in order, repeats kept.
    QList<std::pair<QString, QString>> query;
    // In the order received, names as sent.
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;      // as received (Content-Length bytes)
    int connectionId = 0; // 1 for the first connection the service accepted, then 2, ...

    // The value of the first query item of that name; empty when there is none.
    QString queryValue(const QString &name) const;
    bool hasQueryItem(const QString &name) const;
    // The value of the first header of that name (case ignored); empty when there is none.
    QByteArray header(const QByteArray &name) const;
    bool hasHeader(const QByteArray &name) const;
};

// What the fake service does with one request.
struct FakeReply {
    enum class Encoding { Identity, Gzip, Deflate /* zlib stream */, RawDeflate };
    enum class Drop {
        None,
        // Close the connection (after delayMs) without answering. On a connection that served
        // an earlier request, libcurl then tries once more on a new connection.
        BeforeAnswer,
        MidBody, // send the headers and half the body, then close
    };

    int status = 200;
    QByteArray reason;                           // empty: the usual phrase of the status
    QByteArray contentType = "application/json"; // empty: no Content-Type header
    QByteArray charset = "UTF-8";                // empty: no charset parameter
    QByteArray body;                             // sent as is, before any encoding
    Encoding encoding = Encoding::Identity;      // with a Content-Encoding header
    QByteArray location;                         // non-empty: a Location header
    QList<QByteArray> setCookies;                // one Set-Cookie header each
    QList<std::pair<QByteArray, QByteArray>> extraHeaders;
    int delayMs = 0;        // wait before answering
    int dripBytes = 0;      // > 0: the body goes out in pieces this large,
    int dripIntervalMs = 0; //      one every dripIntervalMs
    bool chunked = false;   // Transfer-Encoding: chunked, not Content-Length
    Drop drop = Drop::None;
    bool closeConnection = false; // "Connection: close", then close
    QByteArray raw;               // non-empty: sent instead of a built answer

    static FakeReply json(const QByteArray &body, int status = 200);
    static FakeReply redirect(const QByteArray &location, int status = 302);
};

using FakeHandler = std::function<FakeReply(const FakeRequest &)>;

// A fake Distance Matrix web service on 127.0.0.1, over HTTP or HTTPS, serving on a thread
// of its own (so a test may block meanwhile, for example on a child process). It keeps
// connections alive (HTTP/1.1) and records every request and connection.
//
// Default answer (defaultHandler), for the query items origins = O and destinations = D
// (empty when missing): status 200, "Content-Type: application/json; charset=UTF-8", body
//   {"destination_addresses": ["D, Brasil"], "origin_addresses": ["O, Brasil"],
//    "rows": [{"elements": [{"distance": {"text": "12,3 km", "value": 12300},
//                            "duration": {"text": "15 minutos", "value": 900},
//                            "status": "OK"}]}],
//    "status": "OK"}
// so a batch run writes the row "O, Brasil;D, Brasil;12,3 km;15 minutos".
// A POST to the Routes API's path (routesEndpoint()) is answered by FakeRoutes::answer
// instead: the same service then stands for both web services.
class FakeDistanceMatrix {
  public:
    enum class Scheme { Http, Https };

    FakeDistanceMatrix();
    ~FakeDistanceMatrix();
    FakeDistanceMatrix(const FakeDistanceMatrix &) = delete;
    FakeDistanceMatrix &operator=(const FakeDistanceMatrix &) = delete;

    // Listens on 127.0.0.1:port (0: any free port). HTTPS makes (once per process) a test CA
    // and a certificate for 127.0.0.1 with the openssl command. False on failure; see
    // errorString().
    bool start(Scheme scheme = Scheme::Http, quint16 port = 0);
    void stop();
    QString errorString() const;

    quint16 port() const;
    Scheme scheme() const;
    // "http(s)://127.0.0.1:PORT/maps/api/distancematrix/json"
    QString endpoint() const;
    // "http(s)://127.0.0.1:PORT/distanceMatrix/v2:computeRouteMatrix"
    QString routesEndpoint() const;
    // "http(s)://127.0.0.1:PORT"
    QString origin() const;
    // The PEM file of the test CA that signed the HTTPS certificate; empty for HTTP.
    QString caFile() const;

    // Called on the service's thread, for every request. Replaces the default answer.
    void setHandler(FakeHandler handler);
    // Every request answered with this reply.
    void setReply(const FakeReply &reply);

    QList<FakeRequest> requests() const;
    int requestCount() const;
    FakeRequest lastRequest() const;
    // TCP connections accepted so far (an HTTPS one before its handshake).
    int connectionCount() const;
    // Forgets recorded requests and the connection count (open connections stay open).
    void clearRecords();

    // The default found-route answer described above.
    static FakeReply defaultHandler(const FakeRequest &request);

    // Typical Distance Matrix answers (HTTP 200, JSON, UTF-8).
    static FakeReply foundAnswer(const QString &resolvedOrigin, const QString &resolvedDestination,
                                 const QString &distanceText, const QString &durationText);
    static FakeReply elementAnswer(const QString &resolvedOrigin, const QString &resolvedDestination,
                                   const QString &elementStatus = QStringLiteral("NOT_FOUND"));
    static FakeReply
    refusedAnswer(const QString &status = QStringLiteral("REQUEST_DENIED"),
                  const QString &errorMessage = QStringLiteral("The provided API key is invalid."));

    // Body encodings, exposed for tests of the encoders themselves.
    static QByteArray gzip(const QByteArray &data);
    static QByteArray zlibDeflate(const QByteArray &data);
    static QByteArray rawDeflate(const QByteArray &data);
    // The inverse of form-urlencoding: "+" is a space, %XX a byte, then UTF-8.
    static QString formDecode(const QByteArray &encoded);

    // Internal: called by the service's thread.
    struct Shared;

  private:
    std::shared_ptr<Shared> m_shared;
    QThread *m_thread = nullptr;
    FakeServer *m_server = nullptr;
    Scheme m_scheme = Scheme::Http;
    quint16 m_port = 0;
    QString m_error;
};

// A port on 127.0.0.1 that never answers, in one of two ways:
// NoConnection: its listen queue is full and nothing accepts, so a connection attempt hangs
//   until the client's connect time-out.
// NoReading: connections complete (in the kernel's queue) but nobody reads or answers, so a
//   request waits for an answer that never comes.
class UnansweredPort {
  public:
    enum class Kind { NoConnection, NoReading };

    explicit UnansweredPort(Kind kind = Kind::NoConnection);
    ~UnansweredPort();
    UnansweredPort(const UnansweredPort &) = delete;
    UnansweredPort &operator=(const UnansweredPort &) = delete;

    bool isValid() const { return m_port != 0; }
    quint16 port() const { return m_port; }

  private:
    int m_listener = -1;
    QList<int> m_fillers;
    quint16 m_port = 0;
};

// The test CA and the 127.0.0.1 server certificate, made once per process into a temporary
// folder that is removed at exit.
struct TestCertificates {
    QString caFile;
    QString certificateFile;
    QString keyFile;
    QString error; // empty when the files were made
    static const TestCertificates &instance();
};

} // namespace trajetix
