#include <QtTest>

#include "i18n/CodePage.h"

using namespace trajetix;

class TestCodePage : public QObject {
    Q_OBJECT
private slots:
    void everyByteRoundTrips();
    void decodesWindows1252_data();
    void decodesWindows1252();
    void encodesWithCloseEquivalents_data();
    void encodesWithCloseEquivalents();
};

void TestCodePage::everyByteRoundTrips()
{
    QByteArray all(256, '\0');
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    const QString text = codepage::decode(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(codepage::encode(text), all);
}

void TestCodePage::decodesWindows1252_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addRow("latin") << QByteArray("S\xe3o Jos\xe9") << QStringLiteral("São José");
    QTest::addRow("euro and quotes") << QByteArray("\x80 \x93x\x94") << QStringLiteral("€ “x”");
    QTest::addRow("undefined bytes become C1") << QByteArray("\x81\x8d\x8f\x90\x9d")
                                               << QStringLiteral("\u0081\u008d\u008f\u0090\u009d");
    QTest::addRow("utf-8 mark read as characters") << QByteArray("\xef\xbb\xbf" "A") << QStringLiteral("ï»¿A");
}

void TestCodePage::decodesWindows1252()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(codepage::decode(bytes), text);
}

void TestCodePage::encodesWithCloseEquivalents_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addRow("code page text") << QStringLiteral("Avenida São João, 100 – €") << QByteArray("Avenida S\xe3o Jo\xe3o, 100 \x96 \x80");
    QTest::addRow("polish") << QStringLiteral("Łódź") << QByteArray("L\xf3" "dz");
    QTest::addRow("chinese") << QStringLiteral("北京") << QByteArray("??");
    QTest::addRow("cyrillic") << QStringLiteral("НЕ") << QByteArray("??");
    QTest::addRow("emoji is one character") << QStringLiteral("a\U0001F600b") << QByteArray("a?b");
    QTest::addRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?");
}

void TestCodePage::encodesWithCloseEquivalents()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(codepage::encode(text), bytes);
}

QTEST_GUILESS_MAIN(TestCodePage)
#include "test_codepage.moc"
