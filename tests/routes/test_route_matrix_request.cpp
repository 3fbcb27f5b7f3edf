#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include "distance_matrix/Json.h"
#include "routes/RouteMatrixRequest.h"

using namespace trajetix;

class TestRouteMatrixRequest : public QObject {
    Q_OBJECT

  private slots:
    void body_data();
    void body();
    void stringsReadBack_data();
    void stringsReadBack();
    void travelModes_data();
    void travelModes();
};

void TestRouteMatrixRequest::body_data()
{
    QTest::addColumn<QString>("origin");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QByteArray>("expected");

    const auto body = [](const QByteArray &origin, const QByteArray &destination,
                         const QByteArray &mode) -> QByteArray {
        return "{\"origins\":[{\"waypoint\":{\"address\":\"" + origin +
               "\"}}],\"destinations\":[{\"waypoint\":{\"address\":\"" + destination +
               "\"}}],\"travelMode\":\"" + mode + "\",\"languageCode\":\"pt\",\"units\":\"METRIC\"}";
    };

    QTest::newRow("plain") << QStringLiteral("Rua A 10") << QStringLiteral("Rua B 20")
                           << QStringLiteral("driving") << body("Rua A 10", "Rua B 20", "DRIVE");
    QTest::newRow("quotes and backslashes")
        << QStringLiteral("Rua \"Nova\" 5") << QStringLiteral("C:\\dir\\\"x") << QStringLiteral("walking")
        << body("Rua \\\"Nova\\\" 5", "C:\\\\dir\\\\\\\"x", "WALK");
    QTest::newRow("short escapes") << QStringLiteral("a\tb\nc\rd") << QStringLiteral("e\bf\fg")
                                   << QStringLiteral("bicycling")
                                   << body("a\\tb\\nc\\rd", "e\\bf\\fg", "BICYCLE");
    QTest::newRow("other control characters")
        << (QStringLiteral("x") + QChar(0x01) + QChar(0x1F) + QChar(0x00) + QStringLiteral("y"))
        << (QStringLiteral("DEL") + QChar(0x7F)) << QStringLiteral("driving")
        << body("x\\u0001\\u001f\\u0000y", "DEL\x7f", "DRIVE");
    QTest::newRow("non-ASCII as UTF-8")
        << QStringLiteral("São Paulo, Paraná") << QStringLiteral("北京市 Ґ") << QStringLiteral("driving")
        << body("S\xc3\xa3o Paulo, Paran\xc3\xa1", "\xe5\x8c\x97\xe4\xba\xac\xe5\xb8\x82 \xd2\x90", "DRIVE");
    QTest::newRow("outside the BMP") << QString::fromUtf8("Rua \xf0\x9f\x9a\xb2") << QStringLiteral("B")
                                     << QStringLiteral("driving")
                                     << body("Rua \xf0\x9f\x9a\xb2", "B", "DRIVE");
    QTest::newRow("lone surrogates become U+FFFD")
        << (QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b"))
        << (QStringLiteral("c") + QChar(0xDC00)) << QStringLiteral("driving")
        << body("a\xef\xbf\xbd"
                "b",
                "c\xef\xbf\xbd", "DRIVE");
    QTest::newRow("empty origin, slash and semicolon kept")
        << QString() << QStringLiteral("</b>;C") << QStringLiteral("driving") << body("", "</b>;C", "DRIVE");
}

void TestRouteMatrixRequest::body()
{
    QFETCH(QString, origin);
    QFETCH(QString, destination);
    QFETCH(QString, mode);
    QFETCH(QByteArray, expected);
    const QByteArray got = routes::requestBody(origin, destination, routes::travelModeFor(mode));
    QCOMPARE(got, expected);
    // Valid JSON whatever the addresses hold.
    QJsonParseError error;
    QJsonDocument::fromJson(got, &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
}

void TestRouteMatrixRequest::stringsReadBack_data()
{
    QTest::addColumn<QString>("text");
    QString ascii;
    for (char16_t c = 0; c < 0x80; ++c)
        ascii += QChar(c);
    QTest::newRow("every ASCII character") << ascii;
    QTest::newRow("Latin-1 and C1") << QStringLiteral("\u0080\u009f\u00a0ÿ çãõ");
    QTest::newRow("line and paragraph separators") << QStringLiteral("a\u2028b\u2029c");
    QTest::newRow("Ukrainian and Chinese") << QStringLiteral("Київ, вулиця Ґонти; 上海市");
    // Not first: Qt's own JSON reader drops a U+FEFF opening a string.
    QTest::newRow("zero-width no-break spaces") << QStringLiteral("Rua\uFEFFA\uFEFF");
    QTest::newRow("empty") << QString();
}

void TestRouteMatrixRequest::stringsReadBack()
{
    QFETCH(QString, text);
    const QByteArray literal = routes::jsonString(text);
    // Both a standard reader and the program's own give the text back unchanged.
    const QJsonDocument doc = QJsonDocument::fromJson("{\"v\":" + literal + "}");
    QVERIFY(doc.isObject());
    QCOMPARE(doc.object().value(QStringLiteral("v")).toString(), text);
    const std::optional<JsonValue> own = JsonValue::parse(QString::fromUtf8(literal));
    QVERIFY(own && own->isString());
    QCOMPARE(own->text(), text);
}

void TestRouteMatrixRequest::travelModes_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("beta");
    QTest::newRow("driving") << QStringLiteral("driving") << QStringLiteral("DRIVE") << false;
    QTest::newRow("walking") << QStringLiteral("walking") << QStringLiteral("WALK") << true;
    QTest::newRow("bicycling") << QStringLiteral("bicycling") << QStringLiteral("BICYCLE") << true;
    // As the Distance Matrix path: any other word cycles.
    QTest::newRow("empty") << QString() << QStringLiteral("BICYCLE") << true;
    QTest::newRow("case matters") << QStringLiteral("Driving") << QStringLiteral("BICYCLE") << true;
}

void TestRouteMatrixRequest::travelModes()
{
    QFETCH(QString, word);
    QFETCH(QString, mode);
    QFETCH(bool, beta);
    QCOMPARE(routes::travelModeFor(word), mode);
    QCOMPARE(routes::isBetaTravelMode(mode), beta);
}

QTEST_GUILESS_MAIN(TestRouteMatrixRequest)
#include "test_route_matrix_request.moc"
