#include <QTest>

#include "distance_matrix/Json.h"

using namespace trajetix;

class TestJson : public QObject {
    Q_OBJECT

  private slots:
    void acceptsOrRefuses_data();
    void acceptsOrRefuses();
    void stringEscapes_data();
    void stringEscapes();
    void numberKeepsItsSpelling_data();
    void numberKeepsItsSpelling();
    void firstOfRepeatedNamesWins();
    void namesMatchExactly();
    void keepsOrderAndTypes();
    void nestingLimit();
};

void TestJson::acceptsOrRefuses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");

    QTest::newRow("object") << QStringLiteral("{\"a\":1}") << true;
    QTest::newRow("white space around") << QStringLiteral(" \t\r\n{ \"a\" : [ 1 , 2 ] }\n ") << true;
    QTest::newRow("scalar at top") << QStringLiteral("\"OK\"") << true;
    QTest::newRow("number at top") << QStringLiteral("-0.5e+3") << true;
    QTest::newRow("literals") << QStringLiteral("[true,false,null]") << true;
    QTest::newRow("empty containers") << QStringLiteral("{\"a\":{},\"b\":[]}") << true;
    QTest::newRow("empty text") << QString() << false;
    QTest::newRow("only blanks") << QStringLiteral("   ") << false;
    QTest::newRow("two values") << QStringLiteral("{} {}") << false;
    QTest::newRow("garbage after") << QStringLiteral("{\"a\":1}x") << false;
    QTest::newRow("html") << QStringLiteral("<html><body>500</body></html>") << false;
    QTest::newRow("trailing comma in object") << QStringLiteral("{\"a\":1,}") << false;
    QTest::newRow("trailing comma in array") << QStringLiteral("[1,]") << false;
    QTest::newRow("single quotes") << QStringLiteral("{'a':1}") << false;
    QTest::newRow("unquoted name") << QStringLiteral("{a:1}") << false;
    QTest::newRow("comment") << QStringLiteral("{\"a\":1 /* c */}") << false;
    QTest::newRow("missing colon") << QStringLiteral("{\"a\" 1}") << false;
    QTest::newRow("unclosed object") << QStringLiteral("{\"a\":1") << false;
    QTest::newRow("unclosed string") << QStringLiteral("\"abc") << false;
    QTest::newRow("raw line break in string") << QStringLiteral("\"a\nb\"") << false;
    QTest::newRow("raw tab in string") << QStringLiteral("\"a\tb\"") << false;
    QTest::newRow("bad escape") << QStringLiteral("\"\\x41\"") << false;
    QTest::newRow("short unicode escape") << QStringLiteral("\"\\u12\"") << false;
    QTest::newRow("leading zero") << QStringLiteral("01") << false;
    QTest::newRow("plus sign") << QStringLiteral("+1") << false;
    QTest::newRow("bare fraction") << QStringLiteral(".5") << false;
    QTest::newRow("dot without digits") << QStringLiteral("1.") << false;
    QTest::newRow("exponent without digits") << QStringLiteral("1e") << false;
    QTest::newRow("NaN") << QStringLiteral("NaN") << false;
    QTest::newRow("capital True") << QStringLiteral("True") << false;
    QTest::newRow("truncated literal") << QStringLiteral("nul") << false;
    QTest::newRow("vertical tab as blank") << QStringLiteral("\v{}") << false;
}

void TestJson::acceptsOrRefuses()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(JsonValue::parse(text).has_value(), valid);
}

void TestJson::stringEscapes_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("text");

    QTest::newRow("plain") << QStringLiteral("\"Rua A, 10\"") << QStringLiteral("Rua A, 10");
    QTest::newRow("quote and backslash") << QStringLiteral("\"a\\\"b\\\\c\"") << QStringLiteral("a\"b\\c");
    QTest::newRow("solidus") << QStringLiteral("\"a\\/b\"") << QStringLiteral("a/b");
    QTest::newRow("control escapes") << QStringLiteral("\"\\b\\f\\n\\r\\t\"") << QStringLiteral("\b\f\n\r\t");
    QTest::newRow("unicode escape") << QStringLiteral("\"S\\u00e3o\"") << QStringLiteral("São");
    QTest::newRow("upper-case hex") << QStringLiteral("\"\\u00C3\"") << QStringLiteral("Ã");
    QTest::newRow("surrogate pair") << QStringLiteral("\"\\ud83d\\ude00\"")
                                    << QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::newRow("non-ASCII as is") << QStringLiteral("\"北京\"") << QStringLiteral("北京");
    QTest::newRow("empty") << QStringLiteral("\"\"") << QString();
}

void TestJson::stringEscapes()
{
    QFETCH(QString, json);
    QFETCH(QString, text);
    const auto v = JsonValue::parse(json);
    QVERIFY(v);
    QVERIFY(v->isString());
    QCOMPARE(v->text(), text);
}

void TestJson::numberKeepsItsSpelling_data()
{
    QTest::addColumn<QString>("json");
    QTest::newRow("integer") << QStringLiteral("12300");
    QTest::newRow("zero") << QStringLiteral("0");
    QTest::newRow("negative fraction") << QStringLiteral("-12.50");
    QTest::newRow("exponent") << QStringLiteral("1E-7");
    QTest::newRow("huge") << QStringLiteral("123456789012345678901234567890");
}

void TestJson::numberKeepsItsSpelling()
{
    QFETCH(QString, json);
    const auto v = JsonValue::parse(json);
    QVERIFY(v);
    QCOMPARE(v->type(), JsonValue::Type::Number);
    QCOMPARE(v->text(), json);
}

void TestJson::firstOfRepeatedNamesWins()
{
    const auto v = JsonValue::parse(QStringLiteral("{\"status\":\"OK\",\"x\":1,\"status\":\"DENIED\"}"));
    QVERIFY(v);
    QVERIFY(v->member(u"status"));
    QCOMPARE(v->member(u"status")->text(), QStringLiteral("OK"));
    QCOMPARE(v->members().size(), size_t(3));
}

void TestJson::namesMatchExactly()
{
    const auto v =
        JsonValue::parse(QStringLiteral("{\"Status\":\"OK\",\"status \":\"X\",\"st\\u0061tus\":\"Y\"}"));
    QVERIFY(v);
    // An escaped name is the name it spells.
    QVERIFY(v->member(u"status"));
    QCOMPARE(v->member(u"status")->text(), QStringLiteral("Y"));
    QVERIFY(v->member(u"Status"));
    QVERIFY(!v->member(u"STATUS"));
    QVERIFY(!v->member(u"stat"));
}

void TestJson::keepsOrderAndTypes()
{
    const auto v = JsonValue::parse(QStringLiteral("{\"b\":[1,\"x\",null,true,{}],\"a\":{\"c\":[]}}"));
    QVERIFY(v);
    QCOMPARE(v->members().size(), size_t(2));
    QCOMPARE(v->members()[0].name, QStringLiteral("b"));
    QCOMPARE(v->members()[1].name, QStringLiteral("a"));
    const auto &items = v->member(u"b")->items();
    QCOMPARE(items.size(), size_t(5));
    QCOMPARE(items[0].type(), JsonValue::Type::Number);
    QCOMPARE(items[1].type(), JsonValue::Type::String);
    QCOMPARE(items[2].type(), JsonValue::Type::Null);
    QCOMPARE(items[3].type(), JsonValue::Type::Bool);
    QCOMPARE(items[3].text(), QStringLiteral("true"));
    QCOMPARE(items[4].type(), JsonValue::Type::Object);
    QVERIFY(v->member(u"a")->member(u"c")->isArray());
    // Lookup on a value that is not an object finds nothing.
    QVERIFY(!items[1].member(u"x"));
}

void TestJson::nestingLimit()
{
    const int limit = JsonValue::maxDepth;
    const QString ok = QString(limit, QLatin1Char('[')) + QString(limit, QLatin1Char(']'));
    QVERIFY(JsonValue::parse(ok));
    const QString deep = QString(limit + 1, QLatin1Char('[')) + QString(limit + 1, QLatin1Char(']'));
    QVERIFY(!JsonValue::parse(deep));
    // Far deeper than any stack would take by recursion.
    const QString abyss = QString(1000000, QLatin1Char('['));
    QVERIFY(!JsonValue::parse(abyss));
}

QTEST_GUILESS_MAIN(TestJson)
#include "test_json.moc"
