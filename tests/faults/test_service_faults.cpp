// A misbehaving service in the middle of a batch run: whatever it does, the run
// shows the message it owes, never crashes or hangs, and the rows written before
// the fault are on the disk, whole and readable.
#include <QTemporaryDir>
#include <QTest>

#include "FaultSupport.h"
#include "distance_matrix/DistanceMatrixService.h"
#include "fake_service/FakeDistanceMatrix.h"

using namespace trajetix;
using namespace faults;

Q_DECLARE_METATYPE(trajetix::FakeReply)

namespace {

enum class Where { SecondLine, EveryLine };
enum class Endpoint {
    Http,
    HttpsTrusted,
    HttpsUntrusted,
    HttpsOtherName,
    HttpsToPlainService,
    NobodyListening
};

const QByteArray addresses = "A1;B1\r\nA2;B2\r\nA3;B3\r\n";

QString foundRow(const QString &origin, const QString &destination)
{
    return origin + QStringLiteral(", Brasil;") + destination + QStringLiteral(", Brasil;12,3 km;15 minutos");
}

const QString found1 = foundRow(QStringLiteral("A1"), QStringLiteral("B1"));
const QString found3 = foundRow(QStringLiteral("A3"), QStringLiteral("B3"));
const QString refused1 = refusedRow(QStringLiteral("A1"), QStringLiteral("B1"));
const QString refused2 = refusedRow(QStringLiteral("A2"), QStringLiteral("B2"));
const QString refused3 = refusedRow(QStringLiteral("A3"), QStringLiteral("B3"));

QByteArray foundBody(const QString &origin)
{
    return FakeDistanceMatrix::foundAnswer(origin, QStringLiteral("B2, Brasil"), QStringLiteral("12,3 km"),
                                           QStringLiteral("15 minutos"))
        .body;
}

} // namespace

class TestServiceFaults : public QObject {
    Q_OBJECT
  private slots:
    void serviceFault_data();
    void serviceFault();
};

void TestServiceFaults::serviceFault_data()
{
    QTest::addColumn<FakeReply>("fault");
    QTest::addColumn<int>("where");
    QTest::addColumn<int>("endpoint");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("responseTimeoutMs");

    // Long enough for a 16 MiB answer, even in a sanitizer build.
    const int answerTime = 3000;
    const int second = int(Where::SecondLine);
    const int completed = int(BatchOutcome::Completed);
    const int aborted = int(BatchOutcome::Aborted);
    const int http = int(Endpoint::Http);
    const QStringList goesOn{requestFailed(), success()};
    const QStringList rowsGoingOn{found1, refused2, found3};

    FakeReply reset;
    reset.drop = FakeReply::Drop::BeforeAnswer;
    QTest::newRow("connection reset before the answer")
        << reset << second << http << completed << goesOn << rowsGoingOn << answerTime;

    FakeReply halfBody = FakeReply::json(foundBody(QStringLiteral("A2, Brasil")));
    halfBody.drop = FakeReply::Drop::MidBody;
    QTest::newRow("connection reset in the middle of the body")
        << halfBody << second << http << completed << goesOn << rowsGoingOn << answerTime;

    FakeReply halfChunked = halfBody;
    halfChunked.chunked = true;
    QTest::newRow("connection reset in the middle of a chunked body")
        << halfChunked << second << http << completed << goesOn << rowsGoingOn << answerTime;

    const QByteArray whole = foundBody(QStringLiteral("A2, Brasil"));
    QTest::newRow("truncated JSON") << FakeReply::json(whole.left(whole.size() / 2)) << second << http
                                    << aborted << QStringList{runAborted()} << QStringList{found1}
                                    << answerTime;

    FakeReply dripping = FakeReply::json(QByteArray(3000, ' ') + whole);
    dripping.dripBytes = 200;
    dripping.dripIntervalMs = 100; // about 2 s, four times the time-out of this row
    QTest::newRow("body dripping slower than the time-out")
        << dripping << second << http << completed << goesOn << rowsGoingOn << 500;

    FakeReply oversized = FakeReply::json(QByteArray(16 * 1024 * 1024 + 1 - whole.size(), ' ') + whole);
    QTest::newRow("body one byte over 16 MiB")
        << oversized << second << http << completed << goesOn << rowsGoingOn << answerTime;

    FakeReply bomb = FakeReply::json(QByteArray(16 * 1024 * 1024, ' ') + whole);
    bomb.encoding = FakeReply::Encoding::Gzip;
    QTest::newRow("small gzip body unpacking over 16 MiB")
        << bomb << second << http << completed << goesOn << rowsGoingOn << answerTime;

    FakeReply notGzip;
    notGzip.raw = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Encoding: gzip\r\n"
                  "Content-Length: 9\r\n\r\nnot gzip!";
    QTest::newRow("gzip body that is no gzip")
        << notGzip << second << http << completed << goesOn << rowsGoingOn << answerTime;

    // A gzip stream cut short inside a complete HTTP answer unpacks to a piece of the
    // JSON (libcurl does not tell), which reads as an unreadable answer.
    const QByteArray packed = FakeDistanceMatrix::gzip(whole);
    const QByteArray cutStream = packed.left(packed.size() / 2);
    FakeReply cutGzip;
    cutGzip.raw =
        "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Encoding: gzip\r\nContent-Length: " +
        QByteArray::number(cutStream.size()) + "\r\n\r\n" + cutStream;
    QTest::newRow("gzip stream cut short") << cutGzip << second << http << aborted
                                           << QStringList{runAborted()} << QStringList{found1} << answerTime;

    FakeReply unknownCharset = FakeReply::json(whole);
    unknownCharset.charset = "x-no-such-charset";
    QTest::newRow("unknown charset name") << unknownCharset << second << http << aborted
                                          << QStringList{runAborted()} << QStringList{found1} << answerTime;

    // Each byte that is not UTF-8 reads as U+FFFD, written to the result as '?'.
    QByteArray invalid = foundBody(QStringLiteral("S@@o Paulo"));
    invalid.replace("@@", "\xff\xc3");
    QTest::newRow("invalid UTF-8 under a UTF-8 charset")
        << FakeReply::json(invalid) << second << http << completed << QStringList{success()}
        << QStringList{found1, QStringLiteral("S??o Paulo;B2, Brasil;12,3 km;15 minutos"), found3}
        << answerTime;

    QTest::newRow("redirect loop") << FakeReply::redirect("/maps/api/distancematrix/json?origins=A2")
                                   << second << http << completed << goesOn << rowsGoingOn << answerTime;

    const int every = int(Where::EveryLine);
    const QStringList everyLineFails{requestFailed(), requestFailed(), requestFailed(), success()};
    const QStringList allRefused{refused1, refused2, refused3};
    QTest::newRow("TLS certificate from an untrusted CA")
        << FakeReply() << every << int(Endpoint::HttpsUntrusted) << completed << everyLineFails << allRefused
        << answerTime;
    QTest::newRow("TLS certificate for another host name")
        << FakeReply() << every << int(Endpoint::HttpsOtherName) << completed << everyLineFails << allRefused
        << answerTime;
    QTest::newRow("plain HTTP service behind an https address")
        << FakeReply() << every << int(Endpoint::HttpsToPlainService) << completed << everyLineFails
        << allRefused << answerTime;
    QTest::newRow("nobody listening") << FakeReply() << every << int(Endpoint::NobodyListening) << completed
                                      << everyLineFails << allRefused << answerTime;
    // The control row: the same run against a sound HTTPS service.
    QTest::newRow("sound HTTPS service")
        << FakeReply() << every << int(Endpoint::HttpsTrusted) << completed << QStringList{success()}
        << QStringList{found1, foundRow(QStringLiteral("A2"), QStringLiteral("B2")), found3} << answerTime;
}

void TestServiceFaults::serviceFault()
{
    QFETCH(FakeReply, fault);
    QFETCH(int, where);
    QFETCH(int, endpoint);
    QFETCH(int, outcome);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, rows);
    QFETCH(int, responseTimeoutMs);

    const auto kind = Endpoint(endpoint);
    const bool https = kind == Endpoint::HttpsTrusted || kind == Endpoint::HttpsUntrusted ||
                       kind == Endpoint::HttpsOtherName;
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(https ? FakeDistanceMatrix::Scheme::Https : FakeDistanceMatrix::Scheme::Http),
             qPrintable(fake.errorString()));
    if (Where(where) == Where::SecondLine) {
        fake.setHandler([fault](const FakeRequest &request) {
            return request.queryValue(QStringLiteral("origins")) == u"A2"
                       ? fault
                       : FakeDistanceMatrix::defaultHandler(request);
        });
    }

    ClientSettings settings;
    settings.endpoint = fake.endpoint();
    settings.caFile = TestCertificates::instance().caFile; // trusted unless a row says otherwise
    settings.connectTimeoutMs = 1000;
    settings.sendTimeoutMs = 2000;
    settings.responseTimeoutMs = responseTimeoutMs;
    switch (kind) {
    case Endpoint::HttpsUntrusted:
        settings.caFile.clear();
        break;
    case Endpoint::HttpsOtherName:
        settings.endpoint.replace(QStringLiteral("127.0.0.1"), QStringLiteral("localhost"));
        break;
    case Endpoint::HttpsToPlainService:
        settings.endpoint.replace(QStringLiteral("http:"), QStringLiteral("https:"));
        break;
    case Endpoint::NobodyListening:
        fake.stop();
        break;
    default:
        break;
    }

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    DistanceMatrixService service(settings);
    Run run(service);
    run.input.addressPath = folder.filePath(QStringLiteral("addresses.csv"));
    run.input.resultPath = folder.filePath(QStringLiteral("result.csv"));
    QVERIFY(writeFile(run.input.addressPath, addresses));

    QCOMPARE(int(run.start()), outcome);
    QCOMPARE(run.sink.messages, messages);
    QCOMPARE(rowsOnDisk(run.input.resultPath), rows);
    if (kind == Endpoint::HttpsUntrusted || kind == Endpoint::HttpsOtherName ||
        kind == Endpoint::HttpsToPlainService) {
        // Never sent unprotected or over an unchecked connection.
        QCOMPARE(fake.requestCount(), 0);
    }
    for (const QString &message : std::as_const(run.sink.messages))
        QVERIFY(!message.contains(QStringLiteral("FAULT-test-key")));
}

QTEST_GUILESS_MAIN(TestServiceFaults)
#include "test_service_faults.moc"
