#include "fake_service/FakeDistanceMatrix.h"
#include "fake_service/FakeRoutes.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaObject>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace trajetix {

// ---------------------------------------------------------------------------------------
// Requests and replies

QString FakeRequest::queryValue(const QString &name) const
{
    for (const auto &item : query) {
        if (item.first == name)
            return item.second;
    }
    return {};
}

bool FakeRequest::hasQueryItem(const QString &name) const
{
    for (const auto &item : query) {
        if (item.first == name)
            return true;
    }
    return false;
}

QByteArray FakeRequest::header(const QByteArray &name) const
{
    for (const auto &h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return {};
}

bool FakeRequest::hasHeader(const QByteArray &name) const
{
    for (const auto &h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

FakeReply FakeReply::json(const QByteArray &body, int status)
{
    FakeReply r;
    r.status = status;
    r.body = body;
    return r;
}

FakeReply FakeReply::redirect(const QByteArray &location, int status)
{
    FakeReply r;
    r.status = status;
    r.location = location;
    r.contentType = "text/html";
    r.body = "<html><body>Moved</body></html>";
    return r;
}

// ---------------------------------------------------------------------------------------
// Encodings

namespace {

quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void appendLittleEndian32(QByteArray &out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

QByteArray reasonFor(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

} // namespace

QByteArray FakeDistanceMatrix::zlibDeflate(const QByteArray &data)
{
    // qCompress writes a 4-byte length, then a zlib stream (RFC 1950): HTTP's "deflate".
    // For no data it writes no stream at all, so that one is spelled out.
    if (data.isEmpty())
        return QByteArray("\x78\x9c\x03\x00\x00\x00\x00\x01", 8);
    return qCompress(data).mid(4);
}

QByteArray FakeDistanceMatrix::rawDeflate(const QByteArray &data)
{
    // The zlib stream without its 2-byte header and 4-byte Adler-32 trailer.
    const QByteArray z = zlibDeflate(data);
    return z.mid(2, z.size() - 6);
}

QByteArray FakeDistanceMatrix::gzip(const QByteArray &data)
{
    QByteArray out("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\xff", 10);
    out += rawDeflate(data);
    appendLittleEndian32(out, crc32(data));
    appendLittleEndian32(out, quint32(data.size()));
    return out;
}

QString FakeDistanceMatrix::formDecode(const QByteArray &encoded)
{
    QByteArray bytes;
    bytes.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const char c = encoded.at(i);
        if (c == '+') {
            bytes.append(' ');
        } else if (c == '%' && i + 2 < encoded.size()) {
            bool ok = false;
            const int v = encoded.mid(i + 1, 2).toInt(&ok, 16);
            if (ok) {
                bytes.append(char(v));
                i += 2;
            } else {
                bytes.append(c);
            }
        } else {
            bytes.append(c);
        }
    }
    return QString::fromUtf8(bytes);
}

// ---------------------------------------------------------------------------------------
// Answers

namespace {

QByteArray toJson(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

} // namespace

FakeReply FakeDistanceMatrix::foundAnswer(const QString &resolvedOrigin, const QString &resolvedDestination,
                                          const QString &distanceText, const QString &durationText)
{
    const QJsonObject element{{QStringLiteral("distance"), QJsonObject{{QStringLiteral("text"), distanceText},
                                                                       {QStringLiteral("value"), 12300}}},
                              {QStringLiteral("duration"), QJsonObject{{QStringLiteral("text"), durationText},
                                                                       {QStringLiteral("value"), 900}}},
                              {QStringLiteral("status"), QStringLiteral("OK")}};
    const QJsonObject body{
        {QStringLiteral("destination_addresses"), QJsonArray{resolvedDestination}},
        {QStringLiteral("origin_addresses"), QJsonArray{resolvedOrigin}},
        {QStringLiteral("rows"), QJsonArray{QJsonObject{{QStringLiteral("elements"), QJsonArray{element}}}}},
        {QStringLiteral("status"), QStringLiteral("OK")}};
    return FakeReply::json(toJson(body));
}

FakeReply FakeDistanceMatrix::elementAnswer(const QString &resolvedOrigin, const QString &resolvedDestination,
                                            const QString &elementStatus)
{
    const QJsonObject body{
        {QStringLiteral("destination_addresses"), QJsonArray{resolvedDestination}},
        {QStringLiteral("origin_addresses"), QJsonArray{resolvedOrigin}},
        {QStringLiteral("rows"),
         QJsonArray{QJsonObject{{QStringLiteral("elements"),
                                 QJsonArray{QJsonObject{{QStringLiteral("status"), elementStatus}}}}}}},
        {QStringLiteral("status"), QStringLiteral("OK")}};
    return FakeReply::json(toJson(body));
}

FakeReply FakeDistanceMatrix::refusedAnswer(const QString &status, const QString &errorMessage)
{
    const QJsonObject body{{QStringLiteral("destination_addresses"), QJsonArray{}},
                           {QStringLiteral("error_message"), errorMessage},
                           {QStringLiteral("origin_addresses"), QJsonArray{}},
                           {QStringLiteral("rows"), QJsonArray{}},
                           {QStringLiteral("status"), status}};
    return FakeReply::json(toJson(body));
}

FakeReply FakeDistanceMatrix::defaultHandler(const FakeRequest &request)
{
    if (request.path == FakeRoutes::path())
        return FakeRoutes::answer(request);
    return foundAnswer(request.queryValue(QStringLiteral("origins")) + QStringLiteral(", Brasil"),
                       request.queryValue(QStringLiteral("destinations")) + QStringLiteral(", Brasil"),
                       QStringLiteral("12,3 km"), QStringLiteral("15 minutos"));
}

// ---------------------------------------------------------------------------------------
// Certificates

const TestCertificates &TestCertificates::instance()
{
    static const TestCertificates certificates = [] {
        static QTemporaryDir dir; // removed at exit
        TestCertificates c;
        if (!dir.isValid()) {
            c.error = QStringLiteral("no temporary folder for the test certificates");
            return c;
        }
        const QString ext = dir.filePath(QStringLiteral("server.ext"));
        {
            QFile f(ext);
            if (!f.open(QIODevice::WriteOnly)) {
                c.error = QStringLiteral("cannot write ") + ext;
                return c;
            }
            f.write("subjectAltName=IP:127.0.0.1\n"
                    "basicConstraints=CA:FALSE\n"
                    "keyUsage=critical,digitalSignature,keyEncipherment\n"
                    "extendedKeyUsage=serverAuth\n");
        }
        const QStringList ec{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                             QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
        const QList<QStringList> steps{
            QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ec +
                QStringList{QStringLiteral("-keyout"), QStringLiteral("ca.key"), QStringLiteral("-out"),
                            QStringLiteral("ca.pem"), QStringLiteral("-days"), QStringLiteral("7"),
                            QStringLiteral("-subj"), QStringLiteral("/CN=Trajetix Test CA"),
                            QStringLiteral("-addext"), QStringLiteral("basicConstraints=critical,CA:TRUE"),
                            QStringLiteral("-addext"),
                            QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")},
            QStringList{QStringLiteral("req"), QStringLiteral("-new")} + ec +
                QStringList{QStringLiteral("-keyout"), QStringLiteral("server.key"), QStringLiteral("-out"),
                            QStringLiteral("server.csr"), QStringLiteral("-subj"),
                            QStringLiteral("/CN=127.0.0.1")},
            QStringList{QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                        QStringLiteral("server.csr"), QStringLiteral("-CA"), QStringLiteral("ca.pem"),
                        QStringLiteral("-CAkey"), QStringLiteral("ca.key"), QStringLiteral("-CAcreateserial"),
                        QStringLiteral("-out"), QStringLiteral("server.pem"), QStringLiteral("-days"),
                        QStringLiteral("7"), QStringLiteral("-extfile"), ext},
        };
        for (const QStringList &args : steps) {
            QProcess p;
            p.setWorkingDirectory(dir.path());
            p.setProcessChannelMode(QProcess::MergedChannels);
            p.start(QStringLiteral("openssl"), args);
            if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
                c.error = QStringLiteral("openssl ") + args.first() + QStringLiteral(" failed: ") +
                          QString::fromLocal8Bit(p.readAll()) + p.errorString();
                return c;
            }
        }
        c.caFile = dir.filePath(QStringLiteral("ca.pem"));
        c.certificateFile = dir.filePath(QStringLiteral("server.pem"));
        c.keyFile = dir.filePath(QStringLiteral("server.key"));
        return c;
    }();
    return certificates;
}

// ---------------------------------------------------------------------------------------
// The service

struct FakeDistanceMatrix::Shared {
    mutable QMutex mutex;
    FakeHandler handler = &FakeDistanceMatrix::defaultHandler;
    QList<FakeRequest> requests;
    int connections = 0;
    int nextConnectionId = 1;
};

namespace {

// One accepted connection: reads requests one after another and answers each.
class FakeConnection : public QObject {
  public:
    FakeConnection(QTcpSocket *socket, int id, std::shared_ptr<FakeDistanceMatrix::Shared> shared,
                   QObject *parent)
        : QObject(parent), m_socket(socket), m_id(id), m_shared(std::move(shared))
    {
        m_socket->setParent(this);
        connect(m_socket, &QIODevice::readyRead, this, [this] { onReadyRead(); });
        connect(m_socket, &QAbstractSocket::disconnected, this, [this] { deleteLater(); });
        connect(m_socket, &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
            if (m_socket->state() == QAbstractSocket::UnconnectedState)
                deleteLater();
        });
    }

  private:
    QTcpSocket *m_socket;
    int m_id;
    std::shared_ptr<FakeDistanceMatrix::Shared> m_shared;
    QByteArray m_buffer;
    bool m_busy = false;
    bool m_closing = false;

    void onReadyRead()
    {
        m_buffer += m_socket->readAll();
        if (!m_busy)
            processNext();
    }

    void closeConnection()
    {
        m_closing = true;
        m_socket->disconnectFromHost();
    }

    void processNext()
    {
        if (m_closing)
            return;
        const qsizetype end = m_buffer.indexOf("\r\n\r\n");
        if (end < 0) {
            if (m_buffer.size() > 1024 * 1024)
                closeConnection();
            return;
        }
        const QList<QByteArray> lines = m_buffer.left(end).split('\n');
        FakeRequest req;
        req.connectionId = m_id;
        const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
        if (requestLine.size() != 3) {
            closeConnection();
            return;
        }
        req.method = requestLine.at(0);
        req.target = requestLine.at(1);
        const QByteArray version = requestLine.at(2);
        const qsizetype q = req.target.indexOf('?');
        req.path = q < 0 ? req.target : req.target.left(q);
        if (q >= 0)
            req.rawQuery = req.target.mid(q + 1);
        if (!req.rawQuery.isEmpty()) {
            for (const QByteArray &item : req.rawQuery.split('&')) {
                const qsizetype eq = item.indexOf('=');
                req.query.append({FakeDistanceMatrix::formDecode(eq < 0 ? item : item.left(eq)),
                                  eq < 0 ? QString() : FakeDistanceMatrix::formDecode(item.mid(eq + 1))});
            }
        }
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).endsWith('\r') ? lines.at(i).chopped(1) : lines.at(i);
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                req.headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
        }
        const qsizetype contentLength = req.header("Content-Length").toLongLong();
        if (m_buffer.size() < end + 4 + contentLength)
            return; // the body is still coming
        req.body = m_buffer.mid(end + 4, contentLength);
        m_buffer.remove(0, end + 4 + contentLength);

        const QByteArray connectionHeader = req.header("Connection").toLower();
        const bool clientCloses = connectionHeader.contains("close") ||
                                  (version == "HTTP/1.0" && !connectionHeader.contains("keep-alive"));

        FakeHandler handler;
        {
            QMutexLocker lock(&m_shared->mutex);
            m_shared->requests.append(req);
            handler = m_shared->handler;
        }
        const FakeReply reply = handler ? handler(req) : FakeDistanceMatrix::defaultHandler(req);
        m_busy = true;
        if (reply.delayMs > 0)
            QTimer::singleShot(reply.delayMs, this,
                               [this, reply, clientCloses] { answer(reply, clientCloses); });
        else
            answer(reply, clientCloses);
    }

    void answer(const FakeReply &r, bool clientCloses)
    {
        if (r.drop == FakeReply::Drop::BeforeAnswer) {
            closeConnection();
            return;
        }
        const bool closeAfter = r.closeConnection || clientCloses;
        if (!r.raw.isEmpty()) {
            m_socket->write(r.raw);
            finish(closeAfter);
            return;
        }

        QByteArray body = r.body;
        QByteArray contentEncoding;
        switch (r.encoding) {
        case FakeReply::Encoding::Identity:
            break;
        case FakeReply::Encoding::Gzip:
            body = FakeDistanceMatrix::gzip(body);
            contentEncoding = "gzip";
            break;
        case FakeReply::Encoding::Deflate:
            body = FakeDistanceMatrix::zlibDeflate(body);
            contentEncoding = "deflate";
            break;
        case FakeReply::Encoding::RawDeflate:
            body = FakeDistanceMatrix::rawDeflate(body);
            contentEncoding = "deflate";
            break;
        }

        QByteArray head = "HTTP/1.1 " + QByteArray::number(r.status) + ' ' +
                          (r.reason.isEmpty() ? reasonFor(r.status) : r.reason) + "\r\n";
        if (!r.contentType.isEmpty())
            head += "Content-Type: " + r.contentType +
                    (r.charset.isEmpty() ? QByteArray() : "; charset=" + r.charset) + "\r\n";
        if (!contentEncoding.isEmpty())
            head += "Content-Encoding: " + contentEncoding + "\r\n";
        if (!r.location.isEmpty())
            head += "Location: " + r.location + "\r\n";
        for (const QByteArray &cookie : r.setCookies)
            head += "Set-Cookie: " + cookie + "\r\n";
        for (const auto &h : r.extraHeaders)
            head += h.first + ": " + h.second + "\r\n";
        if (r.chunked)
            head += "Transfer-Encoding: chunked\r\n";
        else
            head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        if (closeAfter || r.drop == FakeReply::Drop::MidBody)
            head += "Connection: close\r\n";
        head += "\r\n";
        m_socket->write(head);

        if (r.drop == FakeReply::Drop::MidBody) {
            const QByteArray half = body.left(body.size() / 2);
            if (!half.isEmpty())
                m_socket->write(r.chunked ? frame(half) : half);
            closeConnection();
            return;
        }
        if (r.dripBytes > 0 && !body.isEmpty()) {
            drip(body, r.dripBytes, r.dripIntervalMs, r.chunked, closeAfter);
            return;
        }
        if (r.chunked) {
            if (!body.isEmpty())
                m_socket->write(frame(body));
            m_socket->write("0\r\n\r\n");
        } else if (!body.isEmpty()) {
            m_socket->write(body);
        }
        finish(closeAfter);
    }

    static QByteArray frame(const QByteArray &piece)
    {
        return QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
    }

    void drip(QByteArray rest, int pieceBytes, int intervalMs, bool chunked, bool closeAfter)
    {
        const QByteArray piece = rest.left(pieceBytes);
        rest.remove(0, piece.size());
        m_socket->write(chunked ? frame(piece) : piece);
        m_socket->flush();
        if (rest.isEmpty()) {
            if (chunked)
                m_socket->write("0\r\n\r\n");
            finish(closeAfter);
            return;
        }
        QTimer::singleShot(intervalMs, this, [this, rest, pieceBytes, intervalMs, chunked, closeAfter] {
            drip(rest, pieceBytes, intervalMs, chunked, closeAfter);
        });
    }

    void finish(bool closeAfter)
    {
        if (closeAfter) {
            closeConnection();
            return;
        }
        m_busy = false;
        // A request that arrived while this one was answered.
        QTimer::singleShot(0, this, [this] {
            if (!m_busy)
                processNext();
        });
    }
};

} // namespace

class FakeServer : public QTcpServer {
  public:
    FakeServer(std::shared_ptr<FakeDistanceMatrix::Shared> shared, bool https)
        : m_shared(std::move(shared)), m_https(https)
    {
    }

    bool loadCertificate(QString &error)
    {
        const TestCertificates &c = TestCertificates::instance();
        if (!c.error.isEmpty()) {
            error = c.error;
            return false;
        }
        const QList<QSslCertificate> certs = QSslCertificate::fromPath(c.certificateFile);
        QFile keyFile(c.keyFile);
        if (certs.isEmpty() || !keyFile.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("cannot read the test certificate");
            return false;
        }
        m_certificate = certs.first();
        m_key = QSslKey(keyFile.readAll(), QSsl::Ec);
        if (m_key.isNull()) {
            error = QStringLiteral("cannot read the test certificate's key");
            return false;
        }
        return true;
    }

  protected:
    void incomingConnection(qintptr descriptor) override
    {
        int id;
        {
            QMutexLocker lock(&m_shared->mutex);
            ++m_shared->connections;
            id = m_shared->nextConnectionId++;
        }
        QTcpSocket *socket;
        if (m_https) {
            auto *ssl = new QSslSocket;
            ssl->setSocketDescriptor(descriptor);
            ssl->setLocalCertificate(m_certificate);
            ssl->setPrivateKey(m_key);
            ssl->setPeerVerifyMode(QSslSocket::VerifyNone);
            socket = ssl;
        } else {
            socket = new QTcpSocket;
            socket->setSocketDescriptor(descriptor);
        }
        // Headers and body go out in separate writes; without this Nagle's rule holds the
        // body back until the client's delayed acknowledgement.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        new FakeConnection(socket, id, m_shared, this);
        if (m_https)
            static_cast<QSslSocket *>(socket)->startServerEncryption();
    }

  private:
    std::shared_ptr<FakeDistanceMatrix::Shared> m_shared;
    bool m_https;
    QSslCertificate m_certificate;
    QSslKey m_key;
};

FakeDistanceMatrix::FakeDistanceMatrix() : m_shared(std::make_shared<Shared>()) {}

FakeDistanceMatrix::~FakeDistanceMatrix()
{
    stop();
}

bool FakeDistanceMatrix::start(Scheme scheme, quint16 port)
{
    stop();
    m_scheme = scheme;
    m_error.clear();
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("fake-distance-matrix"));
    m_thread->start();

    bool ok = false;
    auto *server = new FakeServer(m_shared, scheme == Scheme::Https);
    server->moveToThread(m_thread);
    QMetaObject::invokeMethod(
        server,
        [&] {
            if (scheme == Scheme::Https && !server->loadCertificate(m_error))
                return;
            if (!server->listen(QHostAddress::LocalHost, port)) {
                m_error = server->errorString();
                return;
            }
            m_port = server->serverPort();
            ok = true;
        },
        Qt::BlockingQueuedConnection);
    m_server = server;
    if (!ok)
        stop();
    return ok;
}

void FakeDistanceMatrix::stop()
{
    if (!m_thread)
        return;
    if (m_server) {
        FakeServer *server = m_server;
        // Closes the listener and every open connection (its children) on their thread.
        QMetaObject::invokeMethod(
            server, [server] { delete server; }, Qt::BlockingQueuedConnection);
        m_server = nullptr;
    }
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    m_port = 0;
}

QString FakeDistanceMatrix::errorString() const
{
    return m_error;
}

quint16 FakeDistanceMatrix::port() const
{
    return m_port;
}

FakeDistanceMatrix::Scheme FakeDistanceMatrix::scheme() const
{
    return m_scheme;
}

QString FakeDistanceMatrix::origin() const
{
    return (m_scheme == Scheme::Https ? QStringLiteral("https://") : QStringLiteral("http://")) +
           QStringLiteral("127.0.0.1:") + QString::number(m_port);
}

QString FakeDistanceMatrix::endpoint() const
{
    return origin() + QStringLiteral("/maps/api/distancematrix/json");
}

QString FakeDistanceMatrix::routesEndpoint() const
{
    return origin() + QString::fromLatin1(FakeRoutes::path());
}

QString FakeDistanceMatrix::caFile() const
{
    return m_scheme == Scheme::Https ? TestCertificates::instance().caFile : QString();
}

void FakeDistanceMatrix::setHandler(FakeHandler handler)
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->handler = std::move(handler);
}

void FakeDistanceMatrix::setReply(const FakeReply &reply)
{
    setHandler([reply](const FakeRequest &) { return reply; });
}

QList<FakeRequest> FakeDistanceMatrix::requests() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->requests;
}

int FakeDistanceMatrix::requestCount() const
{
    QMutexLocker lock(&m_shared->mutex);
    return int(m_shared->requests.size());
}

FakeRequest FakeDistanceMatrix::lastRequest() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->requests.isEmpty() ? FakeRequest() : m_shared->requests.last();
}

int FakeDistanceMatrix::connectionCount() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->connections;
}

void FakeDistanceMatrix::clearRecords()
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->requests.clear();
    m_shared->connections = 0;
}

// ---------------------------------------------------------------------------------------
// A port that never answers a connection attempt

UnansweredPort::UnansweredPort(Kind kind)
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listener < 0)
        return;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    const int backlog = kind == Kind::NoConnection ? 0 : 16;
    if (::bind(m_listener, reinterpret_cast<sockaddr *>(&addr), len) != 0 ||
        ::listen(m_listener, backlog) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&addr), &len) != 0)
        return;
    if (kind == Kind::NoConnection) {
        // With a backlog of 0 the queue holds one connection; fill it (and one more for
        // good measure, which may stay pending) so later attempts get no answer to their SYN.
        for (int i = 0; i < 2; ++i) {
            const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            if (s < 0)
                return;
            ::connect(s, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
            m_fillers.append(s);
        }
        QThread::msleep(50); // let the fillers' handshakes complete
    }
    m_port = ntohs(addr.sin_port);
}

UnansweredPort::~UnansweredPort()
{
    for (const int s : m_fillers)
        ::close(s);
    if (m_listener >= 0)
        ::close(m_listener);
}

} // namespace trajetix
