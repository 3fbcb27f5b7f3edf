#include <QtTest>

#include "common/TestFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTemporaryDir>

#include "CommandRunner.h"
#include "fake_service/FakeDistanceMatrix.h"
#include "fake_service/FakeRoutes.h"
#include "i18n/ServiceTexts.h"
#include "i18n/Texts.h"

#include <csignal>

using namespace trajetix;

Q_DECLARE_METATYPE(trajetix::FakeReply)

namespace {

const QString Program = QStringLiteral(TRAJETIX_BATCH_PATH);
const QString Key = QStringLiteral("SECRET-KEY-4711");

// A loopback port with nobody listening: every request to it fails to connect.
quint16 closedPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost))
        qFatal("no loopback port");
    return server.serverPort(); // closed when the server goes
}

} // namespace

class TestBatchCommand : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void commandLineErrors_data();
    void commandLineErrors();
    void helpAndVersion();
    void refusedRuns_data();
    void refusedRuns();
    void failedRequestsStillGiveRows();
    void rowsFromTheService_data();
    void rowsFromTheService();
    void requestCarriesKeyModeAndPair_data();
    void requestCarriesKeyModeAndPair();
    void savedKeyIsUsedWithoutKeyOption();
    void httpsNeedsTrustedCertificate();
    void jobsWriteTheSameRows_data();
    void jobsWriteTheSameRows();
    void unreadableAnswerUnderJobs_data();
    void unreadableAnswerUnderJobs();
    void connectionsPerJob_data();
    void connectionsPerJob();
    void interruptKeepsRowsWritten_data();
    void interruptKeepsRowsWritten();
    void progressOnlyOnATerminal_data();
    void progressOnlyOnATerminal();
    void routesRows_data();
    void routesRows();
    void routesRequestAndHiddenKey();
    void routesRetries_data();
    void routesRetries();
    void rateHoldsRequestsBack_data();
    void rateHoldsRequestsBack();

  private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestBatchCommand::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    writeFile(path(QStringLiteral("addresses.csv")), QByteArray("a;b\r\nc;d\r\n"));
}

void TestBatchCommand::commandLineErrors_data()
{
    QTest::addColumn<QStringList>("arguments"); // %D stands for the test folder
    QTest::addColumn<QString>("says");

    const QString a = QStringLiteral("%D/addresses.csv");
    const QString r = QStringLiteral("%D/result.csv");
    QTest::addRow("no files") << QStringList{QStringLiteral("--key"), Key}
                              << QStringLiteral("ADDRESS_FILE and RESULT_FILE");
    QTest::addRow("one file") << QStringList{QStringLiteral("--key"), Key, a}
                              << QStringLiteral("ADDRESS_FILE and RESULT_FILE");
    QTest::addRow("three files") << QStringList{QStringLiteral("--key"), Key, a, r, r}
                                 << QStringLiteral("ADDRESS_FILE and RESULT_FILE");
    QTest::addRow("unknown option") << QStringList{QStringLiteral("--key"), Key, QStringLiteral("--fast"), a,
                                                   r}
                                    << QStringLiteral("fast");
    QTest::addRow("unknown mode") << QStringList{QStringLiteral("--key"),  Key, QStringLiteral("--mode"),
                                                 QStringLiteral("flying"), a,   r}
                                  << QStringLiteral("flying");
    QTest::addRow("unknown language")
        << QStringList{QStringLiteral("--key"), Key, QStringLiteral("--language"), QStringLiteral("it"), a, r}
        << QStringLiteral("'it'");
    QTest::addRow("endpoint not http") << QStringList{QStringLiteral("--key"),
                                                      Key,
                                                      QStringLiteral("--endpoint"),
                                                      QStringLiteral("ftp://127.0.0.1/x"),
                                                      a,
                                                      r}
                                       << QStringLiteral("endpoint");
    QTest::addRow("endpoint not an address")
        << QStringList{QStringLiteral("--key"),   Key, QStringLiteral("--endpoint"),
                       QStringLiteral("nowhere"), a,   r}
        << QStringLiteral("endpoint");
    QTest::addRow("endpoint with a query") << QStringList{QStringLiteral("--endpoint"),
                                                          QStringLiteral("http://127.0.0.1:1/x?key=") + Key,
                                                          QStringLiteral("--key"),
                                                          Key,
                                                          a,
                                                          r}
                                           << QStringLiteral("endpoint");
    QTest::addRow("CA file missing")
        << QStringList{QStringLiteral("--key"),       Key, QStringLiteral("--ca-file"),
                       QStringLiteral("%D/none.pem"), a,   r}
        << QStringLiteral("none.pem");
    QTest::addRow("key without value")
        << QStringList{a, r, QStringLiteral("--key")} << QStringLiteral("--key");
    QTest::addRow("unknown service")
        << QStringList{QStringLiteral("--key"),      Key, QStringLiteral("--service"),
                       QStringLiteral("directions"), a,   r}
        << QStringLiteral("'directions'");
    QTest::addRow("rate 0") << QStringList{QStringLiteral("--key"), Key, QStringLiteral("--rate"),
                                           QStringLiteral("0"),     a,   r}
                            << QStringLiteral("rate");
    QTest::addRow("negative rate") << QStringList{QStringLiteral("--key"), Key, QStringLiteral("--rate=-5"),
                                                  a, r}
                                   << QStringLiteral("rate");
    QTest::addRow("rate not a number")
        << QStringList{QStringLiteral("--key"), Key, QStringLiteral("--rate"), QStringLiteral("fast"), a, r}
        << QStringLiteral("rate");
    for (const char *jobs : {"0", "33", "-1", "four", "2.5", ""})
        QTest::addRow("jobs '%s'", jobs)
            << QStringList{QStringLiteral("--key"),   Key, QStringLiteral("--jobs"),
                           QString::fromLatin1(jobs), a,   r}
            << QStringLiteral("--jobs");
}

void TestBatchCommand::commandLineErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, says);
    arguments.replaceInStrings(QStringLiteral("%D"), m_dir->path());
    const CommandResult result = runCommand(Program, arguments);
    QVERIFY(!result.crashed);
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.errText().startsWith(QStringLiteral("Error: ")), result.err.constData());
    QVERIFY2(result.errText().contains(says), result.err.constData());
    QVERIFY(!result.errText().contains(Key));
    QVERIFY(result.out.isEmpty());
    QVERIFY(!QFile::exists(path(QStringLiteral("result.csv"))));
}

void TestBatchCommand::helpAndVersion()
{
    const CommandResult help = runCommand(Program, {QStringLiteral("--help")});
    QCOMPARE(help.exitCode, 0);
    for (const char *option :
         {"--key", "--mode", "--language", "--service", "--rate", "--endpoint", "--ca-file", "--jobs",
          "--quiet", "--help", "--version", "ADDRESS_FILE", "RESULT_FILE"})
        QVERIFY2(help.out.contains(option), option);
    const CommandResult version = runCommand(Program, {QStringLiteral("--version")});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, QByteArray("trajetix-batch " TRAJETIX_VERSION "\n"));
}

// Runs refused or ended before any request: no service is needed.
void TestBatchCommand::refusedRuns_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("addresses");
    QTest::addColumn<QString>("stderrText");
    QTest::addColumn<QByteArray>("result");

    const MessageSlots &pt = messageSlots(Portuguese);
    const MessageSlots &en = messageSlots(English);
    const QString a = QStringLiteral("%D/addresses.csv");
    const QString r = QStringLiteral("%D/result.csv");
    const QByteArray two("a;b\r\nc;d\r\n");
    const QByteArray missing("<missing>");

    QTest::addRow("empty key") << QStringList{QStringLiteral("--key"), QString(), a, r} << two
                               << QStringLiteral("Warning: ") + pt.msglblKeyApi + u'\n' << missing;
    QTest::addRow("blank key, English")
        << QStringList{QStringLiteral("--key"),
                       QStringLiteral("   "),
                       QStringLiteral("--language"),
                       QStringLiteral("en"),
                       a,
                       r}
        << two << QStringLiteral("Warning: ") + en.msglblKeyApi + u'\n' << missing;
    QTest::addRow("blank result path")
        << QStringList{QStringLiteral("--key"), Key, a, QStringLiteral(" ")} << two
        << QStringLiteral("Warning: ") + pt.msgdlgbtnProcessar + u'\n' << missing;
    QTest::addRow("address file missing")
        << QStringList{QStringLiteral("--key"), Key, QStringLiteral("%D/none.csv"), r} << two
        << QStringLiteral("Error: ") + pt.msgdlgbtnArquivoEnderecosErro + u'\n' << missing;
    QTest::addRow("invalid UTF-8 after a mark")
        << QStringList{QStringLiteral("--key"), Key, a, r} << QByteArray("\xEF\xBB\xBF\xff;b")
        << QStringLiteral("Error: ") + pt.msgdlgbtnArquivoEnderecosErro + u'\n' << missing;
    QTest::addRow("no lines") << QStringList{QStringLiteral("--key"), Key, a, r} << QByteArray()
                              << QStringLiteral("Error: ") + pt.msgdlgbtnProcessarErroArg3 + u'\n'
                              << QByteArray();
    QTest::addRow("result names the address file")
        << QStringList{QStringLiteral("--key"), Key, a, QStringLiteral("%D/./addresses.csv")} << two
        << QStringLiteral("Error: ") + pt.msgdlgbtnProcessarErro1 + u'\n' << two;
    QTest::addRow("result folder missing, French")
        << QStringList{QStringLiteral("--language"),
                       QStringLiteral("fr"),
                       QStringLiteral("--key"),
                       Key,
                       a,
                       QStringLiteral("%D/no/result.csv")}
        << two << QStringLiteral("Error: ") + messageSlots(French).msgdlgbtnProcessarErro1 + u'\n' << missing;
}

void TestBatchCommand::refusedRuns()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, addresses);
    QFETCH(QString, stderrText);
    QFETCH(QByteArray, result);
    writeFile(path(QStringLiteral("addresses.csv")), addresses);
    arguments.replaceInStrings(QStringLiteral("%D"), m_dir->path());
    // Nothing listens there: a request would fail and show in the messages.
    arguments << QStringLiteral("--endpoint")
              << QStringLiteral("http://127.0.0.1:%1/maps/api/distancematrix/json").arg(closedPort());
    const CommandResult run = runCommand(Program, arguments);
    QVERIFY(!run.crashed);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.messageText(), stderrText);
    QVERIFY(run.out.isEmpty());
    const QString resultName = arguments.at(arguments.size() - 3);
    QCOMPARE(readFile(resultName.trimmed().isEmpty() ? path(QStringLiteral("result.csv")) : resultName),
             result);
}

void TestBatchCommand::failedRequestsStillGiveRows()
{
    const MessageSlots &en = messageSlots(English);
    const QString result = path(QStringLiteral("result.csv"));
    const CommandResult run = runCommand(
        Program, {QStringLiteral("--key"), Key, QStringLiteral("--language"), QStringLiteral("en"),
                  QStringLiteral("--endpoint"),
                  QStringLiteral("http://127.0.0.1:%1/maps/api/distancematrix/json").arg(closedPort()),
                  path(QStringLiteral("addresses.csv")), result});
    QCOMPARE(run.exitCode, 0);
    const QString requestFailed = QStringLiteral("Error: ") + en.msgdlgbtnProcessarErro2 + u'\n';
    QCOMPARE(run.messageText(), requestFailed + requestFailed + QStringLiteral("Information: ") +
                                    en.msgdlgbtnProcessarSucesso + u'\n');
    const QByteArray refused = en.msgdlgbtnProcessarErroArq2.toLatin1();
    QCOMPARE(readFile(result),
             QByteArray("a;b;" + refused + ';' + refused + "\r\nc;d;" + refused + ';' + refused + "\r\n"));
}

namespace {

// Answers by the origin's first word: "notfound", "refused", "broken" (an HTML error
// page, which is no answer the run can read); anything else is found.
FakeReply answerByOrigin(const FakeRequest &request)
{
    const QString origin = request.queryValue(QStringLiteral("origins"));
    const QString destination = request.queryValue(QStringLiteral("destinations"));
    if (origin.startsWith(QLatin1String("notfound")))
        return FakeDistanceMatrix::elementAnswer(origin + QStringLiteral(", Brasil"),
                                                 destination + QStringLiteral(", Brasil"),
                                                 QStringLiteral("ZERO_RESULTS"));
    if (origin.startsWith(QLatin1String("refused")))
        return FakeDistanceMatrix::refusedAnswer(QStringLiteral("REQUEST_DENIED"));
    if (origin.startsWith(QLatin1String("broken"))) {
        FakeReply reply;
        reply.status = 500;
        reply.contentType = "text/html";
        reply.body = "<html><body>Server Error</body></html>";
        return reply;
    }
    return FakeDistanceMatrix::defaultHandler(request);
}

QByteArray latin1(const QString &text)
{
    return text.toLatin1();
}

} // namespace

void TestBatchCommand::rowsFromTheService_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QByteArray>("addresses");
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<QString>("messages");
    QTest::addColumn<int>("exitCode");

    const MessageSlots &pt = messageSlots(Portuguese);
    const QString success = QStringLiteral("Information: ") + pt.msgdlgbtnProcessarSucesso + u'\n';
    const QByteArray notFoundPt = "N\xc3O ENCONTRADO";
    const QByteArray refusedPt = latin1(pt.msgdlgbtnProcessarErroArq2);

    QTest::addRow("route found") << QStringLiteral("pt") << QByteArray("Rua A 10;Rua B 20\r\n")
                                 << QByteArray("Rua A 10, Brasil;Rua B 20, Brasil;12,3 km;15 minutos\r\n")
                                 << success << 0;
    QTest::addRow("three shapes")
        << QStringLiteral("pt") << QByteArray("S\xe3o Paulo;Santos\r\nnotfound x;y\r\nrefused a; b \r\n")
        << QByteArray("S\xe3o Paulo, Brasil;Santos, Brasil;12,3 km;15 minutos\r\nnotfound x;y;" + notFoundPt +
                      ';' + notFoundPt + "\r\nrefused a; b ;" + refusedPt + ';' + refusedPt + "\r\n")
        << QStringLiteral("Warning: The provided API key is invalid.\n") + success << 0;
    QTest::addRow("not found in French")
        << QStringLiteral("fr") << QByteArray("notfound;b")
        << QByteArray("notfound;b;PAS TROUV\xc9;PAS TROUV\xc9\r\n")
        << QStringLiteral("Information: ") + messageSlots(French).msgdlgbtnProcessarSucesso + u'\n' << 0;
    QTest::addRow("unreadable answer ends the run")
        << QStringLiteral("pt") << QByteArray("a;b\r\nbroken;c\r\nd;e\r\n")
        << QByteArray("a, Brasil;b, Brasil;12,3 km;15 minutos\r\n")
        << QStringLiteral("Error: ") + pt.msgdlgbtnProcessarErroArg3 + u'\n' << 1;
    QTest::addRow("UTF-8 file keeps Chinese")
        << QStringLiteral("zh")
        << QByteArray("\xEF\xBB\xBF\xe5\x8c\x97\xe4\xba\xac;notfound\r\nnotfound;\xe4\xb8\x8a\xe6\xb5\xb7")
        << QStringLiteral(
               "\uFEFF北京, Brasil;notfound, Brasil;12,3 km;15 minutos\r\nnotfound;上海;未找到;未找到\r\n")
               .toUtf8()
        << QStringLiteral("Information: ") + messageSlots(Chinese).msgdlgbtnProcessarSucesso + u'\n' << 0;
}

void TestBatchCommand::rowsFromTheService()
{
    QFETCH(QString, language);
    QFETCH(QByteArray, addresses);
    QFETCH(QByteArray, rows);
    QFETCH(QString, messages);
    QFETCH(int, exitCode);
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    fake.setHandler(answerByOrigin);
    writeFile(path(QStringLiteral("addresses.csv")), addresses);
    const CommandResult run =
        runCommand(Program, {QStringLiteral("--key"), Key, QStringLiteral("--language"), language,
                             QStringLiteral("--endpoint"), fake.endpoint(),
                             path(QStringLiteral("addresses.csv")), path(QStringLiteral("result.csv"))});
    QVERIFY(!run.crashed);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.messageText(), messages);
    QCOMPARE(readFile(path(QStringLiteral("result.csv"))), rows);
    QVERIFY(!run.err.contains(Key.toUtf8()));
}

void TestBatchCommand::requestCarriesKeyModeAndPair_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("mode");
    QTest::addRow("default mode") << QStringList() << QStringLiteral("driving");
    QTest::addRow("driving") << QStringList{QStringLiteral("--mode"), QStringLiteral("driving")}
                             << QStringLiteral("driving");
    QTest::addRow("walking") << QStringList{QStringLiteral("--mode"), QStringLiteral("walking")}
                             << QStringLiteral("walking");
    QTest::addRow("bicycling") << QStringList{QStringLiteral("--mode=bicycling")}
                               << QStringLiteral("bicycling");
}

void TestBatchCommand::requestCarriesKeyModeAndPair()
{
    QFETCH(QStringList, options);
    QFETCH(QString, mode);
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    writeFile(path(QStringLiteral("addresses.csv")), QByteArray("Rua A, 10;S\xe3o Paulo;SP\r\n;x\r\n"));
    const QString key = QStringLiteral(" key with blanks ");
    const CommandResult run =
        runCommand(Program, options + QStringList{QStringLiteral("--key"), key, QStringLiteral("--endpoint"),
                                                  fake.endpoint(), path(QStringLiteral("addresses.csv")),
                                                  path(QStringLiteral("result.csv"))});
    QCOMPARE(run.exitCode, 0);
    const QList<FakeRequest> requests = fake.requests();
    QCOMPARE(requests.size(), 2);
    const QList<std::pair<QString, QString>> first{
        {QStringLiteral("origins"), QStringLiteral("Rua A, 10")},
        {QStringLiteral("destinations"), QStringLiteral("São Paulo;SP")},
        {QStringLiteral("key"), key},
        {QStringLiteral("language"), QStringLiteral("PT")},
        {QStringLiteral("mode"), mode}};
    QCOMPARE(requests.at(0).query, first);
    QCOMPARE(requests.at(1).queryValue(QStringLiteral("origins")), QString());
    QCOMPARE(requests.at(1).queryValue(QStringLiteral("destinations")), QStringLiteral("x"));
    QCOMPARE(requests.at(1).queryValue(QStringLiteral("mode")), mode);
    // One connection serves the whole run.
    QCOMPARE(fake.connectionCount(), 1);
}

void TestBatchCommand::savedKeyIsUsedWithoutKeyOption()
{
    // A copy of the command in a folder of its own, beside its own config.ini.
    const QString folder = path(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(folder));
    const QString program = folder + QStringLiteral("/trajetix-batch");
    QVERIFY(QFile::copy(Program, program));
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    const QStringList arguments{QStringLiteral("--endpoint"), fake.endpoint(),
                                path(QStringLiteral("addresses.csv")), path(QStringLiteral("result.csv"))};

    const CommandResult withoutSavedKey = runCommand(program, arguments);
    QCOMPARE(withoutSavedKey.exitCode, 1);
    QCOMPARE(withoutSavedKey.messageText(),
             QStringLiteral("Warning: ") + messageSlots(Portuguese).msglblKeyApi + u'\n');
    QCOMPARE(fake.requestCount(), 0);

    writeFile(folder + QStringLiteral("/config.ini"),
              QByteArray("[DADOS]\r\ncaminhoenderecos=/tmp\r\nchaveapigoogle=") + Key.toLatin1() +
                  "\r\nidioma=0\r\n");
    const CommandResult withSavedKey = runCommand(program, arguments);
    QCOMPARE(withSavedKey.exitCode, 0);
    QCOMPARE(fake.requestCount(), 2);
    QCOMPARE(fake.lastRequest().queryValue(QStringLiteral("key")), Key);
    QVERIFY(!withSavedKey.err.contains(Key.toUtf8()));

    // The option wins over the saved key.
    fake.clearRecords();
    QCOMPARE(runCommand(program, QStringList{QStringLiteral("--key"), QStringLiteral("other")} + arguments)
                 .exitCode,
             0);
    QCOMPARE(fake.lastRequest().queryValue(QStringLiteral("key")), QStringLiteral("other"));
}

void TestBatchCommand::httpsNeedsTrustedCertificate()
{
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(FakeDistanceMatrix::Scheme::Https), qPrintable(fake.errorString()));
    const QString result = path(QStringLiteral("result.csv"));
    const QStringList arguments{QStringLiteral("--key"),
                                Key,
                                QStringLiteral("--language"),
                                QStringLiteral("en"),
                                QStringLiteral("--endpoint"),
                                fake.endpoint(),
                                path(QStringLiteral("addresses.csv")),
                                result};

    const CommandResult trusted =
        runCommand(Program, QStringList{QStringLiteral("--ca-file"), fake.caFile()} + arguments);
    QCOMPARE(trusted.exitCode, 0);
    QCOMPARE(
        readFile(result),
        QByteArray("a, Brasil;b, Brasil;12,3 km;15 minutos\r\nc, Brasil;d, Brasil;12,3 km;15 minutos\r\n"));

    // Without the test CA the certificate is not trusted: no answer for any line.
    fake.clearRecords();
    const CommandResult untrusted = runCommand(Program, arguments);
    QCOMPARE(untrusted.exitCode, 0);
    const MessageSlots &en = messageSlots(English);
    const QString requestFailed = QStringLiteral("Error: ") + en.msgdlgbtnProcessarErro2 + u'\n';
    QCOMPARE(untrusted.messageText(), requestFailed + requestFailed + QStringLiteral("Information: ") +
                                          en.msgdlgbtnProcessarSucesso + u'\n');
    QCOMPARE(fake.requestCount(), 0);
    const QByteArray refused = latin1(en.msgdlgbtnProcessarErroArq2);
    QCOMPARE(readFile(result),
             QByteArray("a;b;" + refused + ';' + refused + "\r\nc;d;" + refused + ';' + refused + "\r\n"));
}

namespace {

// Line i of a mixed file: found, not found, refused, a failed request (the fake closes
// the connection without answering) and found again, in turn. Answers take uneven times,
// so with several jobs they arrive out of order.
QByteArray mixedLine(int i)
{
    static const char *const kinds[] = {"found", "notfound", "refused", "drop", "found"};
    return kinds[i % 5] + QByteArray::number(i) + ";d" + QByteArray::number(i) + "\r\n";
}

FakeReply mixedAnswer(const FakeRequest &request)
{
    const QString origin = request.queryValue(QStringLiteral("origins"));
    FakeReply reply;
    if (origin.startsWith(QLatin1String("drop")))
        reply.drop = FakeReply::Drop::BeforeAnswer;
    else
        reply = answerByOrigin(request);
    reply.delayMs = (origin.mid(origin.indexOf(QRegularExpression(QStringLiteral("[0-9]")))).toInt() * 7) % 5;
    return reply;
}

} // namespace

void TestBatchCommand::jobsWriteTheSameRows_data()
{
    QTest::addColumn<int>("jobs");
    QTest::addRow("1") << 1;
    QTest::addRow("4") << 4;
    QTest::addRow("8") << 8;
}

void TestBatchCommand::jobsWriteTheSameRows()
{
    QFETCH(int, jobs);
    constexpr int Lines = 30;
    const MessageSlots &en = messageSlots(English);
    const QByteArray notFound = latin1(en.msgdlgbtnProcessarErroArg1);
    const QByteArray refused = latin1(en.msgdlgbtnProcessarErroArq2);
    QByteArray addresses;
    QByteArray rows;
    QString messages;
    for (int i = 0; i < Lines; ++i) {
        addresses += mixedLine(i);
        const QByteArray n = QByteArray::number(i);
        switch (i % 5) {
        case 1:
            rows += "notfound" + n + ";d" + n + ';' + notFound + ';' + notFound + "\r\n";
            break;
        case 2:
            // The service's reason, once, at the first refusal.
            if (i == 2)
                messages += QStringLiteral("Warning: The provided API key is invalid.\n");
            rows += "refused" + n + ";d" + n + ';' + refused + ';' + refused + "\r\n";
            break;
        case 3:
            rows += "drop" + n + ";d" + n + ';' + refused + ';' + refused + "\r\n";
            messages += QStringLiteral("Error: ") + en.msgdlgbtnProcessarErro2 + u'\n';
            break;
        default:
            rows += "found" + n + ", Brasil;d" + n + ", Brasil;12,3 km;15 minutos\r\n";
        }
    }
    messages += QStringLiteral("Information: ") + en.msgdlgbtnProcessarSucesso + u'\n';
    writeFile(path(QStringLiteral("addresses.csv")), addresses);

    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    fake.setHandler(mixedAnswer);
    const CommandResult run =
        runCommand(Program, {QStringLiteral("--key"), Key, QStringLiteral("--language"), QStringLiteral("en"),
                             QStringLiteral("--jobs"), QString::number(jobs), QStringLiteral("--endpoint"),
                             fake.endpoint(), path(QStringLiteral("addresses.csv")),
                             path(QStringLiteral("result.csv"))});
    QVERIFY(!run.crashed);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(readFile(path(QStringLiteral("result.csv"))), rows);
    QCOMPARE(run.messageText(), messages);
    QVERIFY(run.out.isEmpty());
}

void TestBatchCommand::unreadableAnswerUnderJobs_data()
{
    QTest::addColumn<int>("line"); // from 1
    QTest::addRow("first line") << 1;
    QTest::addRow("line 5") << 5;
    QTest::addRow("line 17") << 17;
}

void TestBatchCommand::unreadableAnswerUnderJobs()
{
    // Lines after the broken one are asked ahead, but their rows are never written.
    QFETCH(int, line);
    constexpr int Lines = 30;
    QByteArray addresses;
    QByteArray rows;
    for (int i = 1; i <= Lines; ++i) {
        const QByteArray n = QByteArray::number(i);
        addresses += (i == line ? "broken" : "o") + n + ";d\r\n";
        if (i < line)
            rows += 'o' + n + ", Brasil;d, Brasil;12,3 km;15 minutos\r\n";
    }
    writeFile(path(QStringLiteral("addresses.csv")), addresses);
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    fake.setHandler(answerByOrigin);
    const CommandResult run =
        runCommand(Program, {QStringLiteral("--key"), Key, QStringLiteral("--jobs"), QStringLiteral("8"),
                             QStringLiteral("--endpoint"), fake.endpoint(),
                             path(QStringLiteral("addresses.csv")), path(QStringLiteral("result.csv"))});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(readFile(path(QStringLiteral("result.csv"))), rows);
    QCOMPARE(run.messageText(),
             QStringLiteral("Error: ") + messageSlots(Portuguese).msgdlgbtnProcessarErroArg3 + u'\n');
}

void TestBatchCommand::connectionsPerJob_data()
{
    QTest::addColumn<int>("jobs");
    QTest::addColumn<bool>("https");
    for (const int jobs : {1, 4, 8}) {
        QTest::addRow("%d jobs, HTTP", jobs) << jobs << false;
        QTest::addRow("%d jobs, HTTPS", jobs) << jobs << true;
    }
}

void TestBatchCommand::connectionsPerJob()
{
    // Each job keeps one connection (and so one TLS handshake) for the whole run.
    QFETCH(int, jobs);
    QFETCH(bool, https);
    constexpr int Lines = 40;
    QByteArray addresses;
    for (int i = 1; i <= Lines; ++i)
        addresses += 'o' + QByteArray::number(i) + ";d\r\n";
    writeFile(path(QStringLiteral("addresses.csv")), addresses);
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(https ? FakeDistanceMatrix::Scheme::Https : FakeDistanceMatrix::Scheme::Http),
             qPrintable(fake.errorString()));
    fake.setHandler([](const FakeRequest &request) {
        FakeReply reply = FakeDistanceMatrix::defaultHandler(request);
        reply.delayMs = 5;
        return reply;
    });
    QStringList arguments{QStringLiteral("--key"),      Key,
                          QStringLiteral("--jobs"),     QString::number(jobs),
                          QStringLiteral("--endpoint"), fake.endpoint()};
    if (https)
        arguments << QStringLiteral("--ca-file") << fake.caFile();
    const CommandResult run =
        runCommand(Program, arguments + QStringList{path(QStringLiteral("addresses.csv")),
                                                    path(QStringLiteral("result.csv"))});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(readFile(path(QStringLiteral("result.csv"))).count("\r\n"), Lines);
    QCOMPARE(fake.requestCount(), Lines);
    QVERIFY2(fake.connectionCount() >= 1 && fake.connectionCount() <= jobs,
             qPrintable(QString::number(fake.connectionCount())));
    // Every request came over one of those connections.
    QSet<int> used;
    for (const FakeRequest &request : fake.requests())
        used.insert(request.connectionId);
    QCOMPARE(used.size(), fake.connectionCount());
}

void TestBatchCommand::interruptKeepsRowsWritten_data()
{
    QTest::addColumn<int>("jobs");
    QTest::addRow("one job") << 1;
    QTest::addRow("4 jobs") << 4;
}

void TestBatchCommand::interruptKeepsRowsWritten()
{
    QFETCH(int, jobs);
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    fake.setHandler([](const FakeRequest &request) {
        FakeReply reply = FakeDistanceMatrix::defaultHandler(request);
        reply.delayMs = 200;
        return reply;
    });
    QByteArray addresses;
    for (int i = 1; i <= 50; ++i)
        addresses += "o" + QByteArray::number(i) + ";d\r\n";
    writeFile(path(QStringLiteral("addresses.csv")), addresses);

    QProcess process;
    process.start(Program, {QStringLiteral("--key"), Key, QStringLiteral("--endpoint"), fake.endpoint(),
                            QStringLiteral("--jobs"), QString::number(jobs),
                            path(QStringLiteral("addresses.csv")), path(QStringLiteral("result.csv"))});
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(fake.requestCount() >= 3, 20000);
    ::kill(pid_t(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 130);
    QVERIFY(CommandResult::withoutReport(QString::fromUtf8(process.readAllStandardError())).isEmpty());

    // Every request answered got its row, those in work when Ctrl-C came included.
    const int requests = fake.requestCount();
    QVERIFY(requests < 50);
    QByteArray expected;
    for (int i = 1; i <= requests; ++i)
        expected += "o" + QByteArray::number(i) + ", Brasil;d, Brasil;12,3 km;15 minutos\r\n";
    QCOMPARE(readFile(path(QStringLiteral("result.csv"))), expected);
}

void TestBatchCommand::progressOnlyOnATerminal_data()
{
    QTest::addColumn<bool>("quiet");
    QTest::addRow("terminal") << false;
    QTest::addRow("terminal, quiet") << true;
}

void TestBatchCommand::progressOnlyOnATerminal()
{
    QFETCH(bool, quiet);
    const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
    QVERIFY2(!script.isEmpty(), "the script command (bsdutils) gives the command a terminal");
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    QString command = Program + QStringLiteral(" --key K --language en --endpoint ") + fake.endpoint() +
                      u' ' + path(QStringLiteral("addresses.csv")) + u' ' +
                      path(QStringLiteral("result.csv"));
    if (quiet)
        command += QStringLiteral(" --quiet");
    const QString typescript = path(QStringLiteral("typescript"));
    const CommandResult run = runCommand(script, {QStringLiteral("-qec"), command, typescript});
    QCOMPARE(run.exitCode, 0);
    const QByteArray screen = readFile(typescript);
    QVERIFY2(screen.contains("Information: Processing completed SUCCESSFULLY."), screen.constData());
    // The bar after the last of the two lines, drawn in place.
    QCOMPARE(screen.contains("] 2/2"), !quiet);
    QCOMPARE(screen.contains("\r["), !quiet);
}

namespace {

QString originOf(const FakeRequest &request)
{
    return QJsonDocument::fromJson(request.body)
        .object()
        .value(QStringLiteral("origins"))
        .toArray()
        .at(0)
        .toObject()
        .value(QStringLiteral("waypoint"))
        .toObject()
        .value(QStringLiteral("address"))
        .toString();
}

// Routes answers by the origin's first word, as answerByOrigin for Distance Matrix:
// "notfound" ROUTE_NOT_FOUND, "failed" an element error, "refused" the service not enabled,
// "broken" no JSON; anything else found.
FakeReply routesByOrigin(const FakeRequest &request)
{
    const QString origin = originOf(request);
    if (origin.startsWith(QLatin1String("refused")))
        return FakeRoutes::serviceDisabled();
    if (origin.startsWith(QLatin1String("broken")))
        return FakeRoutes::garbage();
    FakeRoutesOptions options;
    options.decide = [](int, int, const QString &o, const QString &, const QString &) {
        FakeRouteElement e;
        if (o.startsWith(QLatin1String("notfound")))
            e.outcome = FakeRouteElement::Outcome::NotFound;
        else if (o.startsWith(QLatin1String("failed")))
            e.outcome = FakeRouteElement::Outcome::Error;
        return e;
    };
    return FakeRoutes::answer(request, options);
}

// Answers with the replies in turn, the last one for all that follow.
FakeHandler inTurn(QList<FakeReply> replies)
{
    auto next = std::make_shared<std::atomic_int>(0);
    return [replies, next](const FakeRequest &request) {
        const int i = next->fetch_add(1);
        const FakeReply &reply = replies.at(std::min<qsizetype>(i, replies.size() - 1));
        return reply.body.isEmpty() ? FakeRoutes::answer(request) : reply;
    };
}

} // namespace

void TestBatchCommand::routesRows_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("addresses");
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<QString>("messages");
    QTest::addColumn<int>("exitCode");

    const MessageSlots &pt = messageSlots(Portuguese);
    const MessageSlots &en = messageSlots(English);
    const QString success = QStringLiteral("Information: ") + pt.msgdlgbtnProcessarSucesso + u'\n';
    const QByteArray notFound = "N\xc3O ENCONTRADO";
    const QByteArray refused = latin1(pt.msgdlgbtnProcessarErroArq2);
    const QString disabled =
        QStringLiteral("Warning: Routes API has not been used in project 123456789 before or "
                       "it is disabled. Enable it by visiting the Google Cloud console, then "
                       "retry.\n");

    QTest::addRow("found: the line's own addresses")
        << QStringList() << QByteArray("Rua A 10;Rua B 20\r\nS\xe3o Paulo; Santos ;SP")
        << QByteArray("Rua A 10;Rua B 20;12,3 km;15 min\r\nS\xe3o Paulo; Santos ;SP;12,3 km;15 min\r\n")
        << success << 0;
    QTest::addRow("the three shapes; the reason once")
        << QStringList() << QByteArray("a;b\r\nnotfound;c\r\nfailed;d\r\nrefused;e\r\nrefused;f\r\n")
        << QByteArray("a;b;12,3 km;15 min\r\nnotfound;c;" + notFound + ';' + notFound + "\r\nfailed;d;" +
                      notFound + ';' + notFound + "\r\nrefused;e;" + refused + ';' + refused +
                      "\r\nrefused;f;" + refused + ';' + refused + "\r\n")
        << disabled + success << 0;
    QTest::addRow("unreadable answer ends the run")
        << QStringList() << QByteArray("a;b\r\nbroken;c\r\nd;e\r\n") << QByteArray("a;b;12,3 km;15 min\r\n")
        << QStringLiteral("Error: ") + pt.msgdlgbtnProcessarErroArg3 + u'\n' << 1;
    QTest::addRow("walking: the beta notice first")
        << QStringList{QStringLiteral("--mode"), QStringLiteral("walking"), QStringLiteral("--language"),
                       QStringLiteral("en")}
        << QByteArray("a;b\r\nc;d\r\n") << QByteArray("a;b;12,3 km;15 min\r\nc;d;12,3 km;15 min\r\n")
        << QStringLiteral("Warning: ") + serviceTexts(English).betaNoticeWalking +
               QStringLiteral("\nInformation: ") + en.msgdlgbtnProcessarSucesso + u'\n'
        << 0;
    QTest::addRow("bicycling in Chinese")
        << QStringList{QStringLiteral("--mode"), QStringLiteral("bicycling"), QStringLiteral("--language"),
                       QStringLiteral("zh")}
        << QByteArray("a;b\r\n") << QByteArray("a;b;12,3 km;15 min\r\n")
        << QStringLiteral("Warning: ") + serviceTexts(Chinese).betaNoticeBicycling +
               QStringLiteral("\nInformation: ") + messageSlots(Chinese).msgdlgbtnProcessarSucesso + u'\n'
        << 0;
}

void TestBatchCommand::routesRows()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, addresses);
    QFETCH(QByteArray, rows);
    QFETCH(QString, messages);
    QFETCH(int, exitCode);
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    fake.setHandler(routesByOrigin);
    writeFile(path(QStringLiteral("addresses.csv")), addresses);
    // With several jobs the notice and the reason still come once, in the same places.
    for (const int jobs : {1, 4}) {
        const CommandResult run = runCommand(
            Program,
            options + QStringList{QStringLiteral("--service"), QStringLiteral("routes"),
                                  QStringLiteral("--jobs"), QString::number(jobs), QStringLiteral("--key"),
                                  Key, QStringLiteral("--endpoint"), fake.routesEndpoint(),
                                  path(QStringLiteral("addresses.csv")), path(QStringLiteral("result.csv"))});
        QVERIFY(!run.crashed);
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.messageText(), messages);
        QCOMPARE(readFile(path(QStringLiteral("result.csv"))), rows);
    }
    for (const FakeRequest &request : fake.requests())
        QCOMPARE(request.path, FakeRoutes::path());
}

void TestBatchCommand::routesRequestAndHiddenKey()
{
    // A refusal whose reason repeats the key: printed, but with the key masked.
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    fake.setHandler([](const FakeRequest &request) {
        return FakeRoutes::error(400, QStringLiteral("INVALID_ARGUMENT"),
                                 QStringLiteral("API key ") +
                                     QString::fromUtf8(request.header("X-Goog-Api-Key")) +
                                     QStringLiteral(" not valid. Please pass a valid API key."),
                                 QStringLiteral("API_KEY_INVALID"));
    });
    const CommandResult run =
        runCommand(Program, {QStringLiteral("--service=routes"), QStringLiteral("--key"), Key,
                             QStringLiteral("--language"), QStringLiteral("en"), QStringLiteral("--endpoint"),
                             fake.routesEndpoint(), path(QStringLiteral("addresses.csv")),
                             path(QStringLiteral("result.csv"))});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.messageText(),
             QStringLiteral("Warning: API key *** not valid. Please pass a valid API key.\n"
                            "Information: ") +
                 messageSlots(English).msgdlgbtnProcessarSucesso + u'\n');
    QVERIFY(!run.err.contains(Key.toUtf8()));
    QCOMPARE(fake.requestCount(), 2);
    for (const FakeRequest &request : fake.requests()) {
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.header("X-Goog-Api-Key"), Key.toUtf8());
        QVERIFY(!request.target.contains(Key.toUtf8()));
        QVERIFY(!request.body.contains(Key.toUtf8()));
    }
    QCOMPARE(originOf(fake.requests().at(1)), QStringLiteral("c"));
}

void TestBatchCommand::routesRetries_data()
{
    QTest::addColumn<QList<FakeReply>>("replies"); // an empty body: the fake's own answer
    QTest::addColumn<int>("requests");
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<QString>("warning");

    FakeReply unavailable = FakeRoutes::unavailable();
    unavailable.extraHeaders.append(std::pair<QByteArray, QByteArray>("Retry-After", "0"));
    const QByteArray refused = latin1(messageSlots(English).msgdlgbtnProcessarErroArq2);
    QTest::addRow("429 once, then found") << QList<FakeReply>{FakeRoutes::quotaExceeded(), FakeReply()} << 2
                                          << QByteArray("a;b;12,3 km;15 min\r\n") << QString();
    QTest::addRow("503 every time: refused after three retries")
        << QList<FakeReply>{unavailable} << 4 << QByteArray("a;b;" + refused + ';' + refused + "\r\n")
        << QStringLiteral("Warning: The service is currently unavailable.\n");
}

void TestBatchCommand::routesRetries()
{
    QFETCH(QList<FakeReply>, replies);
    QFETCH(int, requests);
    QFETCH(QByteArray, rows);
    QFETCH(QString, warning);
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    fake.setHandler(inTurn(replies));
    writeFile(path(QStringLiteral("addresses.csv")), QByteArray("a;b\r\n"));
    const CommandResult run =
        runCommand(Program, {QStringLiteral("--service"), QStringLiteral("routes"), QStringLiteral("--key"),
                             Key, QStringLiteral("--language"), QStringLiteral("en"),
                             QStringLiteral("--endpoint"), fake.routesEndpoint(),
                             path(QStringLiteral("addresses.csv")), path(QStringLiteral("result.csv"))});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(fake.requestCount(), requests);
    QCOMPARE(readFile(path(QStringLiteral("result.csv"))), rows);
    QCOMPARE(run.messageText(), warning + QStringLiteral("Information: ") +
                                    messageSlots(English).msgdlgbtnProcessarSucesso + u'\n');
}

void TestBatchCommand::rateHoldsRequestsBack_data()
{
    QTest::addColumn<QString>("service");
    QTest::addColumn<int>("jobs"); // several jobs share one pacing
    for (const int jobs : {1, 4}) {
        QTest::addRow("routes, %d job(s)", jobs) << QStringLiteral("routes") << jobs;
        QTest::addRow("distance-matrix, %d job(s)", jobs) << QStringLiteral("distance-matrix") << jobs;
    }
}

void TestBatchCommand::rateHoldsRequestsBack()
{
    // One request a minute: the second may not come for a minute, so none may come within
    // the moment waited here (the wait only bounds what is seen, it measures nothing).
    QFETCH(QString, service);
    QFETCH(int, jobs);
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(), qPrintable(fake.errorString()));
    const QString endpoint = service == u"routes" ? fake.routesEndpoint() : fake.endpoint();
    QProcess process;
    process.start(Program, {QStringLiteral("--service"), service, QStringLiteral("--rate"),
                            QStringLiteral("1"), QStringLiteral("--jobs"), QString::number(jobs),
                            QStringLiteral("--key"), Key, QStringLiteral("--endpoint"), endpoint,
                            path(QStringLiteral("addresses.csv")), path(QStringLiteral("result.csv"))});
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(fake.requestCount() >= 1, 20000);
    QTest::qWait(1500);
    const int seen = fake.requestCount();
    process.kill();
    process.waitForFinished();
    QCOMPARE(seen, 1);
}

QTEST_GUILESS_MAIN(TestBatchCommand)
#include "test_batch_command.moc"
