#include <QTcpServer>
#include <QTest>
#include <algorithm>

#include "distance_matrix/RestClient.h"
#include "fake_service/FakeDistanceMatrix.h"

using namespace trajetix;

Q_DECLARE_METATYPE(trajetix::FakeReply)

namespace {

const QString testKey = QStringLiteral("AIzaSECRET-test-key");

ClientSettings settingsFor(const FakeDistanceMatrix &fake)
{
    ClientSettings s;
    s.endpoint = fake.endpoint();
    s.caFile = fake.caFile();
    s.connectTimeoutMs = 5000;
    s.responseTimeoutMs = 10000;
    return s;
}

RestRequest pairRequest(const QString &origin = QStringLiteral("Rua A 10"),
                        const QString &destination = QStringLiteral("São Paulo"))
{
    RestRequest r;
    r.setParameter(u"key", testKey);
    r.setParameter(u"mode", QStringLiteral("driving"));
    r.setParameter(u"origins", origin);
    r.setParameter(u"destinations", destination);
    return r;
}

QString statusOf(const RestResponse &response)
{
    const JsonValue *json = response.jsonValue();
    const JsonValue *status = json ? json->member(u"status") : nullptr;
    return status ? status->text() : QStringLiteral("<none>");
}

QByteArrayList headerNames(const FakeRequest &request)
{
    QByteArrayList names;
    for (const auto &h : request.headers)
        names.append(h.first.toLower());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

class TestRestClient : public QObject {
    Q_OBJECT

  private slots:
    void sendsQueryInFixedOrder_data();
    void sendsQueryInFixedOrder();
    void sendsExactlyTheHeaderSet();
    void unpacksEncodedBodies_data();
    void unpacksEncodedBodies();
    void decodesByCharset_data();
    void decodesByCharset();
    void anyStatusIsAnAnswer_data();
    void anyStatusIsAnAnswer();
    void keepsHeadersInOrder();
    void followsRedirects_data();
    void followsRedirects();
    void timeOutCountsPerRequest();
    void sendsCookiesBack();
    void failsWithoutAnswer_data();
    void failsWithoutAnswer();
    void silentPeer_data();
    void silentPeer();
    void connectionRefused();
    void failureKeepsHeldAnswer();
    void newAnswerReplacesParsedJson();
    void reusesOneConnection();
    void https_data();
    void https();
    void errorTextsHoldNoKey();
    void postSendsBodyAndHeaders();
    void postSilentPeer_data();
    void postSilentPeer();
    void postDoesNotFollowRedirects();
    void postRefusesUnsendableHeaders_data();
    void postRefusesUnsendableHeaders();
};

void TestRestClient::sendsQueryInFixedOrder_data()
{
    QTest::addColumn<QString>("origin");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("query");

    QTest::newRow("walking example")
        << QStringLiteral("Rua A 10") << QStringLiteral("São Paulo") << QStringLiteral("k")
        << QByteArray("origins=Rua+A+10&destinations=S%C3%A3o+Paulo&key=k&language=PT&mode=walking");
    QTest::newRow("reserved characters")
        << QStringLiteral("a,b;c/d") << QStringLiteral("~%+*-._") << QStringLiteral("k")
        << QByteArray("origins=a%2Cb%3Bc%2Fd&destinations=%7E%25%2B*-._&key=k&language=PT&mode=walking");
    QTest::newRow("empty origin") << QString() << QStringLiteral("B") << QStringLiteral("k")
                                  << QByteArray("origins=&destinations=B&key=k&language=PT&mode=walking");
    QTest::newRow("both empty") << QString() << QString() << QStringLiteral("k")
                                << QByteArray("origins=&destinations=&key=k&language=PT&mode=walking");
    QTest::newRow("key with blanks around")
        << QStringLiteral("A") << QStringLiteral("B") << QStringLiteral(" k y ")
        << QByteArray("origins=A&destinations=B&key=+k+y+&language=PT&mode=walking");
    QTest::newRow("control characters and hash")
        << QStringLiteral("a\tb#c") << QStringLiteral("x\ry\x7F") << QStringLiteral("k")
        << QByteArray("origins=a%09b%23c&destinations=x%0Dy%7F&key=k&language=PT&mode=walking");
    QTest::newRow("non-Latin") << QStringLiteral("Київ") << QStringLiteral("北京") << QStringLiteral("k")
                               << QByteArray("origins=%D0%9A%D0%B8%D1%97%D0%B2&destinations=%E5%8C%97%E4%BA%"
                                             "AC&key=k&language=PT&mode=walking");
}

void TestRestClient::sendsQueryInFixedOrder()
{
    QFETCH(QString, origin);
    QFETCH(QString, destination);
    QFETCH(QString, key);
    QFETCH(QByteArray, query);

    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    RestClient client(settingsFor(fake));
    RestRequest request;
    // Set in the batch run's order, which is not the query's.
    request.setParameter(u"key", key);
    request.setParameter(u"mode", QStringLiteral("walking"));
    request.setParameter(u"origins", origin);
    request.setParameter(u"destinations", destination);
    RestResponse response;
    QVERIFY2(client.execute(request, response), qPrintable(client.lastErrorString()));

    const FakeRequest seen = fake.lastRequest();
    QCOMPARE(seen.method, QByteArray("GET"));
    QCOMPARE(seen.path, QByteArray("/maps/api/distancematrix/json"));
    QCOMPARE(seen.rawQuery, query);
    // And the service reads back exactly what was set.
    QCOMPARE(seen.queryValue(QStringLiteral("origins")), origin);
    QCOMPARE(seen.queryValue(QStringLiteral("destinations")), destination);
    QCOMPARE(seen.queryValue(QStringLiteral("key")), key);
}

void TestRestClient::sendsExactlyTheHeaderSet()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    FakeReply gzipped = FakeDistanceMatrix::defaultHandler({});
    gzipped.encoding = FakeReply::Encoding::Gzip;
    fake.setReply(gzipped);
    RestClient client(settingsFor(fake));
    RestResponse response;
    QVERIFY2(client.execute(pairRequest(), response), qPrintable(client.lastErrorString()));

    const FakeRequest seen = fake.lastRequest();
    QCOMPARE(headerNames(seen), (QByteArrayList{"accept", "accept-charset", "host", "user-agent"}));
    QCOMPARE(seen.header("Accept"), QByteArray("application/json, text/plain; q=0.9, text/html;q=0.8,"));
    QCOMPARE(seen.header("Accept-Charset"), QByteArray("utf-8, *;q=0.8"));
    QCOMPARE(seen.header("User-Agent"), QByteArray("Trajetix/1.0"));
    QCOMPARE(seen.header("Host"), QByteArray("127.0.0.1:") + QByteArray::number(fake.port()));
    // No Accept-Encoding went out, and the gzip body was unpacked all the same.
    QVERIFY(!seen.hasHeader("Accept-Encoding"));
    QCOMPARE(statusOf(response), QStringLiteral("OK"));
}

void TestRestClient::unpacksEncodedBodies_data()
{
    QTest::addColumn<int>("encoding");
    QTest::addColumn<bool>("chunked");
    QTest::newRow("identity") << int(FakeReply::Encoding::Identity) << false;
    QTest::newRow("gzip") << int(FakeReply::Encoding::Gzip) << false;
    QTest::newRow("deflate") << int(FakeReply::Encoding::Deflate) << false;
    QTest::newRow("raw deflate") << int(FakeReply::Encoding::RawDeflate) << false;
    QTest::newRow("gzip, chunked") << int(FakeReply::Encoding::Gzip) << true;
    QTest::newRow("identity, chunked") << int(FakeReply::Encoding::Identity) << true;
}

void TestRestClient::unpacksEncodedBodies()
{
    QFETCH(int, encoding);
    QFETCH(bool, chunked);
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    const QByteArray body =
        "{\"status\": \"OK\", \"texto\": \"S\xC3\xA3o Paulo " + QByteArray(3000, 'x') + "\"}";
    FakeReply reply = FakeReply::json(body);
    reply.encoding = FakeReply::Encoding(encoding);
    reply.chunked = chunked;
    reply.dripBytes = chunked ? 700 : 0;
    fake.setReply(reply);
    RestClient client(settingsFor(fake));
    RestResponse response;
    QVERIFY2(client.execute(pairRequest(), response), qPrintable(client.lastErrorString()));
    QCOMPARE(response.rawBody(), body);
    QCOMPARE(response.text(), QString::fromUtf8(body));
    QCOMPARE(statusOf(response), QStringLiteral("OK"));
}

void TestRestClient::decodesByCharset_data()
{
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("charset");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("decoded");

    QTest::newRow("ISO-8859-1") << QByteArray("application/json") << QByteArray("ISO-8859-1")
                                << QByteArray("\"S\xE3o Paulo\"") << QStringLiteral("\"São Paulo\"") << true;
    QTest::newRow("no charset is UTF-8") << QByteArray("application/json") << QByteArray()
                                         << QByteArray("\"S\xC3\xA3o\"") << QStringLiteral("\"São\"") << true;
    QTest::newRow("no charset, text/plain")
        << QByteArray("text/plain") << QByteArray() << QByteArray("\"\xE5\x8C\x97\"")
        << QStringLiteral("\"北\"") << true;
    QTest::newRow("no charset, not a text type")
        << QByteArray("application/octet-stream") << QByteArray() << QByteArray("\"S\xC3\xA3o\"")
        << QStringLiteral("\"São\"") << true;
    QTest::newRow("no Content-Type at all")
        << QByteArray() << QByteArray() << QByteArray("\"S\xC3\xA3o\"") << QStringLiteral("\"São\"") << true;
    QTest::newRow("Latin-1 byte read as UTF-8")
        << QByteArray("application/json") << QByteArray() << QByteArray("\"S\xE3o\"")
        << QStringLiteral("\"S\uFFFDo\"") << true;
    QTest::newRow("lower-case utf-8") << QByteArray("application/json") << QByteArray("utf-8")
                                      << QByteArray("\"\xC3\xA3\"") << QStringLiteral("\"ã\"") << true;
    QTest::newRow("quoted charset") << QByteArray("application/json") << QByteArray("\"iso-8859-1\"")
                                    << QByteArray("\"\xE3\"") << QStringLiteral("\"ã\"") << true;
    QTest::newRow("windows-1252") << QByteArray("application/json") << QByteArray("windows-1252")
                                  << QByteArray("\"\x80 5\"") << QStringLiteral("\"€ 5\"") << true;
    QTest::newRow("UTF-16LE") << QByteArray("application/json") << QByteArray("UTF-16LE")
                              << QByteArray("\"\0\xE3\0\"\0", 6) << QStringLiteral("\"ã\"") << true;
    QTest::newRow("UTF-8 byte-order mark dropped")
        << QByteArray("application/json") << QByteArray("UTF-8") << QByteArray("\xEF\xBB\xBF\"a\"")
        << QStringLiteral("\"a\"") << true;
    QTest::newRow("unknown charset") << QByteArray("application/json") << QByteArray("x-no-such-charset")
                                     << QByteArray("\"a\"") << QString() << false;
}

void TestRestClient::decodesByCharset()
{
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, charset);
    QFETCH(QByteArray, body);
    QFETCH(QString, text);
    QFETCH(bool, decoded);

    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    FakeReply reply = FakeReply::json(body);
    reply.contentType = contentType;
    reply.charset = charset;
    fake.setReply(reply);
    RestClient client(settingsFor(fake));
    RestResponse response;
    QVERIFY2(client.execute(pairRequest(), response), qPrintable(client.lastErrorString()));
    QCOMPARE(response.rawBody(), body);
    QCOMPARE(response.text(), text);
    QCOMPARE(response.isTextDecoded(), decoded);
    // Each body is one JSON string; only an undecodable one has no JSON value.
    QCOMPARE(response.jsonValue() != nullptr, decoded);
}

void TestRestClient::anyStatusIsAnAnswer_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("reason");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expectedReason");
    QTest::addColumn<QString>("jsonStatus");

    QTest::newRow("403 JSON refusal")
        << 403 << QByteArray() << QByteArray("application/json")
        << QByteArray(
               R"({"error_message": "The provided API key is invalid.", "rows": [], "status": "REQUEST_DENIED"})")
        << QStringLiteral("Forbidden") << QStringLiteral("REQUEST_DENIED");
    QTest::newRow("500 HTML") << 500 << QByteArray() << QByteArray("text/html")
                              << QByteArray("<html><body><h1>500 Internal Server Error</h1></body></html>")
                              << QStringLiteral("Internal Server Error") << QStringLiteral("<none>");
    QTest::newRow("503 empty body") << 503 << QByteArray() << QByteArray("application/json") << QByteArray()
                                    << QStringLiteral("Service Unavailable") << QStringLiteral("<none>");
    QTest::newRow("404 JSON") << 404 << QByteArray() << QByteArray("application/json")
                              << QByteArray(R"({"status": "NOT_FOUND"})") << QStringLiteral("Not Found")
                              << QStringLiteral("NOT_FOUND");
    QTest::newRow("300 without Location")
        << 300 << QByteArray("Multiple Choices") << QByteArray("application/json")
        << QByteArray(R"({"status": "X"})") << QStringLiteral("Multiple Choices") << QStringLiteral("X");
    QTest::newRow("own reason phrase")
        << 200 << QByteArray("Fine Thanks") << QByteArray("application/json")
        << QByteArray(R"({"status": "OK"})") << QStringLiteral("Fine Thanks") << QStringLiteral("OK");
    QTest::newRow("200 with trailing garbage")
        << 200 << QByteArray() << QByteArray("application/json") << QByteArray(R"({"status": "OK"} x)")
        << QStringLiteral("OK") << QStringLiteral("<none>");
}

void TestRestClient::anyStatusIsAnAnswer()
{
    QFETCH(int, status);
    QFETCH(QByteArray, reason);
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, body);
    QFETCH(QString, expectedReason);
    QFETCH(QString, jsonStatus);

    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    FakeReply reply = FakeReply::json(body, status);
    reply.reason = reason;
    reply.contentType = contentType;
    fake.setReply(reply);
    RestClient client(settingsFor(fake));
    RestResponse response;
    QVERIFY2(client.execute(pairRequest(), response), qPrintable(client.lastErrorString()));
    QCOMPARE(client.lastError(), RestClient::Error::None);
    QCOMPARE(response.statusCode(), status);
    QCOMPARE(response.statusText(), expectedReason);
    QCOMPARE(response.rawBody(), body);
    QCOMPARE(statusOf(response), jsonStatus);
}

void TestRestClient::keepsHeadersInOrder()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    FakeReply reply = FakeReply::json(R"({"status": "OK"})");
    reply.extraHeaders = {{"X-Zeta", "1"}, {"X-Alpha", "2"}, {"X-Zeta", "3"}};
    fake.setReply(reply);
    RestClient client(settingsFor(fake));
    RestResponse response;
    QVERIFY(client.execute(pairRequest(), response));

    QByteArrayList xs;
    for (const auto &h : response.headers()) {
        if (h.first.startsWith("X-"))
            xs.append(h.first + '=' + h.second);
    }
    QCOMPARE(xs, (QByteArrayList{"X-Zeta=1", "X-Alpha=2", "X-Zeta=3"}));
    QCOMPARE(response.header("x-zeta"), QByteArray("3"));
    QCOMPARE(response.header("content-type"), QByteArray("application/json; charset=UTF-8"));
    QCOMPARE(response.charset(), QByteArray("UTF-8"));
}

void TestRestClient::followsRedirects_data()
{
    QTest::addColumn<int>("hops");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("answered");

    QTest::newRow("none") << 0 << 302 << true;
    QTest::newRow("one 301") << 1 << 301 << true;
    QTest::newRow("five 302") << 5 << 302 << true;
    QTest::newRow("five 307") << 5 << 307 << true;
    QTest::newRow("six 302") << 6 << 302 << false;
    QTest::newRow("six 308") << 6 << 308 << false;
}

void TestRestClient::followsRedirects()
{
    QFETCH(int, hops);
    QFETCH(int, status);
    QFETCH(bool, answered);

    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    // /hop/N sends to /hop/N-1 (alternately relative and absolute); /hop/0 answers.
    const QByteArray origin = fake.origin().toLatin1();
    fake.setHandler([status, origin](const FakeRequest &r) {
        const int n = r.path.mid(int(qstrlen("/hop/"))).toInt();
        if (n == 0)
            return FakeDistanceMatrix::refusedAnswer(QStringLiteral("ARRIVED"));
        const QByteArray next = "/hop/" + QByteArray::number(n - 1) + '?' + r.rawQuery;
        FakeReply redirect = FakeReply::redirect(n % 2 ? next : origin + next, status);
        redirect.extraHeaders = {{"X-Hop", QByteArray::number(n)}};
        return redirect;
    });
    ClientSettings settings = settingsFor(fake);
    settings.endpoint = fake.origin() + QStringLiteral("/hop/") + QString::number(hops);
    RestClient client(settings);
    RestResponse response;
    const bool ok = client.execute(pairRequest(), response);
    QCOMPARE(ok, answered);
    if (answered) {
        QCOMPARE(fake.requestCount(), hops + 1);
        QCOMPARE(response.statusCode(), 200);
        QCOMPARE(statusOf(response), QStringLiteral("ARRIVED"));
        // Only the last answer's headers are held.
        QVERIFY(response.header("Location").isEmpty());
        QVERIFY(response.header("X-Hop").isEmpty());
        // The Accept headers went along on every hop.
        for (const FakeRequest &r : fake.requests())
            QCOMPARE(r.header("Accept-Charset"), QByteArray("utf-8, *;q=0.8"));
    } else {
        QCOMPARE(client.lastError(), RestClient::Error::TooManyRedirects);
        QVERIFY(response.isEmpty());
        // The sixth redirect is not followed.
        QCOMPARE(fake.requestCount(), 6);
    }
}

void TestRestClient::timeOutCountsPerRequest()
{
    // Three slow hops: each answers within the response time-out, all of them together not.
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    fake.setHandler([](const FakeRequest &r) {
        const int n = r.path.mid(int(qstrlen("/hop/"))).toInt();
        FakeReply reply = n == 0 ? FakeDistanceMatrix::refusedAnswer(QStringLiteral("ARRIVED"))
                                 : FakeReply::redirect("/hop/" + QByteArray::number(n - 1));
        reply.delayMs = 250;
        return reply;
    });
    ClientSettings settings = settingsFor(fake);
    settings.endpoint = fake.origin() + QStringLiteral("/hop/2");
    settings.responseTimeoutMs = 600;
    RestClient client(settings);
    RestResponse response;
    QVERIFY2(client.execute(pairRequest(), response), qPrintable(client.lastErrorString()));
    QCOMPARE(statusOf(response), QStringLiteral("ARRIVED"));
}

void TestRestClient::sendsCookiesBack()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    fake.setHandler([](const FakeRequest &r) {
        FakeReply reply = FakeDistanceMatrix::defaultHandler(r);
        if (r.connectionId == 1 && r.queryValue(QStringLiteral("origins")) == QLatin1String("first"))
            reply.setCookies = {"sid=abc123; Path=/", "scoped=1; Path=/maps/api", "elsewhere=1; Path=/other"};
        return reply;
    });
    RestClient client(settingsFor(fake));
    RestResponse response;
    QVERIFY(client.execute(pairRequest(QStringLiteral("first")), response));
    QVERIFY(!fake.lastRequest().hasHeader("Cookie"));
    QVERIFY(client.execute(pairRequest(QStringLiteral("second")), response));
    QByteArrayList cookies = fake.lastRequest().header("Cookie").split(';');
    for (QByteArray &c : cookies)
        c = c.trimmed();
    std::sort(cookies.begin(), cookies.end());
    QCOMPARE(cookies, (QByteArrayList{"scoped=1", "sid=abc123"}));

    // The store belongs to the client: another client starts without cookies.
    RestClient other(settingsFor(fake));
    QVERIFY(other.execute(pairRequest(QStringLiteral("third")), response));
    QVERIFY(!fake.lastRequest().hasHeader("Cookie"));
}

void TestRestClient::failsWithoutAnswer_data()
{
    QTest::addColumn<FakeReply>("reply");
    QTest::addColumn<qint64>("maxBodyBytes");
    QTest::addColumn<int>("error");

    const qint64 cap = 4096;
    FakeReply late = FakeReply::json(R"({"status": "OK"})");
    late.delayMs = 3000;
    QTest::newRow("answer later than the response time-out")
        << late << cap << int(RestClient::Error::ResponseTimeout);

    FakeReply slow = FakeReply::json(QByteArray(2000, ' ') + R"({"status": "OK"})");
    slow.dripBytes = 100;
    slow.dripIntervalMs = 100; // 2 s in all, beyond the time-out
    QTest::newRow("body dripping past the time-out")
        << slow << cap << int(RestClient::Error::ResponseTimeout);

    FakeReply closed;
    closed.drop = FakeReply::Drop::BeforeAnswer;
    QTest::newRow("closed before answering") << closed << cap << int(RestClient::Error::ConnectionLost);

    FakeReply half = FakeReply::json(QByteArray(1000, ' ') + R"({"status": "OK"})");
    half.drop = FakeReply::Drop::MidBody;
    QTest::newRow("closed in the middle of the body")
        << half << cap << int(RestClient::Error::ConnectionLost);

    FakeReply halfChunked = half;
    halfChunked.chunked = true;
    QTest::newRow("closed in the middle of a chunked body")
        << halfChunked << cap << int(RestClient::Error::ConnectionLost);

    FakeReply garbage;
    garbage.raw = "HELLO THERE\r\n\r\n";
    garbage.closeConnection = true;
    QTest::newRow("not HTTP") << garbage << cap << int(RestClient::Error::Protocol);

    FakeReply badGzip = FakeReply::json("this is not gzip at all");
    badGzip.raw = "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 9\r\n\r\nnot gzip!";
    QTest::newRow("corrupt gzip body") << badGzip << cap << int(RestClient::Error::Protocol);

    QTest::newRow("body one byte over the cap")
        << FakeReply::json(QByteArray(int(cap) + 1, ' ')) << cap << int(RestClient::Error::BodyTooLarge);

    FakeReply bomb = FakeReply::json(QByteArray(1024 * 1024, ' ') + "{}");
    bomb.encoding = FakeReply::Encoding::Gzip;
    QTest::newRow("small gzip body unpacking over the cap")
        << bomb << cap << int(RestClient::Error::BodyTooLarge);

    FakeReply bigChunked = FakeReply::json(QByteArray(int(cap) * 3, ' '));
    bigChunked.chunked = true;
    bigChunked.dripBytes = 1000;
    QTest::newRow("chunked body over the cap") << bigChunked << cap << int(RestClient::Error::BodyTooLarge);
}

void TestRestClient::failsWithoutAnswer()
{
    QFETCH(FakeReply, reply);
    QFETCH(qint64, maxBodyBytes);
    QFETCH(int, error);

    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    fake.setReply(reply);
    ClientSettings settings = settingsFor(fake);
    settings.responseTimeoutMs = 500;
    settings.maxBodyBytes = maxBodyBytes;
    RestClient client(settings);
    RestResponse response;
    QVERIFY(!client.execute(pairRequest(), response));
    QCOMPARE(int(client.lastError()), error);
    QVERIFY(response.isEmpty());
    QVERIFY(!client.lastErrorString().isEmpty());
}

void TestRestClient::silentPeer_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("originBytes");
    QTest::addColumn<int>("error");

    QTest::newRow("no connection") << int(UnansweredPort::Kind::NoConnection) << 10
                                   << int(RestClient::Error::ConnectTimeout);
    QTest::newRow("connected, request written, no answer")
        << int(UnansweredPort::Kind::NoReading) << 10 << int(RestClient::Error::ResponseTimeout);
    QTest::newRow("connected, long request written, no answer")
        << int(UnansweredPort::Kind::NoReading) << 200 * 1024 << int(RestClient::Error::ResponseTimeout);
}

void TestRestClient::silentPeer()
{
    QFETCH(int, kind);
    QFETCH(int, originBytes);
    QFETCH(int, error);

    UnansweredPort port{UnansweredPort::Kind(kind)};
    QVERIFY(port.isValid());
    ClientSettings settings;
    settings.endpoint = QStringLiteral("http://127.0.0.1:%1/maps/api/distancematrix/json").arg(port.port());
    settings.connectTimeoutMs = 300;
    settings.sendTimeoutMs = 300;
    settings.responseTimeoutMs = 1500;
    RestClient client(settings);
    RestResponse response;
    QVERIFY(!client.execute(pairRequest(QString(originBytes, QLatin1Char('a'))), response));
    QCOMPARE(int(client.lastError()), error);
    QVERIFY(response.isEmpty());
}

void TestRestClient::connectionRefused()
{
    quint16 closedPort;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        closedPort = probe.serverPort();
    }
    ClientSettings settings;
    settings.endpoint = QStringLiteral("http://127.0.0.1:%1/maps/api/distancematrix/json").arg(closedPort);
    RestClient client(settings);
    RestResponse response;
    QVERIFY(!client.execute(pairRequest(), response));
    QCOMPARE(client.lastError(), RestClient::Error::Connection);
}

void TestRestClient::failureKeepsHeldAnswer()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    ClientSettings settings = settingsFor(fake);
    settings.responseTimeoutMs = 300;
    RestClient client(settings);
    RestResponse response;
    QVERIFY(client.execute(pairRequest(QStringLiteral("A"), QStringLiteral("B")), response));
    const QByteArray firstBody = response.rawBody();
    QVERIFY(response.jsonValue());

    FakeReply late = FakeReply::json(R"({"status": "LATE"})");
    late.delayMs = 2000;
    fake.setReply(late);
    QVERIFY(!client.execute(pairRequest(QStringLiteral("C"), QStringLiteral("D")), response));
    QCOMPARE(response.statusCode(), 200);
    QCOMPARE(response.rawBody(), firstBody);
    QCOMPARE(statusOf(response), QStringLiteral("OK"));

    // The timed-out transfer left nothing behind that the next request could read.
    fake.setHandler(&FakeDistanceMatrix::defaultHandler);
    QVERIFY2(client.execute(pairRequest(QStringLiteral("E"), QStringLiteral("F")), response),
             qPrintable(client.lastErrorString()));
    QVERIFY(response.text().contains(QStringLiteral("E, Brasil")));
}

void TestRestClient::newAnswerReplacesParsedJson()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    fake.setHandler([](const FakeRequest &r) {
        return FakeDistanceMatrix::refusedAnswer(r.queryValue(QStringLiteral("origins")));
    });
    RestClient client(settingsFor(fake));
    RestResponse response;
    QVERIFY(client.execute(pairRequest(QStringLiteral("FIRST")), response));
    QCOMPARE(statusOf(response), QStringLiteral("FIRST"));
    QVERIFY(client.execute(pairRequest(QStringLiteral("SECOND")), response));
    QCOMPARE(statusOf(response), QStringLiteral("SECOND"));
}

void TestRestClient::reusesOneConnection()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    RestClient client(settingsFor(fake));
    RestResponse response;
    for (int i = 0; i < 25; ++i) {
        // Answers of every kind keep the connection: refused, HTML error, chunked.
        FakeReply reply =
            i % 3 == 0 ? FakeDistanceMatrix::refusedAnswer()
                       : FakeDistanceMatrix::foundAnswer(QStringLiteral("o"), QStringLiteral("d"),
                                                         QStringLiteral("1 km"), QStringLiteral("1 min"));
        if (i % 5 == 4) {
            reply.status = 500;
            reply.contentType = "text/html";
            reply.body = "<html>oops</html>";
        }
        reply.chunked = i % 2;
        fake.setReply(reply);
        QVERIFY2(client.execute(pairRequest(QString::number(i)), response),
                 qPrintable(client.lastErrorString()));
    }
    QCOMPARE(fake.requestCount(), 25);
    QCOMPARE(fake.connectionCount(), 1);
    for (const FakeRequest &r : fake.requests())
        QCOMPARE(r.connectionId, 1);
}

void TestRestClient::https_data()
{
    QTest::addColumn<bool>("trustTestCa");
    QTest::newRow("test CA trusted") << true;
    QTest::newRow("system store only") << false;
}

void TestRestClient::https()
{
    QFETCH(bool, trustTestCa);
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(FakeDistanceMatrix::Scheme::Https), qPrintable(fake.errorString()));
    QVERIFY(fake.endpoint().startsWith(QLatin1String("https://127.0.0.1:")));
    ClientSettings settings = settingsFor(fake);
    if (!trustTestCa)
        settings.caFile.clear();
    RestClient client(settings);
    RestResponse response;
    const bool ok = client.execute(pairRequest(), response);
    QCOMPARE(ok, trustTestCa);
    if (trustTestCa) {
        QCOMPARE(statusOf(response), QStringLiteral("OK"));
        QCOMPARE(fake.lastRequest().rawQuery, QByteArray("origins=Rua+A+10&destinations=S%C3%A3o+Paulo&key="
                                                         "AIzaSECRET-test-key&language=PT&mode=driving"));
        QVERIFY(client.execute(pairRequest(), response));
        QCOMPARE(fake.connectionCount(), 1);
    } else {
        QCOMPARE(client.lastError(), RestClient::Error::Tls);
        // The request never reached the service.
        QCOMPARE(fake.requestCount(), 0);
    }
}

void TestRestClient::errorTextsHoldNoKey()
{
    FakeDistanceMatrix https;
    QVERIFY(https.start(FakeDistanceMatrix::Scheme::Https));
    FakeDistanceMatrix http;
    QVERIFY(http.start());
    FakeReply loop = FakeReply::redirect("/maps/api/distancematrix/json?again=1");
    http.setReply(loop);

    const QStringList endpoints{https.endpoint(), http.endpoint(), QStringLiteral("ftp://127.0.0.1/x")};
    for (const QString &endpoint : endpoints) {
        ClientSettings settings;
        settings.endpoint = endpoint;
        RestClient client(settings);
        RestResponse response;
        QVERIFY(!client.execute(pairRequest(), response));
        const QString text = client.lastErrorString();
        QVERIFY(!text.isEmpty());
        QVERIFY2(!text.contains(QStringLiteral("SECRET")), qPrintable(text));
        QVERIFY2(!text.contains(QStringLiteral("127.0.0.1")), qPrintable(text));
    }
}

void TestRestClient::postSendsBodyAndHeaders()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    fake.setReply(FakeReply::json("[]"));
    RestClient client(settingsFor(fake));
    RestResponse response;
    const QByteArray body = "{\"a\":\"S\xc3\xa3o \\\"x\\\"\"}";
    QVERIFY2(client.post(body, {"Content-Type: application/json", "X-Goog-Api-Key: " + testKey.toUtf8()},
                         response),
             qPrintable(client.lastErrorString()));
    QCOMPARE(response.statusCode(), 200);

    const FakeRequest seen = fake.lastRequest();
    QCOMPARE(seen.method, QByteArray("POST"));
    QCOMPARE(seen.target, QByteArray("/maps/api/distancematrix/json"));
    QCOMPARE(seen.body, body);
    QCOMPARE(headerNames(seen), (QByteArrayList{"accept", "accept-charset", "content-length", "content-type",
                                                "host", "user-agent", "x-goog-api-key"}));
    QCOMPARE(seen.header("Content-Length"), QByteArray::number(body.size()));
    QCOMPARE(seen.header("X-Goog-Api-Key"), testKey.toUtf8());

    // The same client's next GET is a plain GET again: no body, none of the extra headers.
    QVERIFY(client.execute(pairRequest(), response));
    const FakeRequest get = fake.lastRequest();
    QCOMPARE(get.method, QByteArray("GET"));
    QVERIFY(get.body.isEmpty());
    QCOMPARE(headerNames(get), (QByteArrayList{"accept", "accept-charset", "host", "user-agent"}));
    QCOMPARE(fake.connectionCount(), 1);
}

void TestRestClient::postSilentPeer_data()
{
    QTest::addColumn<int>("bodyBytes");
    // Once the body has gone out the request waits for its answer: the response time-out
    // applies, not the send time-out.
    QTest::newRow("short body") << 40;
    QTest::newRow("long body") << 200 * 1024;
}

void TestRestClient::postSilentPeer()
{
    QFETCH(int, bodyBytes);
    UnansweredPort port{UnansweredPort::Kind::NoReading};
    QVERIFY(port.isValid());
    ClientSettings settings;
    settings.endpoint = QStringLiteral("http://127.0.0.1:%1/x").arg(port.port());
    settings.connectTimeoutMs = 300;
    settings.sendTimeoutMs = 300;
    settings.responseTimeoutMs = 1500;
    RestClient client(settings);
    RestResponse response;
    QVERIFY(!client.post(QByteArray(bodyBytes, 'a'), {"Content-Type: text/plain"}, response));
    QCOMPARE(client.lastError(), RestClient::Error::ResponseTimeout);
}

void TestRestClient::postDoesNotFollowRedirects()
{
    // The headers may carry a key: a redirect elsewhere must not take them along.
    FakeDistanceMatrix elsewhere;
    QVERIFY(elsewhere.start());
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    fake.setReply(FakeReply::redirect(elsewhere.endpoint().toLatin1(), 307));
    RestClient client(settingsFor(fake));
    RestResponse response;
    QVERIFY(client.post("{}", {"X-Goog-Api-Key: " + testKey.toUtf8()}, response));
    QCOMPARE(response.statusCode(), 307);
    QCOMPARE(fake.requestCount(), 1);
    QCOMPARE(elsewhere.requestCount(), 0);

    // GET requests of the same client still follow.
    fake.setReply(FakeReply::redirect(elsewhere.endpoint().toLatin1(), 302));
    QVERIFY(client.execute(pairRequest(), response));
    QCOMPARE(response.statusCode(), 200);
    QCOMPARE(elsewhere.requestCount(), 1);
}

void TestRestClient::postRefusesUnsendableHeaders_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::newRow("CR LF in the value") << QByteArray("X-Goog-Api-Key: abc\r\nX-Other: 1");
    QTest::newRow("LF in the value") << QByteArray("X-Goog-Api-Key: abc\nHost: evil");
    QTest::newRow("CR alone") << QByteArray("X-Goog-Api-Key: abc\rdef");
    QTest::newRow("NUL") << QByteArray("X-Goog-Api-Key: abc\0def", 23);
    QTest::newRow("no colon") << QByteArray("X-Goog-Api-Key abc");
    QTest::newRow("no name") << QByteArray(": abc");
    QTest::newRow("blank in the name") << QByteArray("X Goog: abc");
}

void TestRestClient::postRefusesUnsendableHeaders()
{
    QFETCH(QByteArray, header);
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    RestClient client(settingsFor(fake));
    RestResponse response;
    QVERIFY(!client.post("{}", {"Content-Type: application/json", header}, response));
    QCOMPARE(client.lastError(), RestClient::Error::BadHeader);
    QVERIFY(!client.lastErrorString().contains(QStringLiteral("abc")));
    QVERIFY(response.isEmpty());
    QCOMPARE(fake.requestCount(), 0);
}

QTEST_GUILESS_MAIN(TestRestClient)
#include "test_rest_client.moc"
