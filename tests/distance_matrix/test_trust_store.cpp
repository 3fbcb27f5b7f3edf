// The certificate authorities shared by every connection: built once per CA file, and
// still checking each peer as libcurl's own store would.
#include <QtTest>

#include <QTemporaryDir>

#include <curl/curl.h>

#include "distance_matrix/RestClient.h"
#include "distance_matrix/TrustStore.h"
#include "fake_service/FakeDistanceMatrix.h"

using namespace trajetix;

namespace {

RestRequest aRequest()
{
    RestRequest request;
    request.setParameter(u"key", QStringLiteral("k"));
    request.setParameter(u"origins", QStringLiteral("a"));
    request.setParameter(u"destinations", QStringLiteral("b"));
    return request;
}

int certificatesIn(const QString &pemFile)
{
    QFile file(pemFile);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return int(file.readAll().count("-----BEGIN CERTIFICATE-----"));
}

} // namespace

class TestTrustStore : public QObject {
    Q_OBJECT
  private slots:
    void oneStorePerCaFile();
    void defaultBundleIsLibcurls();
    void unreadableCaFileGivesNoStore_data();
    void unreadableCaFileGivesNoStore();
    void peersAreStillChecked_data();
    void peersAreStillChecked();
};

void TestTrustStore::oneStorePerCaFile()
{
    const QByteArray testCa = TestCertificates::instance().caFile.toLocal8Bit();
    QVERIFY(!testCa.isEmpty());
    X509_STORE *store = truststore::shared(testCa);
    QVERIFY(store);
    QCOMPARE(truststore::shared(testCa), store);
    QVERIFY(truststore::shared(QByteArray()) != store);
    QVERIFY(truststore::objectCount(store) >= 1);
}

void TestTrustStore::defaultBundleIsLibcurls()
{
    // Without a CA file of its own, the store holds what libcurl would load: its bundle.
    const curl_version_info_data *info = curl_version_info(CURLVERSION_NOW);
    QVERIFY(info && info->cainfo);
    const int inBundle = certificatesIn(QString::fromLocal8Bit(info->cainfo));
    QVERIFY2(inBundle > 0, info->cainfo);
    X509_STORE *store = truststore::shared(QByteArray());
    QVERIFY(store);
    QVERIFY2(truststore::objectCount(store) >= inBundle,
             qPrintable(QStringLiteral("%1 of %2").arg(truststore::objectCount(store)).arg(inBundle)));
}

void TestTrustStore::unreadableCaFileGivesNoStore_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::addRow("missing") << QByteArray();
    QTest::addRow("not a certificate") << QByteArray("-----BEGIN CERTIFICATE-----\nnonsense\n"
                                                     "-----END CERTIFICATE-----\n");
    QTest::addRow("no certificate in it") << QByteArray("just text\n");
}

void TestTrustStore::unreadableCaFileGivesNoStore()
{
    // Every secure request then fails: nothing goes unchecked.
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("ca.pem"));
    if (!content.isEmpty()) {
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QVERIFY(!truststore::shared(name.toLocal8Bit()));

    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(FakeDistanceMatrix::Scheme::Https), qPrintable(fake.errorString()));
    ClientSettings settings;
    settings.endpoint = fake.endpoint();
    settings.caFile = name;
    RestClient client(settings);
    RestResponse response;
    QVERIFY(!client.execute(aRequest(), response));
    QCOMPARE(client.lastError(), RestClient::Error::Tls);
    QCOMPARE(fake.requestCount(), 0);
}

void TestTrustStore::peersAreStillChecked_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("trustTestCa");
    QTest::addColumn<bool>("answered");
    QTest::addRow("test CA, the certificate's address") << QStringLiteral("127.0.0.1") << true << true;
    // The certificate names 127.0.0.1 only.
    QTest::addRow("test CA, another host name") << QStringLiteral("localhost") << true << false;
    QTest::addRow("system store only") << QStringLiteral("127.0.0.1") << false << false;
}

void TestTrustStore::peersAreStillChecked()
{
    QFETCH(QString, host);
    QFETCH(bool, trustTestCa);
    QFETCH(bool, answered);
    FakeDistanceMatrix fake;
    QVERIFY2(fake.start(FakeDistanceMatrix::Scheme::Https), qPrintable(fake.errorString()));
    ClientSettings settings;
    settings.endpoint =
        QStringLiteral("https://%1:%2/maps/api/distancematrix/json").arg(host).arg(fake.port());
    if (trustTestCa)
        settings.caFile = fake.caFile();
    // Several clients, each with its connection, all checked against the one store.
    for (int i = 0; i < 3; ++i) {
        RestClient client(settings);
        RestResponse response;
        QCOMPARE(client.execute(aRequest(), response), answered);
        if (!answered)
            QCOMPARE(client.lastError(), RestClient::Error::Tls);
    }
    QCOMPARE(fake.requestCount(), answered ? 3 : 0);
}

QTEST_GUILESS_MAIN(TestTrustStore)
#include "test_trust_store.moc"
