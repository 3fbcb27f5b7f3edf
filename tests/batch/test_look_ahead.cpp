// The batch run with several requests in flight: whatever order the answers arrive in,
// rows, messages and progress are those of the one-at-a-time run.
#include <QtTest>

#include "common/TestFiles.h"

#include <QTemporaryDir>

#include <atomic>
#include <memory>
#include <optional>

#include "BatchFakes.h"
#include "batch/BatchRun.h"
#include "batch/LineCounter.h"
#include "i18n/Texts.h"

using namespace trajetix;
using namespace batchtest;

namespace {

const MessageSlots &en = messageSlots(English);

// Lines "o1;d1" ... "oN;dN".
QByteArray numberedLines(int count)
{
    QByteArray lines;
    for (int i = 1; i <= count; ++i)
        lines += 'o' + QByteArray::number(i) + ";d" + QByteArray::number(i) + "\r\n";
    return lines;
}

QString origin(int line)
{
    return QStringLiteral("o%1").arg(line);
}

// A mix of every row shape and of failed requests, spread over the lines.
std::shared_ptr<KeyedAnswers> mixedAnswers(int lines)
{
    auto answers = std::make_shared<KeyedAnswers>();
    for (int i = 1; i <= lines; ++i) {
        switch (i % 7) {
        case 1:
            answers->byOrigin.insert(origin(i), notFound());
            break;
        case 3:
            answers->byOrigin.insert(origin(i), refused(QStringLiteral("OVER_QUERY_LIMIT")));
            break;
        case 5:
            answers->byOrigin.insert(origin(i), failing(Answer::SendFails));
            break;
        default:
            break; // found
        }
    }
    return answers;
}

// Earlier lines often take longer than later ones, so answers arrive out of order.
int unevenDelay(const QString &origin)
{
    return (origin.mid(1).toInt() * 7) % 5;
}

// Counts, whenever a row has been written, how many lines had been sent beyond the rows.
class AheadProgress : public RecordingProgress {
  public:
    explicit AheadProgress(std::shared_ptr<KeyedAnswers> answers) : m_answers(std::move(answers)) {}
    void setPosition(Bar bar, int position) override
    {
        RecordingProgress::setPosition(bar, position);
        if (bar == Bar::General && position > 1)
            mostAhead = qMax(mostAhead, m_answers->sends.load() - (position - 1));
    }
    int mostAhead = 0;

  private:
    std::shared_ptr<KeyedAnswers> m_answers;
};

// Records what the run shows it, among the progress events.
class RecordingObserver : public LineObserver {
  public:
    explicit RecordingObserver(QStringList &events) : m_events(events) {}
    void beforeFirstRequest() override { m_events << QStringLiteral("first request"); }
    void lineAnswered(const LineAnswer &answer) override
    {
        m_events << QStringLiteral("answer %1 %2 %3")
                        .arg(int(answer.kind))
                        .arg(answer.pair.origin, answer.serviceMessage);
    }

  private:
    QStringList &m_events;
};

// One run with `jobs` services made for it (one job: a single service on the run's thread).
struct JobsRun {
    JobsRun(const QString &folder, std::shared_ptr<KeyedAnswers> keyed, const QString &name)
        : answers(std::move(keyed)), progress(answers), observer(progress.events)
    {
        input.key = QStringLiteral("test-key");
        input.addressPath = folder + QStringLiteral("/addresses.csv");
        input.resultPath = folder + u'/' + name + QStringLiteral(".csv");
        sink.onMessage = [this] { progress.events << QStringLiteral("message"); };
    }
    // The line count is taken as the window takes it, unless given.
    BatchOutcome operator()(const QByteArray &addresses, int jobs, std::optional<int> lineCount = {})
    {
        writeFile(input.addressPath, addresses);
        input.lineCount = lineCount ? *lineCount : countAddressLines(input.addressPath).value_or(-1);
        std::optional<KeyedService> single;
        if (jobs == 1)
            single.emplace(answers);
        BatchRun run(single ? static_cast<RouteService &>(*single) : unused, sink, progress, en);
        run.setStopFlag(&stop);
        run.setObserver(&observer);
        if (jobs > 1)
            run.setJobs(jobs, [this] { return std::make_unique<KeyedService>(answers); });
        return run.run(input);
    }
    QByteArray result() const { return readFile(input.resultPath); }

    std::shared_ptr<KeyedAnswers> answers;
    ScriptedService unused; // the constructor's service, which several jobs leave alone
    RecordingSink sink;
    AheadProgress progress;
    RecordingObserver observer;
    BatchInput input;
    std::atomic_bool stop{false};
};

} // namespace

class TestLookAhead : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void sameAsOneAtATime_data();
    void sameAsOneAtATime();
    void unreadableAnswerEndsTheRunAtItsLine_data();
    void unreadableAnswerEndsTheRunAtItsLine();
    void unreadableLineEndsTheRunAtItsPlace();
    void requestsInFlightAtOnce_data();
    void requestsInFlightAtOnce();
    void readsBoundedAhead_data();
    void readsBoundedAhead();
    void stopFinishesTheLinesInWork_data();
    void stopFinishesTheLinesInWork();
    void writeFailureEndsTheRun();
    void closingMessageDoesNotWaitForLinesAskedAhead();
    void factoryWithoutServices();
    void noRequestNoObserverCall_data();
    void noRequestNoObserverCall();

  private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString folder() const { return m_dir->path(); }
};

void TestLookAhead::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestLookAhead::sameAsOneAtATime_data()
{
    QTest::addColumn<int>("jobs");
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("uneven"); // answers out of order

    QTest::addRow("2 jobs, 1 line") << 2 << 1 << false;
    QTest::addRow("4 jobs, 3 lines") << 4 << 3 << false;
    QTest::addRow("4 jobs, 40 lines") << 4 << 40 << true;
    QTest::addRow("8 jobs, 200 lines") << 8 << 200 << true;
    QTest::addRow("8 jobs, 200 lines at once") << 8 << 200 << false;
    QTest::addRow("32 jobs, 100 lines") << 32 << 100 << true;
}

void TestLookAhead::sameAsOneAtATime()
{
    QFETCH(int, jobs);
    QFETCH(int, lines);
    QFETCH(bool, uneven);
    const QByteArray addresses = numberedLines(lines);

    JobsRun one(folder(), mixedAnswers(lines), QStringLiteral("one"));
    QCOMPARE(one(addresses, 1), BatchOutcome::Completed);
    auto answers = mixedAnswers(lines);
    if (uneven)
        answers->delayMs = unevenDelay;
    JobsRun many(folder(), answers, QStringLiteral("many"));
    QCOMPARE(many(addresses, jobs), BatchOutcome::Completed);

    QCOMPARE(many.result(), one.result());
    QCOMPARE(many.result().count("\r\n"), lines);
    // A failed request's message comes when its line's turn comes: progress and
    // messages interleave exactly as one line at a time.
    QCOMPARE(many.sink.messages, one.sink.messages);
    QCOMPARE(many.progress.events, one.progress.events);
    // The observer hears of every line in order, each refusal with its own reason.
    QCOMPARE(many.progress.events.count(QStringLiteral("first request")), 1);
    QVERIFY(many.progress.events.indexOf(QStringLiteral("first request")) <
            many.progress.events.indexOf(QRegularExpression(QStringLiteral("answer .*"))));
    QCOMPARE(many.progress.events.filter(QRegularExpression(QStringLiteral("^answer "))).size(), lines);
    if (lines >= 3)
        QVERIFY(many.progress.events.contains(
            QStringLiteral("answer %1 o3 refused o3").arg(int(LineAnswer::Kind::Refused))));
    QCOMPARE(many.sink.messages.count(QStringLiteral("Error: ") + en.msgdlgbtnProcessarErro2),
             (lines + 2) / 7);
    QCOMPARE(many.answers->sends.load(), lines);
    QCOMPARE(many.unused.sends, 0);
}

void TestLookAhead::unreadableAnswerEndsTheRunAtItsLine_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("line");

    for (const int line : {1, 6, 25}) {
        QTest::addRow("no status on line %d", line) << int(Answer::StatusUnreadable) << line;
        QTest::addRow("addresses unreadable on line %d", line) << int(Answer::AddressesUnreadable) << line;
        QTest::addRow("distance unreadable on line %d", line) << int(Answer::DistanceUnreadable) << line;
    }
}

void TestLookAhead::unreadableAnswerEndsTheRunAtItsLine()
{
    QFETCH(int, kind);
    QFETCH(int, line);
    constexpr int Lines = 40;
    const auto answersWithFailure = [&] {
        auto answers = mixedAnswers(Lines);
        Answer broken = failing(Answer::Kind(kind));
        broken.origin = QStringLiteral("resolved");
        broken.destination = QStringLiteral("resolved");
        answers->byOrigin.insert(origin(line), broken);
        answers->delayMs = unevenDelay;
        return answers;
    };
    JobsRun one(folder(), answersWithFailure(), QStringLiteral("one"));
    QCOMPARE(one(numberedLines(Lines), 1), BatchOutcome::Aborted);
    JobsRun many(folder(), answersWithFailure(), QStringLiteral("many"));
    QCOMPARE(many(numberedLines(Lines), 8), BatchOutcome::Aborted);

    // Exactly the rows before the line: those asked ahead after it are not written.
    QCOMPARE(many.result().count("\r\n"), line - 1);
    QCOMPARE(many.result(), one.result());
    QCOMPARE(many.sink.messages, one.sink.messages);
    QCOMPARE(many.sink.messages.last(), QStringLiteral("Error: ") + en.msgdlgbtnProcessarErroArg3);
    QCOMPARE(many.progress.events, one.progress.events);
}

void TestLookAhead::unreadableLineEndsTheRunAtItsPlace()
{
    // After a UTF-8 mark, line 7 cannot be decoded (the window would not have counted
    // such a file; its count is given): nothing after it is asked or written.
    QByteArray addresses = "\xEF\xBB\xBF" + numberedLines(6) + "o\xff;d\r\n" + numberedLines(20);
    JobsRun one(folder(), mixedAnswers(20), QStringLiteral("one"));
    QCOMPARE(one(addresses, 1, 27), BatchOutcome::Aborted);
    JobsRun many(folder(), mixedAnswers(20), QStringLiteral("many"));
    QCOMPARE(many(addresses, 8, 27), BatchOutcome::Aborted);
    QCOMPARE(many.result(), one.result());
    QCOMPARE(many.result().count("\r\n"), 6);
    QCOMPARE(many.sink.messages, one.sink.messages);
    QCOMPARE(many.answers->sends.load(), 6);
}

void TestLookAhead::requestsInFlightAtOnce_data()
{
    QTest::addColumn<int>("jobs");
    QTest::addRow("2") << 2;
    QTest::addRow("4") << 4;
    QTest::addRow("8") << 8;
    QTest::addRow("32") << 32;
}

void TestLookAhead::requestsInFlightAtOnce()
{
    QFETCH(int, jobs);
    auto answers = std::make_shared<KeyedAnswers>();
    answers->gate = jobs; // the first sends wait for each other
    JobsRun run(folder(), answers, QStringLiteral("result"));
    QCOMPARE(run(numberedLines(3 * jobs), jobs), BatchOutcome::Completed);
    QCOMPARE(answers->services.load(), jobs);
    QCOMPARE(answers->mostInFlight.load(), jobs);
    QCOMPARE(answers->sends.load(), 3 * jobs);
    QCOMPARE(run.unused.sends, 0);
}

void TestLookAhead::readsBoundedAhead_data()
{
    QTest::addColumn<int>("jobs");
    QTest::addRow("1") << 1;
    QTest::addRow("2") << 2;
    QTest::addRow("8") << 8;
}

void TestLookAhead::readsBoundedAhead()
{
    // However fast the answers come, the file is not asked about far beyond the rows
    // written, so a long file never piles up in memory.
    QFETCH(int, jobs);
    auto answers = std::make_shared<KeyedAnswers>();
    answers->delayMs = unevenDelay;
    JobsRun run(folder(), answers, QStringLiteral("result"));
    QCOMPARE(run(numberedLines(300), jobs), BatchOutcome::Completed);
    QVERIFY2(run.progress.mostAhead <= 2 * jobs, qPrintable(QString::number(run.progress.mostAhead)));
}

void TestLookAhead::stopFinishesTheLinesInWork_data()
{
    QTest::addColumn<int>("jobs");
    QTest::addRow("1") << 1;
    QTest::addRow("4") << 4;
    QTest::addRow("8") << 8;
}

void TestLookAhead::stopFinishesTheLinesInWork()
{
    QFETCH(int, jobs);
    constexpr int Lines = 100;
    auto answers = std::make_shared<KeyedAnswers>();
    JobsRun run(folder(), answers, QStringLiteral("result"));
    answers->delayMs = [&run](const QString &origin) {
        if (origin == QLatin1String("o3"))
            run.stop = true; // Ctrl-C while line 3 is asked
        return 2;
    };
    QCOMPARE(run(numberedLines(Lines), jobs), BatchOutcome::Stopped);
    // Every line that was asked got its row, in order; no line waiting was asked.
    const int sends = answers->sends.load();
    QVERIFY(sends >= 3);
    QVERIFY2(sends <= 3 + 2 * jobs, qPrintable(QString::number(sends)));
    QByteArray expected;
    for (int i = 1; i <= sends; ++i)
        expected += 'o' + QByteArray::number(i) + "!;d" + QByteArray::number(i) + "!;1 km;2 mins\r\n";
    QCOMPARE(run.result(), expected);
    QCOMPARE(run.sink.messages, QStringList());
    QCOMPARE(run.progress.events.mid(run.progress.events.size() - 2),
             (QStringList{QStringLiteral("pos G 0"), QStringLiteral("pos C 0")}));
}

void TestLookAhead::writeFailureEndsTheRun()
{
    auto answers = std::make_shared<KeyedAnswers>();
    JobsRun run(folder(), answers, QStringLiteral("result"));
    run.input.resultPath = QStringLiteral("/dev/full");
    QCOMPARE(run(numberedLines(5000), 4), BatchOutcome::Aborted);
    QCOMPARE(run.sink.messages, QStringList{QStringLiteral("Error: ") + en.msgdlgbtnProcessarErroArg3});
    QVERIFY(answers->sends.load() < 5000);
}

void TestLookAhead::closingMessageDoesNotWaitForLinesAskedAhead()
{
    // Line 1's answer cannot be read; the lines asked ahead hang until the closing
    // message has been shown. Waiting for them first would never show it.
    auto answers = std::make_shared<KeyedAnswers>();
    answers->byOrigin.insert(origin(1), failing(Answer::StatusUnreadable));
    std::mutex mutex;
    std::condition_variable released;
    bool messageShown = false;
    answers->delayMs = [&](const QString &origin) {
        if (origin != QLatin1String("o1")) {
            std::unique_lock<std::mutex> lock(mutex);
            released.wait_for(lock, std::chrono::seconds(20), [&] { return messageShown; });
        }
        return 0;
    };
    JobsRun run(folder(), answers, QStringLiteral("result"));
    int inFlightAtMessage = -1;
    run.sink.onMessage = [&] {
        inFlightAtMessage = answers->inFlight.load();
        std::lock_guard<std::mutex> lock(mutex);
        messageShown = true;
        released.notify_all();
    };
    QCOMPARE(run(numberedLines(20), 4), BatchOutcome::Aborted);
    QCOMPARE(run.sink.messages, QStringList{QStringLiteral("Error: ") + en.msgdlgbtnProcessarErroArg3});
    QVERIFY2(inFlightAtMessage > 0, qPrintable(QString::number(inFlightAtMessage)));
    QCOMPARE(run.result(), QByteArray());
    // Only lines already started were asked: none was started once the run had ended.
    QVERIFY(answers->sends.load() <= 2 * 4);
}

void TestLookAhead::factoryWithoutServices()
{
    // No service could be made for the jobs: the run asks on the one it was given.
    const QString addresses = folder() + QStringLiteral("/addresses.csv");
    writeFile(addresses, numberedLines(3));
    BatchInput input;
    input.key = QStringLiteral("k");
    input.addressPath = addresses;
    input.resultPath = folder() + QStringLiteral("/result.csv");
    input.lineCount = 3;
    ScriptedService given;
    RecordingSink sink;
    RecordingProgress progress;
    BatchRun run(given, sink, progress, en);
    run.setJobs(4, [] { return std::unique_ptr<RouteService>(); });
    QCOMPARE(run.run(input), BatchOutcome::Completed);
    QCOMPARE(given.sends, 3);
    QCOMPARE(readFile(input.resultPath),
             QByteArray("o1!;d1!;1 km;2 mins\r\no2!;d2!;1 km;2 mins\r\no3!;d3!;1 km;2 mins\r\n"));
}

void TestLookAhead::noRequestNoObserverCall_data()
{
    QTest::addColumn<int>("jobs");
    QTest::addRow("1") << 1;
    QTest::addRow("4") << 4;
}

void TestLookAhead::noRequestNoObserverCall()
{
    // The file was counted with lines, but has none when the run reads it.
    QFETCH(int, jobs);
    JobsRun run(folder(), std::make_shared<KeyedAnswers>(), QStringLiteral("result"));
    QCOMPARE(run(QByteArray(), jobs, 2), BatchOutcome::Completed);
    QVERIFY(!run.progress.events.contains(QStringLiteral("first request")));
    QCOMPARE(run.answers->sends.load(), 0);
}

QTEST_GUILESS_MAIN(TestLookAhead)
#include "test_look_ahead.moc"
