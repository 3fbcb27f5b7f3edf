#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include "distance_matrix/RestClient.h"
#include "fake_service/FakeDistanceMatrix.h"
#include "fake_service/FakeRoutes.h"

using namespace trajetix;

namespace {

// A computeRouteMatrix body of these origin and destination counts.
QByteArray matrixBody(int origins, int destinations, const QByteArray &extra = QByteArray())
{
    QByteArray o, d;
    for (int i = 0; i < origins; ++i)
        o += (i ? "," : "") + QByteArray("{\"waypoint\":{\"address\":\"O") + QByteArray::number(i) + "\"}}";
    for (int i = 0; i < destinations; ++i)
        d += (i ? "," : "") + QByteArray("{\"waypoint\":{\"address\":\"D") + QByteArray::number(i) + "\"}}";
    return "{\"origins\":[" + o + "],\"destinations\":[" + d + "]" + extra + "}";
}

const QByteArray fullMask =
    "originIndex,destinationIndex,status,condition,distanceMeters,duration,localizedValues";

// Posts to the fake's Routes path, key and mask in their headers unless left empty.
RestResponse postRoutes(const FakeDistanceMatrix &fake, const QByteArray &body,
                        const QByteArray &mask = fullMask, const QByteArray &key = "k",
                        const QByteArray &contentType = "application/json", const QString &query = QString())
{
    ClientSettings settings;
    settings.endpoint = fake.routesEndpoint() + query;
    RestClient client(settings);
    QList<QByteArray> headers{"Content-Type: " + contentType};
    if (!key.isEmpty())
        headers << "X-Goog-Api-Key: " + key;
    if (!mask.isEmpty())
        headers << "X-Goog-FieldMask: " + mask;
    RestResponse response;
    client.post(body, headers, response);
    return response;
}

QJsonValue jsonOf(const RestResponse &response)
{
    const QJsonDocument doc = QJsonDocument::fromJson(response.rawBody());
    return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
}

// Reads until the peer closes or the expected number of answers (by status line) is in.
QByteArray readAnswers(QTcpSocket &socket, int answers)
{
    QByteArray all;
    while (all.count("HTTP/1.1 ") < answers || !all.endsWith("}\n")) {
        if (!socket.waitForReadyRead(5000))
            break;
        all += socket.readAll();
    }
    return all;
}

} // namespace

class TestFakeService : public QObject {
    Q_OBJECT

  private slots:
    void recordsRequestsAsReceived();
    void answersPipelinedRequestsInOrder();
    void closesWhenTheClientAsks();
    void encodersRoundTrip_data();
    void encodersRoundTrip();
    void commandServesHttp_data();
    void commandServesHttp();
    void routesChecksRequests_data();
    void routesChecksRequests();
    void routesAnswersEveryPairOutOfOrder();
    void routesAppliesTheFieldMask_data();
    void routesAppliesTheFieldMask();
};

void TestFakeService::recordsRequestsAsReceived()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, fake.port());
    QVERIFY(socket.waitForConnected(5000));
    socket.write(
        "GET /maps/api/distancematrix/json?origins=Rua+A%2C+10&x&origins=S%C3%A3o&empty= HTTP/1.1\r\n"
        "Host: here\r\nZ-Last: 1\r\nA-First:   spaced value  \r\nz-last: 2\r\n\r\n");
    const QByteArray answer = readAnswers(socket, 1);
    QVERIFY2(answer.startsWith("HTTP/1.1 200 OK\r\n"), answer.constData());

    QCOMPARE(fake.requestCount(), 1);
    const FakeRequest r = fake.lastRequest();
    QCOMPARE(r.method, QByteArray("GET"));
    QCOMPARE(r.target,
             QByteArray("/maps/api/distancematrix/json?origins=Rua+A%2C+10&x&origins=S%C3%A3o&empty="));
    QCOMPARE(r.path, QByteArray("/maps/api/distancematrix/json"));
    QCOMPARE(r.rawQuery, QByteArray("origins=Rua+A%2C+10&x&origins=S%C3%A3o&empty="));
    const QList<std::pair<QString, QString>> query{{QStringLiteral("origins"), QStringLiteral("Rua A, 10")},
                                                   {QStringLiteral("x"), QString()},
                                                   {QStringLiteral("origins"), QStringLiteral("São")},
                                                   {QStringLiteral("empty"), QString()}};
    QCOMPARE(r.query, query);
    QCOMPARE(r.queryValue(QStringLiteral("origins")), QStringLiteral("Rua A, 10"));
    const QList<std::pair<QByteArray, QByteArray>> headers{
        {"Host", "here"}, {"Z-Last", "1"}, {"A-First", "spaced value"}, {"z-last", "2"}};
    QCOMPARE(r.headers, headers);
    QCOMPARE(r.header("Z-LAST"), QByteArray("1"));
    QCOMPARE(r.connectionId, 1);
    // The default answer names the first origins value.
    QVERIFY(answer.contains("\"Rua A, 10, Brasil\""));
}

void TestFakeService::answersPipelinedRequestsInOrder()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    fake.setHandler([](const FakeRequest &r) {
        FakeReply reply = FakeDistanceMatrix::refusedAnswer(r.queryValue(QStringLiteral("n")));
        reply.delayMs = r.queryValue(QStringLiteral("n")) == QLatin1String("FIRST") ? 200 : 0;
        return reply;
    });
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, fake.port());
    QVERIFY(socket.waitForConnected(5000));
    socket.write("GET /?n=FIRST HTTP/1.1\r\nHost: x\r\n\r\nGET /?n=SECOND HTTP/1.1\r\nHost: x\r\n\r\n");
    const QByteArray answers = readAnswers(socket, 2);
    QCOMPARE(answers.count("HTTP/1.1 200 OK"), 2);
    QVERIFY(answers.indexOf("FIRST") < answers.indexOf("SECOND"));
    QCOMPARE(fake.connectionCount(), 1);
}

void TestFakeService::closesWhenTheClientAsks()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, fake.port());
    QVERIFY(socket.waitForConnected(5000));
    socket.write("GET / HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    const QByteArray answer = readAnswers(socket, 1);
    QVERIFY(answer.contains("\r\nConnection: close\r\n"));
    QVERIFY(socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(5000));
}

void TestFakeService::encodersRoundTrip_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text") << QByteArray("{\"status\": \"OK\"}");
    QTest::newRow("binary") << QByteArray("\x00\x01\xFF\x80 tail", 9);
    QTest::newRow("long") << QByteArray(100000, 'q');
}

void TestFakeService::encodersRoundTrip()
{
    // Unpacked by the client under test: each encoding must decode to the original.
    QFETCH(QByteArray, data);
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    ClientSettings settings;
    settings.endpoint = fake.endpoint();
    RestClient client(settings);
    for (const auto encoding :
         {FakeReply::Encoding::Gzip, FakeReply::Encoding::Deflate, FakeReply::Encoding::RawDeflate}) {
        FakeReply reply = FakeReply::json(data);
        reply.encoding = encoding;
        fake.setReply(reply);
        RestResponse response;
        QVERIFY2(client.execute(RestRequest(), response), qPrintable(client.lastErrorString()));
        QCOMPARE(response.rawBody(), data);
    }
    // gzip's trailer holds the CRC-32 and the length (a known vector for "123456789").
    const QByteArray gz = FakeDistanceMatrix::gzip("123456789");
    QCOMPARE(gz.right(8), QByteArray("\x26\x39\xF4\xCB\x09\x00\x00\x00", 8));
}

void TestFakeService::commandServesHttp_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("routesStatus");
    QTest::addColumn<QString>("routesCondition"); // of the element; empty for a refusal
    QTest::newRow("found") << QStringList() << QStringLiteral("OK") << 200 << QStringLiteral("ROUTE_EXISTS");
    QTest::newRow("refused, delayed") << QStringList{QStringLiteral("--answer"), QStringLiteral("refused"),
                                                     QStringLiteral("--delay-ms"), QStringLiteral("50")}
                                      << QStringLiteral("REQUEST_DENIED") << 400 << QString();
    QTest::newRow("not found over HTTPS")
        << QStringList{QStringLiteral("--answer"), QStringLiteral("not-found"), QStringLiteral("--https")}
        << QStringLiteral("OK") << 200 << QStringLiteral("ROUTE_NOT_FOUND");
}

void TestFakeService::commandServesHttp()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, status);
    QFETCH(int, routesStatus);
    QFETCH(QString, routesCondition);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const bool https = arguments.contains(QStringLiteral("--https"));
    const QString caOut = dir.filePath(QStringLiteral("ca.pem"));
    if (https)
        arguments << QStringLiteral("--ca-out") << caOut;

    QProcess process;
    process.start(QStringLiteral(FAKE_DISTANCE_MATRIX_COMMAND),
                  QStringList{QStringLiteral("--port"), QStringLiteral("0")} + arguments);
    QVERIFY(process.waitForStarted(5000));
    while (!process.canReadLine() && process.waitForReadyRead(10000)) {
    }
    const QByteArray line = process.readLine().trimmed();
    const uint port = line.toUInt();
    QVERIFY2(port > 0 && port < 65536, line.constData());

    ClientSettings settings;
    settings.endpoint = QStringLiteral("%1://127.0.0.1:%2/maps/api/distancematrix/json")
                            .arg(https ? QStringLiteral("https") : QStringLiteral("http"))
                            .arg(port);
    if (https) {
        QVERIFY(QFile::exists(caOut));
        settings.caFile = caOut;
    }
    RestClient client(settings);
    RestRequest request;
    request.setParameter(u"origins", QStringLiteral("A"));
    RestResponse response;
    const bool ok = client.execute(request, response);

    // The same command answers the Routes path.
    ClientSettings routesSettings = settings;
    routesSettings.endpoint = settings.endpoint.section(u'/', 0, 2) + QString::fromLatin1(FakeRoutes::path());
    RestClient routesClient(routesSettings);
    RestResponse routesResponse;
    const bool routesOk = routesClient.post(
        matrixBody(1, 1),
        {"Content-Type: application/json", "X-Goog-Api-Key: k", "X-Goog-FieldMask: " + fullMask},
        routesResponse);
    process.kill();
    process.waitForFinished(5000);
    QVERIFY2(ok, qPrintable(client.lastErrorString()));
    const JsonValue *json = response.jsonValue();
    QVERIFY(json && json->member(u"status"));
    QCOMPARE(json->member(u"status")->text(), status);
    QVERIFY2(routesOk, qPrintable(routesClient.lastErrorString()));
    QCOMPARE(routesResponse.statusCode(), routesStatus);
    if (!routesCondition.isEmpty()) {
        const QJsonArray elements = jsonOf(routesResponse).toArray();
        QCOMPARE(elements.size(), 1);
        QCOMPARE(elements.at(0).toObject().value(QStringLiteral("condition")).toString(), routesCondition);
    }
}

void TestFakeService::routesChecksRequests_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("mask");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("httpStatus");
    QTest::addColumn<QString>("status"); // of the error envelope; empty for an answer

    const QByteArray json = "application/json";
    const QString none;
    QTest::newRow("well formed") << matrixBody(1, 1) << fullMask << QByteArray("k") << json << none << 200
                                 << none;
    QTest::newRow("no key") << matrixBody(1, 1) << fullMask << QByteArray() << json << none << 403
                            << QStringLiteral("PERMISSION_DENIED");
    QTest::newRow("key only in the query")
        << matrixBody(1, 1) << fullMask << QByteArray() << json << QStringLiteral("?key=k") << 403
        << QStringLiteral("PERMISSION_DENIED");
    QTest::newRow("key not valid") << matrixBody(1, 1) << fullMask << QByteArray("wrong") << json << none
                                   << 400 << QStringLiteral("INVALID_ARGUMENT");
    QTest::newRow("no field mask") << matrixBody(1, 1) << QByteArray() << QByteArray("k") << json << none
                                   << 400 << QStringLiteral("INVALID_ARGUMENT");
    QTest::newRow("form content type")
        << matrixBody(1, 1) << fullMask << QByteArray("k") << QByteArray("application/x-www-form-urlencoded")
        << none << 400 << QStringLiteral("INVALID_ARGUMENT");
    QTest::newRow("body not JSON") << QByteArray("{\"origins\":") << fullMask << QByteArray("k") << json
                                   << none << 400 << QStringLiteral("INVALID_ARGUMENT");
    QTest::newRow("no destinations") << matrixBody(1, 0) << fullMask << QByteArray("k") << json << none << 400
                                     << QStringLiteral("INVALID_ARGUMENT");
    QTest::newRow("waypoint without an address")
        << QByteArray(R"({"origins":[{"waypoint":{}}],"destinations":[{"waypoint":{"address":"B"}}]})")
        << fullMask << QByteArray("k") << json << none << 400 << QStringLiteral("INVALID_ARGUMENT");
    QTest::newRow("50 waypoints, 625 elements")
        << matrixBody(25, 25) << fullMask << QByteArray("k") << json << none << 200 << none;
    QTest::newRow("51 waypoints") << matrixBody(26, 25) << fullMask << QByteArray("k") << json << none << 400
                                  << QStringLiteral("INVALID_ARGUMENT");
    QTest::newRow("routingPreference with DRIVE")
        << matrixBody(1, 1, R"(,"travelMode":"DRIVE","routingPreference":"TRAFFIC_AWARE")") << fullMask
        << QByteArray("k") << json << none << 200 << none;
    QTest::newRow("routingPreference with WALK")
        << matrixBody(1, 1, R"(,"travelMode":"WALK","routingPreference":"TRAFFIC_UNAWARE")") << fullMask
        << QByteArray("k") << json << none << 400 << QStringLiteral("INVALID_ARGUMENT");
    QTest::newRow("routingPreference with BICYCLE")
        << matrixBody(1, 1, R"(,"travelMode":"BICYCLE","routingPreference":"TRAFFIC_UNAWARE")") << fullMask
        << QByteArray("k") << json << none << 400 << QStringLiteral("INVALID_ARGUMENT");
    QTest::newRow("unknown travel mode")
        << matrixBody(1, 1, R"(,"travelMode":"FLY")") << fullMask << QByteArray("k") << json << none << 400
        << QStringLiteral("INVALID_ARGUMENT");
}

void TestFakeService::routesChecksRequests()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, mask);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, contentType);
    QFETCH(QString, query);
    QFETCH(int, httpStatus);
    QFETCH(QString, status);

    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    FakeRoutesOptions options;
    options.validKey = "k";
    fake.setHandler(FakeRoutes::handler(options));
    const RestResponse response = postRoutes(fake, body, mask, key, contentType, query);
    QCOMPARE(response.statusCode(), httpStatus);
    const QJsonValue answer = jsonOf(response);
    if (status.isEmpty()) {
        QVERIFY(answer.isArray());
    } else {
        const QJsonObject error = answer.toObject().value(QStringLiteral("error")).toObject();
        QCOMPARE(error.value(QStringLiteral("status")).toString(), status);
        QCOMPARE(error.value(QStringLiteral("code")).toInt(), httpStatus);
        QVERIFY(!error.value(QStringLiteral("message")).toString().isEmpty());
    }
}

void TestFakeService::routesAnswersEveryPairOutOfOrder()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    FakeRoutesOptions options;
    options.decide = [](int i, int j, const QString &origin, const QString &destination,
                        const QString &mode) {
        FakeRouteElement e;
        e.distanceText = origin + u'>' + destination + u'@' + mode;
        if (i == 1 && j == 0)
            e.outcome = FakeRouteElement::Outcome::NotFound;
        if (i == 0 && j == 1)
            e.outcome = FakeRouteElement::Outcome::Error;
        if (i == 0 && j == 0)
            e.distanceMeters = 0;
        return e;
    };
    fake.setHandler(FakeRoutes::handler(options));
    const QJsonArray elements =
        jsonOf(postRoutes(fake, matrixBody(2, 2, R"(,"travelMode":"WALK")"))).toArray();
    QCOMPARE(elements.size(), 4);

    // Last pair first; zero values left out, so the first pair has no index at all.
    const QJsonObject first = elements.first().toObject();
    QCOMPARE(first.value(QStringLiteral("originIndex")).toInt(), 1);
    QCOMPARE(first.value(QStringLiteral("destinationIndex")).toInt(), 1);
    QCOMPARE(first.value(QStringLiteral("condition")).toString(), QStringLiteral("ROUTE_EXISTS"));
    QCOMPARE(
        first.value(QStringLiteral("localizedValues"))[QStringLiteral("distance")][QStringLiteral("text")]
            .toString(),
        QStringLiteral("O1>D1@WALK"));
    const QJsonObject notFound = elements.at(1).toObject();
    QCOMPARE(notFound.value(QStringLiteral("destinationIndex")).toInt(-1), -1);
    QCOMPARE(notFound.value(QStringLiteral("condition")).toString(), QStringLiteral("ROUTE_NOT_FOUND"));
    const QJsonObject error = elements.at(2).toObject();
    QCOMPARE(error.value(QStringLiteral("originIndex")).toInt(-1), -1);
    QCOMPARE(error.value(QStringLiteral("status"))[QStringLiteral("code")].toInt(), 3);
    QVERIFY(!error.contains(QStringLiteral("condition")));
    const QJsonObject last = elements.last().toObject();
    QVERIFY(!last.contains(QStringLiteral("originIndex")));
    QVERIFY(!last.contains(QStringLiteral("destinationIndex")));
    QVERIFY(!last.contains(QStringLiteral("distanceMeters")));
    QCOMPARE(last.value(QStringLiteral("status")).toObject(), QJsonObject());
    QCOMPARE(last.value(QStringLiteral("duration")).toString(), QStringLiteral("900s"));
}

void TestFakeService::routesAppliesTheFieldMask_data()
{
    QTest::addColumn<QByteArray>("mask");
    QTest::addColumn<QStringList>("fields");          // of the element of the last pair
    QTest::addColumn<QStringList>("localizedFields"); // within its localizedValues

    QTest::newRow("the client's mask")
        << fullMask << QStringList{QStringLiteral("condition"),       QStringLiteral("destinationIndex"),
                                   QStringLiteral("distanceMeters"),  QStringLiteral("duration"),
                                   QStringLiteral("localizedValues"), QStringLiteral("originIndex"),
                                   QStringLiteral("status")}
        << QStringList{QStringLiteral("distance"), QStringLiteral("duration"),
                       QStringLiteral("staticDuration")};
    QTest::newRow("everything")
        << QByteArray("*")
        << QStringList{QStringLiteral("condition"),       QStringLiteral("destinationIndex"),
                       QStringLiteral("distanceMeters"),  QStringLiteral("duration"),
                       QStringLiteral("localizedValues"), QStringLiteral("originIndex"),
                       QStringLiteral("staticDuration"),  QStringLiteral("status"),
                       QStringLiteral("travelAdvisory")}
        << QStringList{QStringLiteral("distance"), QStringLiteral("duration"),
                       QStringLiteral("staticDuration")};
    QTest::newRow("without status") << QByteArray("originIndex, condition ,duration")
                                    << QStringList{QStringLiteral("condition"), QStringLiteral("duration"),
                                                   QStringLiteral("originIndex")}
                                    << QStringList();
    QTest::newRow("a nested path") << QByteArray("localizedValues.distance")
                                   << QStringList{QStringLiteral("localizedValues")}
                                   << QStringList{QStringLiteral("distance")};
    QTest::newRow("nothing known") << QByteArray("routes.legs") << QStringList() << QStringList();
}

void TestFakeService::routesAppliesTheFieldMask()
{
    QFETCH(QByteArray, mask);
    QFETCH(QStringList, fields);
    QFETCH(QStringList, localizedFields);

    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    const QJsonArray elements = jsonOf(postRoutes(fake, matrixBody(2, 2), mask)).toArray();
    QCOMPARE(elements.size(), 4);
    const QJsonObject element = elements.first().toObject(); // origin 1, destination 1: no zero index
    QCOMPARE(element.keys(), fields);
    QCOMPARE(element.value(QStringLiteral("localizedValues")).toObject().keys(), localizedFields);
}

QTEST_GUILESS_MAIN(TestFakeService)
#include "test_fake_service.moc"
