#include <QtTest>

#include "common/TestFiles.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "CommandRunner.h"
#include "fake_service/FakeDistanceMatrix.h"
#include "i18n/CodePage.h"
#include "i18n/Texts.h"

#include <atomic>
#include <csignal>
#include <memory>

using namespace trajetix;

Q_DECLARE_METATYPE(trajetix::FakeReply)

// trajetix-batch on long runs: estimate, resume, retry of refused rows, retries of passing
// refusals, identical lines asked once, the run report, and stopping by signal.

namespace {

const QString Program = QStringLiteral(TRAJETIX_BATCH_PATH);
const QString Key = QStringLiteral("SECRET-KEY-4711");

QByteArray refusedText(int language)
{
    return codepage::encode(messageSlots(language).msgdlgbtnProcessarErroArq2);
}
QByteArray notFoundText(int language)
{
    return codepage::encode(messageSlots(language).msgdlgbtnProcessarErroArg1);
}

// The rows the fake service's default answer gives.
QByteArray foundRow(const QByteArray &origin, const QByteArray &destination)
{
    return origin + ", Brasil;" + destination + ", Brasil;12,3 km;15 minutos\r\n";
}
QByteArray refusedRow(const QByteArray &halves, int language)
{
    return halves + ';' + refusedText(language) + ';' + refusedText(language) + "\r\n";
}

// n lines "o<i>;d<i>" and the rows the default answer gives them.
QByteArray numberedLines(int n)
{
    QByteArray bytes;
    for (int i = 1; i <= n; ++i)
        bytes += 'o' + QByteArray::number(i) + ";d" + QByteArray::number(i) + "\r\n";
    return bytes;
}
QByteArray numberedRows(int from, int to)
{
    QByteArray bytes;
    for (int i = from; i <= to; ++i)
        bytes += foundRow('o' + QByteArray::number(i), 'd' + QByteArray::number(i));
    return bytes;
}

// By the origin's first word: "notfound", "refused" (REQUEST_DENIED), "broken" (no JSON);
// anything else found.
FakeReply answerByOrigin(const FakeRequest &request)
{
    const QString origin = request.queryValue(QStringLiteral("origins"));
    if (origin.startsWith(QLatin1String("notfound")))
        return FakeDistanceMatrix::elementAnswer(origin, origin, QStringLiteral("ZERO_RESULTS"));
    if (origin.startsWith(QLatin1String("refused")))
        return FakeDistanceMatrix::refusedAnswer();
    return FakeDistanceMatrix::defaultHandler(request);
}

QStringList names(std::initializer_list<const char *> list)
{
    QStringList result;
    for (const char *name : list)
        result.append(QString::fromUtf8(name));
    return result;
}

QStringList originsAsked(const FakeDistanceMatrix &fake)
{
    QStringList origins;
    for (const FakeRequest &request : fake.requests())
        origins.append(request.queryValue(QStringLiteral("origins")));
    return origins;
}

} // namespace

class TestLongRuns : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void estimate_data();
    void estimate();
    void estimateRefusals_data();
    void estimateRefusals();
    void resume_data();
    void resume();
    void resumeRefusals_data();
    void resumeRefusals();
    void retryRefused_data();
    void retryRefused();
    void retryRefusedRefusals_data();
    void retryRefusedRefusals();
    void killedRetryRefusedLeavesTheOldFile();
    void stoppedRetryRefusedKeepsAWholeFile();
    void retries_data();
    void retries();
    void dedupe_data();
    void dedupe();
    void stopBySignalThenResume_data();
    void stopBySignalThenResume();
    void rowsReachTheDiskWhileAnAnswerIsAwaited();
    void report_data();
    void report();

  private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString addresses() const { return path(QStringLiteral("addresses.csv")); }
    QString result() const { return path(QStringLiteral("result.csv")); }
    CommandResult run(const FakeDistanceMatrix &fake, const QStringList &options,
                      const QString &language = QStringLiteral("en"))
    {
        return runCommand(Program,
                          options + QStringList{QStringLiteral("--key"), Key, QStringLiteral("--language"),
                                                language, QStringLiteral("--endpoint"), fake.endpoint(),
                                                addresses(), result()});
    }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestLongRuns::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestLongRuns::estimate_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QByteArray>("existing"); // the result file before; "<none>": missing
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("figures");

    const QByteArray none = "<none>";
    const QByteArray threeDuplicates = "a;b\r\nc;d\r\na;b\r\na;b\r\ne;f\r\n";
    QTest::addRow("three lines") << numberedLines(3) << none << QStringList()
                                 << QStringLiteral("lines: 3\nrequests: 3\nprice_per_1000_usd: 5.00\n"
                                                   "cost_usd: 0.02\nminimum_minutes: 0.01\n");
    QTest::addRow("100,000 lines")
        << numberedLines(100000) << none << QStringList()
        << QStringLiteral("lines: 100000\nrequests: 100000\nprice_per_1000_usd: 5.00\ncost_usd: 500.00\n"
                          "minimum_minutes: 1.67\n");
    QTest::addRow("another price")
        << numberedLines(2000) << none << QStringList{QStringLiteral("--price-per-1000"), QStringLiteral("4")}
        << QStringLiteral("lines: 2000\nrequests: 2000\nprice_per_1000_usd: 4.00\ncost_usd: 8.00\n"
                          "minimum_minutes: 0.04\n");
    QTest::addRow("Routes quota: 3,000 a minute")
        << numberedLines(10000) << none << QStringList{QStringLiteral("--service"), QStringLiteral("routes")}
        << QStringLiteral("lines: 10000\nrequests: 10000\nprice_per_1000_usd: 5.00\ncost_usd: 50.00\n"
                          "minimum_minutes: 3.34\n");
    QTest::addRow("a rate of one's own")
        << numberedLines(10) << none << QStringList{QStringLiteral("--rate"), QStringLiteral("120")}
        << QStringLiteral("lines: 10\nrequests: 10\nprice_per_1000_usd: 5.00\ncost_usd: 0.05\n"
                          "minimum_minutes: 0.09\n");
    QTest::addRow("dedupe") << threeDuplicates << none << QStringList{QStringLiteral("--dedupe")}
                            << QStringLiteral("lines: 5\nrequests: 3\nprice_per_1000_usd: 5.00\n"
                                              "cost_usd: 0.02\nminimum_minutes: 0.01\n");
    QTest::addRow("without dedupe") << threeDuplicates << none << QStringList()
                                    << QStringLiteral("lines: 5\nrequests: 5\nprice_per_1000_usd: 5.00\n"
                                                      "cost_usd: 0.03\nminimum_minutes: 0.01\n");
    QTest::addRow("resume: the lines left")
        << numberedLines(10) << numberedRows(1, 4) + "o5, Bra" << QStringList{QStringLiteral("--resume")}
        << QStringLiteral("lines: 6\nrequests: 6\nprice_per_1000_usd: 5.00\ncost_usd: 0.03\n"
                          "minimum_minutes: 0.01\n");
    QTest::addRow("retry-refused: the refused rows")
        << QByteArray("a;b\r\nc;d\r\ne;f\r\n")
        << foundRow("a", "b") + refusedRow("c;d", German) + refusedRow("e;f", Portuguese)
        << QStringList{QStringLiteral("--retry-refused")}
        << QStringLiteral("lines: 2\nrequests: 2\nprice_per_1000_usd: 5.00\ncost_usd: 0.01\n"
                          "minimum_minutes: 0.01\n");
}

void TestLongRuns::estimate()
{
    QFETCH(QByteArray, lines);
    QFETCH(QByteArray, existing);
    QFETCH(QStringList, options);
    QFETCH(QString, figures);
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    writeFile(addresses(), lines);
    if (existing != "<none>")
        writeFile(result(), existing);
    const CommandResult estimate = run(fake, options + QStringList{QStringLiteral("--estimate")});
    QVERIFY(!estimate.crashed);
    QCOMPARE(estimate.exitCode, 0);
    QCOMPARE(QString::fromUtf8(estimate.out), figures);
    QCOMPARE(estimate.errText(), QString());
    QCOMPARE(fake.requestCount(), 0);
    QCOMPARE(readFile(result()), existing == "<none>" ? QByteArray("<missing>") : existing);
}

void TestLongRuns::estimateRefusals_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");

    QTest::addRow("price not a number")
        << QStringList{QStringLiteral("--price-per-1000"), QStringLiteral("5,00")} << 2
        << QStringLiteral("price");
    QTest::addRow("negative price") << QStringList{QStringLiteral("--price-per-1000=-1")} << 2
                                    << QStringLiteral("price");
    QTest::addRow("resume and retry-refused together")
        << QStringList{QStringLiteral("--resume"), QStringLiteral("--retry-refused")} << 2
        << QStringLiteral("--retry-refused");
    QTest::addRow("retry-refused without a result file")
        << QStringList{QStringLiteral("--retry-refused")} << 1 << QStringLiteral("does not exist");
}

void TestLongRuns::estimateRefusals()
{
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    writeFile(addresses(), numberedLines(3));
    const CommandResult estimate = run(fake, options + QStringList{QStringLiteral("--estimate")});
    QCOMPARE(estimate.exitCode, exitCode);
    QVERIFY2(estimate.errText().startsWith(QStringLiteral("Error: ")), estimate.err.constData());
    QVERIFY2(estimate.errText().contains(says), estimate.err.constData());
    QVERIFY(estimate.out.isEmpty());
    QCOMPARE(fake.requestCount(), 0);
}

void TestLongRuns::resume_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QByteArray>("existing"); // "<none>": no result file yet
    QTest::addColumn<QStringList>("asked");

    QTest::addRow("cut in the middle of a row")
        << numberedLines(5) << numberedRows(1, 2) + "o3, Brasil;d3, Br" << names({"o3", "o4", "o5"});
    QTest::addRow("cut between CR and LF")
        << numberedLines(5) << numberedRows(1, 3).chopped(1) << names({"o3", "o4", "o5"});
    QTest::addRow("clean stop") << numberedLines(5) << numberedRows(1, 4) << names({"o5"});
    QTest::addRow("nothing left") << numberedLines(5) << numberedRows(1, 5) << QStringList();
    QTest::addRow("no result file yet") << numberedLines(2) << QByteArray("<none>") << names({"o1", "o2"});
    QTest::addRow("empty result file") << numberedLines(2) << QByteArray() << names({"o1", "o2"});
    // Kept rows stay byte for byte, even ones a run today would write otherwise.
    QTest::addRow("kept rows are not rewritten")
        << numberedLines(3) << QByteArray("written by hand\r\n") << names({"o2", "o3"});
}

void TestLongRuns::resume()
{
    QFETCH(QByteArray, lines);
    QFETCH(QByteArray, existing);
    QFETCH(QStringList, asked);
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    writeFile(addresses(), lines);
    if (existing != "<none>")
        writeFile(result(), existing);
    const CommandResult resumed = run(fake, {QStringLiteral("--resume")});
    QVERIFY(!resumed.crashed);
    QCOMPARE(resumed.exitCode, 0);
    QVERIFY2(resumed.errText().startsWith(QStringLiteral("Information: ") +
                                          messageSlots(English).msgdlgbtnProcessarSucesso),
             resumed.err.constData());
    QCOMPARE(originsAsked(fake), asked);

    const int total = int(lines.count('\n'));
    QByteArray expected = numberedRows(1, total);
    if (existing == "written by hand\r\n")
        expected = existing + numberedRows(2, total);
    QCOMPARE(readFile(result()), expected);
}

void TestLongRuns::resumeRefusals_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<QString>("says");

    QTest::addRow("more rows than lines") << numberedLines(2) << numberedRows(1, 3)
                                          << QStringLiteral("has 3 complete rows, more than the 2 lines");
    QTest::addRow("mark where the address file has none")
        << numberedLines(3) << "\xEF\xBB\xBF" + numberedRows(1, 1) << QStringLiteral("byte-order mark");
    QTest::addRow("no mark where the address file has one")
        << "\xEF\xBB\xBF" + numberedLines(3) << numberedRows(1, 1) << QStringLiteral("byte-order mark");
}

void TestLongRuns::resumeRefusals()
{
    QFETCH(QByteArray, lines);
    QFETCH(QByteArray, existing);
    QFETCH(QString, says);
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    writeFile(addresses(), lines);
    // A cut last row too: a refused resume must not even cut that.
    writeFile(result(), existing + "o9, Bra");
    const CommandResult refused = run(fake, {QStringLiteral("--resume")});
    QVERIFY(!refused.crashed);
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.errText().startsWith(QStringLiteral("Error: ")), refused.err.constData());
    QVERIFY2(refused.errText().contains(says), refused.err.constData());
    QVERIFY2(refused.errText().contains(result()), refused.err.constData());
    QCOMPARE(fake.requestCount(), 0);
    QCOMPARE(readFile(result()), existing + "o9, Bra");
}

void TestLongRuns::retryRefused_data()
{
    QTest::addColumn<QString>("language"); // of the new rows
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QByteArray>("after");

    const QByteArray lines = "a;b\r\nrefused x;y\r\nc;d\r\nnotfound e;f\r\ng;h\r\n";
    // Rows of earlier runs in Portuguese and German; one not found, one found row by hand.
    const QByteArray before = refusedRow("a;b", Portuguese) + refusedRow("refused x;y", German) +
                              "kept exactly;as it was;1 km;1 min\r\n" + refusedRow("notfound e;f", German) +
                              "notfound g;h;" + notFoundText(French) + ';' + notFoundText(French) + "\r\n";
    QTest::addRow("two languages") << QStringLiteral("en") << lines << before
                                   << names({"a", "refused x", "notfound e"})
                                   << foundRow("a", "b") + refusedRow("refused x;y", English) +
                                          "kept exactly;as it was;1 km;1 min\r\n" + "notfound e;f;" +
                                          notFoundText(English) + ';' + notFoundText(English) + "\r\n" +
                                          "notfound g;h;" + notFoundText(French) + ';' +
                                          notFoundText(French) + "\r\n";

    const QString zh = QStringLiteral("北京;上海");
    const QByteArray utf8Refused = messageSlots(Chinese).msgdlgbtnProcessarErroArq2.toUtf8();
    const QByteArray utf8RefusedUk = messageSlots(Ukrainian).msgdlgbtnProcessarErroArq2.toUtf8();
    QTest::addRow("UTF-8, Chinese and Ukrainian rows")
        << QStringLiteral("zh") << "\xEF\xBB\xBF" + zh.toUtf8() + "\r\nx;y\r\n"
        << "\xEF\xBB\xBF" + zh.toUtf8() + ';' + utf8Refused + ';' + utf8Refused + "\r\nx;y;" + utf8RefusedUk +
               ';' + utf8RefusedUk + "\r\n"
        << QStringList{QStringLiteral("北京"), QStringLiteral("x")}
        << "\xEF\xBB\xBF" + QStringLiteral("北京, Brasil;上海, Brasil;12,3 km;15 minutos\r\n").toUtf8() +
               foundRow("x", "y");
    QTest::addRow("nothing refused") << QStringLiteral("en") << QByteArray("a;b\r\n") << foundRow("a", "b")
                                     << QStringList() << foundRow("a", "b");
}

void TestLongRuns::retryRefused()
{
    QFETCH(QString, language);
    QFETCH(QByteArray, lines);
    QFETCH(QByteArray, before);
    QFETCH(QStringList, asked);
    QFETCH(QByteArray, after);
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    fake.setHandler(answerByOrigin);
    writeFile(addresses(), lines);
    writeFile(result(), before);
    const CommandResult retried = run(fake, {QStringLiteral("--retry-refused")}, language);
    QVERIFY(!retried.crashed);
    QCOMPARE(retried.exitCode, 0);
    QCOMPARE(originsAsked(fake), asked);
    QCOMPARE(readFile(result()), after);
    // Nothing is left beside it.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files),
             (QStringList{QStringLiteral("addresses.csv"), QStringLiteral("result.csv")}));
}

void TestLongRuns::retryRefusedRefusals_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("says");

    QTest::addRow("unfinished") << refusedRow("o1;d1", English) << QStringLiteral("--resume");
    QTest::addRow("incomplete last row")
        << refusedRow("o1;d1", English) + numberedRows(2, 3) + "x" << QStringLiteral("--resume");
    QTest::addRow("more rows than lines")
        << refusedRow("o1;d1", English) + numberedRows(2, 4) << QStringLiteral("more than the 3 lines");
    QTest::addRow("mark mismatch") << "\xEF\xBB\xBF" + refusedRow("o1;d1", English) + numberedRows(2, 3)
                                   << QStringLiteral("byte-order mark");
}

void TestLongRuns::retryRefusedRefusals()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, says);
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    writeFile(addresses(), numberedLines(3));
    writeFile(result(), before);
    const CommandResult refused = run(fake, {QStringLiteral("--retry-refused")});
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.errText().startsWith(QStringLiteral("Error: ")), refused.err.constData());
    QVERIFY2(refused.errText().contains(says), refused.err.constData());
    QCOMPARE(fake.requestCount(), 0);
    QCOMPARE(readFile(result()), before);
}

void TestLongRuns::killedRetryRefusedLeavesTheOldFile()
{
    // 30 refused rows; the service answers slowly, so the run is killed in the middle.
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    fake.setHandler([](const FakeRequest &request) {
        FakeReply reply = FakeDistanceMatrix::defaultHandler(request);
        reply.delayMs = 50;
        return reply;
    });
    QByteArray before;
    for (int i = 1; i <= 30; ++i)
        before += refusedRow('o' + QByteArray::number(i) + ";d" + QByteArray::number(i), English);
    writeFile(addresses(), numberedLines(30));
    writeFile(result(), before);

    QProcess process;
    process.start(Program, {QStringLiteral("--key"), Key, QStringLiteral("--endpoint"), fake.endpoint(),
                            QStringLiteral("--retry-refused"), addresses(), result()});
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(fake.requestCount() >= 10, 20000);
    process.kill();
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(readFile(result()), before);

    // The next try starts afresh and replaces the file as a whole.
    fake.setHandler(&FakeDistanceMatrix::defaultHandler);
    const CommandResult again = run(fake, {QStringLiteral("--retry-refused"), QStringLiteral("--quiet")});
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(readFile(result()), numberedRows(1, 30));
}

void TestLongRuns::stoppedRetryRefusedKeepsAWholeFile()
{
    // Stopped by SIGTERM: the rows asked again so far are kept, every other row stays as
    // it was, and the file is whole (one row per line).
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    fake.setHandler([](const FakeRequest &request) {
        FakeReply reply = FakeDistanceMatrix::defaultHandler(request);
        reply.delayMs = 50;
        return reply;
    });
    QByteArray before;
    for (int i = 1; i <= 40; ++i)
        before += refusedRow('o' + QByteArray::number(i) + ";d" + QByteArray::number(i), English);
    writeFile(addresses(), numberedLines(40));
    writeFile(result(), before);

    QProcess process;
    process.start(Program, {QStringLiteral("--key"), Key, QStringLiteral("--language"), QStringLiteral("en"),
                            QStringLiteral("--endpoint"), fake.endpoint(), QStringLiteral("--retry-refused"),
                            QStringLiteral("--quiet"), addresses(), result()});
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(fake.requestCount() >= 5, 20000);
    ::kill(pid_t(process.processId()), SIGTERM);
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 143);

    const int asked = fake.requestCount();
    QVERIFY(asked < 40);
    QByteArray expected = numberedRows(1, asked);
    for (int i = asked + 1; i <= 40; ++i)
        expected += refusedRow('o' + QByteArray::number(i) + ";d" + QByteArray::number(i), English);
    QCOMPARE(readFile(result()), expected);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files),
             (QStringList{QStringLiteral("addresses.csv"), QStringLiteral("result.csv")}));
}

void TestLongRuns::retries_data()
{
    QTest::addColumn<QList<FakeReply>>("replies"); // in turn, the last one for all that follow
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("row");
    QTest::addColumn<int>("requests");
    QTest::addColumn<int>("exitCode");

    const auto withHeader = [](FakeReply reply, const QByteArray &name, const QByteArray &value) {
        reply.extraHeaders.append({name, value});
        return reply;
    };
    FakeReply unavailable;
    unavailable.status = 503;
    unavailable.contentType = "text/html";
    unavailable.body = "<html>Service Unavailable</html>";
    FakeReply tooMany = unavailable;
    tooMany.status = 429;
    tooMany.body = "<html>Too Many Requests</html>";
    const FakeReply found = FakeDistanceMatrix::foundAnswer(QStringLiteral("A"), QStringLiteral("B"),
                                                            QStringLiteral("1 km"), QStringLiteral("2 min"));
    const QByteArray foundAB = "A;B;1 km;2 min\r\n";
    const QByteArray refused = refusedRow("a;b", English);

    QTest::addRow("OVER_QUERY_LIMIT once, then OK")
        << QList<FakeReply>{FakeDistanceMatrix::refusedAnswer(QStringLiteral("OVER_QUERY_LIMIT")), found}
        << QStringList() << foundAB << 2 << 0;
    QTest::addRow("UNKNOWN_ERROR twice, then OK")
        << QList<FakeReply>{withHeader(FakeDistanceMatrix::refusedAnswer(QStringLiteral("UNKNOWN_ERROR")),
                                       "Retry-After", "0"),
                            withHeader(FakeDistanceMatrix::refusedAnswer(QStringLiteral("UNKNOWN_ERROR")),
                                       "Retry-After", "0"),
                            found}
        << QStringList() << foundAB << 3 << 0;
    // An HTML page is no answer the run can read: after the retries the run ends there, as it
    // would have at once without them.
    QTest::addRow("503 every time: three more tries, then the run ends")
        << QList<FakeReply>{withHeader(unavailable, "Retry-After", "0")} << QStringList() << QByteArray() << 4
        << 1;
    QTest::addRow("503 with a JSON refusal every time: a refused row")
        << QList<FakeReply>{withHeader(FakeDistanceMatrix::refusedAnswer(QStringLiteral("UNKNOWN_ERROR")),
                                       "Retry-After", "0")}
        << QStringList() << refused << 4 << 0;
    QTest::addRow("429 with Retry-After, then OK")
        << QList<FakeReply>{withHeader(tooMany, "Retry-After", "1"), found} << QStringList() << foundAB << 2
        << 0;
    QTest::addRow("REQUEST_DENIED is not asked again")
        << QList<FakeReply>{FakeDistanceMatrix::refusedAnswer(), found} << QStringList() << refused << 1 << 0;
    QTest::addRow("--no-retry")
        << QList<FakeReply>{FakeDistanceMatrix::refusedAnswer(QStringLiteral("OVER_QUERY_LIMIT")), found}
        << QStringList{QStringLiteral("--no-retry")} << refused << 1 << 0;
}

void TestLongRuns::retries()
{
    QFETCH(QList<FakeReply>, replies);
    QFETCH(QStringList, options);
    QFETCH(QByteArray, row);
    QFETCH(int, requests);
    QFETCH(int, exitCode);
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    auto next = std::make_shared<std::atomic_int>(0);
    fake.setHandler([replies, next](const FakeRequest &) {
        return replies.at(std::min<qsizetype>(next->fetch_add(1), replies.size() - 1));
    });
    writeFile(addresses(), "a;b\r\n");
    const QString report = path(QStringLiteral("report.json"));
    const CommandResult retried = run(fake, options + QStringList{QStringLiteral("--report"), report});
    QCOMPARE(retried.exitCode, exitCode);
    QCOMPARE(fake.requestCount(), requests);
    QCOMPARE(readFile(result()), row);
    const QJsonObject json = QJsonDocument::fromJson(readFile(report)).object();
    QCOMPARE(json.value(QStringLiteral("requests")).toInt(), requests);
    QCOMPARE(json.value(QStringLiteral("retries")).toInt(), requests - 1);
}

void TestLongRuns::dedupe_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<int>("jobs");
    QTest::addColumn<int>("requests");

    const QByteArray repeated = "a;b\r\nc;d\r\na;b\r\na;B\r\nc;d\r\na;b\r\nnotfound x;y\r\nnotfound x;y\r\n";
    QTest::addRow("one job") << repeated << 1 << 4;
    QTest::addRow("four jobs") << repeated << 4 << 4;
    // A refused answer is not handed on: the next identical line is asked again.
    QTest::addRow("refused lines are asked again")
        << QByteArray("refused;1\r\nrefused;1\r\nz;1\r\nz;1\r\n") << 1 << 3;
    QTest::addRow("nothing repeated") << numberedLines(6) << 2 << 6;
}

void TestLongRuns::dedupe()
{
    QFETCH(QByteArray, lines);
    QFETCH(int, jobs);
    QFETCH(int, requests);
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    fake.setHandler(answerByOrigin);
    writeFile(addresses(), lines);
    const QStringList jobsOption{QStringLiteral("--jobs"), QString::number(jobs)};

    const CommandResult plain = run(fake, jobsOption);
    QCOMPARE(plain.exitCode, 0);
    const QByteArray plainRows = readFile(result());
    const int lineCount = int(lines.count('\n'));
    QCOMPARE(fake.requestCount(), lineCount);

    fake.clearRecords();
    const QString report = path(QStringLiteral("report.json"));
    const CommandResult deduped =
        run(fake, jobsOption + QStringList{QStringLiteral("--dedupe"), QStringLiteral("--report"), report});
    QCOMPARE(deduped.exitCode, 0);
    QCOMPARE(readFile(result()), plainRows);
    QCOMPARE(fake.requestCount(), requests);
    const QJsonObject json = QJsonDocument::fromJson(readFile(report)).object();
    QCOMPARE(json.value(QStringLiteral("lines")).toInt(), lineCount);
    QCOMPARE(json.value(QStringLiteral("requests")).toInt(), requests);
    QCOMPARE(json.value(QStringLiteral("saved_requests")).toInt(), lineCount - requests);
    if (lineCount > requests)
        QVERIFY2(deduped.errText().contains(QStringLiteral("%1 saved by --dedupe").arg(lineCount - requests)),
                 deduped.err.constData());
}

void TestLongRuns::stopBySignalThenResume_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("jobs");
    QTest::addColumn<int>("exitCode");

    QTest::addRow("SIGTERM") << int(SIGTERM) << 1 << 143;
    QTest::addRow("SIGINT") << int(SIGINT) << 1 << 130;
    QTest::addRow("SIGTERM, four jobs") << int(SIGTERM) << 4 << 143;
}

void TestLongRuns::stopBySignalThenResume()
{
    QFETCH(int, signal);
    QFETCH(int, jobs);
    QFETCH(int, exitCode);
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    fake.setHandler([](const FakeRequest &request) {
        FakeReply reply = answerByOrigin(request);
        reply.delayMs = 20;
        return reply;
    });
    const int total = 60;
    writeFile(addresses(), numberedLines(total));
    const QStringList options{QStringLiteral("--key"),
                              Key,
                              QStringLiteral("--endpoint"),
                              fake.endpoint(),
                              QStringLiteral("--jobs"),
                              QString::number(jobs),
                              QStringLiteral("--quiet"),
                              addresses(),
                              result()};

    QProcess process;
    process.start(Program, options);
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(fake.requestCount() >= 10, 20000);
    ::kill(pid_t(process.processId()), signal);
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    const int askedBeforeStop = fake.requestCount();
    QVERIFY(askedBeforeStop < total);
    // Every line asked got its row on disk: nothing was lost with the stop.
    QCOMPARE(readFile(result()), numberedRows(1, askedBeforeStop));

    const CommandResult resumed = runCommand(Program, QStringList{QStringLiteral("--resume")} + options);
    QCOMPARE(resumed.exitCode, 0);
    QCOMPARE(readFile(result()), numberedRows(1, total));
    // Each line asked exactly once over both runs.
    QStringList expected;
    for (int i = 1; i <= total; ++i)
        expected.append(QStringLiteral("o%1").arg(i));
    QStringList asked = originsAsked(fake);
    QCOMPARE(asked.size(), total);
    asked.sort();
    expected.sort();
    QCOMPARE(asked, expected);
}

void TestLongRuns::rowsReachTheDiskWhileAnAnswerIsAwaited()
{
    // The fourth line's answer never comes; the rows before it must not wait in a buffer,
    // or a kill (or a power loss) now would lose them.
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    fake.setHandler([](const FakeRequest &request) {
        FakeReply reply = FakeDistanceMatrix::defaultHandler(request);
        if (request.queryValue(QStringLiteral("origins")) == QLatin1String("o4"))
            reply.delayMs = 60000;
        return reply;
    });
    writeFile(addresses(), numberedLines(6));
    QProcess process;
    process.start(Program, {QStringLiteral("--key"), Key, QStringLiteral("--endpoint"), fake.endpoint(),
                            QStringLiteral("--quiet"), addresses(), result()});
    QVERIFY(process.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(readFile(result()), numberedRows(1, 3), 20000);
    process.kill();
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(readFile(result()), numberedRows(1, 3));
}

void TestLongRuns::report_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("line");

    QTest::addRow("line and file") << QStringList() << true;
    QTest::addRow("quiet: file only") << QStringList{QStringLiteral("--quiet")} << false;
}

void TestLongRuns::report()
{
    QFETCH(QStringList, options);
    QFETCH(bool, line);
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    fake.setHandler(answerByOrigin);
    writeFile(addresses(), "a;b\r\nnotfound;c\r\nrefused;d\r\ne;f\r\nrefused;g\r\n");
    const QString report = path(QStringLiteral("report.json"));
    const CommandResult done =
        run(fake, options + QStringList{QStringLiteral("--report"), report,
                                        QStringLiteral("--price-per-1000"), QStringLiteral("4.00")});
    QCOMPARE(done.exitCode, 0);
    const QJsonObject json = QJsonDocument::fromJson(readFile(report)).object();
    const QJsonObject counts{{QStringLiteral("lines"), 5},           {QStringLiteral("found"), 2},
                             {QStringLiteral("not_found"), 1},       {QStringLiteral("refused"), 2},
                             {QStringLiteral("failed_requests"), 0}, {QStringLiteral("retries"), 0},
                             {QStringLiteral("requests"), 5},        {QStringLiteral("saved_requests"), 0},
                             {QStringLiteral("cost_usd"), 0.02}};
    for (auto it = counts.begin(); it != counts.end(); ++it)
        QCOMPARE(json.value(it.key()), it.value());
    QVERIFY(json.value(QStringLiteral("seconds")).toDouble() >= 0);

    const QStringList errLines = done.errText().split(u'\n', Qt::SkipEmptyParts);
    const QString success = QStringLiteral("Information: ") + messageSlots(English).msgdlgbtnProcessarSucesso;
    QVERIFY(errLines.contains(success));
    const QStringList reportLines = errLines.filter(QStringLiteral("Report: "));
    if (line) {
        QCOMPARE(reportLines.size(), 1);
        // Last, after the closing message.
        QCOMPARE(errLines.last(), reportLines.first());
        QVERIFY2(reportLines.first().startsWith(
                     QStringLiteral("Report: 5 lines: 2 found, 1 not found, 2 refused")),
                 qPrintable(reportLines.first()));
        QVERIFY(reportLines.first().contains(QStringLiteral("0.02 USD")));
    } else {
        QVERIFY(reportLines.isEmpty());
    }
    QVERIFY(!done.err.contains(Key.toUtf8()));
    QVERIFY(!readFile(report).contains(Key.toUtf8()));
}

QTEST_GUILESS_MAIN(TestLongRuns)
#include "test_long_runs.moc"
