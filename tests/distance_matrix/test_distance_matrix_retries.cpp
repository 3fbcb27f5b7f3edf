#include <QTest>

#include <atomic>
#include <memory>

#include "distance_matrix/DistanceMatrixService.h"
#include "fake_service/FakeDistanceMatrix.h"
#include "routes/FakeWaitClock.h"

using namespace trajetix;

Q_DECLARE_METATYPE(trajetix::FakeReply)

// The command asks the Distance Matrix service again after a passing refusal; the window
// keeps its single try. The waits are those a clock that only moves when waited on records.

namespace {

ClientSettings settingsFor(const FakeDistanceMatrix &fake)
{
    ClientSettings s;
    s.endpoint = fake.endpoint();
    s.connectTimeoutMs = 5000;
    s.responseTimeoutMs = 10000;
    return s;
}

// Answers with the replies in turn, the last one for all that follow.
FakeHandler inTurn(QList<FakeReply> replies)
{
    auto next = std::make_shared<std::atomic_int>(0);
    return [replies, next](const FakeRequest &) {
        return replies.at(std::min<qsizetype>(next->fetch_add(1), replies.size() - 1));
    };
}

FakeReply withHeader(FakeReply reply, const QByteArray &name, const QByteArray &value)
{
    reply.extraHeaders.append({name, value});
    return reply;
}

FakeReply refusal(const char *status)
{
    return FakeDistanceMatrix::refusedAnswer(QString::fromLatin1(status), QStringLiteral("try later"));
}

FakeReply page(int status)
{
    FakeReply reply;
    reply.status = status;
    reply.contentType = "text/html";
    reply.body = "<html>busy</html>";
    return reply;
}

const FakeReply Found = FakeDistanceMatrix::foundAnswer(QStringLiteral("A"), QStringLiteral("B"),
                                                        QStringLiteral("1 km"), QStringLiteral("2 min"));

} // namespace

class TestDistanceMatrixRetries : public QObject {
    Q_OBJECT

  private slots:
    void retries_data();
    void retries();
    void noAnswerOnARetryFailsTheSend();
    void passingRefusals_data();
    void passingRefusals();
};

void TestDistanceMatrixRetries::retries_data()
{
    QTest::addColumn<QList<FakeReply>>("replies");
    QTest::addColumn<int>("retries"); // allowed
    QTest::addColumn<bool>("stop");
    QTest::addColumn<int>("attempts");
    QTest::addColumn<QList<qint64>>("waits");
    QTest::addColumn<QString>("status"); // the top-level status read at the end; empty: none
    QTest::addColumn<bool>("interrupted");
    using Waits = QList<qint64>;

    QTest::newRow("OVER_QUERY_LIMIT once, then OK")
        << QList<FakeReply>{refusal("OVER_QUERY_LIMIT"), Found} << 3 << false << 2 << Waits{1000}
        << QStringLiteral("OK") << false;
    QTest::newRow("UNKNOWN_ERROR twice, then OK")
        << QList<FakeReply>{refusal("UNKNOWN_ERROR"), refusal("UNKNOWN_ERROR"), Found} << 3 << false << 3
        << Waits{1000, 2000} << QStringLiteral("OK") << false;
    QTest::newRow("OVER_QUERY_LIMIT every time: the last answer stands")
        << QList<FakeReply>{refusal("OVER_QUERY_LIMIT")} << 3 << false << 4 << Waits{1000, 2000, 4000}
        << QStringLiteral("OVER_QUERY_LIMIT") << false;
    QTest::newRow("503 every time") << QList<FakeReply>{page(503)} << 3 << false << 4
                                    << Waits{1000, 2000, 4000} << QString() << false;
    QTest::newRow("429, then OK") << QList<FakeReply>{page(429), Found} << 3 << false << 2 << Waits{1000}
                                  << QStringLiteral("OK") << false;
    QTest::newRow("Retry-After in seconds")
        << QList<FakeReply>{withHeader(page(503), "Retry-After", "7"), Found} << 3 << false << 2
        << Waits{7000} << QStringLiteral("OK") << false;
    QTest::newRow("Retry-After on a JSON refusal")
        << QList<FakeReply>{withHeader(refusal("OVER_QUERY_LIMIT"), "Retry-After", "3"), Found} << 3 << false
        << 2 << Waits{3000} << QStringLiteral("OK") << false;
    QTest::newRow("Retry-After capped at 30 s")
        << QList<FakeReply>{withHeader(page(429), "Retry-After", "3600"), Found} << 3 << false << 2
        << Waits{30000} << QStringLiteral("OK") << false;
    QTest::newRow("REQUEST_DENIED is not asked again")
        << QList<FakeReply>{refusal("REQUEST_DENIED"), Found} << 3 << false << 1 << Waits{}
        << QStringLiteral("REQUEST_DENIED") << false;
    QTest::newRow("500 is not asked again")
        << QList<FakeReply>{page(500), Found} << 3 << false << 1 << Waits{} << QString() << false;
    QTest::newRow("ZERO_RESULTS element is an answer")
        << QList<FakeReply>{FakeDistanceMatrix::elementAnswer(QStringLiteral("A"), QStringLiteral("B"),
                                                              QStringLiteral("ZERO_RESULTS")),
                            Found}
        << 3 << false << 1 << Waits{} << QStringLiteral("OK") << false;
    QTest::newRow("no retries: the window's single try")
        << QList<FakeReply>{refusal("OVER_QUERY_LIMIT"), Found} << 0 << false << 1 << Waits{}
        << QStringLiteral("OVER_QUERY_LIMIT") << false;
    QTest::newRow("a stop ends the wait: no answer of its own")
        << QList<FakeReply>{refusal("OVER_QUERY_LIMIT"), Found} << 3 << true << 1 << Waits{1000}
        << QStringLiteral("OVER_QUERY_LIMIT") << true;
}

void TestDistanceMatrixRetries::retries()
{
    QFETCH(QList<FakeReply>, replies);
    QFETCH(int, retries);
    QFETCH(bool, stop);
    QFETCH(int, attempts);
    QFETCH(QList<qint64>, waits);
    QFETCH(QString, status);
    QFETCH(bool, interrupted);

    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    fake.setHandler(inTurn(replies));
    auto clock = std::make_shared<FakeWaitClock>();
    DistanceMatrixService service(settingsFor(fake));
    service.setRetries(retries, clock);
    std::atomic_bool stopFlag{stop};
    service.setStopFlag(&stopFlag);
    service.setKey(QStringLiteral("key"));
    service.setMode(QStringLiteral("driving"));
    service.setPair(QStringLiteral("a"), QStringLiteral("b"));

    QVERIFY(service.send());
    QCOMPARE(service.attempts(), attempts);
    QCOMPARE(fake.requestCount(), attempts);
    QCOMPARE(clock->waits(), waits);
    QCOMPARE(service.wasInterrupted(), interrupted);
    QString read;
    QCOMPARE(service.readStatus(read), !status.isEmpty());
    QCOMPARE(read, status);
    // Every attempt asks the same question.
    for (const FakeRequest &request : fake.requests())
        QCOMPARE(request.rawQuery, fake.requests().first().rawQuery);
}

void TestDistanceMatrixRetries::noAnswerOnARetryFailsTheSend()
{
    // The first answer asks for a retry; the service is gone when it comes.
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    FakeReply gone = page(503);
    gone.drop = FakeReply::Drop::BeforeAnswer;
    fake.setHandler(inTurn({page(503), gone}));
    auto clock = std::make_shared<FakeWaitClock>();
    DistanceMatrixService service(settingsFor(fake));
    service.setRetries(3, clock);
    service.setPair(QStringLiteral("a"), QStringLiteral("b"));
    QVERIFY(!service.send());
    QVERIFY(service.attempts() >= 2);
    QVERIFY(!service.wasInterrupted());
    QCOMPARE(clock->waits().first(), qint64(1000));
}

void TestDistanceMatrixRetries::passingRefusals_data()
{
    QTest::addColumn<int>("httpStatus");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("passing");

    QTest::newRow("OVER_QUERY_LIMIT") << 200 << QByteArray(R"({"status":"OVER_QUERY_LIMIT"})") << true;
    QTest::newRow("UNKNOWN_ERROR") << 200 << QByteArray(R"({"status":"UNKNOWN_ERROR"})") << true;
    QTest::newRow("429, any body") << 429 << QByteArray("<html/>") << true;
    QTest::newRow("503, any body") << 503 << QByteArray() << true;
    QTest::newRow("OK") << 200 << QByteArray(R"({"status":"OK"})") << false;
    QTest::newRow("REQUEST_DENIED") << 200 << QByteArray(R"({"status":"REQUEST_DENIED"})") << false;
    QTest::newRow("MAX_ELEMENTS_EXCEEDED")
        << 200 << QByteArray(R"({"status":"MAX_ELEMENTS_EXCEEDED"})") << false;
    QTest::newRow("lower case") << 200 << QByteArray(R"({"status":"over_query_limit"})") << false;
    QTest::newRow("500") << 500 << QByteArray(R"({"status":"OK"})") << false;
    QTest::newRow("403 OVER_QUERY_LIMIT") << 403 << QByteArray(R"({"status":"OVER_QUERY_LIMIT"})") << true;
}

void TestDistanceMatrixRetries::passingRefusals()
{
    QFETCH(int, httpStatus);
    QFETCH(QByteArray, body);
    QFETCH(bool, passing);
    RestResponse answer;
    answer.assign(httpStatus, QString(), {{"Content-Type", "application/json"}}, body);
    QCOMPARE(DistanceMatrixService::isPassingRefusal(answer), passing);
}

QTEST_GUILESS_MAIN(TestDistanceMatrixRetries)
#include "test_distance_matrix_retries.moc"
