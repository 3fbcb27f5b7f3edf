#include <QtTest>

#include "common/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <atomic>
#include <optional>
#include <unistd.h>

#include "BatchFakes.h"
#include "batch/BatchRun.h"
#include "batch/LineCounter.h"
#include "batch/ProgressState.h"
#include "i18n/Texts.h"

using namespace trajetix;
using namespace batchtest;

namespace {

const MessageSlots &en = messageSlots(English);

QString info(const QString &text)
{
    return QStringLiteral("Information: ") + text;
}
QString error(const QString &text)
{
    return QStringLiteral("Error: ") + text;
}
QString warning(const QString &text)
{
    return QStringLiteral("Warning: ") + text;
}

const QString Success = info(en.msgdlgbtnProcessarSucesso);
const QString Aborted = error(en.msgdlgbtnProcessarErroArg3);
const QString OpenError = error(en.msgdlgbtnProcessarErro1);
const QString RequestError = error(en.msgdlgbtnProcessarErro2);

QByteArray utf16le(const QString &text)
{
    QByteArray bytes("\xFF\xFE");
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}
QByteArray utf16be(const QString &text)
{
    QByteArray bytes("\xFE\xFF");
    for (const QChar c : text) {
        bytes.append(char(c.unicode() >> 8));
        bytes.append(char(c.unicode() & 0xFF));
    }
    return bytes;
}

} // namespace

// One run of the batch with everything it touches recorded.
struct Run {
    explicit Run(const QString &folder, Script script = {}, int language = English)
        : service(std::move(script)), texts(messageSlots(language))
    {
        input.key = QStringLiteral("test-key");
        input.addressPath = folder + QStringLiteral("/addresses.csv");
        input.resultPath = folder + QStringLiteral("/result.csv");
        sink.onMessage = [this] { progress.events << QStringLiteral("message"); };
    }
    // Writes the address file, counts it as the window does (unless a count is
    // given), and runs.
    BatchOutcome operator()(const QByteArray &addresses, std::optional<int> lineCount = std::nullopt)
    {
        writeFile(input.addressPath, addresses);
        return start(lineCount);
    }
    BatchOutcome start(std::optional<int> lineCount = std::nullopt)
    {
        input.lineCount = lineCount ? *lineCount : countAddressLines(input.addressPath).value_or(-1);
        BatchRun run(service, sink, progress, texts);
        run.setStopFlag(&stop);
        return run.run(input);
    }
    QByteArray result() const { return readFile(input.resultPath); }

    ScriptedService service;
    RecordingSink sink;
    RecordingProgress progress;
    MessageSlots texts;
    BatchInput input;
    std::atomic_bool stop{false};
};

class TestBatchRun : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void rowShapes_data();
    void rowShapes();
    void addressLines_data();
    void addressLines();
    void refusedBeforeOpening_data();
    void refusedBeforeOpening();
    void openFailures_data();
    void openFailures();
    void resultNamingTheAddressFile_data();
    void resultNamingTheAddressFile();
    void abortsDuringTheRun_data();
    void abortsDuringTheRun();
    void failedRequestGetsItsOwnRow();
    void byteOrderMarkKeepsUnicode_data();
    void byteOrderMarkKeepsUnicode();
    void rowTextsOfEachLanguage_data();
    void rowTextsOfEachLanguage();
    void textsAreReadWhenUsed();
    void progressSequence();
    void progressOnOpenFailure();
    void travelModes_data();
    void travelModes();
    void keyIsSentUntrimmed();
    void secondRunReplacesResult();
    void pathsBeyond259Characters();
    void writeFailures_data();
    void writeFailures();
    void writeFailureStopsReading();
    void stopBetweenLines();
    void progressStateRefusesLowMaximum_data();
    void progressStateRefusesLowMaximum();

  private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString folder() const { return m_dir->path(); }
};

void TestBatchRun::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestBatchRun::rowShapes_data()
{
    QTest::addColumn<QByteArray>("addresses");
    QTest::addColumn<Script>("script");
    QTest::addColumn<QByteArray>("rows");

    QTest::addRow("route found: resolved addresses, distance, duration")
        << QByteArray("Rua A 10;Rua B 20\r\n")
        << Script{found(QStringLiteral("Rua A, 10 - Centro, São Paulo - SP, Brasil"),
                        QStringLiteral("Rua B, 20 - SP"), QStringLiteral("1,2 km"),
                        QStringLiteral("5 minutos"))}
        << QByteArray("Rua A, 10 - Centro, S\xe3o Paulo - SP, Brasil;Rua B, 20 - SP;1,2 km;5 minutos\r\n");
    QTest::addRow("pair not found: input halves, text twice")
        << QByteArray("Rua A 10;Rua B 20\r\n") << Script{notFound()}
        << QByteArray("Rua A 10;Rua B 20;NOT FOUND;NOT FOUND\r\n");
    QTest::addRow("service refused: input halves, text twice")
        << QByteArray("Rua A 10;Rua B 20\r\n") << Script{refused()}
        << QByteArray("Rua A 10;Rua B 20;ERROR ACCESSING GOOGLE API - UNAVAILABILITY;ERROR ACCESSING GOOGLE "
                      "API - UNAVAILABILITY\r\n");
    QTest::addRow("top-level status compared with case")
        << QByteArray("a;b") << Script{refused(QStringLiteral("ok"))}
        << QByteArray("a;b;ERROR ACCESSING GOOGLE API - UNAVAILABILITY;ERROR ACCESSING GOOGLE API - "
                      "UNAVAILABILITY\r\n");
    QTest::addRow("element status compared with case")
        << QByteArray("a;b") << Script{notFound(QStringLiteral("Ok"))}
        << QByteArray("a;b;NOT FOUND;NOT FOUND\r\n");
    QTest::addRow("error rows keep the halves untrimmed")
        << QByteArray(" a ;  b \n c ; d ") << Script{notFound(), refused()}
        << QByteArray(" a ;  b ;NOT FOUND;NOT FOUND\r\n c ; d ;ERROR ACCESSING GOOGLE API - "
                      "UNAVAILABILITY;ERROR ACCESSING GOOGLE API - UNAVAILABILITY\r\n");
    QTest::addRow("further semicolons stay in the destination")
        << QByteArray("a;b;c") << Script{notFound()} << QByteArray("a;b;c;NOT FOUND;NOT FOUND\r\n");
    QTest::addRow("characters outside Windows-1252 written as close equivalents")
        << QByteArray("x;y")
        << Script{found(QStringLiteral("Łódź"), QStringLiteral("北京"), QStringLiteral("3 km"),
                        QStringLiteral("1 h"))}
        << QByteArray("L\xf3"
                      "dz;??;3 km;1 h\r\n");
    QTest::addRow("Windows-1252 input written back unchanged")
        << QByteArray("S\xe3o Jo\xe3o \x80;\x81\x8d") << Script{refused()}
        << QByteArray("S\xe3o Jo\xe3o \x80;\x81\x8d;ERROR ACCESSING GOOGLE API - UNAVAILABILITY;ERROR "
                      "ACCESSING GOOGLE API - UNAVAILABILITY\r\n");
    QTest::addRow("three shapes in input order")
        << QByteArray("a;b\r\nc;d\r\ne;f\r\n")
        << Script{notFound(),
                  found(QStringLiteral("C"), QStringLiteral("D"), QStringLiteral("9 km"),
                        QStringLiteral("8 mins")),
                  refused(QStringLiteral("OVER_QUERY_LIMIT"))}
        << QByteArray("a;b;NOT FOUND;NOT FOUND\r\nC;D;9 km;8 mins\r\ne;f;ERROR ACCESSING GOOGLE API - "
                      "UNAVAILABILITY;ERROR ACCESSING GOOGLE API - UNAVAILABILITY\r\n");
    QTest::addRow("empty line: empty halves, one row")
        << QByteArray("\r\n") << Script{notFound()} << QByteArray(";;NOT FOUND;NOT FOUND\r\n");
    QTest::addRow("empty answer fields written as they are")
        << QByteArray("a;b") << Script{found(QString(), QString(), QString(), QString())}
        << QByteArray(";;;\r\n");
}

void TestBatchRun::rowShapes()
{
    QFETCH(QByteArray, addresses);
    QFETCH(Script, script);
    QFETCH(QByteArray, rows);
    Run run(folder(), script);
    QCOMPARE(run(addresses), BatchOutcome::Completed);
    QCOMPARE(run.result(), rows);
    QCOMPARE(run.sink.messages, QStringList{Success});
}

void TestBatchRun::addressLines_data()
{
    QTest::addColumn<QByteArray>("addresses");
    QTest::addColumn<QStringList>("pairs");

    QTest::addRow("A;B") << QByteArray("A;B") << QStringList{QStringLiteral("A|B")};
    QTest::addRow("A;B;C") << QByteArray("A;B;C") << QStringList{QStringLiteral("A|B;C")};
    QTest::addRow("AB without semicolon") << QByteArray("AB") << QStringList{QStringLiteral("|AB")};
    QTest::addRow(";B") << QByteArray(";B") << QStringList{QStringLiteral("|B")};
    QTest::addRow("first line is no header")
        << QByteArray("origem;destino\r\na;b\r\n")
        << QStringList{QStringLiteral("origem|destino"), QStringLiteral("a|b")};
    QTest::addRow("three lines with final break")
        << QByteArray("a;1\r\nb;2\r\nc;3\r\n")
        << QStringList{QStringLiteral("a|1"), QStringLiteral("b|2"), QStringLiteral("c|3")};
    QTest::addRow("three lines without final break")
        << QByteArray("a;1\r\nb;2\r\nc;3")
        << QStringList{QStringLiteral("a|1"), QStringLiteral("b|2"), QStringLiteral("c|3")};
    QTest::addRow("three lines and an empty one") << QByteArray("a;1\r\nb;2\r\nc;3\r\n\r\n")
                                                  << QStringList{QStringLiteral("a|1"), QStringLiteral("b|2"),
                                                                 QStringLiteral("c|3"), QStringLiteral("|")};
    QTest::addRow("LF alone ends a line")
        << QByteArray("a;1\nb;2") << QStringList{QStringLiteral("a|1"), QStringLiteral("b|2")};
    QTest::addRow("lone CR joins two texts")
        << QByteArray("Rua A\r10;B") << QStringList{QStringLiteral("Rua A10|B")};
    QTest::addRow("CR at the end dropped") << QByteArray("a;b\r") << QStringList{QStringLiteral("a|b")};
    QTest::addRow("Ctrl-Z ends the input") << QByteArray("a;1\r\nb;2\x1A"
                                                         "c;3\r\nd;4\r\n")
                                           << QStringList{QStringLiteral("a|1"), QStringLiteral("b|2")};
    QTest::addRow("blanks kept") << QByteArray("  a  ;  b  ") << QStringList{QStringLiteral("  a  |  b  ")};
    QTest::addRow("UTF-8 mark not part of the first origin")
        << QByteArray("\xEF\xBB\xBFS\xc3\xa3o;b\r\n") << QStringList{QStringLiteral("São|b")};
    QTest::addRow("UTF-16 LE") << utf16le(QStringLiteral("北京;Łódź\r\nx;y"))
                               << QStringList{QStringLiteral("北京|Łódź"), QStringLiteral("x|y")};
}

void TestBatchRun::addressLines()
{
    QFETCH(QByteArray, addresses);
    QFETCH(QStringList, pairs);
    Run run(folder());
    QCOMPARE(run(addresses), BatchOutcome::Completed);
    QCOMPARE(run.service.pairs(), pairs);
    QCOMPARE(run.sink.messages, QStringList{Success});
    QCOMPARE(run.result().count("\r\n"), pairs.size());
}

void TestBatchRun::refusedBeforeOpening_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("resultName"); // relative to the test folder; empty for none
    QTest::addColumn<QString>("message");

    QTest::addRow("key empty") << QString() << QStringLiteral("result.csv") << warning(en.msglblKeyApi);
    QTest::addRow("key only blanks") << QStringLiteral("  \t ") << QStringLiteral("result.csv")
                                     << warning(en.msglblKeyApi);
    QTest::addRow("result path empty") << QStringLiteral("k") << QString() << warning(en.msgdlgbtnProcessar);
    QTest::addRow("result path only blanks")
        << QStringLiteral("k") << QStringLiteral("   ") << warning(en.msgdlgbtnProcessar);
    QTest::addRow("both blank: key warning only")
        << QStringLiteral(" ") << QString() << warning(en.msglblKeyApi);
}

void TestBatchRun::refusedBeforeOpening()
{
    QFETCH(QString, key);
    QFETCH(QString, resultName);
    QFETCH(QString, message);
    Run run(folder());
    run.input.key = key;
    run.input.resultPath = resultName;
    QCOMPARE(run(QByteArray("a;b\r\n")), BatchOutcome::NotStarted);
    QCOMPARE(run.sink.messages, QStringList{message});
    QCOMPARE(run.service.sends, 0);
    QCOMPARE(run.progress.events, QStringList{QStringLiteral("message")});
    QVERIFY(!QFile::exists(folder() + QStringLiteral("/result.csv")));
    QVERIFY(!QFile::exists(folder() + QStringLiteral("/   ")));
}

void TestBatchRun::openFailures_data()
{
    QTest::addColumn<QString>("addressPath"); // %D stands for the test folder
    QTest::addColumn<QString>("resultPath");

    QTest::addRow("address file missing")
        << QStringLiteral("%D/missing.csv") << QStringLiteral("%D/result.csv");
    QTest::addRow("address path is a folder") << QStringLiteral("%D") << QStringLiteral("%D/result.csv");
    QTest::addRow("result folder missing")
        << QStringLiteral("%D/addresses.csv") << QStringLiteral("%D/no/such/folder/result.csv");
    QTest::addRow("result path is a folder") << QStringLiteral("%D/addresses.csv") << QStringLiteral("%D");
    QTest::addRow("folder without write access")
        << QStringLiteral("%D/addresses.csv") << QStringLiteral("/sys/trajetix-result.csv");
    QTest::addRow("folder where no file can be made")
        << QStringLiteral("%D/addresses.csv") << QStringLiteral("/proc/trajetix-result.csv");
    QTest::addRow("result path beyond the system's limit")
        << QStringLiteral("%D/addresses.csv")
        << QStringLiteral("%D/") + QString(5000, u'n') + QStringLiteral(".csv");
}

void TestBatchRun::openFailures()
{
    QFETCH(QString, addressPath);
    QFETCH(QString, resultPath);
    const QByteArray addresses("a;b\r\nc;d\r\n");
    writeFile(folder() + QStringLiteral("/addresses.csv"), addresses);
    Run run(folder());
    run.input.addressPath = addressPath.replace(QStringLiteral("%D"), folder());
    run.input.resultPath = resultPath.replace(QStringLiteral("%D"), folder());
    QCOMPARE(run.start(2), BatchOutcome::OpenFailed);
    QCOMPARE(run.sink.messages, QStringList{OpenError});
    QCOMPARE(run.service.sends, 0);
    // The bars are emptied once the message has been dismissed.
    QCOMPARE(run.progress.events,
             (QStringList{QStringLiteral("message"), QStringLiteral("pos G 0"), QStringLiteral("pos C 0")}));
    QCOMPARE(readFile(folder() + QStringLiteral("/addresses.csv")), addresses);
    // When the address file fails, the result file is not touched.
    QVERIFY(!QFile::exists(folder() + QStringLiteral("/result.csv")));
}

void TestBatchRun::resultNamingTheAddressFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::addRow("same name") << QStringLiteral("same");
    QTest::addRow("another spelling") << QStringLiteral("spelling");
    QTest::addRow("symbolic link") << QStringLiteral("symlink");
    QTest::addRow("hard link") << QStringLiteral("hardlink");
}

void TestBatchRun::resultNamingTheAddressFile()
{
    QFETCH(QString, how);
    const QByteArray addresses("a;b\r\nc;d\r\n");
    Run run(folder());
    writeFile(run.input.addressPath, addresses);
    QVERIFY(QDir(folder()).mkdir(QStringLiteral("sub")));
    if (how == QLatin1String("same")) {
        run.input.resultPath = run.input.addressPath;
    } else if (how == QLatin1String("spelling")) {
        run.input.resultPath = folder() + QStringLiteral("/./sub/../addresses.csv");
    } else if (how == QLatin1String("symlink")) {
        run.input.resultPath = folder() + QStringLiteral("/sub/link.csv");
        QVERIFY(QFile::link(run.input.addressPath, run.input.resultPath));
    } else {
        run.input.resultPath = folder() + QStringLiteral("/sub/hard.csv");
        QCOMPARE(::link(QFile::encodeName(run.input.addressPath).constData(),
                        QFile::encodeName(run.input.resultPath).constData()),
                 0);
    }
    QCOMPARE(run.start(2), BatchOutcome::OpenFailed);
    QCOMPARE(run.sink.messages, QStringList{OpenError});
    QCOMPARE(run.service.sends, 0);
    QCOMPARE(readFile(run.input.addressPath), addresses);
}

void TestBatchRun::abortsDuringTheRun_data()
{
    QTest::addColumn<QByteArray>("addresses");
    QTest::addColumn<Script>("script");
    QTest::addColumn<int>("lineCount"); // -1: counted as the window does
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<int>("sends");

    const QByteArray three("a;1\r\nb;2\r\nc;3\r\n");
    QTest::addRow("no status on the first line")
        << three << Script{failing(Answer::StatusUnreadable)} << -1 << QByteArray() << 1;
    QTest::addRow("addresses unreadable on line 2")
        << three << Script{notFound(), failing(Answer::AddressesUnreadable)} << -1
        << QByteArray("a;1;NOT FOUND;NOT FOUND\r\n") << 2;
    QTest::addRow("distance unreadable on line 3")
        << three << Script{notFound(), notFound(), failing(Answer::DistanceUnreadable)} << -1
        << QByteArray("a;1;NOT FOUND;NOT FOUND\r\nb;2;NOT FOUND;NOT FOUND\r\n") << 3;
    QTest::addRow("line count 0 from the window") << three << Script{} << 0 << QByteArray() << 0;
    QTest::addRow("address file counted empty") << QByteArray() << Script{} << -1 << QByteArray() << 0;
    QTest::addRow("mark only counted empty")
        << QByteArray("\xEF\xBB\xBF") << Script{} << -1 << QByteArray() << 0;
    QTest::addRow("negative line count") << three << Script{} << -5 << QByteArray() << 0;
    QTest::addRow("undecodable line after a UTF-8 mark") << QByteArray("\xEF\xBB\xBF"
                                                                       "a;1\r\n\xff;2\r\nc;3\r\n")
                                                         << Script{notFound()} << 3
                                                         << QByteArray("\xEF\xBB\xBF"
                                                                       "a;1;NOT FOUND;NOT FOUND\r\n")
                                                         << 1;
}

void TestBatchRun::abortsDuringTheRun()
{
    QFETCH(QByteArray, addresses);
    QFETCH(Script, script);
    QFETCH(int, lineCount);
    QFETCH(QByteArray, rows);
    QFETCH(int, sends);
    Run run(folder(), script);
    writeFile(run.input.addressPath, addresses);
    QCOMPARE(run.start(lineCount == -1 ? std::nullopt : std::optional<int>(lineCount)),
             BatchOutcome::Aborted);
    QCOMPARE(run.sink.messages, QStringList{Aborted});
    QCOMPARE(run.service.sends, sends);
    QCOMPARE(run.result(), rows);
    QCOMPARE(run.progress.events.mid(run.progress.events.size() - 3),
             (QStringList{QStringLiteral("message"), QStringLiteral("pos G 0"), QStringLiteral("pos C 0")}));
}

void TestBatchRun::failedRequestGetsItsOwnRow()
{
    // Line 1 is answered and its answer held; line 2's request fails and must not
    // be written from that answer; the run goes on to line 3.
    Run run(folder(), Script{found(QStringLiteral("A!"), QStringLiteral("B!"), QStringLiteral("1 km"),
                                   QStringLiteral("1 min")),
                             failing(Answer::SendFails), notFound(), failing(Answer::SendFails)});
    QCOMPARE(run(QByteArray("a;b\r\n c ; d \r\ne;f\r\ng;h\r\n")), BatchOutcome::Completed);
    const QByteArray refusedText("ERROR ACCESSING GOOGLE API - UNAVAILABILITY");
    QCOMPARE(run.result(),
             QByteArray("A!;B!;1 km;1 min\r\n c ; d ;" + refusedText + ';' + refusedText +
                        "\r\ne;f;NOT FOUND;NOT FOUND\r\ng;h;" + refusedText + ';' + refusedText + "\r\n"));
    QCOMPARE(run.sink.messages, (QStringList{RequestError, RequestError, Success}));
    // Nothing is read for a line whose request failed.
    const auto line = [](const QString &pair, const QStringList &reads) {
        return QStringList{QStringLiteral("key=test-key"), QStringLiteral("mode=driving"),
                           QStringLiteral("pair=") + pair, QStringLiteral("send")} +
               reads;
    };
    const QStringList calls =
        line(QStringLiteral("a|b"),
             {QStringLiteral("status"), QStringLiteral("addresses"), QStringLiteral("distance")}) +
        line(QStringLiteral(" c | d "), {}) +
        line(QStringLiteral("e|f"), {QStringLiteral("status"), QStringLiteral("addresses")}) +
        line(QStringLiteral("g|h"), {});
    QCOMPARE(run.service.calls, calls);
}

void TestBatchRun::byteOrderMarkKeepsUnicode_data()
{
    QTest::addColumn<QByteArray>("addresses");
    QTest::addColumn<Script>("script");
    QTest::addColumn<QByteArray>("rows");

    const QByteArray refusedRows("\xEF\xBB\xBF\xe5\x8c\x97\xe4\xba\xac;\xc5\x81\xc3\xb3"
                                 "d\xc5\xba;ERROR ACCESSING GOOGLE API - UNAVAILABILITY;ERROR ACCESSING "
                                 "GOOGLE API - UNAVAILABILITY\r\n");
    QTest::addRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBF\xe5\x8c\x97\xe4\xba\xac;\xc5\x81\xc3\xb3"
                                              "d\xc5\xba\r\n")
                                << Script{refused()} << refusedRows;
    QTest::addRow("UTF-16 LE mark") << utf16le(QStringLiteral("北京;Łódź\r\n")) << Script{refused()}
                                    << refusedRows;
    QTest::addRow("UTF-16 BE mark") << utf16be(QStringLiteral("北京;Łódź")) << Script{refused()}
                                    << refusedRows;
    QTest::addRow("resolved addresses in UTF-8")
        << QByteArray("\xEF\xBB\xBF"
                      "a;b")
        << Script{found(QStringLiteral("Łódź"), QStringLiteral("北京"), QStringLiteral("3 km"),
                        QStringLiteral("1 h"))}
        << QByteArray("\xEF\xBB\xBF\xc5\x81\xc3\xb3"
                      "d\xc5\xba;\xe5\x8c\x97\xe4\xba\xac;3 km;1 h\r\n");
    QTest::addRow("no mark: Windows-1252")
        << QByteArray("\xe5;b") << Script{refused()}
        << QByteArray("\xe5;b;ERROR ACCESSING GOOGLE API - UNAVAILABILITY;ERROR ACCESSING GOOGLE API - "
                      "UNAVAILABILITY\r\n");
}

void TestBatchRun::byteOrderMarkKeepsUnicode()
{
    QFETCH(QByteArray, addresses);
    QFETCH(Script, script);
    QFETCH(QByteArray, rows);
    Run run(folder(), script);
    QCOMPARE(run(addresses), BatchOutcome::Completed);
    QCOMPARE(run.result(), rows);
}

void TestBatchRun::rowTextsOfEachLanguage_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QByteArray>("addresses");
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<QString>("closing");

    QTest::addRow("Portuguese")
        << int(Portuguese) << QByteArray("a;b\r\nc;d\r\n")
        << QByteArray("a;b;N\xc3O ENCONTRADO;N\xc3O ENCONTRADO\r\nc;d;ERRO AO ACESSAR A API DO GOOGLE - "
                      "INDISPONIBILIDADE;ERRO AO ACESSAR A API DO GOOGLE - INDISPONIBILIDADE\r\n")
        << info(QStringLiteral("Processamento finalizado com SUCESSO."));
    QTest::addRow("French")
        << int(French) << QByteArray("a;b\r\nc;d\r\n")
        << QByteArray("a;b;PAS TROUV\xc9;PAS TROUV\xc9\r\nc;d;ERREUR D'ACC\xc8S \xc0 L'API GOOGLE - "
                      "INDISPONIBILIT\xc9;ERREUR D'ACC\xc8S \xc0 L'API GOOGLE - INDISPONIBILIT\xc9\r\n")
        << info(QStringLiteral("Traitement terminé avec succès."));
    QTest::addRow("German")
        << int(German) << QByteArray("a;b\r\nc;d\r\n")
        << QByteArray("a;b;NICHT GEFUNDEN;NICHT GEFUNDEN\r\nc;d;FEHLER BEIM ZUGRIFF AUF GOOGLE API \x96 "
                      "NICHT VERF\xdcGBAR;FEHLER BEIM ZUGRIFF AUF GOOGLE API \x96 NICHT VERF\xdcGBAR\r\n")
        << info(QStringLiteral("Verarbeitung ERFOLGREICH abgeschlossen."));
    QTest::addRow("Spanish")
        << int(Spanish) << QByteArray("a;b\r\nc;d\r\n")
        << QByteArray("a;b;NO ENCONTRADO;NO ENCONTRADO\r\nc;d;ERROR AL ACCEDER A LA API DE GOOGLE - NO "
                      "DISPONIBILIDAD;ERROR AL ACCEDER A LA API DE GOOGLE - NO DISPONIBILIDAD\r\n")
        << info(QStringLiteral("Procesamiento completado EXITOSAMENTE."));
    // Texts outside Windows-1252 survive when the address file is Unicode.
    QTest::addRow("Ukrainian, UTF-8 file")
        << int(Ukrainian)
        << QByteArray("\xEF\xBB\xBF"
                      "a;b\r\nc;d\r\n")
        << (QStringLiteral("\uFEFFa;b;НЕ ЗНАЙДЕНО;НЕ ЗНАЙДЕНО\r\nc;d;ПОМИЛКА ДОСТУПУ GOOGLE API – "
                           "НЕДОСТУПНО;ПОМИЛКА ДОСТУПУ GOOGLE API – НЕДОСТУПНО\r\n")
                .toUtf8())
        << info(QStringLiteral("Обробка УСПІШНО завершена."));
    QTest::addRow("Chinese, UTF-8 file")
        << int(Chinese)
        << QByteArray("\xEF\xBB\xBF"
                      "a;b\r\nc;d\r\n")
        << (QStringLiteral("\uFEFFa;b;未找到;未找到\r\nc;d;访问 GOOGLE API 时出错 - 不可用;访问 GOOGLE API "
                           "时出错 - 不可用\r\n")
                .toUtf8())
        << info(QStringLiteral("处理成功完成"));
    QTest::addRow("Chinese, Windows-1252 file")
        << int(Chinese) << QByteArray("a;b\r\n") << QByteArray("a;b;???;???\r\n")
        << info(QStringLiteral("处理成功完成"));
}

void TestBatchRun::rowTextsOfEachLanguage()
{
    QFETCH(int, language);
    QFETCH(QByteArray, addresses);
    QFETCH(QByteArray, rows);
    QFETCH(QString, closing);
    Run run(folder(), Script{notFound(), refused()}, language);
    QCOMPARE(run(addresses), BatchOutcome::Completed);
    QCOMPARE(run.result(), rows);
    QCOMPARE(run.sink.messages, QStringList{closing});
}

void TestBatchRun::textsAreReadWhenUsed()
{
    // The window's slots change when the language is switched; each text is read
    // when it is used, so a switch shows in what comes after it.
    Run run(folder(), Script{refused(), refused()}, Portuguese);
    run.service.onSend = [&run](int n) {
        if (n == 1)
            run.texts = messageSlots(German);
    };
    QCOMPARE(run(QByteArray("a;b\r\nc;d\r\n")), BatchOutcome::Completed);
    QCOMPARE(run.result(), QByteArray("a;b;ERRO AO ACESSAR A API DO GOOGLE - INDISPONIBILIDADE;ERRO AO "
                                      "ACESSAR A API DO GOOGLE - INDISPONIBILIDADE\r\n"
                                      "c;d;FEHLER BEIM ZUGRIFF AUF GOOGLE API \x96 NICHT VERF\xdcGBAR;FEHLER "
                                      "BEIM ZUGRIFF AUF GOOGLE API \x96 NICHT VERF\xdcGBAR\r\n"));
    QCOMPARE(run.sink.messages, QStringList{info(QStringLiteral("Verarbeitung ERFOLGREICH abgeschlossen."))});
}

void TestBatchRun::progressSequence()
{
    // A count that differs from the lines read is kept: the bar is not rescaled.
    Run run(folder(), Script{notFound(), failing(Answer::SendFails), refused()});
    writeFile(run.input.addressPath, QByteArray("a;b\r\nc;d\r\ne;f\r\n"));
    QCOMPARE(run.start(5), BatchOutcome::Completed);
    const QStringList expected{
        QStringLiteral("max G 5"), QStringLiteral("max C 3"), QStringLiteral("pos C 1"),
        QStringLiteral("pos C 2"), QStringLiteral("pos C 3"), QStringLiteral("pos G 2"),
        QStringLiteral("pos C 1"), QStringLiteral("message"), QStringLiteral("pos C 2"),
        QStringLiteral("pos C 3"), QStringLiteral("pos G 3"), QStringLiteral("pos C 1"),
        QStringLiteral("pos C 2"), QStringLiteral("pos C 3"), QStringLiteral("pos G 4"),
        QStringLiteral("message"), QStringLiteral("pos G 0"), QStringLiteral("pos C 0"),
    };
    QCOMPARE(run.progress.events, expected);
}

void TestBatchRun::progressOnOpenFailure()
{
    Run run(folder());
    run.input.addressPath = folder() + QStringLiteral("/missing.csv");
    QCOMPARE(run.start(1), BatchOutcome::OpenFailed);
    QCOMPARE(run.progress.events,
             (QStringList{QStringLiteral("message"), QStringLiteral("pos G 0"), QStringLiteral("pos C 0")}));
}

void TestBatchRun::travelModes_data()
{
    QTest::addColumn<int>("modeIndex");
    QTest::addColumn<QString>("word");
    QTest::addRow("0") << 0 << QStringLiteral("driving");
    QTest::addRow("1") << 1 << QStringLiteral("walking");
    QTest::addRow("2") << 2 << QStringLiteral("bicycling");
    QTest::addRow("no selection") << -1 << QStringLiteral("bicycling");
    QTest::addRow("out of range") << 7 << QStringLiteral("bicycling");
}

void TestBatchRun::travelModes()
{
    QFETCH(int, modeIndex);
    QFETCH(QString, word);
    QCOMPARE(travelModeWord(modeIndex), word);
    Run run(folder());
    run.input.modeIndex = modeIndex;
    QCOMPARE(run(QByteArray("a;b\r\nc;d\r\n")), BatchOutcome::Completed);
    // Set for every line, in the order key, mode, origin and destination.
    const QStringList perLine{QStringLiteral("key=test-key"), QStringLiteral("mode=") + word};
    QCOMPARE(run.service.calls.mid(0, 2), perLine);
    QCOMPARE(run.service.calls.count(QStringLiteral("mode=") + word), 2);
    QCOMPARE(run.service.calls.at(2), QStringLiteral("pair=a|b"));
}

void TestBatchRun::keyIsSentUntrimmed()
{
    Run run(folder());
    run.input.key = QStringLiteral("  k e y \t");
    QCOMPARE(run(QByteArray("a;b")), BatchOutcome::Completed);
    QCOMPARE(run.service.calls.first(), QStringLiteral("key=  k e y \t"));
}

void TestBatchRun::secondRunReplacesResult()
{
    {
        Run first(folder(), Script{notFound(), notFound(), notFound()});
        QCOMPARE(first(QByteArray("a;b\r\nc;d\r\ne;f\r\n")), BatchOutcome::Completed);
        QCOMPARE(first.result().count("\r\n"), 3);
    }
    Run second(folder(), Script{refused()});
    QCOMPARE(second(QByteArray("x;y")), BatchOutcome::Completed);
    QCOMPARE(second.result(), QByteArray("x;y;ERROR ACCESSING GOOGLE API - UNAVAILABILITY;ERROR ACCESSING "
                                         "GOOGLE API - UNAVAILABILITY\r\n"));
}

void TestBatchRun::pathsBeyond259Characters()
{
    QString deep = folder();
    while (deep.size() < 400)
        deep += QStringLiteral("/a-rather-long-folder-name-for-paths");
    QVERIFY(QDir().mkpath(deep));
    Run run(deep, Script{notFound()});
    QVERIFY(run.input.addressPath.size() > 400);
    QCOMPARE(run(QByteArray("a;b")), BatchOutcome::Completed);
    QCOMPARE(run.result(), QByteArray("a;b;NOT FOUND;NOT FOUND\r\n"));
}

void TestBatchRun::writeFailures_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<bool>("stopAfterFirstLine");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("outcome");

    const QString fileError = error(BatchRun::resultFileErrorText(QStringLiteral("/dev/full"), ENOSPC));
    QTest::addRow("rows cannot be written at the end: no success")
        << Script{} << false << QStringList{Aborted} << int(BatchOutcome::Aborted);
    QTest::addRow("aborted run whose rows cannot be written")
        << Script{notFound(), failing(Answer::StatusUnreadable)} << false << QStringList{Aborted, fileError}
        << int(BatchOutcome::Aborted);
    QTest::addRow("stopped run whose rows cannot be written")
        << Script{} << true << QStringList{fileError} << int(BatchOutcome::Aborted);
}

void TestBatchRun::writeFailures()
{
    QFETCH(Script, script);
    QFETCH(bool, stopAfterFirstLine);
    QFETCH(QStringList, messages);
    QFETCH(int, outcome);
    Run run(folder(), script);
    run.input.resultPath = QStringLiteral("/dev/full");
    if (stopAfterFirstLine)
        run.service.onSend = [&run](int) { run.stop = true; };
    QCOMPARE(int(run(QByteArray("a;b\r\nc;d\r\ne;f\r\n"))), outcome);
    QCOMPARE(run.sink.messages, messages);
    QVERIFY(!run.sink.messages.join(u'\n').contains(QStringLiteral("test-key")));
}

void TestBatchRun::writeFailureStopsReading()
{
    // Enough rows to fill the write buffer: the failing write ends the run there.
    QByteArray addresses;
    for (int i = 0; i < 5000; ++i)
        addresses += "origin address " + QByteArray::number(i) + ";destination address\r\n";
    Run run(folder());
    run.input.resultPath = QStringLiteral("/dev/full");
    QCOMPARE(run(addresses), BatchOutcome::Aborted);
    QCOMPARE(run.sink.messages, QStringList{Aborted});
    QVERIFY(run.service.sends > 0);
    QVERIFY(run.service.sends < 5000);
}

void TestBatchRun::stopBetweenLines()
{
    Run run(folder(), Script{notFound(), notFound(), notFound(), notFound()});
    run.service.onSend = [&run](int n) {
        if (n == 1)
            run.stop = true;
    };
    QCOMPARE(run(QByteArray("a;1\r\nb;2\r\nc;3\r\nd;4\r\n")), BatchOutcome::Stopped);
    // The line in work when the stop came is finished and kept.
    QCOMPARE(run.result(), QByteArray("a;1;NOT FOUND;NOT FOUND\r\nb;2;NOT FOUND;NOT FOUND\r\n"));
    QCOMPARE(run.service.sends, 2);
    QCOMPARE(run.sink.messages, QStringList());
    QCOMPARE(run.progress.events.mid(run.progress.events.size() - 2),
             (QStringList{QStringLiteral("pos G 0"), QStringLiteral("pos C 0")}));

    Run early(folder());
    early.stop = true;
    QCOMPARE(early(QByteArray("a;1\r\n")), BatchOutcome::Stopped);
    QCOMPARE(early.service.sends, 0);
    QCOMPARE(early.result(), QByteArray());
}

void TestBatchRun::progressStateRefusesLowMaximum_data()
{
    QTest::addColumn<int>("maximum");
    QTest::addColumn<bool>("accepted");
    QTest::addRow("1") << 1 << true;
    QTest::addRow("3") << 3 << true;
    QTest::addRow("0") << 0 << false;
    QTest::addRow("negative") << -1 << false;
}

void TestBatchRun::progressStateRefusesLowMaximum()
{
    QFETCH(int, maximum);
    QFETCH(bool, accepted);
    ProgressState state;
    QVERIFY(state.setMaximum(RunProgress::Bar::General, 7));
    QCOMPARE(state.setMaximum(RunProgress::Bar::General, maximum), accepted);
    QCOMPARE(state.maximum(RunProgress::Bar::General), accepted ? maximum : 7);
    state.setPosition(RunProgress::Bar::Current, 2);
    QCOMPARE(state.position(RunProgress::Bar::Current), 2);
    QCOMPARE(state.position(RunProgress::Bar::General), 0);
}

QTEST_GUILESS_MAIN(TestBatchRun)
#include "test_batch_run.moc"
