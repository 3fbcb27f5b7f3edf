#include <QTest>
#include <QTimer>

#include "distance_matrix/DistanceMatrixService.h"
#include "fake_service/FakeDistanceMatrix.h"

using namespace trajetix;

Q_DECLARE_METATYPE(trajetix::FakeReply)

namespace {

const QString testKey = QStringLiteral("AIzaSECRET-service-key");

ClientSettings settingsFor(const FakeDistanceMatrix &fake)
{
    ClientSettings s;
    s.endpoint = fake.endpoint();
    s.caFile = fake.caFile();
    s.connectTimeoutMs = 5000;
    s.responseTimeoutMs = 10000;
    return s;
}

} // namespace

class TestDistanceMatrixService : public QObject {
    Q_OBJECT

  private slots:
    void readsTheThreeRowShapes_data();
    void readsTheThreeRowShapes();
    void sendsWhatWasSet();
    void failedSendKeepsAnswerAndHidesKey();
    void waitingInEventLoopKeepsEventsFlowing_data();
    void waitingInEventLoopKeepsEventsFlowing();
    void sendFromInsideTheWaitIsRefused();
    void oneConnectionForManyLines();
    void serviceMessage_data();
    void serviceMessage();
};

void TestDistanceMatrixService::readsTheThreeRowShapes_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("expected"); // status, then what steps 2 and 3 give

    QTest::newRow("route found") << QStringLiteral("found")
                                 << QStringList{QStringLiteral("OK"),
                                                QStringLiteral("Rua A 10, Brasil"),
                                                QStringLiteral("São Paulo, Brasil"),
                                                QStringLiteral("OK"),
                                                QStringLiteral("12,3 km"),
                                                QStringLiteral("15 minutos")};
    QTest::newRow("pair not found") << QStringLiteral("not-found")
                                    << QStringList{QStringLiteral("OK"), QStringLiteral("R"),
                                                   QStringLiteral("S"), QStringLiteral("NOT_FOUND")};
    QTest::newRow("service refused") << QStringLiteral("refused")
                                     << QStringList{QStringLiteral("REQUEST_DENIED")};
}

void TestDistanceMatrixService::readsTheThreeRowShapes()
{
    QFETCH(QString, answer);
    QFETCH(QStringList, expected);

    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    if (answer == QLatin1String("not-found"))
        fake.setReply(FakeDistanceMatrix::elementAnswer(QStringLiteral("R"), QStringLiteral("S")));
    else if (answer == QLatin1String("refused"))
        fake.setReply(FakeDistanceMatrix::refusedAnswer());
    DistanceMatrixService service(settingsFor(fake));
    service.setKey(testKey);
    service.setMode(QStringLiteral("driving"));
    service.setPair(QStringLiteral("Rua A 10"), QStringLiteral("São Paulo"));
    QVERIFY2(service.send(), qPrintable(service.lastErrorString()));

    // Read as the batch run does: later steps only when the earlier status allows.
    QStringList got;
    QString status;
    QVERIFY(service.readStatus(status));
    got << status;
    if (status == QLatin1String("OK")) {
        QString origin, destination, elementStatus;
        QVERIFY(service.readAddressesAndElement(origin, destination, elementStatus));
        got << origin << destination << elementStatus;
        if (elementStatus == QLatin1String("OK")) {
            QString distance, duration;
            QVERIFY(service.readDistanceAndDuration(distance, duration));
            got << distance << duration;
        }
    }
    QCOMPARE(got, expected);
}

void TestDistanceMatrixService::sendsWhatWasSet()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    DistanceMatrixService service(settingsFor(fake));
    service.setKey(QStringLiteral(" k "));
    service.setMode(QStringLiteral("bicycling"));
    service.setPair(QString(), QStringLiteral("B;C"));
    QVERIFY(service.send());
    QCOMPARE(fake.lastRequest().rawQuery,
             QByteArray("origins=&destinations=B%3BC&key=+k+&language=PT&mode=bicycling"));

    // Values stay until set again.
    service.setPair(QStringLiteral("X"), QStringLiteral("Y"));
    QVERIFY(service.send());
    QCOMPARE(fake.lastRequest().rawQuery,
             QByteArray("origins=X&destinations=Y&key=+k+&language=PT&mode=bicycling"));
}

void TestDistanceMatrixService::failedSendKeepsAnswerAndHidesKey()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    ClientSettings settings = settingsFor(fake);
    settings.responseTimeoutMs = 300;
    DistanceMatrixService service(settings);
    service.setKey(testKey);
    service.setMode(QStringLiteral("walking"));

    // Before any answer there is nothing to read.
    QString status;
    QVERIFY(!service.readStatus(status));

    service.setPair(QStringLiteral("A"), QStringLiteral("B"));
    QVERIFY(service.send());
    QCOMPARE(service.lastError(), RestClient::Error::None);
    QVERIFY(service.lastErrorString().isEmpty());

    FakeReply late = FakeDistanceMatrix::refusedAnswer();
    late.delayMs = 2000;
    fake.setReply(late);
    service.setPair(QStringLiteral("C"), QStringLiteral("D"));
    QVERIFY(!service.send());
    QCOMPARE(service.lastError(), RestClient::Error::ResponseTimeout);
    QVERIFY(!service.lastErrorString().contains(QStringLiteral("SECRET")));
    QVERIFY(service.readStatus(status));
    QCOMPARE(status, QStringLiteral("OK"));
    QString origin, destination, elementStatus;
    QVERIFY(service.readAddressesAndElement(origin, destination, elementStatus));
    QCOMPARE(origin, QStringLiteral("A, Brasil"));
}

void TestDistanceMatrixService::waitingInEventLoopKeepsEventsFlowing_data()
{
    QTest::addColumn<bool>("answered");
    QTest::newRow("answer after a delay") << true;
    QTest::newRow("time-out") << false;
}

void TestDistanceMatrixService::waitingInEventLoopKeepsEventsFlowing()
{
    QFETCH(bool, answered);
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    FakeReply reply = FakeDistanceMatrix::refusedAnswer(QStringLiteral("LATE_BUT_HERE"));
    reply.delayMs = 600;
    fake.setReply(reply);
    ClientSettings settings = settingsFor(fake);
    settings.responseTimeoutMs = answered ? 10000 : 400;
    DistanceMatrixService service(settings);
    service.setWaitInEventLoop(true);
    QVERIFY(service.waitsInEventLoop());
    service.setKey(testKey);
    service.setPair(QStringLiteral("A"), QStringLiteral("B"));

    int ticks = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start();
    const bool ok = service.send();
    timer.stop();

    QCOMPARE(ok, answered);
    // The timer only fires when this thread's event loop runs during send().
    QVERIFY2(ticks > 0, "no event was handled while waiting");
    QString status;
    QCOMPARE(service.readStatus(status), answered);
    if (answered)
        QCOMPARE(status, QStringLiteral("LATE_BUT_HERE"));
    else
        QCOMPARE(service.lastError(), RestClient::Error::ResponseTimeout);
}

void TestDistanceMatrixService::sendFromInsideTheWaitIsRefused()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    FakeReply reply = FakeDistanceMatrix::refusedAnswer(QStringLiteral("FIRST"));
    reply.delayMs = 300;
    fake.setReply(reply);
    DistanceMatrixService service(settingsFor(fake));
    service.setWaitInEventLoop(true);

    bool nestedResult = true;
    bool nestedRan = false;
    QTimer::singleShot(50, [&] {
        nestedRan = true;
        nestedResult = service.send();
    });
    QVERIFY(service.send());
    QVERIFY(nestedRan);
    QVERIFY(!nestedResult);
    QCOMPARE(fake.requestCount(), 1);
    QString status;
    QVERIFY(service.readStatus(status));
    QCOMPARE(status, QStringLiteral("FIRST"));
}

void TestDistanceMatrixService::oneConnectionForManyLines()
{
    FakeDistanceMatrix fake;
    QVERIFY(fake.start(FakeDistanceMatrix::Scheme::Https));
    DistanceMatrixService service(settingsFor(fake));
    service.setWaitInEventLoop(true); // a new worker thread each time, the same connection
    service.setKey(testKey);
    service.setMode(QStringLiteral("driving"));
    for (int i = 0; i < 20; ++i) {
        service.setPair(QStringLiteral("O%1").arg(i), QStringLiteral("D%1").arg(i));
        QVERIFY2(service.send(), qPrintable(service.lastErrorString()));
        QString origin, destination, elementStatus;
        QVERIFY(service.readAddressesAndElement(origin, destination, elementStatus));
        QCOMPARE(origin, QStringLiteral("O%1, Brasil").arg(i));
    }
    QCOMPARE(fake.requestCount(), 20);
    QCOMPARE(fake.connectionCount(), 1);
}

void TestDistanceMatrixService::serviceMessage_data()
{
    QTest::addColumn<FakeReply>("reply");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("message");

    QTest::newRow("refused with a reason")
        << FakeDistanceMatrix::refusedAnswer() << QStringLiteral("REQUEST_DENIED")
        << QStringLiteral("The provided API key is invalid.");
    QTest::newRow("key and control characters in the reason")
        << FakeDistanceMatrix::refusedAnswer(QStringLiteral("REQUEST_DENIED"),
                                             QStringLiteral("Key ") + testKey +
                                                 QStringLiteral("\r\n\u001b[1mdenied"))
        << QStringLiteral("REQUEST_DENIED") << QStringLiteral("Key ***   [1mdenied");
    QTest::newRow("found: no reason")
        << FakeDistanceMatrix::defaultHandler({}) << QStringLiteral("OK") << QString();
    QTest::newRow("not JSON") << FakeReply::json("<html></html>", 500) << QString() << QString();
}

void TestDistanceMatrixService::serviceMessage()
{
    QFETCH(FakeReply, reply);
    QFETCH(QString, status);
    QFETCH(QString, message);

    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    fake.setReply(reply);
    DistanceMatrixService service(settingsFor(fake));
    service.setKey(testKey);
    QVERIFY(service.send());
    QCOMPARE(service.serviceMessage(), message);
    // Reading the reason leaves the reading steps as they were.
    QString got;
    QCOMPARE(service.readStatus(got), !status.isEmpty());
    QCOMPARE(got, status);
}

QTEST_GUILESS_MAIN(TestDistanceMatrixService)
#include "test_distance_matrix_service.moc"
