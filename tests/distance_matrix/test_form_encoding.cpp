#include <QTest>

#include "distance_matrix/FormEncoding.h"
#include "distance_matrix/RestRequest.h"

using namespace trajetix;

class TestFormEncoding : public QObject {
    Q_OBJECT

  private slots:
    void encodesValue_data();
    void encodesValue();
    void queryOrderIsFixed_data();
    void queryOrderIsFixed();
    void namesMatchWithoutCase();
    void unknownNameIsRefused();
    void valueStaysUntilSetAgain();
};

void TestFormEncoding::encodesValue_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("encoded");

    QTest::newRow("street with blanks") << QStringLiteral("Rua A 10") << QByteArray("Rua+A+10");
    QTest::newRow("non-ASCII as UTF-8 bytes") << QStringLiteral("São Paulo") << QByteArray("S%C3%A3o+Paulo");
    QTest::newRow("comma") << QStringLiteral("a,b") << QByteArray("a%2Cb");
    QTest::newRow("semicolon") << QStringLiteral("a;b") << QByteArray("a%3Bb");
    QTest::newRow("slash") << QStringLiteral("a/b") << QByteArray("a%2Fb");
    QTest::newRow("tilde") << QStringLiteral("a~b") << QByteArray("a%7Eb");
    QTest::newRow("percent") << QStringLiteral("100%") << QByteArray("100%25");
    QTest::newRow("plus") << QStringLiteral("1+1") << QByteArray("1%2B1");
    QTest::newRow("raw four") << QStringLiteral("*-._") << QByteArray("*-._");
    QTest::newRow("letters and digits") << QStringLiteral("AZaz09") << QByteArray("AZaz09");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("key with blanks around") << QStringLiteral("  AIza key ") << QByteArray("++AIza+key+");
    QTest::newRow("control characters")
        << QStringLiteral("a\tb\r\nc") + QChar(0x7F) << QByteArray("a%09b%0D%0Ac%7F");
    QTest::newRow("NUL") << QString(QChar(0)) << QByteArray("%00");
    QTest::newRow("reserved set") << QStringLiteral("?&=#:@!$'()[]")
                                  << QByteArray("%3F%26%3D%23%3A%40%21%24%27%28%29%5B%5D");
    QTest::newRow("quotes and angles")
        << QStringLiteral("\"<>\\^`{|}") << QByteArray("%22%3C%3E%5C%5E%60%7B%7C%7D");
    QTest::newRow("upper-case hex") << QStringLiteral("ÿ") << QByteArray("%C3%BF");
    QTest::newRow("three-byte character") << QStringLiteral("北京") << QByteArray("%E5%8C%97%E4%BA%AC");
    QTest::newRow("four-byte character")
        << QString::fromUtf8("\xF0\x9F\x98\x80") << QByteArray("%F0%9F%98%80");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("%EF%BF%BD");
    QTest::newRow("no-break space") << QString(QChar(0xA0)) << QByteArray("%C2%A0");
}

void TestFormEncoding::encodesValue()
{
    QFETCH(QString, value);
    QFETCH(QByteArray, encoded);
    QCOMPARE(formUrlEncode(value), encoded);
}

void TestFormEncoding::queryOrderIsFixed_data()
{
    QTest::addColumn<QStringList>("setOrder");
    QTest::newRow("batch order") << QStringList{QStringLiteral("key"), QStringLiteral("mode"),
                                                QStringLiteral("origins"), QStringLiteral("destinations")};
    QTest::newRow("reverse") << QStringList{QStringLiteral("mode"), QStringLiteral("key"),
                                            QStringLiteral("destinations"), QStringLiteral("origins")};
    QTest::newRow("query order") << QStringList{QStringLiteral("origins"), QStringLiteral("destinations"),
                                                QStringLiteral("key"), QStringLiteral("mode")};
}

void TestFormEncoding::queryOrderIsFixed()
{
    QFETCH(QStringList, setOrder);
    const QHash<QString, QString> values{{QStringLiteral("origins"), QStringLiteral("Rua A 10")},
                                         {QStringLiteral("destinations"), QStringLiteral("São Paulo")},
                                         {QStringLiteral("key"), QStringLiteral("k 1")},
                                         {QStringLiteral("mode"), QStringLiteral("walking")}};
    RestRequest request;
    for (const QString &name : setOrder)
        QVERIFY(request.setParameter(name, values.value(name)));
    QCOMPARE(request.query(),
             QByteArray("origins=Rua+A+10&destinations=S%C3%A3o+Paulo&key=k+1&language=PT&mode=walking"));
    QCOMPARE(RestRequest::method(), QByteArray("GET"));
}

void TestFormEncoding::namesMatchWithoutCase()
{
    RestRequest request;
    QVERIFY(request.setParameter(u"ORIGINS", QStringLiteral("a")));
    QVERIFY(request.setParameter(u"Destinations", QStringLiteral("b")));
    QVERIFY(request.setParameter(u"kEy", QStringLiteral("c")));
    QVERIFY(request.setParameter(u"Mode", QStringLiteral("driving")));
    QCOMPARE(request.parameterNames(),
             (QStringList{QStringLiteral("origins"), QStringLiteral("destinations"), QStringLiteral("key"),
                          QStringLiteral("language"), QStringLiteral("mode")}));
    QCOMPARE(request.query(), QByteArray("origins=a&destinations=b&key=c&language=PT&mode=driving"));
}

void TestFormEncoding::unknownNameIsRefused()
{
    RestRequest request;
    QVERIFY(!request.setParameter(u"units", QStringLiteral("metric")));
    QVERIFY(!request.setParameter(u"origin", QStringLiteral("x")));
    QCOMPARE(request.query(), QByteArray("origins=&destinations=&key=&language=PT&mode="));
}

void TestFormEncoding::valueStaysUntilSetAgain()
{
    RestRequest request;
    request.setParameter(u"key", QStringLiteral("k"));
    request.setParameter(u"origins", QStringLiteral("A"));
    request.setParameter(u"origins", QStringLiteral("B"));
    QCOMPARE(request.parameter(u"key"), QStringLiteral("k"));
    QCOMPARE(request.parameter(u"ORIGINS"), QStringLiteral("B"));
    QCOMPARE(request.parameter(u"language"), QStringLiteral("PT"));
    QCOMPARE(request.query(), QByteArray("origins=B&destinations=&key=k&language=PT&mode="));
}

QTEST_GUILESS_MAIN(TestFormEncoding)
#include "test_form_encoding.moc"
