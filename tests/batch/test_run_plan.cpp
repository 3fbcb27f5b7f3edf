#include <QtTest>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "batch/RunPlan.h"
#include "batch/RunReport.h"
#include "i18n/CodePage.h"
#include "i18n/Texts.h"

using namespace trajetix;

Q_DECLARE_METATYPE(trajetix::ResultMode)

namespace {

void writeFile(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write a fixture");
}

QByteArray refusedRow(const QByteArray &halves, int language)
{
    const QByteArray text = codepage::encode(messageSlots(language).msgdlgbtnProcessarErroArq2);
    return halves + ';' + text + ';' + text + "\r\n";
}

QByteArray refusedRowUtf8(const QByteArray &halves, int language)
{
    const QByteArray text = messageSlots(language).msgdlgbtnProcessarErroArq2.toUtf8();
    return halves + ';' + text + ';' + text + "\r\n";
}

const QByteArray Found = "x, Brasil;y, Brasil;1 km;2 min\r\n";

} // namespace

class TestRunPlan : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void plan_data();
    void plan();
    void duplicatesAmongTheLinesToAsk_data();
    void duplicatesAmongTheLinesToAsk();
    void prices_data();
    void prices();
    void costs_data();
    void costs();
    void reportJsonHasEveryCount();

  private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestRunPlan::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestRunPlan::plan_data()
{
    QTest::addColumn<ResultMode>("mode");
    QTest::addColumn<QByteArray>("addresses");
    QTest::addColumn<QByteArray>("result"); // "<none>": no result file
    QTest::addColumn<QString>("problem");   // a word of the refusal; empty when the run may go on
    QTest::addColumn<qint64>("keptRows");
    QTest::addColumn<qint64>("linesToAsk");

    const QByteArray abc = "a;1\r\nb;2\r\nc;3\r\n";
    const QByteArray none = "<none>";
    const auto resume = ResultMode::Resume;
    const auto retry = ResultMode::RetryRefused;

    QTest::addRow("replace: every line")
        << ResultMode::Replace << abc << none << QString() << qint64(0) << qint64(3);
    QTest::addRow("resume: no result file yet")
        << resume << abc << none << QString() << qint64(0) << qint64(3);
    QTest::addRow("resume: cut in a row")
        << resume << abc << Found + "b, Bra" << QString() << qint64(1) << qint64(2);
    QTest::addRow("resume: clean stop")
        << resume << abc << Found + Found << QString() << qint64(2) << qint64(1);
    QTest::addRow("resume: nothing left")
        << resume << abc << Found + Found + Found << QString() << qint64(3) << qint64(0);
    QTest::addRow("resume: more rows than lines")
        << resume << abc << Found + Found + Found + Found << QStringLiteral("more than the 3 lines")
        << qint64(0) << qint64(0);
    QTest::addRow("resume: a mark the address file does not call for")
        << resume << abc << "\xEF\xBB\xBF" + Found << QStringLiteral("byte-order mark") << qint64(0)
        << qint64(0);
    QTest::addRow("resume: no mark where the address file calls for one")
        << resume << "\xEF\xBB\xBF" + abc << Found << QStringLiteral("byte-order mark") << qint64(0)
        << qint64(0);
    QTest::addRow("resume: marks match")
        << resume << "\xEF\xBB\xBF" + abc << "\xEF\xBB\xBF" + Found << QString() << qint64(1) << qint64(2);
    QTest::addRow("resume: UTF-16 address file, UTF-8 result")
        << resume
        << QByteArray("\xFF\xFE"
                      "a\0;\0"
                      "1\0\n\0"
                      "b\0;\0"
                      "2\0",
                      16)
        << "\xEF\xBB\xBF" + Found << QString() << qint64(1) << qint64(1);
    QTest::addRow("resume: nothing complete, any mark")
        << resume << abc << QByteArray("\xEF\xBB\xBFx, Br") << QString() << qint64(0) << qint64(3);
    QTest::addRow("resume: unreadable line before the kept rows end")
        << resume
        << QByteArray("\xEF\xBB\xBF"
                      "a;1\r\n\xFF;2\r\nc;3\r\n")
        << "\xEF\xBB\xBF" + Found + Found << QStringLiteral("cannot be read") << qint64(0) << qint64(0);
    QTest::addRow("resume: unreadable line after them")
        << resume
        << QByteArray("\xEF\xBB\xBF"
                      "a;1\r\nb;2\r\n\xFF;3\r\n")
        << "\xEF\xBB\xBF" + Found << QString() << qint64(1) << qint64(1);

    const QByteArray finished = Found + refusedRow("b;2", Portuguese) + refusedRow("c;3", German);
    QTest::addRow("retry: two refused rows, two languages")
        << retry << abc << finished << QString() << qint64(1) << qint64(2);
    QTest::addRow("retry: none refused")
        << retry << abc << Found + Found + Found << QString() << qint64(3) << qint64(0);
    QTest::addRow("retry: refused row of another line is no refused row")
        << retry << abc << Found + refusedRow("c;3", English) + Found << QString() << qint64(3) << qint64(0);
    QTest::addRow("retry: UTF-8 Chinese")
        << retry << "\xEF\xBB\xBF" + abc << "\xEF\xBB\xBF" + refusedRowUtf8("a;1", Chinese) + Found + Found
        << QString() << qint64(2) << qint64(1);
    QTest::addRow("retry: no result file")
        << retry << abc << none << QStringLiteral("does not exist") << qint64(0) << qint64(0);
    QTest::addRow("retry: unfinished")
        << retry << abc << Found + Found << QStringLiteral("--resume") << qint64(0) << qint64(0);
    QTest::addRow("retry: incomplete last row")
        << retry << abc << finished + "d;4;ERR" << QStringLiteral("--resume") << qint64(0) << qint64(0);
    QTest::addRow("retry: more rows than lines")
        << retry << abc << finished + Found << QStringLiteral("more than the 3 lines") << qint64(0)
        << qint64(0);
    QTest::addRow("retry: mark mismatch") << retry << abc << "\xEF\xBB\xBF" + finished
                                          << QStringLiteral("byte-order mark") << qint64(0) << qint64(0);
}

void TestRunPlan::plan()
{
    QFETCH(ResultMode, mode);
    QFETCH(QByteArray, addresses);
    QFETCH(QByteArray, result);
    QFETCH(QString, problem);
    QFETCH(qint64, keptRows);
    QFETCH(qint64, linesToAsk);
    writeFile(path(QStringLiteral("a.csv")), addresses);
    if (result != "<none>")
        writeFile(path(QStringLiteral("r.csv")), result);
    RunPlan plan;
    int error = -1;
    QVERIFY(
        makeRunPlan(path(QStringLiteral("a.csv")), path(QStringLiteral("r.csv")), mode, false, plan, error));
    if (problem.isEmpty()) {
        QVERIFY2(plan.problem.isEmpty(), qPrintable(plan.problem));
        QCOMPARE(plan.keptRows, keptRows);
        QCOMPARE(plan.linesToAsk, linesToAsk);
    } else {
        QVERIFY2(plan.problem.contains(problem), qPrintable(plan.problem));
        QVERIFY(plan.problem.contains(path(QStringLiteral("r.csv"))) ||
                plan.problem.contains(QStringLiteral("address file")));
    }
}

void TestRunPlan::duplicatesAmongTheLinesToAsk_data()
{
    QTest::addColumn<ResultMode>("mode");
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<qint64>("lines");
    QTest::addColumn<qint64>("distinct");

    const QByteArray refusedA = refusedRow("a;1", English);
    QTest::addRow("replace") << ResultMode::Replace << QByteArray() << qint64(6) << qint64(3);
    // Kept rows are not asked again, so their lines are not counted.
    QTest::addRow("resume after three rows")
        << ResultMode::Resume << Found + Found + Found << qint64(3) << qint64(2);
    QTest::addRow("retry: only refused lines")
        << ResultMode::RetryRefused << refusedA + Found + Found + refusedA + Found + refusedA << qint64(3)
        << qint64(1);
}

void TestRunPlan::duplicatesAmongTheLinesToAsk()
{
    QFETCH(ResultMode, mode);
    QFETCH(QByteArray, result);
    QFETCH(qint64, lines);
    QFETCH(qint64, distinct);
    // "a;1" three times, "b;2" twice: identical bytes; "A;1" differs in case.
    writeFile(path(QStringLiteral("a.csv")), "a;1\r\nb;2\r\nA;1\r\na;1\r\nb;2\r\na;1");
    writeFile(path(QStringLiteral("r.csv")), result);
    RunPlan plan;
    int error = 0;
    QVERIFY(
        makeRunPlan(path(QStringLiteral("a.csv")), path(QStringLiteral("r.csv")), mode, true, plan, error));
    QVERIFY2(plan.problem.isEmpty(), qPrintable(plan.problem));
    QCOMPARE(plan.duplicates.lines(), lines);
    QCOMPARE(plan.duplicates.distinct(), distinct);
}

void TestRunPlan::prices_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("price"); // -1: refused
    QTest::addColumn<QString>("shown");

    QTest::addRow("whole") << QStringLiteral("5") << qint64(50000) << QStringLiteral("5.00");
    QTest::addRow("cents") << QStringLiteral("4.00") << qint64(40000) << QStringLiteral("4.00");
    QTest::addRow("mills") << QStringLiteral("4.125") << qint64(41250) << QStringLiteral("4.125");
    QTest::addRow("no whole part") << QStringLiteral(".5") << qint64(5000) << QStringLiteral("0.50");
    QTest::addRow("zero") << QStringLiteral("0") << qint64(0) << QStringLiteral("0.00");
    QTest::addRow("five decimals") << QStringLiteral("1.00001") << qint64(-1) << QString();
    QTest::addRow("negative") << QStringLiteral("-5") << qint64(-1) << QString();
    QTest::addRow("comma") << QStringLiteral("5,00") << qint64(-1) << QString();
    QTest::addRow("exponent") << QStringLiteral("5e2") << qint64(-1) << QString();
    QTest::addRow("point alone") << QStringLiteral(".") << qint64(-1) << QString();
    QTest::addRow("too dear") << QStringLiteral("100001") << qint64(-1) << QString();
}

void TestRunPlan::prices()
{
    QFETCH(QString, text);
    QFETCH(qint64, price);
    QFETCH(QString, shown);
    const std::optional<qint64> parsed = money::parseDollars(text);
    QCOMPARE(parsed.value_or(-1), price);
    if (parsed)
        QCOMPARE(money::formatPrice(*parsed), shown);
}

void TestRunPlan::costs_data()
{
    QTest::addColumn<qint64>("requests");
    QTest::addColumn<qint64>("price");
    QTest::addColumn<QString>("cost");

    QTest::addRow("100,000 at 5.00") << qint64(100000) << qint64(50000) << QStringLiteral("500.00");
    QTest::addRow("one at 5.00") << qint64(1) << qint64(50000) << QStringLiteral("0.01"); // 0.005 up
    QTest::addRow("one at 4.00") << qint64(1) << qint64(40000) << QStringLiteral("0.00");
    QTest::addRow("2.6 million at 4.00") << qint64(2600000) << qint64(40000) << QStringLiteral("10400.00");
    QTest::addRow("333 at 4.125") << qint64(333) << qint64(41250) << QStringLiteral("1.37");
    QTest::addRow("none") << qint64(0) << qint64(50000) << QStringLiteral("0.00");
}

void TestRunPlan::costs()
{
    QFETCH(qint64, requests);
    QFETCH(qint64, price);
    QFETCH(QString, cost);
    QCOMPARE(money::costText(requests, price), cost);
}

void TestRunPlan::reportJsonHasEveryCount()
{
    RunReport report;
    report.counts = {10, 6, 2, 2, 1, 13, 3, 4};
    report.seconds = 2.5;
    const QJsonObject json = QJsonDocument::fromJson(report.json()).object();
    const QJsonObject expected{{QStringLiteral("lines"), 10},          {QStringLiteral("found"), 6},
                               {QStringLiteral("not_found"), 2},       {QStringLiteral("refused"), 2},
                               {QStringLiteral("failed_requests"), 1}, {QStringLiteral("requests"), 13},
                               {QStringLiteral("retries"), 3},         {QStringLiteral("saved_requests"), 4},
                               {QStringLiteral("seconds"), 2.5},       {QStringLiteral("cost_usd"), 0.07}};
    QCOMPARE(json, expected);
    const QString line = report.line();
    for (const char *part : {"10 lines", "6 found", "2 not found", "2 refused", "1 without an answer",
                             "13 requests", "3 retries", "4 saved", "2.5 s", "4.0 lines/s", "0.07 USD"})
        QVERIFY2(line.contains(QLatin1String(part)), part);
}

QTEST_GUILESS_MAIN(TestRunPlan)
#include "test_run_plan.moc"
