#include <QtTest>

#include "settings/IntegerText.h"

#include <climits>

using namespace trajetix;

class TestIntegerText : public QObject {
    Q_OBJECT
private slots:
    void acceptsIntegers_data();
    void acceptsIntegers();
    void rejectsOtherTexts_data();
    void rejectsOtherTexts();
    void errorMessageIsExact();
};

void TestIntegerText::acceptsIntegers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::addRow("zero") << QStringLiteral("0") << 0;
    QTest::addRow("decimal") << QStringLiteral("2") << 2;
    QTest::addRow("leading zeros") << QStringLiteral("007") << 7;
    QTest::addRow("many leading zeros") << QStringLiteral("000000000000000000001") << 1;
    QTest::addRow("plus") << QStringLiteral("+5") << 5;
    QTest::addRow("minus") << QStringLiteral("-5") << -5;
    QTest::addRow("leading spaces") << QStringLiteral("   1") << 1;
    QTest::addRow("spaces before sign") << QStringLiteral("  -1") << -1;
    QTest::addRow("largest") << QStringLiteral("2147483647") << INT_MAX;
    QTest::addRow("smallest") << QStringLiteral("-2147483648") << INT_MIN;
    QTest::addRow("dollar") << QStringLiteral("$1F") << 31;
    QTest::addRow("x") << QStringLiteral("x1f") << 31;
    QTest::addRow("X") << QStringLiteral("X1F") << 31;
    QTest::addRow("0x") << QStringLiteral("0x10") << 16;
    QTest::addRow("0X") << QStringLiteral("0Xa") << 10;
    QTest::addRow("hex mixed case") << QStringLiteral("$aBcD") << 0xABCD;
    QTest::addRow("hex zero") << QStringLiteral("$0") << 0;
    QTest::addRow("eight F digits") << QStringLiteral("$FFFFFFFF") << -1;
    QTest::addRow("sign bit pattern") << QStringLiteral("0x80000000") << INT_MIN;
    QTest::addRow("largest positive pattern") << QStringLiteral("$7FFFFFFF") << INT_MAX;
    QTest::addRow("hex leading zeros beyond eight digits") << QStringLiteral("$000000001") << 1;
    QTest::addRow("minus hex") << QStringLiteral("-$10") << -16;
    QTest::addRow("plus hex") << QStringLiteral("+0x10") << 16;
    QTest::addRow("minus eight F digits") << QStringLiteral("-$FFFFFFFF") << 1;
    QTest::addRow("minus sign bit pattern") << QStringLiteral("-$80000000") << INT_MIN;
    QTest::addRow("spaces before hex") << QStringLiteral("  $2") << 2;
}

void TestIntegerText::acceptsIntegers()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(strToInt(text), value);
}

void TestIntegerText::rejectsOtherTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addRow("empty") << QString();
    QTest::addRow("only spaces") << QStringLiteral("   ");
    QTest::addRow("only sign") << QStringLiteral("-");
    QTest::addRow("two signs") << QStringLiteral("--1");
    QTest::addRow("space after sign") << QStringLiteral("- 1");
    QTest::addRow("decimal overflow") << QStringLiteral("2147483648");
    QTest::addRow("negative overflow") << QStringLiteral("-2147483649");
    QTest::addRow("far overflow") << QStringLiteral("99999999999999999999");
    QTest::addRow("hex overflow") << QStringLiteral("$100000000");
    QTest::addRow("0x overflow") << QStringLiteral("0x1FFFFFFFF");
    QTest::addRow("just dollar") << QStringLiteral("$");
    QTest::addRow("just 0x") << QStringLiteral("0x");
    QTest::addRow("just x") << QStringLiteral("x");
    QTest::addRow("trailing letter") << QStringLiteral("12a");
    QTest::addRow("trailing space") << QStringLiteral("12 ");
    QTest::addRow("inner blank") << QStringLiteral("1 2");
    QTest::addRow("second number") << QStringLiteral("1 1");
    QTest::addRow("hex digit in decimal") << QStringLiteral("1F");
    QTest::addRow("non-hex digit after prefix") << QStringLiteral("$1G");
    QTest::addRow("sign after prefix") << QStringLiteral("$-1");
    QTest::addRow("prefix after zeros") << QStringLiteral("00x1");
    QTest::addRow("leading tab") << QStringLiteral("\t1");
    QTest::addRow("decimal point") << QStringLiteral("1.0");
    QTest::addRow("letters") << QStringLiteral("dois");
    QTest::addRow("fullwidth digit") << QStringLiteral("\uFF11");
    QTest::addRow("percent sign kept in message") << QStringLiteral("%1");
}

void TestIntegerText::rejectsOtherTexts()
{
    QFETCH(QString, text);
    try {
        const int value = strToInt(text);
        QFAIL(qPrintable(QStringLiteral("read as %1").arg(value)));
    } catch (const SettingsError &error) {
        QCOMPARE(error.message(), u'\'' + text + u"' is not a valid integer value for Integer type");
    }
}

namespace {
QString errorOf(const QString &text)
{
    try {
        strToInt(text);
    } catch (const SettingsError &error) {
        return error.message();
    }
    return QStringLiteral("(no error)");
}
} // namespace

void TestIntegerText::errorMessageIsExact()
{
    QCOMPARE(errorOf(QString()), QStringLiteral("'' is not a valid integer value for Integer type"));
    QCOMPARE(errorOf(QStringLiteral("1 2")), QStringLiteral("'1 2' is not a valid integer value for Integer type"));
}

QTEST_GUILESS_MAIN(TestIntegerText)
#include "test_integertext.moc"
