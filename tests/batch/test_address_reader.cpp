#include <QtTest>

#include <QTemporaryDir>

#include "batch/AddressReader.h"

using namespace trajetix;

namespace {

QByteArray utf16(const QString &text, bool bigEndian)
{
    QByteArray bytes(bigEndian ? "\xFE\xFF" : "\xFF\xFE");
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        bytes.append(char(bigEndian ? u >> 8 : u & 0xFF));
        bytes.append(char(bigEndian ? u & 0xFF : u >> 8));
    }
    return bytes;
}

const QString Failed = QStringLiteral("<read error>");

} // namespace

class TestAddressReader : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void readsLines_data();
    void readsLines();
    void longLinesAndChunkBoundaries_data();
    void longLinesAndChunkBoundaries();
    void splitsAtFirstSemicolon_data();
    void splitsAtFirstSemicolon();
    void refusesMissingFileAndFolder();
    void fileCutShortWhileRead_data();
    void fileCutShortWhileRead();

  private:
    QString write(const QByteArray &bytes)
    {
        const QString name = m_dir.filePath(QStringLiteral("a%1.csv").arg(m_files++));
        QFile f(name);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write a fixture");
        return name;
    }
    // Every line until the end; a read error is the last entry, shown as Failed.
    static QStringList readAll(AddressReader &reader)
    {
        QStringList lines;
        for (;;) {
            QString line;
            const AddressReader::Status status = reader.readLine(line);
            if (status == AddressReader::Status::End)
                break;
            if (status == AddressReader::Status::Error) {
                lines << Failed;
                break;
            }
            lines << line;
        }
        QString after;
        if (reader.readLine(after) != AddressReader::Status::End)
            lines << QStringLiteral("<more after the end>");
        return lines;
    }
    QTemporaryDir m_dir;
    int m_files = 0;
};

void TestAddressReader::readsLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("encoding");

    const int ansi = int(TextEncoding::Windows1252);
    const int utf8 = int(TextEncoding::Utf8);
    const QStringList abc{QStringLiteral("a;1"), QStringLiteral("b;2"), QStringLiteral("c;3")};

    QTest::addRow("empty file") << QByteArray() << QStringList() << ansi;
    QTest::addRow("three lines, CR LF") << QByteArray("a;1\r\nb;2\r\nc;3\r\n") << abc << ansi;
    QTest::addRow("three lines, last without break") << QByteArray("a;1\r\nb;2\r\nc;3") << abc << ansi;
    QTest::addRow("three lines, LF") << QByteArray("a;1\nb;2\nc;3\n") << abc << ansi;
    QTest::addRow("two breaks at the end give an empty fourth line")
        << QByteArray("a;1\r\nb;2\r\nc;3\r\n\r\n") << abc + QStringList{QString()} << ansi;
    QTest::addRow("empty lines are lines")
        << QByteArray("\n\na\n") << QStringList{QString(), QString(), QStringLiteral("a")} << ansi;
    QTest::addRow("only a break") << QByteArray("\r\n") << QStringList{QString()} << ansi;
    QTest::addRow("lone CR joins the texts")
        << QByteArray("Rua A\r10;B\r\n") << QStringList{QStringLiteral("Rua A10;B")} << ansi;
    QTest::addRow("CR at the end of the file dropped")
        << QByteArray("a;1\r") << QStringList{QStringLiteral("a;1")} << ansi;
    QTest::addRow("CR alone after the last break")
        << QByteArray("a;1\n\r") << QStringList{QStringLiteral("a;1")} << ansi;
    QTest::addRow("LF CR: the CR opens the next line")
        << QByteArray("a\n\rb") << QStringList{QStringLiteral("a"), QStringLiteral("b")} << ansi;
    QTest::addRow("CR CR LF") << QByteArray("a\r\r\nb")
                              << QStringList{QStringLiteral("a"), QStringLiteral("b")} << ansi;
    QTest::addRow("Ctrl-Z ends the input inside a line")
        << QByteArray("a;1\r\nb;2\x1A;junk\r\nc;3\r\n")
        << QStringList{QStringLiteral("a;1"), QStringLiteral("b;2")} << ansi;
    QTest::addRow("Ctrl-Z at the start of a line") << QByteArray("a;1\r\n\x1A"
                                                                 "b;2\r\n")
                                                   << QStringList{QStringLiteral("a;1")} << ansi;
    QTest::addRow("Ctrl-Z first") << QByteArray("\x1A"
                                                "a;1")
                                  << QStringList() << ansi;
    QTest::addRow("NUL is kept") << QByteArray("a\0b\n", 4)
                                 << QStringList{QStringLiteral("a") + QChar(0) + QStringLiteral("b")} << ansi;
    QTest::addRow("nothing trimmed") << QByteArray(" a ; b \t\n") << QStringList{QStringLiteral(" a ; b \t")}
                                     << ansi;
    QTest::addRow("Windows-1252 text") << QByteArray("S\xe3o Paulo;\x80 \x81\n")
                                       << QStringList{QStringLiteral("São Paulo;€ \u0081")} << ansi;
    QTest::addRow("UTF-8 without mark is Windows-1252")
        << QByteArray("S\xc3\xa3o") << QStringList{QStringLiteral("SÃ£o")} << ansi;
    QTest::addRow("partial mark is Windows-1252")
        << QByteArray("\xEF\xBB;x") << QStringList{QStringLiteral("ï»;x")} << ansi;

    QTest::addRow("UTF-8 mark is not text")
        << QByteArray("\xEF\xBB\xBFS\xc3\xa3o;\xe5\x8c\x97\xe4\xba\xac\r\n\xc5\x81\xc3\xb3"
                      "d\xc5\xba")
        << QStringList{QStringLiteral("São;北京"), QStringLiteral("Łódź")} << utf8;
    QTest::addRow("UTF-8 mark only") << QByteArray("\xEF\xBB\xBF") << QStringList() << utf8;
    QTest::addRow("UTF-8 four-byte character") << QByteArray("\xEF\xBB\xBF\xf0\x9f\x98\x80;x")
                                               << QStringList{QStringLiteral("\U0001F600;x")} << utf8;
    QTest::addRow("invalid UTF-8 after the mark ends the reading")
        << QByteArray("\xEF\xBB\xBF"
                      "a;1\n\xff;2\nc;3\n")
        << QStringList{QStringLiteral("a;1"), Failed} << utf8;
    QTest::addRow("UTF-8 cut at the end") << QByteArray("\xEF\xBB\xBF"
                                                        "a;1\n\xe5\x8c")
                                          << QStringList{QStringLiteral("a;1"), Failed} << utf8;
    QTest::addRow("a CR cannot mend a broken sequence")
        << QByteArray("\xEF\xBB\xBF\xc3\r\xa9") << QStringList{Failed} << utf8;
    QTest::addRow("UTF-8 mark twice: the second is text")
        << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF"
                      "a;1\n\xEF\xBB\xBF"
                      "b;2")
        << QStringList{QStringLiteral("\uFEFFa;1"), QStringLiteral("\uFEFFb;2")} << utf8;
    QTest::addRow("invalid UTF-8 after Ctrl-Z is never read") << QByteArray("\xEF\xBB\xBF"
                                                                            "a\x1A\xff")
                                                              << QStringList{QStringLiteral("a")} << utf8;

    const QString text = QStringLiteral("Łódź;北京\r\nRua\rA;B\n\n\U0001F600;x");
    const QStringList textLines{QStringLiteral("Łódź;北京"), QStringLiteral("RuaA;B"), QString(),
                                QStringLiteral("\U0001F600;x")};
    QTest::addRow("UTF-16 LE") << utf16(text, false) << textLines << int(TextEncoding::Utf16LE);
    QTest::addRow("UTF-16 BE") << utf16(text, true) << textLines << int(TextEncoding::Utf16BE);
    QTest::addRow("UTF-16 Ctrl-Z") << utf16(QStringLiteral("a;1\r\nb\x1A\r\nc"), false)
                                   << QStringList{QStringLiteral("a;1"), QStringLiteral("b")}
                                   << int(TextEncoding::Utf16LE);
    QTest::addRow("UTF-16 units holding break bytes are text")
        << utf16(QStringLiteral("\u0a0d;\u0d0a"), false) << QStringList{QStringLiteral("\u0a0d;\u0d0a")}
        << int(TextEncoding::Utf16LE);
    QTest::addRow("UTF-16 unpaired surrogate")
        << utf16(QStringLiteral("a\n") + QChar(0xD800) + QStringLiteral("b\n"), false)
        << QStringList{QStringLiteral("a"), Failed} << int(TextEncoding::Utf16LE);
    QTest::addRow("UTF-16 lone byte at the end")
        << utf16(QStringLiteral("a\nb"), true) + 'x' << QStringList{QStringLiteral("a"), Failed}
        << int(TextEncoding::Utf16BE);
    QTest::addRow("UTF-16 mark twice: the second is text")
        << utf16(QStringLiteral("\uFEFFa;1\n\uFEFFb;2"), false)
        << QStringList{QStringLiteral("\uFEFFa;1"), QStringLiteral("\uFEFFb;2")} << int(TextEncoding::Utf16LE);
    QTest::addRow("UTF-16 mark only")
        << QByteArray("\xFF\xFE") << QStringList() << int(TextEncoding::Utf16LE);
}

void TestAddressReader::readsLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QFETCH(int, encoding);
    AddressReader reader;
    QVERIFY(reader.open(write(bytes)));
    QCOMPARE(int(reader.encoding()), encoding);
    QCOMPARE(reader.hasByteOrderMark(), encoding != int(TextEncoding::Windows1252));
    QCOMPARE(readAll(reader), lines);
}

void TestAddressReader::longLinesAndChunkBoundaries_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    constexpr int Chunk = 64 * 1024;

    const QByteArray longText(5 * Chunk + 17, 'x');
    QTest::addRow("a line longer than several chunks")
        << QByteArray("o;" + longText + "\r\nlast")
        << QStringList{QStringLiteral("o;") + QString::fromLatin1(longText), QStringLiteral("last")};
    QByteArray crlf(Chunk - 1, 'a');
    crlf += "\r\nb";
    QTest::addRow("CR LF across a chunk boundary")
        << crlf << QStringList{QString(Chunk - 1, u'a'), QStringLiteral("b")};
    QByteArray ctrlZ(Chunk, 'a');
    ctrlZ += "\x1A\nb";
    QTest::addRow("Ctrl-Z opening the second chunk") << ctrlZ << QStringList{QString(Chunk, u'a')};
    QByteArray utf8("\xEF\xBB\xBF");
    utf8 += QByteArray(Chunk - 4, 'a');
    utf8 += "\xe5\x8c\x97\nb";
    QTest::addRow("UTF-8 character across a chunk boundary")
        << utf8 << QStringList{QString(Chunk - 4, u'a') + QStringLiteral("北"), QStringLiteral("b")};
    QByteArray units("\xFF\xFE");
    for (int i = 0; i < Chunk; ++i)
        units += QByteArray("a\0", 2);
    units += QByteArray("\x3d\xd8\x00\xde\n\0z\0", 8); // U+1F600 as a surrogate pair
    QTest::addRow("UTF-16 line over chunks")
        << units << QStringList{QString(Chunk, u'a') + QStringLiteral("\U0001F600"), QStringLiteral("z")};
}

void TestAddressReader::longLinesAndChunkBoundaries()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    AddressReader reader;
    QVERIFY(reader.open(write(bytes)));
    QCOMPARE(readAll(reader), lines);
}

void TestAddressReader::splitsAtFirstSemicolon_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("origin");
    QTest::addColumn<QString>("destination");
    QTest::addRow("A;B") << QStringLiteral("A;B") << QStringLiteral("A") << QStringLiteral("B");
    QTest::addRow("A;B;C") << QStringLiteral("A;B;C") << QStringLiteral("A") << QStringLiteral("B;C");
    QTest::addRow("no semicolon") << QStringLiteral("AB") << QString() << QStringLiteral("AB");
    QTest::addRow(";B") << QStringLiteral(";B") << QString() << QStringLiteral("B");
    QTest::addRow("A;") << QStringLiteral("A;") << QStringLiteral("A") << QString();
    QTest::addRow("empty line") << QString() << QString() << QString();
    QTest::addRow("blanks kept") << QStringLiteral(" A ; B ") << QStringLiteral(" A ")
                                 << QStringLiteral(" B ");
    QTest::addRow("quotes kept") << QStringLiteral("\"A;x\";B") << QStringLiteral("\"A")
                                 << QStringLiteral("x\";B");
}

void TestAddressReader::splitsAtFirstSemicolon()
{
    QFETCH(QString, line);
    QFETCH(QString, origin);
    QFETCH(QString, destination);
    const AddressPair pair = splitAddressLine(line);
    QCOMPARE(pair.origin, origin);
    QCOMPARE(pair.destination, destination);
}

void TestAddressReader::refusesMissingFileAndFolder()
{
    AddressReader reader;
    QVERIFY(!reader.open(m_dir.filePath(QStringLiteral("missing.csv"))));
    QVERIFY(!reader.isOpen());
    QVERIFY(!reader.open(m_dir.path()));
    QVERIFY(!reader.isOpen());
    QVERIFY(!reader.open(QString()));
}

void TestAddressReader::fileCutShortWhileRead_data()
{
    QTest::addColumn<qint64>("keep");
    QTest::addColumn<QStringList>("lines");
    constexpr int Chunk = 64 * 1024;
    // A first line that fills the first chunk, then lines of 9 bytes ("l000001\r\n" ...).
    QTest::addRow("emptied") << qint64(0) << QStringList{QString(Chunk - 2, u'a'), Failed};
    QTest::addRow("cut in the middle of a line")
        << qint64(Chunk + 9 * 2 + 4) << QStringList{QString(Chunk - 2, u'a'), QStringLiteral("l000001"),
                                                    QStringLiteral("l000002"), Failed};
    QTest::addRow("cut after a line break")
        << qint64(Chunk + 9 * 2) << QStringList{QString(Chunk - 2, u'a'), QStringLiteral("l000001"),
                                                QStringLiteral("l000002"), Failed};
}

void TestAddressReader::fileCutShortWhileRead()
{
    QFETCH(qint64, keep);
    QFETCH(QStringList, lines);
    QByteArray bytes(64 * 1024 - 2, 'a');
    bytes += "\r\n";
    for (int i = 1; i <= 100; ++i)
        bytes += QByteArray("l") + QByteArray::number(i).rightJustified(6, '0') + "\r\n";
    const QString name = write(bytes);
    AddressReader reader;
    QVERIFY(reader.open(name));
    // The first chunk is in hand; the rest of the file goes.
    QVERIFY(QFile::resize(name, keep));
    QCOMPARE(readAll(reader), lines);
}

QTEST_GUILESS_MAIN(TestAddressReader)
#include "test_address_reader.moc"
