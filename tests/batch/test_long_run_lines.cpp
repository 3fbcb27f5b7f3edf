#include <QtTest>

#include "common/TestFiles.h"

#include <QTemporaryDir>

#include "BatchFakes.h"
#include "batch/BatchRun.h"
#include "batch/LineCounter.h"
#include "batch/ProgressState.h"
#include "i18n/CodePage.h"
#include "i18n/Texts.h"

using namespace trajetix;
using namespace batchtest;

Q_DECLARE_METATYPE(trajetix::ResultMode)

// The batch run's long-run extras with scripted services: the counts of the report, a stop
// that comes while a retry is awaited, and identical lines asked once.

namespace {

QByteArray refusedRow(const QByteArray &halves)
{
    const QByteArray text = codepage::encode(messageSlots(English).msgdlgbtnProcessarErroArq2);
    return halves + ';' + text + ';' + text + "\r\n";
}

// A scripted service that also tells how many requests each send made, and which send a
// stop cut short while it waited to ask again.
class RetryingService : public ScriptedService {
  public:
    using ScriptedService::ScriptedService;
    int attempts() const override { return attemptsBySend.value(sends - 1, 1); }
    bool wasInterrupted() const override { return sends - 1 == interruptedSend; }

    QList<int> attemptsBySend;
    int interruptedSend = -1;
};

} // namespace

class TestLongRunLines : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void counts();
    void stopWhileARetryIsAwaited_data();
    void stopWhileARetryIsAwaited();
    void identicalLinesUnderJobs_data();
    void identicalLinesUnderJobs();

  private:
    BatchInput input(ResultMode mode = ResultMode::Replace) const
    {
        BatchInput in;
        in.key = QStringLiteral("k");
        in.addressPath = m_dir->filePath(QStringLiteral("a.csv"));
        in.resultPath = m_dir->filePath(QStringLiteral("r.csv"));
        in.lineCount = countAddressLines(in.addressPath).value_or(0);
        in.resultMode = mode;
        return in;
    }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestLongRunLines::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestLongRunLines::counts()
{
    writeFile(m_dir->filePath(QStringLiteral("a.csv")), "a;1\r\nb;2\r\nc;3\r\nd;4\r\ne;5\r\na;1\r\n");
    RetryingService service(
        {found(QStringLiteral("A"), QStringLiteral("1"), QStringLiteral("1 km"), QStringLiteral("1 min")),
         notFound(), refused(QStringLiteral("OVER_QUERY_LIMIT")), failing(Answer::SendFails)});
    service.attemptsBySend = {2, 1, 4, 1, 1};
    RecordingSink sink;
    ProgressState progress;
    BatchRun run(service, sink, progress, messageSlots(English));
    LongRunOptions options;
    options.dedupe = true;
    run.setLongRunOptions(options);
    QCOMPARE(run.run(input()), BatchOutcome::Completed);
    const RunCounts &c = run.counts();
    QCOMPARE(c.lines, qint64(6));
    QCOMPARE(c.found, qint64(3)); // a, e and the copy of a
    QCOMPARE(c.notFound, qint64(1));
    QCOMPARE(c.refused, qint64(2));
    QCOMPARE(c.failedRequests, qint64(1));
    QCOMPARE(c.requests, qint64(9));
    QCOMPARE(c.retries, qint64(4));
    QCOMPARE(c.savedRequests, qint64(1));
    QCOMPARE(service.sends, 5);
}

void TestLongRunLines::stopWhileARetryIsAwaited_data()
{
    QTest::addColumn<ResultMode>("mode");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");

    const QByteArray lines = "a;1\r\nb;2\r\nc;3\r\n";
    QTest::addRow("a run: no row for the line")
        << ResultMode::Replace << QByteArray() << QByteArray("A;1;1 km;1 min\r\n");
    // Only refused rows are asked: the interrupted line keeps its old row, the rest are
    // copied, the file is whole.
    const QByteArray allRefused = refusedRow("a;1") + refusedRow("b;2") + refusedRow("c;3");
    QTest::addRow("refused rows asked again: the old row stays")
        << ResultMode::RetryRefused << allRefused
        << QByteArray("A;1;1 km;1 min\r\n") + refusedRow("b;2") + refusedRow("c;3");
}

void TestLongRunLines::stopWhileARetryIsAwaited()
{
    QFETCH(ResultMode, mode);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    writeFile(m_dir->filePath(QStringLiteral("a.csv")), "a;1\r\nb;2\r\nc;3\r\n");
    if (!before.isEmpty())
        writeFile(m_dir->filePath(QStringLiteral("r.csv")), before);
    RetryingService service(
        {found(QStringLiteral("A"), QStringLiteral("1"), QStringLiteral("1 km"), QStringLiteral("1 min")),
         refused(QStringLiteral("OVER_QUERY_LIMIT"))});
    service.interruptedSend = 1;
    service.attemptsBySend = {1, 2};
    RecordingSink sink;
    ProgressState progress;
    BatchRun run(service, sink, progress, messageSlots(English));
    QCOMPARE(run.run(input(mode)), BatchOutcome::Stopped);
    QCOMPARE(service.sends, 2);
    QCOMPARE(readFile(m_dir->filePath(QStringLiteral("r.csv"))), after);
    QCOMPARE(run.counts().lines, qint64(1));
    QCOMPARE(run.counts().requests, qint64(3));
    QVERIFY(sink.messages.isEmpty());
}

void TestLongRunLines::identicalLinesUnderJobs_data()
{
    QTest::addColumn<int>("jobs");
    QTest::addColumn<bool>("firstRefused");
    QTest::addRow("4 jobs") << 4 << false;
    QTest::addRow("4 jobs, the first answer refused") << 4 << true;
    QTest::addRow("1 job, the first answer refused") << 1 << true;
}

void TestLongRunLines::identicalLinesUnderJobs()
{
    // Copies of a line come right after it, so under several jobs they are read while its
    // answer is still awaited.
    QFETCH(int, jobs);
    QFETCH(bool, firstRefused);
    QByteArray lines;
    for (int i = 0; i < 6; ++i)
        lines += "x;y\r\nu" + QByteArray::number(i) + ";v\r\n";
    writeFile(m_dir->filePath(QStringLiteral("a.csv")), lines);

    auto answers = std::make_shared<KeyedAnswers>();
    answers->delayMs = [](const QString &origin) { return origin == QLatin1String("x") ? 50 : 0; };
    if (firstRefused)
        answers->byOrigin.insert(QStringLiteral("x"), refused(QStringLiteral("OVER_QUERY_LIMIT")));
    KeyedService own(answers); // asks on the run's own thread
    RecordingSink sink;
    ProgressState progress;
    BatchRun run(own, sink, progress, messageSlots(English));
    if (jobs > 1)
        run.setJobs(jobs, [answers] { return std::make_unique<KeyedService>(answers); });
    LongRunOptions options;
    options.dedupe = true;
    run.setLongRunOptions(options);
    QCOMPARE(run.run(input()), BatchOutcome::Completed);

    QByteArray expected;
    for (int i = 0; i < 6; ++i) {
        expected += firstRefused ? refusedRow("x;y") : QByteArray("x!;y!;1 km;2 mins\r\n");
        expected += "u" + QByteArray::number(i) + "!;v!;1 km;2 mins\r\n";
    }
    QCOMPARE(readFile(m_dir->filePath(QStringLiteral("r.csv"))), expected);
    // A found answer is handed on to the five copies; a refused one is not: each copy is
    // asked itself.
    QCOMPARE(answers->sends.load(), firstRefused ? 12 : 7);
    QCOMPARE(run.counts().savedRequests, qint64(firstRefused ? 0 : 5));
}

QTEST_GUILESS_MAIN(TestLongRunLines)
#include "test_long_run_lines.moc"
