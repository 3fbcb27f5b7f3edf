// The route-service row of the settings tab: its list in the seven languages, the beta
// notice, the "servico" key of the settings file, and runs against the fake Routes API.
#include <QtTest>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <memory>

#include "WindowFakes.h"
#include "fake_service/FakeDistanceMatrix.h"
#include "fake_service/FakeRoutes.h"
#include "i18n/ServiceTexts.h"
#include "i18n/Texts.h"
#include "main/Widgets.h"
#include "main/untPrincipal.h"

using namespace trajetix;

namespace {

void userPicks(QComboBox *list, int index)
{
    list->setCurrentIndex(index);
    emit list->activated(index);
}

QStringList entries(const QComboBox *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

// The five keys as the program writes them for a first close without a file.
const QByteArray fiveKeys = "[DADOS]\r\ncaminhoenderecos=\r\nmododeslocamento=0\r\nchaveapigoogle=\r\n"
                            "idioma=0\r\naparencia=Windows\r\n";

} // namespace

class TestWindowService : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void listInEveryLanguage_data();
    void listInEveryLanguage();
    void betaNotice_data();
    void betaNotice();
    void keyLinkFollowsTheService();
    void tabReachesTheList();

    void untouchedFileStaysAsItWas_data();
    void untouchedFileStaysAsItWas();
    void savedValues_data();
    void savedValues();
    void routesSurvivesARestart();
    void routesSurvivesAStoppedStartUp();

    void runsAskTheChosenService_data();
    void runsAskTheChosenService();

  private:
    std::unique_ptr<TfrmPrincipal> start();
    void writeSettings(const QByteArray &bytes);
    QByteArray settingsBytes() const;

    FakeDistanceMatrix service;
    std::unique_ptr<Fakes> fakes;
    std::unique_ptr<QTemporaryDir> dir;
    QString settingsFile;
};

void TestWindowService::initTestCase()
{
    QVERIFY2(service.start(FakeDistanceMatrix::Scheme::Https), qPrintable(service.errorString()));
}

void TestWindowService::init()
{
    service.setHandler(&FakeDistanceMatrix::defaultHandler);
    service.clearRecords();
    fakes = std::make_unique<Fakes>();
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    settingsFile = dir->filePath(QStringLiteral("config.ini"));
}

void TestWindowService::cleanup()
{
    fakes.reset();
    dir.reset();
}

std::unique_ptr<TfrmPrincipal> TestWindowService::start()
{
    WindowOptions options = fakes->options();
    options.settingsFile = settingsFile;
    for (ClientSettings *client : {&options.client, &options.routesClient}) {
        client->caFile = service.caFile(); // the test's own CA; certificates stay checked
        client->connectTimeoutMs = 5000;
        client->responseTimeoutMs = 5000;
    }
    options.client.endpoint = service.endpoint();
    options.routesClient.endpoint = service.routesEndpoint();
    return std::make_unique<TfrmPrincipal>(options);
}

void TestWindowService::writeSettings(const QByteArray &bytes)
{
    QFile file(settingsFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray TestWindowService::settingsBytes() const
{
    QFile file(settingsFile);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<no file>");
    return file.readAll();
}

// ---- The list and the notice ------------------------------------------------

void TestWindowService::listInEveryLanguage_data()
{
    QTest::addColumn<int>("language");
    for (int language = 0; language < LanguageCount; ++language)
        QTest::addRow("%d", language) << language;
}

void TestWindowService::listInEveryLanguage()
{
    QFETCH(int, language);
    auto window = start();
    QCOMPARE(window->cmbxServico->currentIndex(), 0); // Distance Matrix stays the default
    userPicks(window->cmbxServico, 1);
    userPicks(window->cmbxIdioma, language);

    const ServiceTexts &texts = serviceTexts(language);
    QCOMPARE(window->lblServicoRotas->text(), texts.lblServicoRotas);
    QCOMPARE(entries(window->cmbxServico), texts.cmbxServico);
    QVERIFY(!window->cmbxServico->isEditable());
    // The choice survives the switch, and is announced by the translated heading.
    QCOMPARE(window->cmbxServico->currentIndex(), 1);
    QCOMPARE(window->cmbxServico->accessibleName(), texts.lblServicoRotas);
    // The heading is this language's own, not another's.
    for (int other = 0; other < LanguageCount; ++other) {
        if (other != language)
            QVERIFY2(serviceTexts(other).lblServicoRotas != texts.lblServicoRotas,
                     qPrintable(texts.lblServicoRotas));
    }
    QVERIFY(texts.cmbxServico.at(0).contains(QStringLiteral("Distance Matrix")));
    QVERIFY(texts.cmbxServico.at(1).contains(QStringLiteral("Routes")));
    if (language == English)
        QCOMPARE(texts.cmbxServico,
                 (QStringList{QStringLiteral("Distance Matrix"), QStringLiteral("Routes API")}));
    QVERIFY(fakes->errorBox.texts.isEmpty());
}

void TestWindowService::betaNotice_data()
{
    QTest::addColumn<int>("serviceIndex");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("notice"); // empty: hidden

    QTest::addRow("Distance Matrix, walking") << 0 << 1 << int(Portuguese) << QString();
    QTest::addRow("Routes, driving") << 1 << 0 << int(Portuguese) << QString();
    QTest::addRow("Routes, walking") << 1 << 1 << int(Portuguese)
                                     << serviceTexts(Portuguese).betaNoticeWalking;
    QTest::addRow("Routes, bicycling, English")
        << 1 << 2 << int(English) << serviceTexts(English).betaNoticeBicycling;
    QTest::addRow("Routes, walking, Chinese")
        << 1 << 1 << int(Chinese) << serviceTexts(Chinese).betaNoticeWalking;
}

void TestWindowService::betaNotice()
{
    QFETCH(int, serviceIndex);
    QFETCH(int, mode);
    QFETCH(int, language);
    QFETCH(QString, notice);
    auto window = start();
    window->show();
    window->pgcPrincipal->setCurrentWidget(window->tbshtConfiguracao);
    QVERIFY(!window->lblAvisoBeta->isVisible());

    // In either order of picking, and through a language switch.
    userPicks(window->cmbxModo, mode);
    userPicks(window->cmbxServico, serviceIndex);
    userPicks(window->cmbxIdioma, language);
    QCOMPARE(window->lblAvisoBeta->isVisible(), !notice.isEmpty());
    if (!notice.isEmpty())
        QCOMPARE(window->lblAvisoBeta->text(), notice);

    // Back to Distance Matrix, or to driving: the notice goes.
    userPicks(window->cmbxServico, 0);
    QVERIFY(!window->lblAvisoBeta->isVisible());
    userPicks(window->cmbxServico, serviceIndex);
    QCOMPARE(window->lblAvisoBeta->isVisible(), !notice.isEmpty());
    userPicks(window->cmbxModo, 0);
    QVERIFY(!window->lblAvisoBeta->isVisible());
}

void TestWindowService::keyLinkFollowsTheService()
{
    auto window = start();
    QTest::mouseClick(window->lblKeyApi, Qt::LeftButton);
    userPicks(window->cmbxServico, 1);
    QTest::mouseClick(window->lblKeyApi, Qt::LeftButton);
    QCOMPARE(fakes->linkOpener.opened,
             (QList<QUrl>{QUrl(TfrmPrincipal::keyHelpPage()), QUrl(TfrmPrincipal::routesKeyHelpPage())}));
}

void TestWindowService::tabReachesTheList()
{
    auto window = start();
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    window->pgcPrincipal->setCurrentWidget(window->tbshtConfiguracao);
    window->cmbxAparencia->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), window->cmbxServico);
}

// ---- The settings file --------------------------------------------------------

void TestWindowService::untouchedFileStaysAsItWas_data()
{
    QTest::addColumn<QByteArray>("before"); // empty: no file
    QTest::addColumn<QByteArray>("after");

    QTest::addRow("no file") << QByteArray() << fiveKeys;
    QTest::addRow("the five keys") << fiveKeys << fiveKeys;
    QTest::addRow("servico=0 already there") << fiveKeys + "servico=0\r\n" << fiveKeys + "servico=0\r\n";
    QTest::addRow("servico before the others")
        << QByteArray("[DADOS]\r\nservico=0\r\ncaminhoenderecos=\r\nmododeslocamento=0\r\nchaveapigoogle=\r\n"
                      "idioma=0\r\naparencia=Windows\r\n")
        << QByteArray("[DADOS]\r\nservico=0\r\ncaminhoenderecos=\r\nmododeslocamento=0\r\nchaveapigoogle=\r\n"
                      "idioma=0\r\naparencia=Windows\r\n");
    // Already in the file, so written: the value the window used.
    QTest::addRow("an invalid value") << fiveKeys + "servico=7\r\n" << fiveKeys + "servico=0\r\n";
}

void TestWindowService::untouchedFileStaysAsItWas()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    if (!before.isEmpty())
        writeSettings(before);
    auto window = start();
    QVERIFY(window->close());
    QCOMPARE(settingsBytes(), after);
}

void TestWindowService::savedValues_data()
{
    QTest::addColumn<QByteArray>("line"); // the servico line, empty for none
    QTest::addColumn<int>("index");

    QTest::addRow("missing") << QByteArray() << 0;
    QTest::addRow("0") << QByteArray("servico=0") << 0;
    QTest::addRow("1") << QByteArray("servico=1") << 1;
    QTest::addRow("1 with blanks") << QByteArray("servico= 1 ") << 1;
    QTest::addRow("1 in hexadecimal") << QByteArray("servico=$1") << 1;
    QTest::addRow("key in other case") << QByteArray("SERVICO=1") << 1;
    QTest::addRow("2") << QByteArray("servico=2") << 0;
    QTest::addRow("-1") << QByteArray("servico=-1") << 0;
    QTest::addRow("not a number") << QByteArray("servico=routes") << 0;
    QTest::addRow("empty") << QByteArray("servico=") << 0;
}

void TestWindowService::savedValues()
{
    QFETCH(QByteArray, line);
    QFETCH(int, index);
    writeSettings(fiveKeys + line + (line.isEmpty() ? "" : "\r\n"));
    auto window = start();
    QCOMPARE(window->cmbxServico->currentIndex(), index);
    // Unlike the travel mode and the language, a bad value is no error.
    QVERIFY(fakes->errorBox.texts.isEmpty());
    QCOMPARE(window->cmbxIdioma->currentIndex(), int(Portuguese));
}

void TestWindowService::routesSurvivesARestart()
{
    auto window = start();
    userPicks(window->cmbxServico, 1);
    QVERIFY(window->close());
    QCOMPARE(settingsBytes(), fiveKeys + "servico=1\r\n");

    auto again = start();
    QCOMPARE(again->cmbxServico->currentIndex(), 1);
    QVERIFY(again->close());
    QCOMPARE(settingsBytes(), fiveKeys + "servico=1\r\n");

    // Back to Distance Matrix: the key is there, so 0 is written.
    auto back = start();
    userPicks(back->cmbxServico, 0);
    QVERIFY(back->close());
    QCOMPARE(settingsBytes(), fiveKeys + "servico=0\r\n");
}

void TestWindowService::routesSurvivesAStoppedStartUp()
{
    // The language cannot be read: the start-up stops with the integer error, yet the saved
    // service is already chosen and the next close keeps it.
    writeSettings("[DADOS]\r\nmododeslocamento=1\r\nidioma=abc\r\nservico=1\r\n");
    auto window = start();
    QCOMPARE(fakes->errorBox.texts.size(), 1);
    QCOMPARE(window->cmbxServico->currentIndex(), 1);
    QCOMPARE(window->lblAvisoBeta->text(), serviceTexts(Portuguese).betaNoticeWalking);
    QVERIFY(window->close());
    QVERIFY2(settingsBytes().contains("\r\nservico=1\r\n"), settingsBytes().constData());
}

// ---- Runs ----------------------------------------------------------------------

void TestWindowService::runsAskTheChosenService_data()
{
    QTest::addColumn<int>("serviceIndex");
    QTest::addColumn<int>("language");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("rows");

    const QByteArray notFound = "N\xC3O ENCONTRADO";
    QTest::addRow("Distance Matrix") << 0 << int(Portuguese) << QByteArray("/maps/api/distancematrix/json")
                                     << QByteArray("a, Brasil;b, Brasil;12,3 km;15 minutos\r\n"
                                                   "x, Brasil;y, Brasil;12,3 km;15 minutos\r\n");
    // The Routes API returns no address: the line's own stand in the row.
    QTest::addRow("Routes") << 1 << int(Portuguese) << QByteArray("/distanceMatrix/v2:computeRouteMatrix")
                            << QByteArray("a;b;12,3 km;15 min\r\nx;y;" + notFound + ';' + notFound + "\r\n");
    QTest::addRow("Routes, French") << 1 << int(French) << QByteArray("/distanceMatrix/v2:computeRouteMatrix")
                                    << QByteArray(
                                           "a;b;12,3 km;15 min\r\nx;y;PAS TROUV\xC9;PAS TROUV\xC9\r\n");
}

void TestWindowService::runsAskTheChosenService()
{
    QFETCH(int, serviceIndex);
    QFETCH(int, language);
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, rows);

    FakeRoutesOptions routes;
    routes.decide = [](int, int, const QString &origin, const QString &, const QString &) {
        FakeRouteElement e;
        if (origin == u"x")
            e.outcome = FakeRouteElement::Outcome::NotFound;
        return e;
    };
    service.setHandler([routes](const FakeRequest &request) {
        return request.path == FakeRoutes::path() ? FakeRoutes::answer(request, routes)
                                                  : FakeDistanceMatrix::defaultHandler(request);
    });
    auto window = start();
    window->show();
    userPicks(window->cmbxIdioma, language);
    userPicks(window->cmbxServico, serviceIndex);
    const QString addresses = dir->filePath(QStringLiteral("enderecos.csv"));
    {
        QFile file(addresses);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("a;b\r\nx;y\r\n");
    }
    fakes->fileDialog.confirm({addresses});
    QTest::mouseClick(window->btbtnArquivoEnderecos, Qt::LeftButton);
    fakes->folderChooser.folders.enqueue(dir->path());
    QTest::mouseClick(window->btbtnDiretorioDestino, Qt::LeftButton);
    window->edtChaveAPIGoogle->setText(QStringLiteral("test-key"));
    fakes->messages.shown.clear();

    QTest::mouseClick(window->btbtnProcessar, Qt::LeftButton);
    QCOMPARE(fakes->messages.shown.size(), 1);
    QCOMPARE(fakes->messages.shown.at(0).second, messageSlots(language).msgdlgbtnProcessarSucesso);
    QFile result(window->edtDiretorioDestino->text());
    QVERIFY(result.open(QIODevice::ReadOnly));
    QCOMPARE(result.readAll(), rows);
    const QList<FakeRequest> requests = service.requests();
    QCOMPARE(requests.size(), 2);
    for (const FakeRequest &request : requests) {
        QCOMPARE(request.path, path);
        QVERIFY(!request.target.contains("test-key") || serviceIndex == 0);
    }
}

QTEST_MAIN(TestWindowService)
#include "test_window_service.moc"
