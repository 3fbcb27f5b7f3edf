#include <QTest>
#include <QThread>

#include <memory>

#include "routes/FakeWaitClock.h"
#include "routes/RequestPacer.h"

using namespace trajetix;
using std::chrono::milliseconds;

class TestRequestPacer : public QObject {
    Q_OBJECT

  private slots:
    void spacesRequests_data();
    void spacesRequests();
    void noBurstAfterAPause();
    void largerRequestsBookMoreTime();
    void sharedByThreads();
};

void TestRequestPacer::spacesRequests_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("requests");
    QTest::addColumn<qint64>("elapsedAtLeastMs");
    QTest::addColumn<qint64>("elapsedAtMostMs");

    QTest::newRow("120 a minute, 10 requests") << 120 << 10 << qint64(4500) << qint64(4500);
    QTest::newRow("the Routes default, 3,000 a minute") << 3000 << 6 << qint64(100) << qint64(100);
    QTest::newRow("one request never waits") << 1 << 1 << qint64(0) << qint64(0);
    QTest::newRow("1 a minute") << 1 << 3 << qint64(120000) << qint64(120000);
    // 60 s / 7 does not divide evenly: 8 starts must not fit in one minute.
    QTest::newRow("7 a minute, 8 requests") << 7 << 8 << qint64(60000) << qint64(60001);
    QTest::newRow("no pacing") << 0 << 10 << qint64(0) << qint64(0);
}

void TestRequestPacer::spacesRequests()
{
    QFETCH(int, rate);
    QFETCH(int, requests);
    QFETCH(qint64, elapsedAtLeastMs);
    QFETCH(qint64, elapsedAtMostMs);

    auto clock = std::make_shared<FakeWaitClock>();
    RequestPacer pacer(rate, clock);
    QList<qint64> starts;
    for (int i = 0; i < requests; ++i) {
        pacer.acquire();
        starts << clock->elapsedMs();
    }
    QVERIFY2(clock->elapsedMs() >= elapsedAtLeastMs, qPrintable(QString::number(clock->elapsedMs())));
    QVERIFY2(clock->elapsedMs() <= elapsedAtMostMs, qPrintable(QString::number(clock->elapsedMs())));
    QCOMPARE(starts.first(), qint64(0));
    // Never more than rate starts within any minute.
    if (rate > 0) {
        for (int i = 0; i + rate < starts.size(); ++i)
            QVERIFY(starts.at(i + rate) - starts.at(i) >= 60000);
    }
}

void TestRequestPacer::noBurstAfterAPause()
{
    auto clock = std::make_shared<FakeWaitClock>();
    RequestPacer pacer(120, clock);
    QCOMPARE(pacer.acquire(), std::chrono::nanoseconds(0));
    clock->advance(milliseconds(10000));
    // The pause is not made up for: the next request goes at once, the one after it waits.
    QCOMPARE(pacer.acquire(), std::chrono::nanoseconds(0));
    QCOMPARE(pacer.acquire(), std::chrono::nanoseconds(milliseconds(500)));
    QCOMPARE(clock->elapsedMs(), qint64(10500));
}

void TestRequestPacer::largerRequestsBookMoreTime()
{
    auto clock = std::make_shared<FakeWaitClock>();
    RequestPacer pacer(60, clock);
    pacer.acquire(4);
    pacer.acquire();
    QCOMPARE(clock->elapsedMs(), qint64(4000));
}

void TestRequestPacer::sharedByThreads()
{
    auto clock = std::make_shared<FakeWaitClock>();
    auto pacer = std::make_shared<RequestPacer>(120, clock);
    QList<QThread *> threads;
    for (int t = 0; t < 4; ++t) {
        threads << QThread::create([pacer] {
            for (int i = 0; i < 5; ++i)
                pacer->acquire();
        });
        threads.last()->start();
    }
    for (QThread *t : threads) {
        QVERIFY(t->wait(10000));
        delete t;
    }
    // Twenty requests, one slot each: the last starts 19 intervals after the first.
    QCOMPARE(clock->elapsedMs(), qint64(19 * 500));
}

QTEST_GUILESS_MAIN(TestRequestPacer)
#include "test_request_pacer.moc"
