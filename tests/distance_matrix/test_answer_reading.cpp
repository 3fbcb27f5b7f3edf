#include <QTest>

#include "distance_matrix/AnswerReading.h"
#include "distance_matrix/Json.h"

using namespace trajetix;

namespace {

const QString unreadable = QStringLiteral("<unreadable>");

QString j(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// A found-route answer; pieces can be replaced to break one thing at a time.
QString answerWith(const char *destinations, const char *origins, const char *rows,
                   const char *status = R"("OK")")
{
    return QStringLiteral(
               "{\"destination_addresses\": %1, \"origin_addresses\": %2, \"rows\": %3, \"status\": %4}")
        .arg(j(destinations), j(origins), j(rows), j(status));
}

QString rowWithElement(const char *element)
{
    return QStringLiteral("[{\"elements\": [%1]}]").arg(j(element));
}

QString answerWithElement(const char *element)
{
    return answerWith(R"(["Dest, Brasil"])", R"(["Orig, Brasil"])",
                      rowWithElement(element).toUtf8().constData());
}

const char *const okElement =
    R"({"distance": {"text": "12,3 km", "value": 12300}, "duration": {"text": "15 minutos", "value": 900}, "status": "OK"})";

} // namespace

class TestAnswerReading : public QObject {
    Q_OBJECT

  private slots:
    void readsSteps_data();
    void readsSteps();
    void failedStepLeavesOutputs();
};

void TestAnswerReading::readsSteps_data()
{
    // Each step is read on its own; "step2" is origin|destination|element status and
    // "step3" distance|duration, or unreadable.
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("step1");
    QTest::addColumn<QString>("step2");
    QTest::addColumn<QString>("step3");

    const QString found = answerWithElement(okElement);
    QTest::newRow("route found") << found << j("OK") << j("Orig, Brasil|Dest, Brasil|OK")
                                 << j("12,3 km|15 minutos");
    QTest::newRow("pair not found needs no distance")
        << answerWith(R"([""])", R"([""])", R"([{"elements": [{"status": "NOT_FOUND"}]}])") << j("OK")
        << j("||NOT_FOUND") << unreadable;
    QTest::newRow("refused with empty arrays")
        << j(R"({"destination_addresses": [], "error_message": "The provided API key is invalid.", "origin_addresses": [], "rows": [], "status": "REQUEST_DENIED"})")
        << j("REQUEST_DENIED") << unreadable << unreadable;
    QTest::newRow("only status") << j(R"({"status": "OVER_QUERY_LIMIT"})") << j("OVER_QUERY_LIMIT")
                                 << unreadable << unreadable;
    QTest::newRow("empty rows with OK")
        << answerWith(R"(["D"])", R"(["O"])", "[]") << j("OK") << unreadable << unreadable;
    QTest::newRow("empty rows with other status")
        << answerWith("[]", "[]", "[]", R"("ZERO_RESULTS")") << j("ZERO_RESULTS") << unreadable << unreadable;

    // Top-level status
    QTest::newRow("Status with capital S")
        << j(R"({"Status": "OK"})") << unreadable << unreadable << unreadable;
    QTest::newRow("STATUS") << j(R"({"STATUS": "OK"})") << unreadable << unreadable << unreadable;
    QTest::newRow("no status") << j(R"({"rows": []})") << unreadable << unreadable << unreadable;
    QTest::newRow("first status wins") << j(R"({"status": "INVALID_REQUEST", "status": "OK"})")
                                       << j("INVALID_REQUEST") << unreadable << unreadable;
    QTest::newRow("status case kept") << j(R"({"status": "ok"})") << j("ok") << unreadable << unreadable;
    QTest::newRow("status as number") << j(R"({"status": 200})") << j("200") << unreadable << unreadable;
    QTest::newRow("status as true") << j(R"({"status": true})") << j("true") << unreadable << unreadable;
    QTest::newRow("status null") << j(R"({"status": null})") << unreadable << unreadable << unreadable;
    QTest::newRow("status object") << j(R"({"status": {"code": "OK"}})") << unreadable << unreadable
                                   << unreadable;
    QTest::newRow("status array") << j(R"({"status": ["OK"]})") << unreadable << unreadable << unreadable;
    QTest::newRow("status with escapes")
        << j(R"({"status": "O\u004b"})") << j("OK") << unreadable << unreadable;
    QTest::newRow("top level array") << j(R"([{"status": "OK"}])") << unreadable << unreadable << unreadable;
    QTest::newRow("top level string") << j(R"("OK")") << unreadable << unreadable << unreadable;
    QTest::newRow("no JSON") << QString() << unreadable << unreadable << unreadable;
    QTest::newRow("not JSON") << j("<html>OK</html>") << unreadable << unreadable << unreadable;

    // Addresses
    QTest::newRow("addresses with escapes")
        << answerWith(R"(["S\u00e3o Paulo, SP"])", R"(["Rua \"A\", 10"])",
                      rowWithElement(okElement).toUtf8().constData())
        << j("OK") << j("Rua \"A\", 10|São Paulo, SP|OK") << j("12,3 km|15 minutos");
    QTest::newRow("only first entries")
        << answerWith(R"(["D1", 7, null])", R"(["O1", {}])",
                      R"([{"elements": [{"status": "NOT_FOUND"}, "junk"]}, 42])")
        << j("OK") << j("O1|D1|NOT_FOUND") << unreadable;
    QTest::newRow("destinations missing")
        << j(R"({"origin_addresses": ["O"], "rows": [{"elements": [{"status": "OK"}]}], "status": "OK"})")
        << j("OK") << unreadable << unreadable;
    QTest::newRow("origins missing")
        << j(R"({"destination_addresses": ["D"], "rows": [{"elements": [{"status": "OK"}]}], "status": "OK"})")
        << j("OK") << unreadable << unreadable;
    QTest::newRow("destinations a string")
        << answerWith(R"("D")", R"(["O"])", rowWithElement(okElement).toUtf8().constData()) << j("OK")
        << unreadable << j("12,3 km|15 minutos");
    QTest::newRow("destinations an object")
        << answerWith(R"({"0": "D"})", R"(["O"])", rowWithElement(okElement).toUtf8().constData()) << j("OK")
        << unreadable << j("12,3 km|15 minutos");
    QTest::newRow("origins empty") << answerWith(R"(["D"])", "[]",
                                                 rowWithElement(okElement).toUtf8().constData())
                                   << j("OK") << unreadable << j("12,3 km|15 minutos");
    QTest::newRow("first destination null")
        << answerWith("[null]", R"(["O"])", rowWithElement(okElement).toUtf8().constData()) << j("OK")
        << unreadable << j("12,3 km|15 minutos");
    QTest::newRow("first origin an array")
        << answerWith(R"(["D"])", R"([["O"]])", rowWithElement(okElement).toUtf8().constData()) << j("OK")
        << unreadable << j("12,3 km|15 minutos");
    QTest::newRow("first destination a number")
        << answerWith("[5]", R"(["O"])", rowWithElement(okElement).toUtf8().constData()) << j("OK")
        << j("O|5|OK") << j("12,3 km|15 minutos");
    QTest::newRow("first of repeated addresses wins")
        << j(R"({"destination_addresses": ["D1"], "origin_addresses": ["O1"], "destination_addresses": ["D2"], "rows": [{"elements": [{"status": "OK", "status": "NOT_FOUND"}]}], "status": "OK"})")
        << j("OK") << j("O1|D1|OK") << unreadable;

    // Rows and elements
    QTest::newRow("rows an object") << answerWith(R"(["D"])", R"(["O"])",
                                                  R"({"elements": [{"status": "OK"}]})")
                                    << j("OK") << unreadable << unreadable;
    QTest::newRow("first row an array") << answerWith(R"(["D"])", R"(["O"])", R"([[{"status": "OK"}]])")
                                        << j("OK") << unreadable << unreadable;
    QTest::newRow("first row a string")
        << answerWith(R"(["D"])", R"(["O"])", R"(["row"])") << j("OK") << unreadable << unreadable;
    QTest::newRow("row without elements")
        << answerWith(R"(["D"])", R"(["O"])", R"([{"cells": []}])") << j("OK") << unreadable << unreadable;
    QTest::newRow("elements empty") << answerWith(R"(["D"])", R"(["O"])", R"([{"elements": []}])") << j("OK")
                                    << unreadable << unreadable;
    QTest::newRow("elements not an array")
        << answerWith(R"(["D"])", R"(["O"])", R"([{"elements": {"status": "OK"}}])") << j("OK") << unreadable
        << unreadable;
    QTest::newRow("first element a string")
        << answerWithElement(R"("OK")") << j("OK") << unreadable << unreadable;
    QTest::newRow("first element null") << answerWithElement("null") << j("OK") << unreadable << unreadable;
    QTest::newRow("element without status")
        << answerWithElement(R"({"distance": {"text": "1 km"}, "duration": {"text": "1 min"}})") << j("OK")
        << unreadable << j("1 km|1 min");
    QTest::newRow("element Status capital")
        << answerWithElement(R"({"Status": "OK"})") << j("OK") << unreadable << unreadable;

    // Distance and duration
    QTest::newRow("OK element without distance")
        << answerWithElement(R"({"duration": {"text": "15 minutos"}, "status": "OK"})") << j("OK")
        << j("Orig, Brasil|Dest, Brasil|OK") << unreadable;
    QTest::newRow("OK element without duration")
        << answerWithElement(R"({"distance": {"text": "1 km"}, "status": "OK"})") << j("OK")
        << j("Orig, Brasil|Dest, Brasil|OK") << unreadable;
    QTest::newRow("distance a string")
        << answerWithElement(R"({"distance": "1 km", "duration": {"text": "2 min"}, "status": "OK"})")
        << j("OK") << j("Orig, Brasil|Dest, Brasil|OK") << unreadable;
    QTest::newRow("duration an array")
        << answerWithElement(
               R"({"distance": {"text": "1 km"}, "duration": [{"text": "2 min"}], "status": "OK"})")
        << j("OK") << j("Orig, Brasil|Dest, Brasil|OK") << unreadable;
    QTest::newRow("distance without text")
        << answerWithElement(
               R"({"distance": {"value": 1000}, "duration": {"text": "2 min"}, "status": "OK"})")
        << j("OK") << j("Orig, Brasil|Dest, Brasil|OK") << unreadable;
    QTest::newRow("distance Text capital")
        << answerWithElement(
               R"({"distance": {"Text": "1 km"}, "duration": {"text": "2 min"}, "status": "OK"})")
        << j("OK") << j("Orig, Brasil|Dest, Brasil|OK") << unreadable;
    QTest::newRow("duration text null")
        << answerWithElement(R"({"distance": {"text": "1 km"}, "duration": {"text": null}, "status": "OK"})")
        << j("OK") << j("Orig, Brasil|Dest, Brasil|OK") << unreadable;
    QTest::newRow("distance text a number as written")
        << answerWithElement(R"({"distance": {"text": 1.50}, "duration": {"text": "2 min"}, "status": "OK"})")
        << j("OK") << j("Orig, Brasil|Dest, Brasil|OK") << j("1.50|2 min");
    QTest::newRow("first distance and text win")
        << answerWithElement(
               R"({"distance": {"text": "1 km", "text": "9 km"}, "distance": "x", "duration": {"text": "2 min"}, "status": "OK"})")
        << j("OK") << j("Orig, Brasil|Dest, Brasil|OK") << j("1 km|2 min");
    QTest::newRow("empty texts")
        << answerWithElement(R"({"distance": {"text": ""}, "duration": {"text": ""}, "status": "OK"})")
        << j("OK") << j("Orig, Brasil|Dest, Brasil|OK") << j("|");
}

void TestAnswerReading::readsSteps()
{
    QFETCH(QString, json);
    QFETCH(QString, step1);
    QFETCH(QString, step2);
    QFETCH(QString, step3);

    const std::optional<JsonValue> parsed = JsonValue::parse(json);
    const JsonValue *root = parsed ? &*parsed : nullptr;

    QString status;
    QCOMPARE(answer::readStatus(root, status) ? status : unreadable, step1);

    QString origin, destination, elementStatus;
    QCOMPARE(answer::readAddressesAndElement(root, origin, destination, elementStatus)
                 ? origin + QLatin1Char('|') + destination + QLatin1Char('|') + elementStatus
                 : unreadable,
             step2);

    QString distance, duration;
    QCOMPARE(answer::readDistanceAndDuration(root, distance, duration)
                 ? distance + QLatin1Char('|') + duration
                 : unreadable,
             step3);
}

void TestAnswerReading::failedStepLeavesOutputs()
{
    // A step that fails part-way writes nothing, so a caller never sees half an answer.
    const auto v =
        JsonValue::parse(answerWith(R"(["D"])", "[]", rowWithElement(okElement).toUtf8().constData()));
    QVERIFY(v);
    QString origin = QStringLiteral("o"), destination = QStringLiteral("d"), status = QStringLiteral("s");
    QVERIFY(!answer::readAddressesAndElement(&*v, origin, destination, status));
    QCOMPARE(origin, QStringLiteral("o"));
    QCOMPARE(destination, QStringLiteral("d"));
    QCOMPARE(status, QStringLiteral("s"));

    const auto w = JsonValue::parse(answerWithElement(R"({"distance": {"text": "1 km"}, "status": "OK"})"));
    QVERIFY(w);
    QString distance = QStringLiteral("x"), duration = QStringLiteral("y");
    QVERIFY(!answer::readDistanceAndDuration(&*w, distance, duration));
    QCOMPARE(distance, QStringLiteral("x"));
    QCOMPARE(duration, QStringLiteral("y"));
}

QTEST_GUILESS_MAIN(TestAnswerReading)
#include "test_answer_reading.moc"
