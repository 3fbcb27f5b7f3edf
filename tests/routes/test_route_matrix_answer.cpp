#include <QTest>

#include "routes/RouteMatrixAnswer.h"

using namespace trajetix;
using routes::MatrixAnswer;

Q_DECLARE_METATYPE(trajetix::routes::MatrixAnswer::Kind)

class TestRouteMatrixAnswer : public QObject {
    Q_OBJECT

  private slots:
    void elements_data();
    void elements();
    void refusals_data();
    void refusals();
    void unreadable_data();
    void unreadable();
};

namespace {

MatrixAnswer read(int httpStatus, const QByteArray &body)
{
    const std::optional<JsonValue> json = JsonValue::parse(QString::fromUtf8(body));
    return routes::readMatrixAnswer(httpStatus, json ? &*json : nullptr);
}

const QByteArray texts = R"("localizedValues":{"distance":{"text":"12,3 km"},"duration":{"text":"15 min"}})";

} // namespace

void TestRouteMatrixAnswer::elements_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("elementStatus");
    QTest::addColumn<bool>("hasTexts");
    QTest::addColumn<QString>("distance");

    QTest::newRow("found, indexes left out")
        << "[{\"status\":{},\"condition\":\"ROUTE_EXISTS\"," + texts + "}]" << true << QStringLiteral("OK")
        << true << QStringLiteral("12,3 km");
    QTest::newRow("found, indexes given as 0")
        << "[{\"originIndex\":0,\"destinationIndex\":0,\"condition\":\"ROUTE_EXISTS\"," + texts + "}]" << true
        << QStringLiteral("OK") << true << QStringLiteral("12,3 km");
    QTest::newRow("indexes as strings")
        << "[{\"originIndex\":\"0\",\"condition\":\"ROUTE_EXISTS\"," + texts + "}]" << true
        << QStringLiteral("OK") << true << QStringLiteral("12,3 km");
    QTest::newRow("out of order: origin 0, destination 0 is last")
        << QByteArray(R"([{"originIndex":1,"destinationIndex":1,"condition":"ROUTE_NOT_FOUND"},
                          {"destinationIndex":1,"condition":"ROUTE_EXISTS","localizedValues":{"distance":{"text":"wrong"},"duration":{"text":"x"}}},
                          {"originIndex":1,"status":{"code":5}},
                          {"condition":"ROUTE_EXISTS","distanceMeters":700,"localizedValues":{"distance":{"text":"0,7 km"},"duration":{"text":"2 min"}}}])")
        << true << QStringLiteral("OK") << true << QStringLiteral("0,7 km");
    QTest::newRow("the first of two counts")
        << QByteArray(R"([{"condition":"ROUTE_NOT_FOUND"},{"condition":"ROUTE_EXISTS"}])") << false
        << QStringLiteral("ROUTE_NOT_FOUND") << false << QString();
    QTest::newRow("zero distance left out")
        << "[{\"duration\":\"0s\",\"condition\":\"ROUTE_EXISTS\"," + texts + "}]" << true
        << QStringLiteral("OK") << true << QStringLiteral("12,3 km");
    QTest::newRow("found without texts") << QByteArray(R"([{"condition":"ROUTE_EXISTS","distanceMeters":5}])")
                                         << true << QStringLiteral("OK") << false << QString();
    QTest::newRow("a text that is no string")
        << QByteArray(
               R"([{"condition":"ROUTE_EXISTS","localizedValues":{"distance":{"text":5},"duration":{"text":"1 min"}}}])")
        << true << QStringLiteral("OK") << false << QString();
    QTest::newRow("route not found") << QByteArray(R"([{"status":{},"condition":"ROUTE_NOT_FOUND"}])")
                                     << false << QStringLiteral("ROUTE_NOT_FOUND") << false << QString();
    QTest::newRow("element error") << QByteArray(R"([{"status":{"code":5,"message":"no such place"}}])")
                                   << false << QStringLiteral("NOT_FOUND") << false << QString();
    QTest::newRow("element error beside ROUTE_EXISTS")
        << "[{\"status\":{\"code\":3},\"condition\":\"ROUTE_EXISTS\"," + texts + "}]" << false
        << QStringLiteral("INVALID_ARGUMENT") << true << QStringLiteral("12,3 km");
    QTest::newRow("unknown error code") << QByteArray(R"([{"status":{"code":99}}])") << false
                                        << QStringLiteral("CODE_99") << false << QString();
    QTest::newRow("condition unspecified")
        << QByteArray(R"([{"status":{}}])") << false
        << QStringLiteral("ROUTE_MATRIX_ELEMENT_CONDITION_UNSPECIFIED") << false << QString();
    // A condition spelled "OK" must not pass for a found route.
    QTest::newRow("condition OK") << QByteArray(R"([{"condition":"OK"}])") << false
                                  << QStringLiteral("NOT_OK") << false << QString();
    QTest::newRow("found, then a streamed error")
        << "[{\"condition\":\"ROUTE_EXISTS\"," + texts +
               "},{\"error\":{\"code\":503,\"status\":\"UNAVAILABLE\"}}]"
        << true << QStringLiteral("OK") << true << QStringLiteral("12,3 km");
}

void TestRouteMatrixAnswer::elements()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, found);
    QFETCH(QString, elementStatus);
    QFETCH(bool, hasTexts);
    QFETCH(QString, distance);

    const MatrixAnswer a = read(200, body);
    QCOMPARE(a.kind, MatrixAnswer::Kind::Element);
    QCOMPARE(a.routeFound, found);
    QCOMPARE(a.elementStatus, elementStatus);
    QCOMPARE(a.hasTexts, hasTexts);
    QCOMPARE(a.distanceText, distance);
}

void TestRouteMatrixAnswer::refusals_data()
{
    QTest::addColumn<int>("httpStatus");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("message");

    QTest::newRow("403 missing key")
        << 403
        << QByteArray(
               R"({"error":{"code":403,"message":"The request is missing a valid API key.","status":"PERMISSION_DENIED"}})")
        << QStringLiteral("PERMISSION_DENIED") << QStringLiteral("The request is missing a valid API key.");
    QTest::newRow("400 key not valid, with details")
        << 400
        << QByteArray(R"({"error":{"code":400,"message":"API key not valid.","status":"INVALID_ARGUMENT",
                          "details":[{"@type":"type.googleapis.com/google.rpc.ErrorInfo","reason":"API_KEY_INVALID"}]}})")
        << QStringLiteral("INVALID_ARGUMENT") << QStringLiteral("API key not valid.");
    QTest::newRow("429") << 429
                         << QByteArray(
                                R"({"error":{"code":429,"message":"Quota","status":"RESOURCE_EXHAUSTED"}})")
                         << QStringLiteral("RESOURCE_EXHAUSTED") << QStringLiteral("Quota");
    QTest::newRow("no status: from the code")
        << 503 << QByteArray(R"({"error":{"code":503,"message":"down"}})") << QStringLiteral("HTTP_503")
        << QStringLiteral("down");
    QTest::newRow("no status, no code: from HTTP")
        << 502 << QByteArray(R"({"error":{}})") << QStringLiteral("HTTP_502") << QString();
    QTest::newRow("status OK is never passed on")
        << 500 << QByteArray(R"({"error":{"code":500,"status":"OK"}})") << QStringLiteral("HTTP_500")
        << QString();
    QTest::newRow("envelope inside an array")
        << 400 << QByteArray(R"([{"error":{"code":400,"message":"bad","status":"INVALID_ARGUMENT"}}])")
        << QStringLiteral("INVALID_ARGUMENT") << QStringLiteral("bad");
    QTest::newRow("stream that ends in an error before the element")
        << 200 << QByteArray(R"([{"error":{"code":503,"message":"later","status":"UNAVAILABLE"}}])")
        << QStringLiteral("UNAVAILABLE") << QStringLiteral("later");
    QTest::newRow("envelope on a 200")
        << 200 << QByteArray(R"({"error":{"code":200}})") << QStringLiteral("ERROR") << QString();
}

void TestRouteMatrixAnswer::refusals()
{
    QFETCH(int, httpStatus);
    QFETCH(QByteArray, body);
    QFETCH(QString, status);
    QFETCH(QString, message);

    const MatrixAnswer a = read(httpStatus, body);
    QCOMPARE(a.kind, MatrixAnswer::Kind::Error);
    QCOMPARE(a.errorStatus, status);
    QCOMPARE(a.errorMessage, message);
}

void TestRouteMatrixAnswer::unreadable_data()
{
    QTest::addColumn<int>("httpStatus");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("empty body") << 200 << QByteArray();
    QTest::newRow("not JSON") << 200 << QByteArray("[{\"condition\": ROUTE_EXISTS");
    QTest::newRow("HTML error page") << 502 << QByteArray("<html><body>Bad Gateway</body></html>");
    QTest::newRow("an object, not an array") << 200 << QByteArray(R"({"condition":"ROUTE_EXISTS"})");
    QTest::newRow("empty array") << 200 << QByteArray("[]");
    QTest::newRow("no element for origin 0, destination 0")
        << 200 << QByteArray(R"([{"originIndex":1,"condition":"ROUTE_EXISTS"}])");
    QTest::newRow("entries that are no objects") << 200 << QByteArray(R"([1,"x",null])");
    QTest::newRow("index of the wrong type")
        << 200 << QByteArray(R"([{"originIndex":{},"condition":"ROUTE_EXISTS"}])");
    QTest::newRow("fractional index")
        << 200 << QByteArray(R"([{"originIndex":0.5,"condition":"ROUTE_EXISTS"}])");
    QTest::newRow("status not an object")
        << 200 << QByteArray(R"([{"status":"OK","condition":"ROUTE_EXISTS"}])");
    QTest::newRow("status code not a number") << 200 << QByteArray(R"([{"status":{"code":"x"}}])");
    QTest::newRow("condition not a string") << 200 << QByteArray(R"([{"condition":2}])");
    QTest::newRow("non-200 JSON without the envelope") << 403 << QByteArray(R"({"message":"denied"})");
    QTest::newRow("error that is no object") << 403 << QByteArray(R"({"error":"denied"})");
    QTest::newRow("elements on a non-200 answer") << 500 << QByteArray(R"([{"condition":"ROUTE_EXISTS"}])");
}

void TestRouteMatrixAnswer::unreadable()
{
    QFETCH(int, httpStatus);
    QFETCH(QByteArray, body);
    QCOMPARE(read(httpStatus, body).kind, MatrixAnswer::Kind::Unreadable);
}

QTEST_GUILESS_MAIN(TestRouteMatrixAnswer)
#include "test_route_matrix_answer.moc"
