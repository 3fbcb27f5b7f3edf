#include <QTest>

#include "distance_matrix/DistanceMatrixService.h"
#include "fake_service/FakeDistanceMatrix.h"
#include "i18n/ServiceTexts.h"
#include "i18n/Texts.h"
#include "routes/RoutesService.h"
#include "routes/ServiceChoice.h"

using namespace trajetix;

Q_DECLARE_METATYPE(trajetix::ServiceChoice)

class TestServiceChoice : public QObject {
    Q_OBJECT

  private slots:
    void choiceFromIndex_data();
    void choiceFromIndex();
    void betaNotices_data();
    void betaNotices();
    void makesTheChosenService_data();
    void makesTheChosenService();
};

void TestServiceChoice::choiceFromIndex_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<ServiceChoice>("choice");
    QTest::newRow("0") << 0 << ServiceChoice::DistanceMatrix;
    QTest::newRow("1") << 1 << ServiceChoice::Routes;
    QTest::newRow("2") << 2 << ServiceChoice::DistanceMatrix;
    QTest::newRow("-1") << -1 << ServiceChoice::DistanceMatrix;
}

void TestServiceChoice::choiceFromIndex()
{
    QFETCH(int, index);
    QFETCH(ServiceChoice, choice);
    QCOMPARE(serviceChoiceFromIndex(index), choice);
}

void TestServiceChoice::betaNotices_data()
{
    QTest::addColumn<ServiceChoice>("choice");
    QTest::addColumn<int>("modeIndex");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("notice");

    const ServiceChoice dm = ServiceChoice::DistanceMatrix;
    const ServiceChoice routes = ServiceChoice::Routes;
    QTest::newRow("Distance Matrix, walking") << dm << 1 << int(English) << QString();
    QTest::newRow("Distance Matrix, bicycling") << dm << 2 << int(English) << QString();
    QTest::newRow("Routes, driving") << routes << 0 << int(English) << QString();
    QTest::newRow("Routes, walking") << routes << 1 << int(English)
                                     << serviceTexts(English).betaNoticeWalking;
    QTest::newRow("Routes, bicycling, Portuguese")
        << routes << 2 << int(Portuguese) << serviceTexts(Portuguese).betaNoticeBicycling;
    // As the request: no selection sends bicycling.
    QTest::newRow("Routes, no selection")
        << routes << -1 << int(German) << serviceTexts(German).betaNoticeBicycling;
}

void TestServiceChoice::betaNotices()
{
    QFETCH(ServiceChoice, choice);
    QFETCH(int, modeIndex);
    QFETCH(int, language);
    QFETCH(QString, notice);
    QCOMPARE(betaNotice(choice, modeIndex, language), notice);
    QCOMPARE(isBetaTravelMode(choice, modeIndex), !notice.isEmpty());
}

void TestServiceChoice::makesTheChosenService_data()
{
    QTest::addColumn<ServiceChoice>("choice");
    QTest::addColumn<int>("rate");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<bool>("paced");

    QTest::newRow("Distance Matrix") << ServiceChoice::DistanceMatrix << 0
                                     << QByteArray("/maps/api/distancematrix/json") << false;
    QTest::newRow("Distance Matrix with a rate")
        << ServiceChoice::DistanceMatrix << 600 << QByteArray("/maps/api/distancematrix/json") << true;
    QTest::newRow("Routes") << ServiceChoice::Routes << 0
                            << QByteArray("/distanceMatrix/v2:computeRouteMatrix") << true;
    QTest::newRow("Routes with a rate")
        << ServiceChoice::Routes << 120 << QByteArray("/distanceMatrix/v2:computeRouteMatrix") << true;
}

void TestServiceChoice::makesTheChosenService()
{
    QFETCH(ServiceChoice, choice);
    QFETCH(int, rate);
    QFETCH(QByteArray, path);
    QFETCH(bool, paced);

    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    ServiceOptions options;
    options.settings.endpoint = fake.origin() + QString::fromLatin1(path);
    options.elementsPerMinute = rate;
    const std::unique_ptr<RouteService> service = makeRouteService(choice, options);
    service->setKey(QStringLiteral("k"));
    service->setMode(QStringLiteral("driving"));
    service->setPair(QStringLiteral("A"), QStringLiteral("B"));
    QVERIFY(service->send());
    QString status;
    QVERIFY(service->readStatus(status));
    QCOMPARE(status, QStringLiteral("OK"));
    QCOMPARE(fake.lastRequest().path, path);

    if (choice == ServiceChoice::Routes) {
        auto *routes = dynamic_cast<RoutesService *>(service.get());
        QVERIFY(routes);
        QCOMPARE(routes->pacer()->elementsPerMinute(),
                 rate > 0 ? rate : RoutesService::defaultElementsPerMinute);
    } else {
        QCOMPARE(dynamic_cast<PacedRouteService *>(service.get()) != nullptr, paced);
        QCOMPARE(dynamic_cast<DistanceMatrixService *>(service.get()) != nullptr, !paced);
    }

    // Without an address of its own, each service asks Google's.
    QCOMPARE(defaultEndpoint(choice),
             choice == ServiceChoice::Routes
                 ? QStringLiteral("https://routes.googleapis.com/distanceMatrix/v2:computeRouteMatrix")
                 : QStringLiteral("https://maps.googleapis.com/maps/api/distancematrix/json"));
}

QTEST_GUILESS_MAIN(TestServiceChoice)
#include "test_service_choice.moc"
