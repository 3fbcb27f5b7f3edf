#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <memory>

#include "fake_service/FakeDistanceMatrix.h"
#include "fake_service/FakeRoutes.h"
#include "routes/FakeWaitClock.h"
#include "routes/RouteMatrixRequest.h"
#include "routes/RoutesService.h"

using namespace trajetix;

Q_DECLARE_METATYPE(trajetix::FakeReply)

namespace {

const QString testKey = QStringLiteral("AIzaSECRET-routes-key");
const QString unreadable = QStringLiteral("<unreadable>");

ClientSettings settingsFor(const FakeDistanceMatrix &fake)
{
    ClientSettings s = RoutesService::defaultSettings();
    s.endpoint = fake.routesEndpoint();
    s.caFile = fake.caFile();
    s.connectTimeoutMs = 5000;
    s.responseTimeoutMs = 10000;
    return s;
}

// Reads the answer as the batch run does: the later steps only when the earlier status
// allows. An unreadable step ends the list with "<unreadable>".
QStringList readAsTheRunDoes(RouteService &service)
{
    QStringList got;
    QString status;
    if (!service.readStatus(status))
        return {unreadable};
    got << status;
    if (status != u"OK")
        return got;
    QString origin, destination, elementStatus;
    if (!service.readAddressesAndElement(origin, destination, elementStatus))
        return got << unreadable;
    got << origin << destination << elementStatus;
    if (elementStatus != u"OK")
        return got;
    QString distance, duration;
    if (!service.readDistanceAndDuration(distance, duration))
        return got << unreadable;
    return got << distance << duration;
}

// Answers the requests with the replies in turn, the last one for all that follow.
FakeHandler inTurn(QList<FakeReply> replies)
{
    auto next = std::make_shared<std::atomic_int>(0);
    return [replies, next](const FakeRequest &) {
        const int i = next->fetch_add(1);
        return replies.at(std::min<qsizetype>(i, replies.size() - 1));
    };
}

FakeReply withHeader(FakeReply reply, const QByteArray &name, const QByteArray &value)
{
    reply.extraHeaders.append({name, value});
    return reply;
}

FakeReply found()
{
    return FakeReply::json(
        R"([{"status":{},"condition":"ROUTE_EXISTS","distanceMeters":12300,"duration":"900s",
        "localizedValues":{"distance":{"text":"12,3 km"},"duration":{"text":"15 min"}}}])");
}

FakeRouteDecider every(FakeRouteElement::Outcome outcome)
{
    return [outcome](int, int, const QString &, const QString &, const QString &) {
        FakeRouteElement e;
        e.outcome = outcome;
        return e;
    };
}

} // namespace

class TestRoutesService : public QObject {
    Q_OBJECT

  private slots:
    void sendsBodyAndHeaders_data();
    void sendsBodyAndHeaders();
    void rowShapes_data();
    void rowShapes();
    void retries_data();
    void retries();
    void retriesWaitTheirTurnAtThePacer();
    void pacesLines();
    void sharedPacerSpansServices();
    void noAnswer();
    void keyThatCannotGoInAHeader();
    void redirectIsNotFollowed();
    void serviceMessageIsFitToPrint();
    void oneConnectionForManyLines();
    void https();
    void waitingInEventLoopKeepsEventsFlowing();
    void sendFromInsideTheWaitIsRefused();
};

void TestRoutesService::sendsBodyAndHeaders_data()
{
    QTest::addColumn<QString>("origin");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("travelMode");

    QTest::newRow("plain, driving") << QStringLiteral("Rua A 10") << QStringLiteral("Rua B 20")
                                    << QStringLiteral("driving") << QStringLiteral("DRIVE");
    QTest::newRow("quotes and backslashes, walking")
        << QStringLiteral("Av. \"Brasil\" 5") << QStringLiteral("Sala 3\\B") << QStringLiteral("walking")
        << QStringLiteral("WALK");
    QTest::newRow("control characters, bicycling")
        << (QStringLiteral("A") + QChar(0x01) + QStringLiteral("\tB")) << QStringLiteral("C\r\nD")
        << QStringLiteral("bicycling") << QStringLiteral("BICYCLE");
    QTest::newRow("non-ASCII") << QStringLiteral("São Paulo") << QStringLiteral("Київ; 北京")
                               << QStringLiteral("driving") << QStringLiteral("DRIVE");
}

void TestRoutesService::sendsBodyAndHeaders()
{
    QFETCH(QString, origin);
    QFETCH(QString, destination);
    QFETCH(QString, mode);
    QFETCH(QString, travelMode);

    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    RoutesService service(settingsFor(fake));
    service.setKey(testKey);
    service.setMode(mode);
    service.setPair(origin, destination);
    QVERIFY2(service.send(), qPrintable(service.lastErrorString()));
    // The fake checks the request as the service does (key header, field mask, JSON body,
    // no routing preference with WALK or BICYCLE), so a found route means it passed.
    QCOMPARE(readAsTheRunDoes(service).first(), QStringLiteral("OK"));

    const FakeRequest seen = fake.lastRequest();
    QCOMPARE(seen.method, QByteArray("POST"));
    QCOMPARE(seen.target, FakeRoutes::path()); // no query: the key is not in the address
    QCOMPARE(seen.header("Content-Type"), QByteArray("application/json"));
    QCOMPARE(seen.header("X-Goog-Api-Key"), testKey.toUtf8());
    QCOMPARE(
        seen.header("X-Goog-FieldMask"),
        QByteArray("originIndex,destinationIndex,status,condition,distanceMeters,duration,localizedValues"));
    QVERIFY(!seen.body.contains("SECRET"));

    const QJsonObject body = QJsonDocument::fromJson(seen.body).object();
    const auto addressOf = [&body](const QString &list) {
        return body.value(list)
            .toArray()
            .at(0)
            .toObject()
            .value(QStringLiteral("waypoint"))
            .toObject()
            .value(QStringLiteral("address"));
    };
    QCOMPARE(addressOf(QStringLiteral("origins")).toString(), origin);
    QCOMPARE(addressOf(QStringLiteral("destinations")).toString(), destination);
    QCOMPARE(body.value(QStringLiteral("origins")).toArray().size(), 1);
    QCOMPARE(body.value(QStringLiteral("destinations")).toArray().size(), 1);
    QCOMPARE(body.value(QStringLiteral("travelMode")).toString(), travelMode);
    QCOMPARE(body.value(QStringLiteral("languageCode")).toString(), QStringLiteral("pt"));
    QCOMPARE(body.value(QStringLiteral("units")).toString(), QStringLiteral("METRIC"));
    QVERIFY(!body.contains(QStringLiteral("routingPreference")));
}

void TestRoutesService::rowShapes_data()
{
    QTest::addColumn<QString>("origin");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("message");

    enum { Found, NotFound, ElementError, KeyNotValid, Disabled, Garbage, HtmlPage, ObjectOn200 };
    const QString dest = QStringLiteral("São Paulo");
    // Found: the line's own addresses (the service resolves none), then the two texts.
    QTest::newRow("found")
        << QStringLiteral("Rua A 10") << QStringLiteral("driving") << int(Found)
        << QStringList{QStringLiteral("OK"), QStringLiteral("Rua A 10"), dest,
                       QStringLiteral("OK"), QStringLiteral("12,3 km"),  QStringLiteral("15 min")}
        << QString();
    QTest::newRow("found, walking")
        << QStringLiteral(" Rua A 10 ") << QStringLiteral("walking") << int(Found)
        << QStringList{QStringLiteral("OK"), QStringLiteral(" Rua A 10 "), dest,
                       QStringLiteral("OK"), QStringLiteral("12,3 km"),    QStringLiteral("15 min")}
        << QString();
    QTest::newRow("route not found") << QStringLiteral("Rua A 10") << QStringLiteral("bicycling")
                                     << int(NotFound)
                                     << QStringList{QStringLiteral("OK"), QStringLiteral("Rua A 10"), dest,
                                                    QStringLiteral("ROUTE_NOT_FOUND")}
                                     << QString();
    QTest::newRow("element error") << QStringLiteral("Rua A 10") << QStringLiteral("driving")
                                   << int(ElementError)
                                   << QStringList{QStringLiteral("OK"), QStringLiteral("Rua A 10"), dest,
                                                  QStringLiteral("NOT_FOUND")}
                                   << QString();
    QTest::newRow("empty origin") << QString() << QStringLiteral("driving") << int(Found)
                                  << QStringList{QStringLiteral("OK"), QString(), dest,
                                                 QStringLiteral("INVALID_ARGUMENT")}
                                  << QString();
    QTest::newRow("key not valid") << QStringLiteral("Rua A 10") << QStringLiteral("driving")
                                   << int(KeyNotValid) << QStringList{QStringLiteral("INVALID_ARGUMENT")}
                                   << QStringLiteral("API key not valid. Please pass a valid API key.");
    QTest::newRow("service not enabled")
        << QStringLiteral("Rua A 10") << QStringLiteral("driving") << int(Disabled)
        << QStringList{QStringLiteral("PERMISSION_DENIED")}
        << QStringLiteral("Routes API has not been used in project 123456789 "
                          "before or it is disabled. Enable it by visiting the "
                          "Google Cloud console, then retry.");
    QTest::newRow("garbage") << QStringLiteral("Rua A 10") << QStringLiteral("driving") << int(Garbage)
                             << QStringList{unreadable} << QString();
    QTest::newRow("HTML error page") << QStringLiteral("Rua A 10") << QStringLiteral("driving")
                                     << int(HtmlPage) << QStringList{unreadable} << QString();
    QTest::newRow("object on a 200") << QStringLiteral("Rua A 10") << QStringLiteral("driving")
                                     << int(ObjectOn200) << QStringList{unreadable} << QString();
}

void TestRoutesService::rowShapes()
{
    QFETCH(QString, origin);
    QFETCH(QString, mode);
    QFETCH(int, answer);
    QFETCH(QStringList, expected);
    QFETCH(QString, message);

    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    FakeRoutesOptions options;
    switch (answer) {
    case 1:
        options.decide = every(FakeRouteElement::Outcome::NotFound);
        break;
    case 2:
        options.decide = [](int, int, const QString &, const QString &, const QString &) {
            FakeRouteElement e;
            e.outcome = FakeRouteElement::Outcome::Error;
            e.errorCode = 5;
            return e;
        };
        break;
    case 3:
        options.validKey = "AIzaSomeOtherKey";
        break;
    default:
        break;
    }
    fake.setHandler(FakeRoutes::handler(options));
    if (answer == 4)
        fake.setReply(FakeRoutes::serviceDisabled());
    else if (answer == 5)
        fake.setReply(FakeRoutes::garbage());
    else if (answer == 6)
        fake.setReply([] {
            FakeReply r = FakeReply::json("<html><body>Bad Gateway</body></html>", 502);
            r.contentType = "text/html";
            return r;
        }());
    else if (answer == 7)
        fake.setReply(FakeReply::json(R"({"condition":"ROUTE_EXISTS"})"));

    RoutesService service(settingsFor(fake));
    service.setKey(testKey);
    service.setMode(mode);
    service.setPair(origin, QStringLiteral("São Paulo"));
    QVERIFY2(service.send(), qPrintable(service.lastErrorString()));
    QCOMPARE(readAsTheRunDoes(service), expected);
    QCOMPARE(service.serviceMessage(), message);
    QCOMPARE(service.attempts(), 1);
}

void TestRoutesService::retries_data()
{
    QTest::addColumn<QList<FakeReply>>("replies");
    QTest::addColumn<bool>("stop");
    QTest::addColumn<int>("attempts");
    QTest::addColumn<QList<qint64>>("waits");
    QTest::addColumn<QString>("status");

    const FakeReply quota = FakeRoutes::quotaExceeded();
    const FakeReply unavailable = FakeRoutes::unavailable();
    using Waits = QList<qint64>;

    QTest::newRow("429 once, then found")
        << QList<FakeReply>{quota, found()} << false << 2 << Waits{1000} << QStringLiteral("OK");
    QTest::newRow("503 every time: refused after three retries")
        << QList<FakeReply>{unavailable} << false << 4 << Waits{1000, 2000, 4000}
        << QStringLiteral("UNAVAILABLE");
    QTest::newRow("429 three times, then found") << QList<FakeReply>{quota, quota, quota, found()} << false
                                                 << 4 << Waits{1000, 2000, 4000} << QStringLiteral("OK");
    QTest::newRow("Retry-After in seconds")
        << QList<FakeReply>{withHeader(quota, "Retry-After", "5"), found()} << false << 2 << Waits{5000}
        << QStringLiteral("OK");
    QTest::newRow("Retry-After 0") << QList<FakeReply>{withHeader(unavailable, "Retry-After", "0"), found()}
                                   << false << 2 << Waits{0} << QStringLiteral("OK");
    QTest::newRow("Retry-After capped at 30 s")
        << QList<FakeReply>{withHeader(unavailable, "Retry-After", "120"), found()} << false << 2
        << Waits{30000} << QStringLiteral("OK");
    QTest::newRow("Retry-After as a date")
        << QList<FakeReply>{withHeader(quota, "Retry-After", "Mon, 02 Mar 2026 12:00:07 GMT"), found()}
        << false << 2 << Waits{7000} << QStringLiteral("OK");
    QTest::newRow("Retry-After as an asctime date")
        << QList<FakeReply>{withHeader(quota, "Retry-After", "Mon Mar  2 12:00:12 2026"), found()} << false
        << 2 << Waits{12000} << QStringLiteral("OK");
    QTest::newRow("Retry-After date in the past")
        << QList<FakeReply>{withHeader(quota, "Retry-After", "Mon, 02 Mar 2026 11:00:00 GMT"), found()}
        << false << 2 << Waits{0} << QStringLiteral("OK");
    QTest::newRow("Retry-After unreadable: the usual wait")
        << QList<FakeReply>{withHeader(quota, "Retry-After", "soon"), found()} << false << 2 << Waits{1000}
        << QStringLiteral("OK");
    FakeReply retryInfo = FakeReply::json(R"({"error":{"code":429,"status":"RESOURCE_EXHAUSTED","details":[
        {"@type":"type.googleapis.com/google.rpc.RetryInfo","retryDelay":"2.5s"}]}})",
                                          429);
    QTest::newRow("RetryInfo detail")
        << QList<FakeReply>{retryInfo, found()} << false << 2 << Waits{2500} << QStringLiteral("OK");
    QTest::newRow("400 is not retried") << QList<FakeReply>{FakeRoutes::invalidKey(), found()} << false << 1
                                        << Waits{} << QStringLiteral("INVALID_ARGUMENT");
    QTest::newRow("500 is not retried")
        << QList<FakeReply>{FakeRoutes::error(500, QStringLiteral("INTERNAL"), QStringLiteral("x")), found()}
        << false << 1 << Waits{} << QStringLiteral("INTERNAL");
    QTest::newRow("a stop ends the wait: the answer in hand stands")
        << QList<FakeReply>{unavailable, found()} << true << 1 << Waits{1000}
        << QStringLiteral("UNAVAILABLE");
}

void TestRoutesService::retries()
{
    QFETCH(QList<FakeReply>, replies);
    QFETCH(bool, stop);
    QFETCH(int, attempts);
    QFETCH(QList<qint64>, waits);
    QFETCH(QString, status);

    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    fake.setHandler(inTurn(replies));
    auto clock = std::make_shared<FakeWaitClock>();
    RoutesService service(settingsFor(fake), clock);
    service.setPacer(nullptr);
    std::atomic_bool stopFlag{stop};
    service.setStopFlag(&stopFlag);
    service.setKey(testKey);
    service.setMode(QStringLiteral("driving"));
    service.setPair(QStringLiteral("A"), QStringLiteral("B"));
    QVERIFY2(service.send(), qPrintable(service.lastErrorString()));
    QCOMPARE(service.attempts(), attempts);
    QCOMPARE(fake.requestCount(), attempts);
    QCOMPARE(clock->waits(), waits);
    QCOMPARE(readAsTheRunDoes(service).first(), status);
}

void TestRoutesService::retriesWaitTheirTurnAtThePacer()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    fake.setHandler(inTurn({FakeRoutes::quotaExceeded(), found()}));
    auto clock = std::make_shared<FakeWaitClock>();
    RoutesService service(settingsFor(fake), clock, std::make_shared<RequestPacer>(6, clock));
    service.setKey(testKey);
    service.setPair(QStringLiteral("A"), QStringLiteral("B"));
    QVERIFY(service.send());
    // 6 a minute: after the retry's own 1 s, the rest of the 10 s interval.
    QCOMPARE(clock->waits(), (QList<qint64>{1000, 9000}));
    QCOMPARE(clock->elapsedMs(), qint64(10000));
}

void TestRoutesService::pacesLines()
{
    // As trajetix-batch --rate 120 with ten lines: the last request starts 4.5 s after the first.
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    auto clock = std::make_shared<FakeWaitClock>();
    RoutesService service(settingsFor(fake), clock, std::make_shared<RequestPacer>(120, clock));
    service.setKey(testKey);
    for (int line = 0; line < 10; ++line) {
        service.setPair(QStringLiteral("A%1").arg(line), QStringLiteral("B"));
        QVERIFY(service.send());
    }
    QCOMPARE(fake.requestCount(), 10);
    QCOMPARE(clock->elapsedMs(), qint64(4500));

    // Without a pacer of its own choosing, the service keeps to 3,000 a minute.
    auto other = std::make_shared<FakeWaitClock>();
    RoutesService byDefault(settingsFor(fake), other);
    QCOMPARE(byDefault.pacer()->elementsPerMinute(), RoutesService::defaultElementsPerMinute);
    byDefault.setKey(testKey);
    for (int line = 0; line < 4; ++line)
        QVERIFY(byDefault.send());
    QCOMPARE(other->elapsedMs(), qint64(60));
}

void TestRoutesService::sharedPacerSpansServices()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    auto clock = std::make_shared<FakeWaitClock>();
    auto pacer = std::make_shared<RequestPacer>(120, clock);
    RoutesService first(settingsFor(fake), clock, pacer);
    RoutesService second(settingsFor(fake), clock, pacer);
    for (RoutesService *s : {&first, &second})
        s->setKey(testKey);
    for (int line = 0; line < 5; ++line) {
        QVERIFY(first.send());
        QVERIFY(second.send());
    }
    QCOMPARE(clock->elapsedMs(), qint64(4500));
}

void TestRoutesService::noAnswer()
{
    quint16 closedPort;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        closedPort = probe.serverPort();
    }
    ClientSettings settings = RoutesService::defaultSettings();
    settings.endpoint =
        QStringLiteral("http://127.0.0.1:%1%2").arg(closedPort).arg(QString::fromLatin1(FakeRoutes::path()));
    auto clock = std::make_shared<FakeWaitClock>();
    RoutesService service(settings, clock);
    service.setKey(testKey);
    service.setPair(QStringLiteral("A"), QStringLiteral("B"));
    QVERIFY(!service.send());
    QCOMPARE(service.lastError(), RestClient::Error::Connection);
    QVERIFY(!service.lastErrorString().contains(QStringLiteral("SECRET")));
    QVERIFY(service.response().isEmpty());
    QString status;
    QVERIFY(!service.readStatus(status));
    QVERIFY(service.serviceMessage().isEmpty());

    // No answer on a retry: the line has no answer, not the one before it.
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    FakeReply dropped;
    dropped.drop = FakeReply::Drop::BeforeAnswer;
    fake.setHandler(inTurn({FakeRoutes::unavailable(), dropped}));
    RoutesService retrying(settingsFor(fake), clock);
    retrying.setKey(testKey);
    QVERIFY(!retrying.send());
    QVERIFY(retrying.response().isEmpty());
    QVERIFY(!retrying.readStatus(status));
}

void TestRoutesService::keyThatCannotGoInAHeader()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    RoutesService service(settingsFor(fake), std::make_shared<FakeWaitClock>());
    service.setKey(QStringLiteral("AIzaSECRET\r\nX-Injected: 1"));
    service.setPair(QStringLiteral("A"), QStringLiteral("B"));
    QVERIFY(!service.send());
    QCOMPARE(service.lastError(), RestClient::Error::BadHeader);
    QVERIFY(!service.lastErrorString().contains(QStringLiteral("SECRET")));
    QCOMPARE(fake.requestCount(), 0);
}

void TestRoutesService::redirectIsNotFollowed()
{
    FakeDistanceMatrix elsewhere;
    QVERIFY(elsewhere.start());
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    fake.setReply(FakeReply::redirect(elsewhere.routesEndpoint().toLatin1(), 308));
    RoutesService service(settingsFor(fake), std::make_shared<FakeWaitClock>());
    service.setKey(testKey);
    QVERIFY(service.send());
    QCOMPARE(readAsTheRunDoes(service), QStringList{unreadable});
    QCOMPARE(elsewhere.requestCount(), 0);
}

void TestRoutesService::serviceMessageIsFitToPrint()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    fake.setReply(
        FakeRoutes::error(400, QStringLiteral("INVALID_ARGUMENT"),
                          QStringLiteral("API key ") + testKey +
                              QStringLiteral(" not valid.\n\x1b[2JPlease pass a valid API key.\t")));
    RoutesService service(settingsFor(fake), std::make_shared<FakeWaitClock>());
    service.setKey(testKey);
    QVERIFY(service.send());
    QCOMPARE(service.serviceMessage(),
             QStringLiteral("API key *** not valid.  [2JPlease pass a valid API key."));
}

void TestRoutesService::oneConnectionForManyLines()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    RoutesService service(settingsFor(fake), std::make_shared<FakeWaitClock>());
    service.setKey(testKey);
    for (int line = 0; line < 3; ++line) {
        service.setPair(QStringLiteral("A"), QStringLiteral("B%1").arg(line));
        QVERIFY(service.send());
        QCOMPARE(readAsTheRunDoes(service).size(), 6);
    }
    QCOMPARE(fake.connectionCount(), 1);
}

void TestRoutesService::https()
{
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(FakeDistanceMatrix::Scheme::Https), qPrintable(fake.errorString()));
    RoutesService service(settingsFor(fake), std::make_shared<FakeWaitClock>());
    service.setKey(testKey);
    service.setPair(QStringLiteral("A"), QStringLiteral("B"));
    QVERIFY2(service.send(), qPrintable(service.lastErrorString()));
    QCOMPARE(readAsTheRunDoes(service).last(), QStringLiteral("15 min"));

    // Without the test CA the certificate is not trusted.
    ClientSettings untrusted = settingsFor(fake);
    untrusted.caFile.clear();
    RoutesService refused(untrusted, std::make_shared<FakeWaitClock>());
    refused.setKey(testKey);
    QVERIFY(!refused.send());
    QCOMPARE(refused.lastError(), RestClient::Error::Tls);
}

void TestRoutesService::waitingInEventLoopKeepsEventsFlowing()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    // A retry after a real 1 s wait: the events go on through the answer's delay and the wait.
    FakeReply slow = FakeRoutes::unavailable();
    slow.delayMs = 200;
    fake.setHandler(inTurn({slow, found()}));
    RoutesService service(settingsFor(fake));
    service.setPacer(nullptr);
    service.setWaitInEventLoop(true);
    service.setKey(testKey);
    int ticks = 0;
    QTimer timer;
    timer.setInterval(20);
    connect(&timer, &QTimer::timeout, this, [&ticks] { ++ticks; });
    timer.start();
    QVERIFY(service.send());
    timer.stop();
    QCOMPARE(service.attempts(), 2);
    QVERIFY2(ticks > 0, "no event was handled while waiting");
    QCOMPARE(readAsTheRunDoes(service).first(), QStringLiteral("OK"));
}

void TestRoutesService::sendFromInsideTheWaitIsRefused()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    FakeReply slow = FakeRoutes::missingKey();
    slow.delayMs = 300;
    fake.setReply(slow);
    RoutesService service(settingsFor(fake));
    service.setWaitInEventLoop(true);
    service.setKey(testKey);

    bool nestedResult = true;
    bool nestedRan = false;
    QTimer::singleShot(50, this, [&] {
        nestedRan = true;
        nestedResult = service.send();
    });
    QVERIFY(service.send());
    QVERIFY(nestedRan);
    QVERIFY(!nestedResult);
    QCOMPARE(fake.requestCount(), 1);
    QCOMPARE(readAsTheRunDoes(service), QStringList{QStringLiteral("PERMISSION_DENIED")});
}

QTEST_GUILESS_MAIN(TestRoutesService)
#include "test_routes_service.moc"
