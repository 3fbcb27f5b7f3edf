// The main window driven as a user drives it, with fakes for its dialogs and boxes.
#include <QtTest>

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

#include <memory>

#include "WindowFakes.h"
#include "i18n/Texts.h"
#include "main/Widgets.h"
#include "main/untPrincipal.h"

using namespace trajetix;

namespace {

// As a user picking an entry in the opened list: the list selects it, then reports the
// activation (what QComboBox does when its popup closes on an entry).
void userPicks(QComboBox *list, int index)
{
    list->setCurrentIndex(index);
    emit list->activated(index);
}

QByteArray utf8(const char *text)
{
    return QByteArray(text);
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();

    void startsInTheDesignedState();
    void controlsStandWhereDesigned_data();
    void controlsStandWhereDesigned();
    void tabControlFollowsTheWindowEdges();
    void fontsAndColours();
    void glyphsHaveDisabledPictures();

    void addressDialogGetsItsState();
    void cancelledDialogWarnsAndChangesNothing();
    void csvFileIsAcceptedAndCounted();
    void otherExtensionEmptiesTheRow();
    void countingFailureKeepsTheRest_data();
    void countingFailureKeepsTheRest();
    void failingDialogIsAFailure();
    void severalFilesUseTheFirst();
    void lineCounts_data();
    void lineCounts();

    void folderChoiceComposesTheDestination_data();
    void folderChoiceComposesTheDestination();
    void cancelledFolderChooserWarns();
    void modeChangeComposesBesideTheAddressFile_data();
    void modeChangeComposesBesideTheAddressFile();
    void modeChangeWithoutAddressDoesNothing();
    void languageSwitchBetweenCompositions();

    void languageSwitchAppliesEveryText_data();
    void languageSwitchAppliesEveryText();
    void languageListShowsFlags();
    void languageSwitchKeepsTheModeIndex_data();
    void languageSwitchKeepsTheModeIndex();
    void composedTextsKeepTheirLanguage();
    void outOfRangeLanguageChangesNothing();

    void programSelectionRaisesNoChange();
    void sameEntryRaisesNoChange();
    void keyboardSelectionRaisesOneChange();

    void escapedErrorIsShownAndProgramGoesOn_data();
    void escapedErrorIsShownAndProgramGoesOn();

    void linksOpenTheirTargets_data();
    void linksOpenTheirTargets();
    void readmeIsLookedForInTheWorkingFolder();
    void plainLabelsAndPicturesDoNothing();
    void flagHintFollowsTheLanguage_data();
    void flagHintFollowsTheLanguage();

    void tabOrderFollowsTheRows();
    void controlsAreAnnouncedByTheirHeadings();

  private:
    QString writeFile(const QString &name, const QByteArray &bytes);
    void acceptFile(const QString &fileName);

    std::unique_ptr<Fakes> fakes;
    std::unique_ptr<TfrmPrincipal> window;
    std::unique_ptr<QTemporaryDir> dir;
};

void TestWindow::init()
{
    fakes = std::make_unique<Fakes>();
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    // No settings file: the window starts with the first mode, in Portuguese.
    WindowOptions options = fakes->options();
    options.settingsFile = dir->filePath(QStringLiteral("config.ini"));
    window = std::make_unique<TfrmPrincipal>(options);
    QCOMPARE(window->cmbxModo->currentIndex(), 0);
}

void TestWindow::cleanup()
{
    window.reset();
    fakes.reset();
    dir.reset();
}

QString TestWindow::writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(bytes);
    return path;
}

void TestWindow::acceptFile(const QString &fileName)
{
    fakes->fileDialog.confirm({fileName});
    QTest::mouseClick(window->btbtnArquivoEnderecos, Qt::LeftButton);
}

// ---- The window as created -------------------------------------------------

void TestWindow::startsInTheDesignedState()
{
    // A settings file without the mode: the start-up stops before any list is set and
    // before any language is applied, so the designed state shows.
    const QString settings = writeFile(QStringLiteral("designed.ini"), "[DADOS]\r\n");
    WindowOptions options = fakes->options();
    options.settingsFile = settings;
    TfrmPrincipal fresh(options);
    QCOMPARE(fakes->errorBox.texts.size(), 1);
    QCOMPARE(fresh.windowTitle(), QStringLiteral("Trajetix"));
    QCOMPARE(fresh.size(), QSize(723, 449));
    const Qt::WindowFlags flags = fresh.windowFlags();
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));

    QCOMPARE(fresh.pgcPrincipal->count(), 3);
    QCOMPARE(fresh.pgcPrincipal->widget(0), fresh.tbshtRoteamento);
    QCOMPARE(fresh.pgcPrincipal->widget(1), fresh.tbshtConfiguracao);
    QCOMPARE(fresh.pgcPrincipal->widget(2), fresh.tbshtSobre);
    QCOMPARE(fresh.pgcPrincipal->currentWidget(), fresh.tbshtRoteamento);
    QCOMPARE(fresh.pgcPrincipal->tabText(0), QStringLiteral("Processar rotas"));
    QCOMPARE(fresh.pgcPrincipal->tabText(1), QStringLiteral("Configuração"));
    QCOMPARE(fresh.pgcPrincipal->tabText(2), QStringLiteral("Sobre"));

    QVERIFY(fresh.btbtnArquivoEnderecos->isEnabled());
    QVERIFY(!fresh.btbtnDiretorioDestino->isEnabled());
    QVERIFY(!fresh.btbtnProcessar->isEnabled());
    QVERIFY(!fresh.edtDiretorioDestino->isEnabled());
    QVERIFY(fresh.edtArquivoEnderecos->isReadOnly());
    QVERIFY(fresh.edtDiretorioDestino->isReadOnly());
    QVERIFY(!fresh.edtArquivoEnderecos->hasFrame());
    QVERIFY(fresh.edtArquivoEnderecos->text().isEmpty());
    QVERIFY(fresh.edtDiretorioDestino->text().isEmpty());
    QCOMPARE(fresh.lblTotalLinhas->text(), QStringLiteral("      "));
    QCOMPARE(fresh.totalLines(), 0);

    // Both bars empty: at their minimum 1, nothing filled.
    for (QProgressBar *bar : {fresh.prgBarAtual, fresh.prgBarGeral}) {
        QCOMPARE(bar->minimum(), 1);
        QVERIFY(bar->value() <= bar->minimum());
        QVERIFY(!bar->isTextVisible());
    }

    QCOMPARE(fresh.cmbxModo->count(), 3);
    QCOMPARE(fresh.cmbxModo->itemText(0), QStringLiteral("Dirigindo"));
    QCOMPARE(fresh.cmbxModo->itemText(2), QStringLiteral("Bicicleta"));
    QCOMPARE(fresh.cmbxModo->currentIndex(), -1);
    QVERIFY(!fresh.cmbxModo->isEditable());
    QCOMPARE(fresh.cmbxIdioma->count(), 7);
    QCOMPARE(fresh.cmbxIdioma->itemText(1), QStringLiteral("Inglês"));
    QCOMPARE(fresh.edtChaveAPIGoogle->echoMode(), QLineEdit::Normal);
    QCOMPARE(fresh.icoBandeira->toolTip(), QStringLiteral("Software Brasileiro e Pantaneiro"));
    // Until a language is applied, the message slots are empty.
    QVERIFY(fresh.messageSlots().msglblKeyApi.isEmpty());
}

void TestWindow::controlsStandWhereDesigned_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place");
    QTest::addRow("grpbxEnderecos") << "grpbxEnderecos" << QRect(2, 24, 698, 81);
    QTest::addRow("btbtnArquivoEnderecos") << "btbtnArquivoEnderecos" << QRect(1, 30, 191, 30);
    QTest::addRow("edtArquivoEnderecos") << "edtArquivoEnderecos" << QRect(193, 34, 500, 21);
    QTest::addRow("grpbxEnderecosDestino") << "grpbxEnderecosDestino" << QRect(3, 111, 697, 81);
    QTest::addRow("btbtnDiretorioDestino") << "btbtnDiretorioDestino" << QRect(1, 27, 191, 30);
    QTest::addRow("edtDiretorioDestino") << "edtDiretorioDestino" << QRect(193, 31, 500, 21);
    QTest::addRow("btbtnProcessar") << "btbtnProcessar" << QRect(242, 233, 191, 30);
    QTest::addRow("prgBarAtual") << "prgBarAtual" << QRect(3, 298, 695, 17);
    QTest::addRow("prgBarGeral") << "prgBarGeral" << QRect(3, 342, 695, 17);
    QTest::addRow("edtChaveAPIGoogle") << "edtChaveAPIGoogle" << QRect(3, 49, 366, 21);
    QTest::addRow("cmbxModo") << "cmbxModo" << QRect(3, 104, 201, 21);
    QTest::addRow("cmbxIdioma") << "cmbxIdioma" << QRect(3, 158, 201, 22);
    QTest::addRow("cmbxAparencia") << "cmbxAparencia" << QRect(3, 214, 201, 21);
    QTest::addRow("Image1") << "Image1" << QRect(3, 6, 184, 146);
    QTest::addRow("icoBandeira") << "icoBandeira" << QRect(401, 0, 153, 50);
    QTest::addRow("lblDescricaoAplicativo") << "lblDescricaoAplicativo" << QRect(193, 52, 361, 40);
    QTest::addRow("Panel1") << "Panel1" << QRect(192, 119, 312, 5);
    // Labels size themselves: only their top-left corner is designed.
    QTest::addRow("lblTotalLinhas") << "lblTotalLinhas" << QRect(16, 240, -1, -1);
    QTest::addRow("lblEnderecoAtual") << "lblEnderecoAtual" << QRect(5, 276, -1, -1);
    QTest::addRow("lblProgressogeral") << "lblProgressogeral" << QRect(5, 320, -1, -1);
    QTest::addRow("lblChaveApiGoogle") << "lblChaveApiGoogle" << QRect(6, 22, -1, -1);
    QTest::addRow("lblKeyApi") << "lblKeyApi" << QRect(375, 52, -1, -1);
    QTest::addRow("lblParametroModoDeslocamento") << "lblParametroModoDeslocamento" << QRect(6, 76, -1, -1);
    QTest::addRow("lblIdiomaAplicativo") << "lblIdiomaAplicativo" << QRect(3, 131, -1, -1);
    QTest::addRow("lblAparenciaAplicativo") << "lblAparenciaAplicativo" << QRect(6, 186, -1, -1);
    QTest::addRow("Label3") << "Label3" << QRect(192, 12, -1, -1);
    QTest::addRow("lblVersao") << "lblVersao" << QRect(193, 90, -1, -1);
    QTest::addRow("lblVersaoWindows") << "lblVersaoWindows" << QRect(193, 105, -1, -1);
    QTest::addRow("lblLeiame") << "lblLeiame" << QRect(432, 98, -1, -1);
    QTest::addRow("lblContato") << "lblContato" << QRect(17, 165, -1, -1);
    QTest::addRow("Label9") << "Label9" << QRect(17, 191, -1, -1);
    QTest::addRow("lblEmail") << "lblEmail" << QRect(58, 191, -1, -1);
    QTest::addRow("Label10") << "Label10" << QRect(17, 210, -1, -1);
    QTest::addRow("lblURLSite") << "lblURLSite" << QRect(58, 210, -1, -1);
    QTest::addRow("lblColaboracao") << "lblColaboracao" << QRect(17, 255, -1, -1);
    QTest::addRow("lblLnkColaboracao") << "lblLnkColaboracao" << QRect(17, 274, -1, -1);
}

void TestWindow::controlsStandWhereDesigned()
{
    QFETCH(QString, name);
    QFETCH(QRect, place);
    auto *control = window->findChild<QWidget *>(name);
    QVERIFY2(control, qPrintable(name));
    QCOMPARE(control->pos(), place.topLeft());
    if (place.width() > 0) {
        QCOMPARE(control->size(), place.size());
    } else {
        // A label is as large as its text needs.
        auto *label = qobject_cast<QLabel *>(control);
        QVERIFY(label);
        QCOMPARE(label->size(), label->sizeHint());
    }
}

void TestWindow::tabControlFollowsTheWindowEdges()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCOMPARE(window->pgcPrincipal->geometry(), QRect(0, 0, 723, 441));
    window->resize(900, 600);
    QCOMPARE(window->pgcPrincipal->geometry(), QRect(0, 0, 900, 592));
    // The controls on the tabs keep their places.
    QCOMPARE(window->btbtnProcessar->pos(), QPoint(242, 233));
    window->resize(500, 300);
    QCOMPARE(window->pgcPrincipal->geometry(), QRect(0, 0, 500, 292));
}

void TestWindow::fontsAndColours()
{
    QVERIFY(window->grpbxEnderecos->font().bold());
    QCOMPARE(window->grpbxEnderecos->font().pointSize(), 8);
    QVERIFY(window->lblTotalLinhas->font().bold());
    QCOMPARE(window->lblTotalLinhas->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    QCOMPARE(window->lblKeyApi->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QVERIFY(window->lblKeyApi->font().underline());
    QCOMPARE(window->lblKeyApi->font().pointSize(), 7);
    QCOMPARE(window->lblKeyApi->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(window->Label3->font().pointSize(), 24);
    QVERIFY(window->Label3->font().bold());
    QVERIFY(window->lblDescricaoAplicativo->wordWrap());
    QCOMPARE(window->lblDescricaoAplicativo->font().pointSize(), 10);
    // The Chinese texts need a face that has their characters behind the Latin one.
    QVERIFY(window->font().families().contains(QStringLiteral("WenQuanYi Micro Hei")));
}

void TestWindow::glyphsHaveDisabledPictures()
{
    for (QPushButton *button :
         {window->btbtnArquivoEnderecos, window->btbtnDiretorioDestino, window->btbtnProcessar}) {
        const QIcon icon = button->icon();
        QVERIFY2(!icon.isNull(), qPrintable(button->objectName()));
        const QImage normal = icon.pixmap(QSize(16, 16), 1.0, QIcon::Normal).toImage();
        const QImage disabled = icon.pixmap(QSize(16, 16), 1.0, QIcon::Disabled).toImage();
        QVERIFY(!normal.isNull());
        QVERIFY(normal != disabled);
        // The disabled picture is grey: no pixel carries colour.
        for (int y = 0; y < disabled.height(); ++y)
            for (int x = 0; x < disabled.width(); ++x) {
                const QColor c = disabled.pixelColor(x, y);
                QVERIFY(qAbs(c.red() - c.green()) < 8 && qAbs(c.green() - c.blue()) < 8);
            }
    }
}

// ---- Choosing the address file ----------------------------------------------

void TestWindow::addressDialogGetsItsState()
{
    const QString first = writeFile(QStringLiteral("first.csv"), "a;b\r\n");
    acceptFile(first);
    fakes->fileDialog.cancel();
    QTest::mouseClick(window->btbtnArquivoEnderecos, Qt::LeftButton);
    QCOMPARE(fakes->fileDialog.requests.size(), 2);
    QCOMPARE(fakes->fileDialog.requests.at(0).initialFolder, QStringLiteral("/"));
    QVERIFY(fakes->fileDialog.requests.at(0).fileName.isEmpty());
    // The next showing starts with the last confirmed name filled in.
    QCOMPARE(fakes->fileDialog.requests.at(1).fileName, first);
    // A cancel leaves the dialog's name as it was.
    QCOMPARE(window->dialogFileName(), first);
}

void TestWindow::cancelledDialogWarnsAndChangesNothing()
{
    const QString path = writeFile(QStringLiteral("routes.csv"), "a;b\r\nc;d\r\n");
    acceptFile(path);
    fakes->folderChooser.folders.enqueue(dir->path());
    QTest::mouseClick(window->btbtnDiretorioDestino, Qt::LeftButton);
    const QString label = window->lblTotalLinhas->text();
    const QString destination = window->edtDiretorioDestino->text();
    fakes->messages.shown.clear();

    fakes->fileDialog.cancel();
    QTest::mouseClick(window->btbtnArquivoEnderecos, Qt::LeftButton);

    QCOMPARE(fakes->messages.shown.size(), 1);
    QCOMPARE(fakes->messages.shown.at(0).first, MessageKind::Warning);
    QCOMPARE(fakes->messages.shown.at(0).second, QStringLiteral("Informe o arquivo .CSV !"));
    QCOMPARE(window->edtArquivoEnderecos->text(), path);
    QCOMPARE(window->lblTotalLinhas->text(), label);
    QCOMPARE(window->edtDiretorioDestino->text(), destination);
    QVERIFY(window->btbtnDiretorioDestino->isEnabled());
    QVERIFY(window->btbtnProcessar->isEnabled());
    QCOMPARE(window->totalLines(), 2);
}

void TestWindow::csvFileIsAcceptedAndCounted()
{
    const QString path = writeFile(QStringLiteral("routes.CSV"), "a;b\r\nc;d\r\ne;f\r\n");
    acceptFile(path);
    QVERIFY(fakes->messages.shown.isEmpty());
    QCOMPARE(window->edtArquivoEnderecos->text(), path);
    QCOMPARE(window->lblTotalLinhas->text(), QStringLiteral("3 endereços a serem processados"));
    QCOMPARE(window->totalLines(), 3);
    QVERIFY(window->btbtnDiretorioDestino->isEnabled());
    QVERIFY(window->btbtnProcessar->isEnabled());
    // The destination edit is not touched by choosing the address file.
    QVERIFY(window->edtDiretorioDestino->text().isEmpty());
    // The label grows with its text.
    QCOMPARE(window->lblTotalLinhas->size(), window->lblTotalLinhas->sizeHint());
}

void TestWindow::otherExtensionEmptiesTheRow()
{
    const QString csv = writeFile(QStringLiteral("routes.csv"), "a;b\r\n");
    acceptFile(csv);
    fakes->folderChooser.folders.enqueue(dir->path());
    QTest::mouseClick(window->btbtnDiretorioDestino, Qt::LeftButton);
    const QString destination = window->edtDiretorioDestino->text();
    QVERIFY(!destination.isEmpty());

    const QString notes = writeFile(QStringLiteral("notes.txt"), "x\r\n");
    acceptFile(notes);
    QCOMPARE(fakes->messages.shown.size(), 0);
    QVERIFY(window->edtArquivoEnderecos->text().isEmpty());
    QVERIFY(window->lblTotalLinhas->text().isEmpty());
    QVERIFY(!window->btbtnDiretorioDestino->isEnabled());
    QVERIFY(!window->btbtnProcessar->isEnabled());
    QCOMPARE(window->edtDiretorioDestino->text(), destination);
    QCOMPARE(window->totalLines(), 1);
    // Rejected or not, the confirmed name is the dialog's name.
    QCOMPARE(window->dialogFileName(), notes);
}

void TestWindow::countingFailureKeepsTheRest_data()
{
    QTest::addColumn<QByteArray>("bytes"); // empty: no file at all
    QTest::addRow("missing file") << QByteArray();
    QTest::addRow("invalid UTF-8 after a UTF-8 mark") << QByteArray("\xEF\xBB\xBF"
                                                                    "a;b\r\n\xC3\x28;x\r\n");
}

void TestWindow::countingFailureKeepsTheRest()
{
    QFETCH(QByteArray, bytes);
    const QString good = writeFile(QStringLiteral("good.csv"), "a;b\r\nc;d\r\n");
    acceptFile(good);
    const QString label = window->lblTotalLinhas->text();

    const QString bad = bytes.isEmpty() ? dir->filePath(QStringLiteral("absent.csv"))
                                        : writeFile(QStringLiteral("bad.csv"), bytes);
    acceptFile(bad);

    QCOMPARE(fakes->messages.shown.size(), 1);
    QCOMPARE(fakes->messages.shown.at(0).first, MessageKind::Error);
    QCOMPARE(
        fakes->messages.shown.at(0).second,
        QStringLiteral("Ocorreu um erro durante a leitura do arquivo de ENTRADA. A operação foi abortada"));
    QVERIFY(window->edtArquivoEnderecos->text().isEmpty());
    QCOMPARE(window->lblTotalLinhas->text(), label);
    QVERIFY(window->btbtnDiretorioDestino->isEnabled());
    QVERIFY(window->btbtnProcessar->isEnabled());
    QCOMPARE(window->totalLines(), 2);
}

void TestWindow::failingDialogIsAFailure()
{
    const QString good = writeFile(QStringLiteral("good.csv"), "a;b\r\n");
    acceptFile(good);
    fakes->fileDialog.fail();
    QTest::mouseClick(window->btbtnArquivoEnderecos, Qt::LeftButton);
    fakes->fileDialog.throwError();
    QTest::mouseClick(window->btbtnArquivoEnderecos, Qt::LeftButton);

    QCOMPARE(fakes->messages.shown.size(), 2);
    for (const auto &shown : fakes->messages.shown) {
        QCOMPARE(shown.first, MessageKind::Error);
        QCOMPARE(shown.second, window->messageSlots().msgdlgbtnArquivoEnderecosErro);
    }
    QVERIFY(fakes->errorBox.texts.isEmpty());
    QVERIFY(window->edtArquivoEnderecos->text().isEmpty());
    QVERIFY(window->btbtnProcessar->isEnabled());
    QCOMPARE(window->totalLines(), 1);
}

void TestWindow::severalFilesUseTheFirst()
{
    const QString first = writeFile(QStringLiteral("first.csv"), "a;b\r\n");
    const QString second = writeFile(QStringLiteral("second.csv"), "a;b\r\nc;d\r\ne;f\r\n");
    fakes->fileDialog.confirm({first, second});
    QTest::mouseClick(window->btbtnArquivoEnderecos, Qt::LeftButton);
    QCOMPARE(window->edtArquivoEnderecos->text(), first);
    QCOMPARE(window->totalLines(), 1);
    fakes->folderChooser.folders.enqueue(dir->path());
    QTest::mouseClick(window->btbtnDiretorioDestino, Qt::LeftButton);
    QCOMPARE(window->edtDiretorioDestino->text(),
             dir->filePath(QStringLiteral("first-Processado-Dirigindo.csv")));
}

void TestWindow::lineCounts_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("lines");
    QTest::addRow("three lines, final CR LF") << utf8("a;b\r\nc;d\r\ne;f\r\n") << 3;
    QTest::addRow("three lines, no final break") << utf8("a;b\r\nc;d\r\ne;f") << 3;
    QTest::addRow("LF CR is two breaks") << utf8("a;b\n\rc;d") << 3;
    QTest::addRow("CR alone breaks") << utf8("a;b\rc;d\r") << 2;
    QTest::addRow("LF alone breaks") << utf8("a;b\nc;d\n") << 2;
    QTest::addRow("empty lines count") << utf8("\r\n\r\nx") << 3;
    QTest::addRow("empty file") << QByteArray() << 0;
    QTest::addRow("UTF-8 mark only") << QByteArray("\xEF\xBB\xBF") << 0;
    QTest::addRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF"
                                                   "S\xC3\xA3o;Rio\r\nA;B")
                                     << 2;
    QTest::addRow("UTF-16 LE with mark") << QByteArray("\xFF\xFE"
                                                       "a\0;\0b\0\r\0\n\0c\0",
                                                       14)
                                         << 2;
    QTest::addRow("UTF-16 BE with mark") << QByteArray("\xFE\xFF\0a\0;\0b\0\n\0c", 12) << 2;
    QTest::addRow("UTF-16 LE mark only") << QByteArray("\xFF\xFE") << 0;
    QTest::addRow("NUL is a character") << QByteArray("a\0b\r\n\0", 6) << 2;
    QTest::addRow("UTF-8 without mark is code page text") << utf8("S\xC3\xA3o;x\n\xC3") << 2;
}

void TestWindow::lineCounts()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, lines);
    acceptFile(writeFile(QStringLiteral("count.csv"), bytes));
    QVERIFY(fakes->messages.shown.isEmpty());
    QCOMPARE(window->totalLines(), lines);
    QCOMPARE(window->lblTotalLinhas->text(),
             QString::number(lines) + QStringLiteral(" endereços a serem processados"));
}

// ---- Destination and the result-file name -----------------------------------

void TestWindow::folderChoiceComposesTheDestination_data()
{
    QTest::addColumn<QString>("addressName");
    QTest::addColumn<QString>("folder"); // empty: the temporary folder
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("expected"); // %1 stands for the chosen folder
    QTest::addRow("upper-case extension") << "routes.CSV"
                                          << "" << 0 << 0 << "%1/routes-Processado-Dirigindo.csv";
    QTest::addRow("dot inside the base") << "a.b.csv"
                                         << "" << 1 << 1 << "%1/a.b-Processed-Walking.csv";
    QTest::addRow("name is only the extension") << ".csv"
                                                << "" << 6 << 2 << "%1/- 处理 -自行车.csv";
    QTest::addRow("Spanish marker") << "r.csv"
                                    << "" << 2 << 2 << "%1/r-Procesada-Bicicleta.csv";
    QTest::addRow("no mode selected") << "r.csv"
                                      << "" << 0 << -1 << "%1/r-Processado-.csv";
    QTest::addRow("root folder") << "routes.csv"
                                 << "/" << 0 << 0 << "%1/routes-Processado-Dirigindo.csv";
}

void TestWindow::folderChoiceComposesTheDestination()
{
    QFETCH(QString, addressName);
    QFETCH(QString, folder);
    QFETCH(int, language);
    QFETCH(int, mode);
    QFETCH(QString, expected);
    acceptFile(writeFile(addressName, "a;b\r\n"));
    window->Traduzir(language);
    {
        const QSignalBlocker blocker(window->cmbxModo);
        window->cmbxModo->setCurrentIndex(mode);
    }
    const QString chosen = folder.isEmpty() ? dir->path() : folder;
    fakes->folderChooser.folders.enqueue(chosen);
    fakes->messages.shown.clear();
    QTest::mouseClick(window->btbtnDiretorioDestino, Qt::LeftButton);

    QVERIFY(fakes->messages.shown.isEmpty());
    QCOMPARE(fakes->folderChooser.titles, QStringList{messageSlots(language).msgBrowseFolder});
    QCOMPARE(window->edtDiretorioDestino->text(), expected.arg(chosen));
    if (folder == QLatin1String("/")) // two separators in a row still name a file in the root
        QCOMPARE(QFileInfo(window->edtDiretorioDestino->text()).absolutePath(), QStringLiteral("/"));
    QCOMPARE(window->resultFolder(), chosen);
    QVERIFY(window->btbtnProcessar->isEnabled());
}

void TestWindow::cancelledFolderChooserWarns()
{
    acceptFile(writeFile(QStringLiteral("r.csv"), "a;b\r\n"));
    fakes->folderChooser.folders.enqueue(dir->path());
    QTest::mouseClick(window->btbtnDiretorioDestino, Qt::LeftButton);
    const QString destination = window->edtDiretorioDestino->text();

    QTest::mouseClick(window->btbtnDiretorioDestino, Qt::LeftButton); // nothing queued: cancelled
    QCOMPARE(fakes->messages.shown.size(), 1);
    QCOMPARE(fakes->messages.shown.at(0).first, MessageKind::Warning);
    QCOMPARE(fakes->messages.shown.at(0).second,
             QStringLiteral("Informe o diretório/pasta de destino para os endereços processados."));
    QCOMPARE(window->edtDiretorioDestino->text(), destination);
    QCOMPARE(window->resultFolder(), dir->path());
}

void TestWindow::modeChangeComposesBesideTheAddressFile_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("name");
    QTest::addRow("Portuguese walking") << 0 << 1 << "routes-Processado-Andando.csv";
    // The marker stays Portuguese whatever the interface language.
    QTest::addRow("English bicycling") << 1 << 2 << "routes-Processado-Bicycling.csv";
    QTest::addRow("Chinese walking") << 6 << 1 << "routes-Processado-步行.csv";
}

void TestWindow::modeChangeComposesBesideTheAddressFile()
{
    QFETCH(int, language);
    QFETCH(int, mode);
    QFETCH(QString, name);
    acceptFile(writeFile(QStringLiteral("routes.csv"), "a;b\r\n"));
    // A folder chosen before is replaced by the address file's own folder.
    QTemporaryDir other;
    fakes->folderChooser.folders.enqueue(other.path());
    QTest::mouseClick(window->btbtnDiretorioDestino, Qt::LeftButton);
    window->Traduzir(language);

    userPicks(window->cmbxModo, mode);
    QCOMPARE(window->edtDiretorioDestino->text(), dir->filePath(name));
    QCOMPARE(window->resultFolder(), dir->path());
    QVERIFY(fakes->messages.shown.isEmpty());
}

void TestWindow::modeChangeWithoutAddressDoesNothing()
{
    userPicks(window->cmbxModo, 2);
    QVERIFY(window->edtDiretorioDestino->text().isEmpty());
    QVERIFY(window->resultFolder().isEmpty());

    // An address file rejected afterwards blanks the edit: a mode change does nothing.
    acceptFile(writeFile(QStringLiteral("r.csv"), "a;b\r\n"));
    fakes->folderChooser.folders.enqueue(dir->path());
    QTest::mouseClick(window->btbtnDiretorioDestino, Qt::LeftButton);
    const QString destination = window->edtDiretorioDestino->text();
    acceptFile(writeFile(QStringLiteral("r.txt"), "a;b\r\n"));
    userPicks(window->cmbxModo, 1);
    QCOMPARE(window->edtDiretorioDestino->text(), destination);
    QVERIFY(!window->btbtnProcessar->isEnabled());
}

void TestWindow::languageSwitchBetweenCompositions()
{
    acceptFile(writeFile(QStringLiteral("routes.csv"), "a;b\r\n"));
    fakes->folderChooser.folders.enqueue(dir->path());
    QTest::mouseClick(window->btbtnDiretorioDestino, Qt::LeftButton);
    const QString portuguese = dir->filePath(QStringLiteral("routes-Processado-Dirigindo.csv"));
    QCOMPARE(window->edtDiretorioDestino->text(), portuguese);

    userPicks(window->cmbxIdioma, English);
    QCOMPARE(window->edtDiretorioDestino->text(), portuguese);

    fakes->folderChooser.folders.enqueue(dir->path());
    QTest::mouseClick(window->btbtnDiretorioDestino, Qt::LeftButton);
    QCOMPARE(window->edtDiretorioDestino->text(),
             dir->filePath(QStringLiteral("routes-Processed-Driving.csv")));
}

// ---- Languages ---------------------------------------------------------------

void TestWindow::languageSwitchAppliesEveryText_data()
{
    QTest::addColumn<int>("language");
    for (int i = LanguageCount - 1; i >= 0; --i)
        QTest::addRow("%d", i) << i;
}

void TestWindow::languageSwitchAppliesEveryText()
{
    QFETCH(int, language);
    userPicks(window->cmbxIdioma, language);

    for (const ControlText &control : controlTexts(language)) {
        const QString name = QLatin1String(control.objectName);
        QWidget *widget = window->findChild<QWidget *>(name);
        QVERIFY2(widget, control.objectName);
        QString shown;
        if (control.kind == ControlText::Hint)
            shown = widget->toolTip();
        else if (window->pgcPrincipal->indexOf(widget) >= 0)
            shown = window->pgcPrincipal->tabText(window->pgcPrincipal->indexOf(widget));
        else if (auto *group = qobject_cast<QGroupBox *>(widget))
            shown = group->title();
        else if (auto *button = qobject_cast<QAbstractButton *>(widget))
            shown = button->text();
        else if (auto *label = qobject_cast<QLabel *>(widget))
            shown = label->text();
        QCOMPARE(shown, control.text);
    }
    QCOMPARE(window->btbtnProcessar->text(), window->pgcPrincipal->tabText(0));

    const QStringList modes = travelModeNames(language);
    const QStringList languages = languageNames(language);
    QCOMPARE(window->cmbxModo->count(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(window->cmbxModo->itemText(i), modes.at(i));
    QCOMPARE(window->cmbxIdioma->count(), LanguageCount);
    for (int i = 0; i < LanguageCount; ++i)
        QCOMPARE(window->cmbxIdioma->itemText(i), languages.at(i));
    QCOMPARE(window->cmbxIdioma->currentIndex(), language);

    const MessageSlots &expected = messageSlots(language);
    const MessageSlots &actual = window->messageSlots();
    QCOMPARE(actual.msglblKeyApi, expected.msglblKeyApi);
    QCOMPARE(actual.msglblTotalLinhas, expected.msglblTotalLinhas);
    QCOMPARE(actual.msgdlgbtnArquivoEnderecos, expected.msgdlgbtnArquivoEnderecos);
    QCOMPARE(actual.msgdlgbtnArquivoEnderecosErro, expected.msgdlgbtnArquivoEnderecosErro);
    QCOMPARE(actual.msgBrowseFolder, expected.msgBrowseFolder);
    QCOMPARE(actual.msgbtnDiretorioDestinoNomeArquivoFinal, expected.msgbtnDiretorioDestinoNomeArquivoFinal);
    QCOMPARE(actual.msgdlgbtnProcessar, expected.msgdlgbtnProcessar);
    QCOMPARE(actual.msgdlgbtnProcessarErro1, expected.msgdlgbtnProcessarErro1);
    QCOMPARE(actual.msgdlgbtnProcessarErro2, expected.msgdlgbtnProcessarErro2);
    QCOMPARE(actual.msgdlgbtnProcessarErroArg1, expected.msgdlgbtnProcessarErroArg1);
    QCOMPARE(actual.msgdlgbtnProcessarErroArq2, expected.msgdlgbtnProcessarErroArq2);
    QCOMPARE(actual.msgdlgbtnProcessarErroArg3, expected.msgdlgbtnProcessarErroArg3);
    QCOMPARE(actual.msgdlgbtnProcessarSucesso, expected.msgdlgbtnProcessarSucesso);
    QCOMPARE(actual.msgcmbxModo, expected.msgcmbxModo);

    // Texts no language changes.
    QCOMPARE(window->windowTitle(), QStringLiteral("Trajetix"));
    QCOMPARE(window->Label3->text(), QStringLiteral("Trajetix"));
    QCOMPARE(window->Label9->text(), QStringLiteral("E-mail"));
    QCOMPARE(window->Label10->text(), QStringLiteral("Site"));
    QCOMPARE(window->lblEmail->text(), TfrmPrincipal::makerEmail());
    QCOMPARE(window->lblURLSite->text(), TfrmPrincipal::makerSite());
    QCOMPARE(window->lblTotalLinhas->text(), QStringLiteral("      "));
}

void TestWindow::languageListShowsFlags()
{
    userPicks(window->cmbxIdioma, German);
    QCOMPARE(window->cmbxIdioma->currentText(), QStringLiteral("Deutsch"));
    QCOMPARE(window->cmbxIdioma->itemText(0), QStringLiteral("Portugiesisch"));
    // Entry i shows flag i: seven different pictures in the language order.
    QList<QImage> pictures;
    for (int i = 0; i < LanguageCount; ++i) {
        const QIcon icon = window->cmbxIdioma->itemIcon(i);
        QVERIFY(!icon.isNull());
        const QImage image = icon.pixmap(QSize(16, 16), 1.0).toImage();
        QCOMPARE(image.size(), QSize(16, 16));
        QVERIFY(!pictures.contains(image));
        pictures.append(image);
    }
    // Germany's flag: black over red over gold.
    const QImage german = pictures.at(German);
    QVERIFY(qGray(german.pixel(8, 4)) < 40);
    QVERIFY(qRed(german.pixel(8, 8)) > 180 && qGreen(german.pixel(8, 8)) < 60);
    QVERIFY(qRed(german.pixel(8, 12)) > 200 && qGreen(german.pixel(8, 12)) > 150 &&
            qBlue(german.pixel(8, 12)) < 80);
}

void TestWindow::languageSwitchKeepsTheModeIndex_data()
{
    QTest::addColumn<int>("mode");
    QTest::addRow("walking") << 1;
    QTest::addRow("no selection") << -1;
}

void TestWindow::languageSwitchKeepsTheModeIndex()
{
    QFETCH(int, mode);
    {
        const QSignalBlocker blocker(window->cmbxModo);
        window->cmbxModo->setCurrentIndex(mode);
    }
    userPicks(window->cmbxIdioma, English);
    QCOMPARE(window->cmbxModo->currentIndex(), mode);
    QCOMPARE(window->cmbxModo->currentText(), mode < 0 ? QString() : QStringLiteral("Walking"));
}

void TestWindow::composedTextsKeepTheirLanguage()
{
    acceptFile(writeFile(QStringLiteral("r.csv"), QByteArray("x\r\n").repeated(12)));
    QCOMPARE(window->lblTotalLinhas->text(), QStringLiteral("12 endereços a serem processados"));
    userPicks(window->cmbxIdioma, Chinese);
    QCOMPARE(window->lblTotalLinhas->text(), QStringLiteral("12 endereços a serem processados"));
    acceptFile(writeFile(QStringLiteral("r.csv"), QByteArray("x\r\n").repeated(12)));
    // The Chinese text brings its own trailing blank.
    QCOMPARE(window->lblTotalLinhas->text(), QStringLiteral("12 待处理地址 "));
}

void TestWindow::outOfRangeLanguageChangesNothing()
{
    userPicks(window->cmbxIdioma, French);
    window->Traduzir(7);
    window->Traduzir(-1);
    QCOMPARE(window->cmbxIdioma->currentIndex(), int(French));
    QCOMPARE(window->pgcPrincipal->tabText(2), QStringLiteral("À propos de"));
    QCOMPARE(window->messageSlots().msgdlgbtnProcessarErroArg1, QStringLiteral("PAS TROUVÉ"));
}

// ---- Change events only for the user ---------------------------------------

void TestWindow::programSelectionRaisesNoChange()
{
    acceptFile(writeFile(QStringLiteral("r.csv"), "a;b\r\n"));
    fakes->folderChooser.folders.enqueue(dir->path());
    QTest::mouseClick(window->btbtnDiretorioDestino, Qt::LeftButton);
    const QString destination = window->edtDiretorioDestino->text();

    // Traduzir refills and reselects both lists: neither handler may run, so the
    // destination keeps its Portuguese mode name and the language is applied once.
    window->Traduzir(German);
    QCOMPARE(window->edtDiretorioDestino->text(), destination);
    QCOMPARE(window->cmbxModo->currentText(), QStringLiteral("Fahren"));
    QCOMPARE(window->cmbxIdioma->currentIndex(), int(German));
}

void TestWindow::sameEntryRaisesNoChange()
{
    acceptFile(writeFile(QStringLiteral("r.csv"), "a;b\r\n"));
    // A folder other than the address file's: a mode change would move the destination.
    QTemporaryDir other;
    fakes->folderChooser.folders.enqueue(other.path());
    QTest::mouseClick(window->btbtnDiretorioDestino, Qt::LeftButton);
    const QString destination = window->edtDiretorioDestino->text();

    userPicks(window->cmbxModo, 0); // already selected
    QCOMPARE(window->edtDiretorioDestino->text(), destination);
    userPicks(window->cmbxModo, 1);
    QCOMPARE(window->edtDiretorioDestino->text(), dir->filePath(QStringLiteral("r-Processado-Andando.csv")));
}

void TestWindow::keyboardSelectionRaisesOneChange()
{
    acceptFile(writeFile(QStringLiteral("routes.csv"), "a;b\r\n"));
    fakes->folderChooser.folders.enqueue(QStringLiteral("/"));
    QTest::mouseClick(window->btbtnDiretorioDestino, Qt::LeftButton);
    QTest::keyClick(window->cmbxModo, Qt::Key_Down);
    QCOMPARE(window->cmbxModo->currentIndex(), 1);
    QCOMPARE(window->edtDiretorioDestino->text(),
             dir->filePath(QStringLiteral("routes-Processado-Andando.csv")));

    QTest::keyClick(window->cmbxIdioma, Qt::Key_Down);
    QCOMPARE(window->cmbxIdioma->currentIndex(), int(English));
    QCOMPARE(window->lblChaveApiGoogle->text(), QStringLiteral("Enter your Google API key"));
}

// ---- Errors that escape a handler ------------------------------------------

void TestWindow::escapedErrorIsShownAndProgramGoesOn_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::addRow("letter at the end") << "Disk gone"
                                       << "Disk gone.";
    QTest::addRow("full stop already") << "Disk gone."
                                       << "Disk gone.";
    QTest::addRow("question mark lies above the full stop") << "Why?"
                                                            << "Why?.";
    QTest::addRow("hyphen lies below the full stop") << "Broken -"
                                                     << "Broken -";
    QTest::addRow("accented letter") << "Não"
                                     << "Não.";
    QTest::addRow("empty message") << ""
                                   << "";
}

void TestWindow::escapedErrorIsShownAndProgramGoesOn()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    fakes->linkOpener.throwMessage = message;
    QTest::mouseClick(window->lblEmail, Qt::LeftButton);
    QCOMPARE(fakes->errorBox.texts, QStringList{shown});
    QVERIFY(fakes->messages.shown.isEmpty());

    // The program goes on: the next handler runs as usual.
    acceptFile(writeFile(QStringLiteral("r.csv"), "a;b\r\n"));
    QCOMPARE(window->totalLines(), 1);
    QCOMPARE(fakes->errorBox.texts.size(), 1);
}

// ---- Links of the settings and about tabs --------------------------------------

void TestWindow::linksOpenTheirTargets_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<int>("language");
    QTest::addColumn<QUrl>("target");
    QTest::addRow("key help")
        << "lblKeyApi" << 0
        << QUrl(QStringLiteral(
               "https://developers.google.com/maps/documentation/distance-matrix/get-api-key"));
    QTest::addRow("e-mail") << "lblEmail" << 0 << QUrl(QStringLiteral("mailto:contato@trajetix.example"));
    // The address is never translated, so the mail goes to it in every language.
    QTest::addRow("e-mail in Chinese")
        << "lblEmail" << 6 << QUrl(QStringLiteral("mailto:contato@trajetix.example"));
    QTest::addRow("site") << "lblURLSite" << 0 << QUrl(QStringLiteral("https://trajetix.example/"));
    QTest::addRow("donation") << "lblLnkColaboracao" << 3
                              << QUrl(QStringLiteral("https://trajetix.example/colaborar"));
}

void TestWindow::linksOpenTheirTargets()
{
    QFETCH(QString, link);
    QFETCH(int, language);
    QFETCH(QUrl, target);
    window->Traduzir(language);
    auto *label = window->findChild<LinkLabel *>(link);
    QVERIFY(label);
    QCOMPARE(label->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(label, Qt::LeftButton);
    QCOMPARE(fakes->linkOpener.opened, QList<QUrl>{target});
    // Nothing reported of the program's own.
    QVERIFY(fakes->messages.shown.isEmpty());
    QVERIFY(fakes->errorBox.texts.isEmpty());
}

void TestWindow::readmeIsLookedForInTheWorkingFolder()
{
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir->path()));
    QTest::mouseClick(window->lblLeiame, Qt::LeftButton);
    QDir::setCurrent(before);
    // A missing read-me is not the program's business: it asks all the same.
    QCOMPARE(
        fakes->linkOpener.opened,
        QList<QUrl>{QUrl::fromLocalFile(QDir(dir->path()).absoluteFilePath(QStringLiteral("Readme.txt")))});
    QVERIFY(fakes->messages.shown.isEmpty());
}

void TestWindow::plainLabelsAndPicturesDoNothing()
{
    for (QWidget *plain :
         {static_cast<QWidget *>(window->lblColaboracao), static_cast<QWidget *>(window->lblContato),
          static_cast<QWidget *>(window->Label9), static_cast<QWidget *>(window->Label10),
          static_cast<QWidget *>(window->Label3), static_cast<QWidget *>(window->Image1),
          static_cast<QWidget *>(window->icoBandeira)}) {
        QTest::mouseClick(plain, Qt::LeftButton);
        QVERIFY2(fakes->linkOpener.opened.isEmpty(), qPrintable(plain->objectName()));
        QVERIFY(plain->cursor().shape() != Qt::PointingHandCursor);
    }
    QVERIFY(fakes->messages.shown.isEmpty());
}

void TestWindow::flagHintFollowsTheLanguage_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("hint");
    QTest::addRow("English") << 1 << "Brazilian and Pantanal Software";
    QTest::addRow("Ukrainian") << 5 << "Програмне забезпечення бразильського та Pantanal";
    QTest::addRow("back to Portuguese") << 0 << "Software Brasileiro e Pantaneiro";
}

void TestWindow::flagHintFollowsTheLanguage()
{
    QFETCH(int, language);
    QFETCH(QString, hint);
    userPicks(window->cmbxIdioma, language == 0 ? 1 : 0); // start from another language
    userPicks(window->cmbxIdioma, language);
    QCOMPARE(window->icoBandeira->toolTip(), hint);
    QCOMPARE(window->icoBandeira->accessibleName(), hint);
}

// ---- Keyboard and accessibility ----------------------------------------------

void TestWindow::tabOrderFollowsTheRows()
{
    acceptFile(writeFile(QStringLiteral("r.csv"), "a;b\r\n"));
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));

    window->btbtnArquivoEnderecos->setFocus();
    // The destination edit stays disabled for good and is skipped.
    const QList<QWidget *> routes = {window->edtArquivoEnderecos, window->btbtnDiretorioDestino,
                                     window->btbtnProcessar};
    for (QWidget *next : routes) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }

    window->pgcPrincipal->setCurrentWidget(window->tbshtConfiguracao);
    window->edtChaveAPIGoogle->setFocus();
    const QList<QWidget *> settings = {window->lblKeyApi, window->cmbxModo, window->cmbxIdioma,
                                       window->cmbxAparencia};
    for (QWidget *next : settings) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }

    // A link reached with the keyboard opens with Enter.
    window->pgcPrincipal->setCurrentWidget(window->tbshtSobre);
    window->lblLeiame->setFocus();
    QTest::keyClick(window->lblLeiame, Qt::Key_Return);
    QCOMPARE(fakes->linkOpener.opened.size(), 1);
}

void TestWindow::controlsAreAnnouncedByTheirHeadings()
{
    for (int language : {int(Portuguese), int(Ukrainian)}) {
        window->Traduzir(language);
        QCOMPARE(window->edtChaveAPIGoogle->accessibleName(), window->lblChaveApiGoogle->text());
        QCOMPARE(window->cmbxModo->accessibleName(), window->lblParametroModoDeslocamento->text());
        QCOMPARE(window->cmbxIdioma->accessibleName(), window->lblIdiomaAplicativo->text());
        QCOMPARE(window->cmbxAparencia->accessibleName(), window->lblAparenciaAplicativo->text());
        QCOMPARE(window->edtArquivoEnderecos->accessibleName(), window->grpbxEnderecos->title());
        QCOMPARE(window->edtDiretorioDestino->accessibleName(), window->grpbxEnderecosDestino->title());
        QCOMPARE(window->prgBarGeral->accessibleName(), window->lblProgressogeral->text());
        QCOMPARE(window->lblChaveApiGoogle->buddy(), window->edtChaveAPIGoogle);
    }
}

QTEST_MAIN(TestWindow)
#include "test_window.moc"
