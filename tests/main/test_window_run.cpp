// Runs from the window against the fake Distance Matrix service over HTTPS.
#include <QtTest>

#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <memory>

#include "WindowFakes.h"
#include "fake_service/FakeDistanceMatrix.h"
#include "i18n/Texts.h"
#include "main/untPrincipal.h"

using namespace trajetix;

namespace {
void userPicks(QComboBox *list, int index)
{
    list->setCurrentIndex(index);
    emit list->activated(index);
}
} // namespace

class TestWindowRun : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void runWritesEveryRowAndEmptiesTheBars();
    void rowShapesInTheInterfaceLanguage_data();
    void rowShapesInTheInterfaceLanguage();
    void windowPaintsAndDropsInputDuringARun();
    void emptyAddressFileAbortsTheRun();
    void keyNeverShows();

  private:
    void prepare(const QByteArray &addresses, const QString &key = QStringLiteral("test-key"));
    QByteArray result() const;

    FakeDistanceMatrix service;
    std::unique_ptr<Fakes> fakes;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TfrmPrincipal> window;
};

void TestWindowRun::initTestCase()
{
    QVERIFY2(service.start(FakeDistanceMatrix::Scheme::Https), qPrintable(service.errorString()));
}

void TestWindowRun::init()
{
    service.setHandler(&FakeDistanceMatrix::defaultHandler);
    service.clearRecords();
    fakes = std::make_unique<Fakes>();
    dir = std::make_unique<QTemporaryDir>();
    WindowOptions options = fakes->options();
    options.settingsFile = dir->filePath(QStringLiteral("config.ini"));
    options.client.endpoint = service.endpoint();
    options.client.caFile = service.caFile(); // the test's own CA; certificates stay checked
    options.client.connectTimeoutMs = 5000;
    options.client.responseTimeoutMs = 5000;
    window = std::make_unique<TfrmPrincipal>(options);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestWindowRun::cleanup()
{
    window.reset();
    fakes.reset();
    dir.reset();
}

void TestWindowRun::prepare(const QByteArray &addresses, const QString &key)
{
    const QString path = dir->filePath(QStringLiteral("enderecos.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(addresses);
    file.close();
    fakes->fileDialog.confirm({path});
    QTest::mouseClick(window->btbtnArquivoEnderecos, Qt::LeftButton);
    fakes->folderChooser.folders.enqueue(dir->path());
    QTest::mouseClick(window->btbtnDiretorioDestino, Qt::LeftButton);
    window->edtChaveAPIGoogle->setText(key);
    fakes->messages.shown.clear();
}

QByteArray TestWindowRun::result() const
{
    QFile file(window->edtDiretorioDestino->text());
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<no result file>");
    return file.readAll();
}

void TestWindowRun::runWritesEveryRowAndEmptiesTheBars()
{
    prepare("Campo Grande;Corumba\r\nA;B;C\r\n;Bonito\r\n");
    userPicks(window->cmbxModo, 1);
    QTest::mouseClick(window->btbtnProcessar, Qt::LeftButton);

    QCOMPARE(fakes->messages.shown.size(), 1);
    QCOMPARE(fakes->messages.shown.at(0).first, MessageKind::Information);
    QCOMPARE(fakes->messages.shown.at(0).second, QStringLiteral("Processamento finalizado com SUCESSO."));
    QCOMPARE(result(), QByteArray("Campo Grande, Brasil;Corumba, Brasil;12,3 km;15 minutos\r\n"
                                  "A, Brasil;B;C, Brasil;12,3 km;15 minutos\r\n"
                                  ", Brasil;Bonito, Brasil;12,3 km;15 minutos\r\n"));
    const QList<FakeRequest> requests = service.requests();
    QCOMPARE(requests.size(), 3);
    for (const FakeRequest &request : requests) {
        QCOMPARE(request.queryValue(QStringLiteral("mode")), QStringLiteral("walking"));
        QCOMPARE(request.queryValue(QStringLiteral("key")), QStringLiteral("test-key"));
    }
    // The bars were scaled for the run and are empty again at rest.
    QCOMPARE(window->prgBarGeral->maximum(), 3);
    QCOMPARE(window->prgBarAtual->maximum(), 3);
    QVERIFY(window->prgBarGeral->value() < window->prgBarGeral->minimum());
    QVERIFY(window->prgBarAtual->value() < window->prgBarAtual->minimum());
    QVERIFY(!window->isRunning());
    // The run changes no enabled state.
    QVERIFY(window->btbtnProcessar->isEnabled());
    QVERIFY(window->btbtnDiretorioDestino->isEnabled());
}

void TestWindowRun::rowShapesInTheInterfaceLanguage_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("answer"); // 0 found, 1 pair not found, 2 refused
    QTest::addColumn<QByteArray>("row");
    QTest::addRow("found") << 0 << 0 << QByteArray("Rua 1, MS;Rua 2, MS;3 km;4 min\r\n");
    QTest::addRow("not found, Portuguese")
        << 0 << 1 << QByteArray("o;d;N\xC3O ENCONTRADO;N\xC3O ENCONTRADO\r\n");
    QTest::addRow("not found, French") << 4 << 1 << QByteArray("o;d;PAS TROUV\xC9;PAS TROUV\xC9\r\n");
    QTest::addRow("refused, English") << 1 << 2
                                      << QByteArray("o;d;ERROR ACCESSING GOOGLE API - UNAVAILABILITY;"
                                                    "ERROR ACCESSING GOOGLE API - UNAVAILABILITY\r\n");
}

void TestWindowRun::rowShapesInTheInterfaceLanguage()
{
    QFETCH(int, language);
    QFETCH(int, answer);
    QFETCH(QByteArray, row);
    service.setHandler([answer](const FakeRequest &) {
        if (answer == 0)
            return FakeDistanceMatrix::foundAnswer(QStringLiteral("Rua 1, MS"), QStringLiteral("Rua 2, MS"),
                                                   QStringLiteral("3 km"), QStringLiteral("4 min"));
        if (answer == 1)
            return FakeDistanceMatrix::elementAnswer(QStringLiteral("X"), QStringLiteral("Y"));
        return FakeDistanceMatrix::refusedAnswer();
    });
    userPicks(window->cmbxIdioma, language);
    prepare("o;d");
    QTest::mouseClick(window->btbtnProcessar, Qt::LeftButton);
    QCOMPARE(result(), row);
    QCOMPARE(fakes->messages.shown.size(), 1);
    QCOMPARE(fakes->messages.shown.at(0).second, messageSlots(language).msgdlgbtnProcessarSucesso);
}

void TestWindowRun::windowPaintsAndDropsInputDuringARun()
{
    // Each answer takes a while; meanwhile the window's event loop must keep running.
    service.setHandler([](const FakeRequest &request) {
        FakeReply reply = FakeDistanceMatrix::defaultHandler(request);
        reply.delayMs = 300;
        return reply;
    });
    prepare("a;b\r\nc;d\r\n");
    bool ranDuringTheRun = false;
    int generalMaximum = 0;
    int currentPosition = 0;
    int dialogsBefore = 0;
    QTimer::singleShot(100, window.get(), [&] {
        ranDuringTheRun = window->isRunning();
        generalMaximum = window->prgBarGeral->maximum();
        currentPosition = window->prgBarAtual->value();
        dialogsBefore = fakes->fileDialog.requests.size();
        // The user clicks and types meanwhile: nothing of it may reach the window.
        QTest::mouseClick(window->btbtnArquivoEnderecos, Qt::LeftButton);
        window->edtChaveAPIGoogle->setFocus();
        QTest::keyClicks(window->edtChaveAPIGoogle, QStringLiteral("xyz"));
    });
    QTest::mouseClick(window->btbtnProcessar, Qt::LeftButton);

    QVERIFY(ranDuringTheRun);
    QCOMPARE(generalMaximum, 2);
    QCOMPARE(currentPosition, 1); // first line, request under way
    QCOMPARE(fakes->fileDialog.requests.size(), dialogsBefore);
    QCOMPARE(window->edtChaveAPIGoogle->text(), QStringLiteral("test-key"));
    QCOMPARE(service.requestCount(), 2);
    // Nothing arrives late once the run is over.
    QCoreApplication::processEvents();
    QCOMPARE(fakes->fileDialog.requests.size(), dialogsBefore);
    QCOMPARE(window->edtChaveAPIGoogle->text(), QStringLiteral("test-key"));
}

void TestWindowRun::emptyAddressFileAbortsTheRun()
{
    prepare("");
    QCOMPARE(window->totalLines(), 0);
    QTest::mouseClick(window->btbtnProcessar, Qt::LeftButton);
    QCOMPARE(fakes->messages.shown.size(), 1);
    QCOMPARE(fakes->messages.shown.at(0).first, MessageKind::Error);
    QCOMPARE(fakes->messages.shown.at(0).second,
             QStringLiteral("Ocorreu um erro durante a leitura. A operação foi abortada"));
    QCOMPARE(result(), QByteArray());
    QCOMPARE(service.requestCount(), 0);
    QVERIFY(window->prgBarGeral->value() < window->prgBarGeral->minimum());
}

void TestWindowRun::keyNeverShows()
{
    // A run whose requests fail: whatever is reported must not carry the key.
    service.setHandler([](const FakeRequest &) {
        FakeReply reply;
        reply.drop = FakeReply::Drop::BeforeAnswer;
        return reply;
    });
    const QString key = QStringLiteral("SECRET-KEY-1234");
    prepare("a;b\r\n", key);
    QTest::mouseClick(window->btbtnProcessar, Qt::LeftButton);
    QVERIFY(!fakes->messages.shown.isEmpty());
    for (const auto &shown : fakes->messages.shown)
        QVERIFY(!shown.second.contains(key));
    for (const QString &text : fakes->errorBox.texts)
        QVERIFY(!text.contains(key));
    QVERIFY(window->prgBarAtual->value() < window->prgBarAtual->minimum());
}

QTEST_MAIN(TestWindowRun)
#include "test_window_run.moc"
