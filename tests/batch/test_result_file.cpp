#include <QtTest>

#include "common/TestFiles.h"

#include <QTemporaryDir>

#include <sys/stat.h>

#include "batch/RefusedRows.h"
#include "batch/ResultFile.h"
#include "batch/ResultWriter.h"
#include "i18n/CodePage.h"
#include "i18n/Texts.h"

using namespace trajetix;

namespace {

// Rows long enough that a CR LF falls on the reader's 64 KiB chunk border: row k of n is
// `width` bytes of a letter, so CR LF pairs sit at every multiple of width + 2.
QByteArray wideRows(int n, int width)
{
    QByteArray bytes;
    for (int k = 0; k < n; ++k)
        bytes += QByteArray(width, char('a' + k % 26)) + "\r\n";
    return bytes;
}

QByteArray refusedText(int language, bool unicode)
{
    const QString text = messageSlots(language).msgdlgbtnProcessarErroArq2;
    return unicode ? text.toUtf8() : codepage::encode(text);
}

QByteArray refusedRow(const QByteArray &halves, int language, bool unicode)
{
    const QByteArray text = refusedText(language, unicode);
    return halves + ';' + text + ';' + text;
}

} // namespace

class TestResultFile : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void scan_data();
    void scan();
    void scanMissingFile();
    void rows_data();
    void rows();
    void refusedRows_data();
    void refusedRows();
    void appendKeepsBytesAndCutsTheRest_data();
    void appendKeepsBytesAndCutsTheRest();
    void appendRefusesTheAddressFile();
    void replacementLeavesTheOldFileUntilCommit_data();
    void replacementLeavesTheOldFileUntilCommit();
    void replacementThroughALinkReplacesItsTarget();
    void durableRowsReachTheFileWithoutFlush();

  private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestResultFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestResultFile::scan_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<qint64>("rows");
    QTest::addColumn<qint64>("completeBytes");
    QTest::addColumn<bool>("mark");

    QTest::addRow("empty") << QByteArray() << qint64(0) << qint64(0) << false;
    QTest::addRow("two rows") << QByteArray("a;b\r\nc;d\r\n") << qint64(2) << qint64(10) << false;
    QTest::addRow("cut in a row") << QByteArray("a;b\r\nc;") << qint64(1) << qint64(5) << false;
    QTest::addRow("cut between CR and LF") << QByteArray("a;b\r\nc;d\r") << qint64(1) << qint64(5) << false;
    QTest::addRow("LF alone ends no row") << QByteArray("a\nb\r\nc\n") << qint64(1) << qint64(5) << false;
    QTest::addRow("CR alone ends no row") << QByteArray("a\rb") << qint64(0) << qint64(0) << false;
    QTest::addRow("mark and rows") << QByteArray("\xEF\xBB\xBFx\r\ny\r\n") << qint64(2) << qint64(9) << true;
    QTest::addRow("mark only") << QByteArray("\xEF\xBB\xBF") << qint64(0) << qint64(0) << true;
    QTest::addRow("part of a mark") << QByteArray("\xEF\xBB") << qint64(0) << qint64(0) << false;
    // 65,535 bytes of text: the CR is the last byte of the first chunk, the LF the first
    // of the second.
    QTest::addRow("CR LF across chunks") << wideRows(1, 65535) + "z" << qint64(1) << qint64(65537) << false;
    QTest::addRow("many chunks") << wideRows(300, 997) << qint64(300) << qint64(300 * 999) << false;
}

void TestResultFile::scan()
{
    QFETCH(QByteArray, content);
    QFETCH(qint64, rows);
    QFETCH(qint64, completeBytes);
    QFETCH(bool, mark);
    writeFile(path(QStringLiteral("r.csv")), content);
    ResultFileScan scan;
    int error = -1;
    QVERIFY(scanResultFile(path(QStringLiteral("r.csv")), scan, error));
    QCOMPARE(error, 0);
    QVERIFY(scan.exists);
    QCOMPARE(scan.size, qint64(content.size()));
    QCOMPARE(scan.completeRows, rows);
    QCOMPARE(scan.completeBytes, completeBytes);
    QCOMPARE(scan.byteOrderMark, mark);
}

void TestResultFile::scanMissingFile()
{
    ResultFileScan scan;
    int error = 0;
    QVERIFY(scanResultFile(path(QStringLiteral("none.csv")), scan, error));
    QVERIFY(!scan.exists);
    QCOMPARE(scan.completeRows, qint64(0));
    // A folder is no result file.
    QVERIFY(!scanResultFile(m_dir->path(), scan, error));
    QCOMPARE(error, EISDIR);
}

void TestResultFile::rows_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QList<QByteArray>>("rows");
    QTest::addColumn<QByteArray>("incomplete"); // the cut last row; empty when none
    QTest::addColumn<bool>("mark");

    QTest::addRow("empty") << QByteArray() << QList<QByteArray>() << QByteArray() << false;
    QTest::addRow("rows") << QByteArray("a;b\r\n;\r\nc\r\n") << QList<QByteArray>{"a;b", ";", "c"}
                          << QByteArray() << false;
    QTest::addRow("empty row") << QByteArray("\r\n\r\n") << QList<QByteArray>{"", ""} << QByteArray()
                               << false;
    QTest::addRow("LF inside a row") << QByteArray("a\nb\r\n") << QList<QByteArray>{"a\nb"} << QByteArray()
                                     << false;
    QTest::addRow("cut row") << QByteArray("a\r\nb;c\r") << QList<QByteArray>{"a"} << QByteArray("b;c\r")
                             << false;
    QTest::addRow("mark is not part of the first row")
        << QByteArray("\xEF\xBB\xBF\xC3\xA3\r\nx\r\n") << QList<QByteArray>{"\xC3\xA3", "x"} << QByteArray()
        << true;
    const QByteArray wide = wideRows(3, 65535);
    QTest::addRow("CR LF across chunks")
        << wide << QList<QByteArray>{wide.left(65535), wide.mid(65537, 65535), wide.mid(2 * 65537, 65535)}
        << QByteArray() << false;
    QTest::addRow("row longer than a chunk")
        << QByteArray(200000, 'x') + "\r\ny" << QList<QByteArray>{QByteArray(200000, 'x')} << QByteArray("y")
        << false;
}

void TestResultFile::rows()
{
    QFETCH(QByteArray, content);
    QFETCH(QList<QByteArray>, rows);
    QFETCH(QByteArray, incomplete);
    QFETCH(bool, mark);
    writeFile(path(QStringLiteral("r.csv")), content);
    ResultRowReader reader;
    QVERIFY(reader.open(path(QStringLiteral("r.csv"))));
    QCOMPARE(reader.hasByteOrderMark(), mark);
    QList<QByteArray> read;
    QByteArray row;
    ResultRowReader::Status status;
    while ((status = reader.readRow(row)) == ResultRowReader::Status::Row)
        read.append(row);
    QCOMPARE(read, rows);
    if (incomplete.isEmpty()) {
        QCOMPARE(status, ResultRowReader::Status::End);
    } else {
        QCOMPARE(status, ResultRowReader::Status::Incomplete);
        QCOMPARE(row, incomplete);
        QCOMPARE(reader.readRow(row), ResultRowReader::Status::End);
    }
}

void TestResultFile::refusedRows_data()
{
    QTest::addColumn<bool>("unicode");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QByteArray>("row");
    QTest::addColumn<bool>("refused");

    const QString line = QStringLiteral("São Paulo;Santos");
    const QByteArray halves1252 = "S\xe3o Paulo;Santos";
    const QByteArray halvesUtf8 = line.toUtf8();
    for (int language = 0; language < LanguageCount; ++language) {
        QTest::addRow("refused, language %d", language)
            << false << line << refusedRow(halves1252, language, false) << true;
        QTest::addRow("refused in UTF-8, language %d", language)
            << true << line << refusedRow(halvesUtf8, language, true) << true;
    }
    QTest::addRow("line without semicolon: empty origin")
        << false << QStringLiteral("Santos") << refusedRow(";Santos", English, false) << true;
    QTest::addRow("blanks kept") << false << QStringLiteral(" a ; b ")
                                 << refusedRow(" a ; b ", Spanish, false) << true;
    QTest::addRow("found row") << false << line << QByteArray("S\xe3o Paulo, SP;Santos, SP;72 km;1 hora")
                               << false;
    const QByteArray notFound = codepage::encode(messageSlots(Portuguese).msgdlgbtnProcessarErroArg1);
    QTest::addRow("not-found row") << false << line << halves1252 + ';' + notFound + ';' + notFound << false;
    QTest::addRow("other halves") << false << line << refusedRow("Rio;Santos", Portuguese, false) << false;
    QTest::addRow("refused text once")
        << false << line << halves1252 + ";x;" + refusedText(Portuguese, false) << false;
    QTest::addRow("two languages mixed")
        << false << line
        << halves1252 + ';' + refusedText(Portuguese, false) + ';' + refusedText(English, false) << false;
    QTest::addRow("Windows-1252 row read as UTF-8")
        << true << line << refusedRow(halves1252, French, false) << false;
}

void TestResultFile::refusedRows()
{
    QFETCH(bool, unicode);
    QFETCH(QString, line);
    QFETCH(QByteArray, row);
    QFETCH(bool, refused);
    QCOMPARE(RefusedRowMatcher(unicode).isRefused(row, line), refused);
}

void TestResultFile::appendKeepsBytesAndCutsTheRest_data()
{
    QTest::addColumn<bool>("unicode");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<qint64>("keep");
    QTest::addColumn<QByteArray>("after");

    QTest::addRow("cut row goes") << false << QByteArray("a;b\r\nc;") << qint64(5)
                                  << QByteArray("a;b\r\nnew\r\n");
    QTest::addRow("nothing kept") << false << QByteArray("junk") << qint64(0) << QByteArray("new\r\n");
    QTest::addRow("missing file") << false << QByteArray() << qint64(0) << QByteArray("new\r\n");
    QTest::addRow("UTF-8: the mark is not written twice")
        << true << QByteArray("\xEF\xBB\xBFx\r\ny") << qint64(6) << QByteArray("\xEF\xBB\xBFx\r\nnew\r\n");
    QTest::addRow("UTF-8, nothing kept: the mark comes first")
        << true << QByteArray("\xEF\xBB") << qint64(0) << QByteArray("\xEF\xBB\xBFnew\r\n");
}

void TestResultFile::appendKeepsBytesAndCutsTheRest()
{
    QFETCH(bool, unicode);
    QFETCH(QByteArray, before);
    QFETCH(qint64, keep);
    QFETCH(QByteArray, after);
    const QString name = path(QStringLiteral("r.csv"));
    if (!before.isEmpty())
        writeFile(name, before);
    ResultWriter writer;
    QCOMPARE(writer.openToAppend(name, FileIdentity{}, keep), ResultWriter::OpenResult::Opened);
    writer.setUnicode(unicode);
    QVERIFY(writer.writeRow(QStringLiteral("new")));
    QVERIFY(writer.close());
    QCOMPARE(readFile(name), after);
}

void TestResultFile::appendRefusesTheAddressFile()
{
    const QString name = path(QStringLiteral("addresses.csv"));
    writeFile(name, "a;b\r\nc;d");
    FileIdentity input;
    QVERIFY(posixfile::identityOf(name, input));
    ResultWriter writer;
    QCOMPARE(writer.openToAppend(name, input, 2), ResultWriter::OpenResult::SameAsInput);
    QCOMPARE(writer.openReplacement(name, input), ResultWriter::OpenResult::SameAsInput);
    QCOMPARE(readFile(name), QByteArray("a;b\r\nc;d"));
}

void TestResultFile::replacementLeavesTheOldFileUntilCommit_data()
{
    QTest::addColumn<bool>("commit");
    QTest::addRow("committed") << true;
    QTest::addRow("closed without commit") << false;
}

void TestResultFile::replacementLeavesTheOldFileUntilCommit()
{
    QFETCH(bool, commit);
    const QString name = path(QStringLiteral("r.csv"));
    writeFile(name, "old\r\n");
    QVERIFY(::chmod(QFile::encodeName(name).constData(), 0640) == 0);
    ResultWriter writer;
    QCOMPARE(writer.openReplacement(name, FileIdentity{}), ResultWriter::OpenResult::Opened);
    writer.setUnicode(true);
    QVERIFY(writer.writeRow(QStringLiteral("new")));
    QVERIFY(writer.writeEncodedRow("kept \xC3\xA3"));
    QVERIFY(writer.flush());
    // Written beside the old file, which stays as it was meanwhile.
    const QString replacement = writer.replacementName();
    QVERIFY(replacement.startsWith(name + QStringLiteral(".trajetix-")));
    QCOMPARE(readFile(replacement), QByteArray("\xEF\xBB\xBFnew\r\nkept \xC3\xA3\r\n"));
    QCOMPARE(readFile(name), QByteArray("old\r\n"));

    if (commit) {
        QVERIFY(writer.commit());
        QCOMPARE(readFile(name), QByteArray("\xEF\xBB\xBFnew\r\nkept \xC3\xA3\r\n"));
        QCOMPARE(QFileInfo(name).permissions() & 0x7777, QFile::ReadOwner | QFile::WriteOwner |
                                                             QFile::ReadUser | QFile::WriteUser |
                                                             QFile::ReadGroup);
    } else {
        writer.close();
        QCOMPARE(readFile(name), QByteArray("old\r\n"));
    }
    QVERIFY(!QFile::exists(replacement));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("r.csv")});
}

void TestResultFile::replacementThroughALinkReplacesItsTarget()
{
    const QString target = path(QStringLiteral("r.csv"));
    const QString link = path(QStringLiteral("link.csv"));
    writeFile(target, "old\r\n");
    QVERIFY(QFile::link(target, link));
    ResultWriter writer;
    QCOMPARE(writer.openReplacement(link, FileIdentity{}), ResultWriter::OpenResult::Opened);
    QVERIFY(writer.writeRow(QStringLiteral("new")));
    QVERIFY(writer.commit());
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readFile(target), QByteArray("new\r\n"));
}

void TestResultFile::durableRowsReachTheFileWithoutFlush()
{
    // A plain writer keeps a few rows in its buffer; a durable one hands them to the
    // system on its own, so a process killed while waiting for an answer keeps them.
    const QString name = path(QStringLiteral("r.csv"));
    ResultWriter writer;
    QCOMPARE(writer.open(name, FileIdentity{}), ResultWriter::OpenResult::Opened);
    QVERIFY(writer.writeRow(QStringLiteral("one")));
    QCOMPARE(readFile(name), QByteArray());
    writer.setDurable(true);
    QVERIFY(writer.writeRow(QStringLiteral("two")));
    QTRY_COMPARE_WITH_TIMEOUT(readFile(name), QByteArray("one\r\ntwo\r\n"), 20000);
    QVERIFY(writer.writeRow(QStringLiteral("three")));
    QVERIFY(writer.close());
    QCOMPARE(readFile(name), QByteArray("one\r\ntwo\r\nthree\r\n"));
}

QTEST_GUILESS_MAIN(TestResultFile)
#include "test_result_file.moc"
