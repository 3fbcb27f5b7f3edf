#include <QtTest>

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <optional>

#include "batch/LineCounter.h"

using namespace trajetix;

namespace {

QByteArray utf16(const QString &text, bool bigEndian)
{
    QByteArray bytes(bigEndian ? "\xFE\xFF" : "\xFF\xFE");
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (bigEndian) {
            bytes.append(char(u >> 8));
            bytes.append(char(u & 0xFF));
        } else {
            bytes.append(char(u & 0xFF));
            bytes.append(char(u >> 8));
        }
    }
    return bytes;
}

// Straightforward count of 8-bit text, to check the fast one against.
int plainCount(const QByteArray &bytes)
{
    int lines = 0;
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    qsizetype lineStart = 0;
    while (i < n) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            ++lines;
            if (bytes[i] == '\r' && i + 1 < n && bytes[i + 1] == '\n')
                ++i;
            lineStart = i + 1;
        }
        ++i;
    }
    return lines + (lineStart < n ? 1 : 0);
}

} // namespace

class TestLineCounter : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void counts_data();
    void counts();
    void agreesWithPlainCountAcrossChunks_data();
    void agreesWithPlainCountAcrossChunks();
    void breaksAtChunkBoundaries_data();
    void breaksAtChunkBoundaries();
    void unreadableFiles();

  private:
    QString write(const QByteArray &bytes)
    {
        const QString name = m_dir.filePath(QStringLiteral("f%1.csv").arg(m_files++));
        QFile f(name);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write a fixture");
        return name;
    }
    QTemporaryDir m_dir;
    int m_files = 0;
};

void TestLineCounter::counts_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("expected"); // -1: counting fails

    QTest::addRow("empty file") << QByteArray() << 0;
    QTest::addRow("three lines, final CR LF") << QByteArray("a;b\r\nc;d\r\ne;f\r\n") << 3;
    QTest::addRow("three lines, no final break") << QByteArray("a;b\r\nc;d\r\ne;f") << 3;
    QTest::addRow("LF breaks") << QByteArray("a\nb\nc\n") << 3;
    QTest::addRow("CR breaks") << QByteArray("a\rb\rc") << 3;
    QTest::addRow("LF CR is two breaks") << QByteArray("a\n\rb") << 3;
    QTest::addRow("CR LF is one break") << QByteArray("a\r\nb") << 2;
    QTest::addRow("CR CR LF") << QByteArray("a\r\r\nb") << 3;
    QTest::addRow("empty lines count") << QByteArray("\n\n\n") << 3;
    QTest::addRow("only a break") << QByteArray("\r\n") << 1;
    QTest::addRow("final CR") << QByteArray("a\r") << 1;
    QTest::addRow("two breaks at the end") << QByteArray("a\r\n\r\n") << 2;
    QTest::addRow("NUL is ordinary") << QByteArray("a\0b\n\0", 5) << 2;
    QTest::addRow("Ctrl-Z is ordinary here") << QByteArray("a\n\x1A") << 2;
    QTest::addRow("one line, no break") << QByteArray("x") << 1;
    QTest::addRow("8-bit bytes") << QByteArray("S\xe3o;Jos\xe9\n\xff\xfe") << 2;
    QTest::addRow("UTF-8 without mark is 8-bit") << QByteArray("S\xc3\xa3o\n\xc3") << 2;

    QTest::addRow("UTF-8 mark only") << QByteArray("\xEF\xBB\xBF") << 0;
    QTest::addRow("UTF-8 mark, three lines")
        << QByteArray("\xEF\xBB\xBFS\xc3\xa3o;b\r\nc\n\xe5\x8c\x97") << 3;
    QTest::addRow("UTF-8 mark, four-byte character") << QByteArray("\xEF\xBB\xBF\xf0\x9f\x98\x80\n") << 1;
    QTest::addRow("UTF-8 mark, invalid byte") << QByteArray("\xEF\xBB\xBF"
                                                            "a\n\xff\n")
                                              << -1;
    QTest::addRow("UTF-8 mark, cut sequence at end") << QByteArray("\xEF\xBB\xBF"
                                                                   "a\n\xc3")
                                                     << -1;
    QTest::addRow("UTF-8 mark, overlong form") << QByteArray("\xEF\xBB\xBF\xc0\xaf") << -1;
    QTest::addRow("UTF-8 mark, encoded surrogate") << QByteArray("\xEF\xBB\xBF\xed\xa0\x80") << -1;
    QTest::addRow("UTF-8 mark, beyond U+10FFFF") << QByteArray("\xEF\xBB\xBF\xf4\x90\x80\x80") << -1;
    QTest::addRow("UTF-8 mark, CR inside a sequence") << QByteArray("\xEF\xBB\xBF\xc3\r\xa9") << -1;
    QTest::addRow("partial UTF-8 mark is 8-bit") << QByteArray("\xEF\xBB") << 1;

    const QString text = QStringLiteral("a;b\r\nc\n\rd\u5317");
    QTest::addRow("UTF-16 LE") << utf16(text, false) << 4;
    QTest::addRow("UTF-16 BE") << utf16(text, true) << 4;
    QTest::addRow("UTF-16 LE mark only") << QByteArray("\xFF\xFE") << 0;
    QTest::addRow("UTF-16 BE mark only") << QByteArray("\xFE\xFF") << 0;
    QTest::addRow("UTF-16 LE final break") << utf16(QStringLiteral("a\r\nb\r\n"), false) << 2;
    // U+0A0D and U+0D0A hold the break bytes but are no breaks.
    QTest::addRow("UTF-16 LE units are not bytes") << utf16(QStringLiteral("\u0a0d\u0d0a"), false) << 1;
    QTest::addRow("UTF-16 BE units are not bytes") << utf16(QStringLiteral("\u0a0d\u0d0a"), true) << 1;
    QTest::addRow("UTF-16 lone last byte left out") << utf16(QStringLiteral("a\n"), false) + 'x' << 1;
    QTest::addRow("UTF-16 counts like UTF-8") << utf16(QStringLiteral("Łódź;北京\r\n\r\nx"), false) << 3;
}

void TestLineCounter::counts()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, expected);
    const std::optional<int> count = countAddressLines(write(bytes));
    if (expected < 0) {
        QVERIFY(!count.has_value());
    } else {
        QVERIFY(count.has_value());
        QCOMPARE(*count, expected);
    }
}

// Random break-heavy text of many sizes, around and across the reading chunks, so
// every boundary of the fast scan is met.
void TestLineCounter::agreesWithPlainCountAcrossChunks_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QRandomGenerator random(20240611);
    const char alphabet[] = {'a', '\r', '\n', '\0', '\x1A', '\xe9', ';', ' '};
    const int sizes[] = {1, 15, 16, 17, 31, 33, 4079, 4080, 4081, 262143, 262144, 262145, 600000};
    for (const int size : sizes) {
        for (int round = 0; round < 3; ++round) {
            QByteArray bytes(size, Qt::Uninitialized);
            for (char &b : bytes)
                b = alphabet[random.bounded(int(sizeof alphabet))];
            QTest::addRow("%d bytes, round %d", size, round) << bytes;
        }
    }
}

void TestLineCounter::agreesWithPlainCountAcrossChunks()
{
    QFETCH(QByteArray, bytes);
    const std::optional<int> count = countAddressLines(write(bytes));
    QVERIFY(count.has_value());
    QCOMPARE(*count, plainCount(bytes));
}

void TestLineCounter::breaksAtChunkBoundaries_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("expected");
    constexpr int Chunk = 256 * 1024;
    QByteArray crlf(Chunk - 1, 'a');
    crlf += "\r\nb";
    QTest::addRow("CR LF across a chunk boundary") << crlf << 2;
    QByteArray lfcr(Chunk - 1, 'a');
    lfcr += "\n\rb";
    QTest::addRow("LF CR across a chunk boundary") << lfcr << 3;
    QByteArray finalCr(Chunk - 1, 'a');
    finalCr += '\r';
    QTest::addRow("final CR at a chunk end") << finalCr << 1;
    QByteArray utf8("\xEF\xBB\xBF");
    utf8 += QByteArray(Chunk - 4, 'a');
    utf8 += "\xe5\x8c\x97\n\xc3\xa9";
    QTest::addRow("UTF-8 sequence across a chunk boundary") << utf8 << 2;
    QByteArray utf8Bad("\xEF\xBB\xBF");
    utf8Bad += QByteArray(Chunk - 4, 'a');
    utf8Bad += "\xe5\x8c\n";
    QTest::addRow("broken UTF-8 sequence across a chunk boundary") << utf8Bad << -1;
    // The mark and 131071 units fill the first chunk; its last unit is a CR, the LF opens the next.
    QByteArray utf16le("\xFF\xFE");
    for (int i = 0; i < Chunk / 2 - 2; ++i)
        utf16le += QByteArray("a\0", 2);
    utf16le += QByteArray("\r\0\n\0b\0", 6);
    QTest::addRow("UTF-16 CR LF across a chunk boundary") << utf16le << 2;
}

void TestLineCounter::breaksAtChunkBoundaries()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, expected);
    const std::optional<int> count = countAddressLines(write(bytes));
    if (expected < 0) {
        QVERIFY(!count.has_value());
    } else {
        QVERIFY(count.has_value());
        QCOMPARE(*count, expected);
    }
}

void TestLineCounter::unreadableFiles()
{
    QVERIFY(!countAddressLines(m_dir.filePath(QStringLiteral("missing.csv"))).has_value());
    QVERIFY(!countAddressLines(m_dir.path()).has_value());
    QVERIFY(!countAddressLines(QString()).has_value());
}

QTEST_GUILESS_MAIN(TestLineCounter)
#include "test_line_counter.moc"
