#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include "distance_matrix/RestClient.h"
#include "fake_service/FakeDistanceMatrix.h"

using namespace trajetix;

namespace {

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
    QTest::newRow("found") << QStringList() << QStringLiteral("OK");
    QTest::newRow("refused, delayed") << QStringList{QStringLiteral("--answer"), QStringLiteral("refused"),
                                                     QStringLiteral("--delay-ms"), QStringLiteral("50")}
                                      << QStringLiteral("REQUEST_DENIED");
    QTest::newRow("not found over HTTPS")
        << QStringList{QStringLiteral("--answer"), QStringLiteral("not-found"), QStringLiteral("--https")}
        << QStringLiteral("OK");
}

void TestFakeService::commandServesHttp()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, status);
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
    process.kill();
    process.waitForFinished(5000);
    QVERIFY2(ok, qPrintable(client.lastErrorString()));
    const JsonValue *json = response.jsonValue();
    QVERIFY(json && json->member(u"status"));
    QCOMPARE(json->member(u"status")->text(), status);
}

QTEST_GUILESS_MAIN(TestFakeService)
#include "test_fake_service.moc"
