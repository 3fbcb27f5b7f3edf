// The window's start-up sequence and its write-back at close, against settings files
// made for each case, and the theme list.
#include <QtTest>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <cmath>
#include <memory>

#include "WindowFakes.h"
#include "i18n/Texts.h"
#include "main/Widgets.h"
#include "main/untPrincipal.h"
#include "themes/ThemeManager.h"

using namespace trajetix;
using namespace Qt::StringLiterals;

namespace {

// The theme list as the user sees it: sorted without regard to case.
const QStringList designedThemeOrder = {u"Amakrits"_s,
                                        u"Amethyst Kamri"_s,
                                        u"Aqua Graphite"_s,
                                        u"Aqua Light Slate"_s,
                                        u"Auric"_s,
                                        u"Carbon"_s,
                                        u"Charcoal Dark Slate"_s,
                                        u"Cobalt XEMedia"_s,
                                        u"Cyan Dusk"_s,
                                        u"Cyan Night"_s,
                                        u"Emerald Light Slate"_s,
                                        u"Glossy"_s,
                                        u"Glow"_s,
                                        u"Golden Graphite"_s,
                                        u"Iceberg Classico"_s,
                                        u"Lavender Classico"_s,
                                        u"Light"_s,
                                        u"Luna"_s,
                                        u"Metropolis UI Black"_s,
                                        u"Metropolis UI Blue"_s,
                                        u"Metropolis UI Dark"_s,
                                        u"Metropolis UI Green"_s,
                                        u"Obsidian"_s,
                                        u"Onyx Blue"_s,
                                        u"Ruby Graphite"_s,
                                        u"Sapphire Kamri"_s,
                                        u"Silver"_s,
                                        u"Sky"_s,
                                        u"Slate Classico"_s,
                                        u"Smokey Quartz Kamri"_s,
                                        u"Tablet Dark"_s,
                                        u"Tablet Light"_s,
                                        u"Turquoise Gray"_s,
                                        u"Windows"_s,
                                        u"Windows10"_s,
                                        u"Windows10 Blue"_s,
                                        u"Windows10 Dark"_s,
                                        u"Windows10 Green"_s,
                                        u"Windows10 Purple"_s,
                                        u"Windows10 SlateGray"_s};

double luminance(const QColor &c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

void userPicks(QComboBox *list, int index)
{
    list->setCurrentIndex(index);
    emit list->activated(index);
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();

    void firstStartWithoutFile();
    void savedValuesComeBack();
    void integerErrorStopsTheSequence_data();
    void integerErrorStopsTheSequence();
    void modeValues_data();
    void modeValues();
    void languageOutOfRangeIsPortuguese();
    void themeByName_data();
    void themeByName();
    void unknownThemeIsReportedAndStartUpGoesOn();

    void closeWritesTheFiveKeysInOrder();
    void addressFolderWrittenAtClose_data();
    void addressFolderWrittenAtClose();
    void savedFolderStartsTheDialog();
    void otherLinesSurviveTheClose();
    void failedWriteKeepsTheWindowOpen();
    void closeRefusedDuringARun();

    void themeListOrderAndSelection();
    void userPicksATheme();
    void colouredTextReadsInEveryTheme_data();
    void colouredTextReadsInEveryTheme();

  private:
    QString writeSettings(const QByteArray &bytes);
    std::unique_ptr<TfrmPrincipal> start(const QString &settingsFile);
    QByteArray settingsBytes() const;

    std::unique_ptr<Fakes> fakes;
    FakeThemeErrors themeErrors;
    std::unique_ptr<QTemporaryDir> dir;
    QString settingsFile;
};

void TestStartup::init()
{
    fakes = std::make_unique<Fakes>();
    themeErrors.reports.clear();
    ThemeManager::instance().setErrorReporter(&themeErrors);
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    settingsFile = dir->filePath(QStringLiteral("config.ini"));
}

void TestStartup::cleanup()
{
    // The theme manager lives for the whole process: each case starts with the system look.
    ThemeManager::instance().apply(ThemeManager::systemName(), false);
    ThemeManager::instance().setErrorReporter(nullptr);
    fakes.reset();
    dir.reset();
}

QString TestStartup::writeSettings(const QByteArray &bytes)
{
    QFile file(settingsFile);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(bytes);
    return settingsFile;
}

std::unique_ptr<TfrmPrincipal> TestStartup::start(const QString &file)
{
    WindowOptions options = fakes->options();
    options.settingsFile = file;
    return std::make_unique<TfrmPrincipal>(options);
}

QByteArray TestStartup::settingsBytes() const
{
    QFile file(settingsFile);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// ---- Start-up ------------------------------------------------------------------

void TestStartup::firstStartWithoutFile()
{
    auto window = start(settingsFile);
    QVERIFY(fakes->errorBox.texts.isEmpty());
    QVERIFY(themeErrors.reports.isEmpty());
    QVERIFY(window->edtChaveAPIGoogle->text().isEmpty());
    QCOMPARE(window->cmbxModo->currentText(), QStringLiteral("Dirigindo"));
    QCOMPARE(window->cmbxIdioma->currentText(), QStringLiteral("Português"));
    QCOMPARE(window->cmbxAparencia->currentText(), QStringLiteral("Windows"));
    QCOMPARE(ThemeManager::instance().activeName(), QStringLiteral("Windows"));
    QVERIFY(!ThemeManager::instance().carriedThemeActive());
    QCOMPARE(window->dialogInitialFolder(), QStringLiteral("/"));
    QCOMPARE(window->messageSlots().msglblKeyApi, messageSlots(Portuguese).msglblKeyApi);
    QVERIFY(!QFile::exists(settingsFile)); // nothing is written before the close
}

void TestStartup::savedValuesComeBack()
{
    writeSettings("[dados]\r\nCaminhoEnderecos=/home/ana/rotas\r\nmododeslocamento= 1 \r\n"
                  "chaveapigoogle=\"  key with blanks  \"\r\nidioma=3\r\naparencia=Windows\r\n");
    auto window = start(settingsFile);
    QVERIFY(fakes->errorBox.texts.isEmpty());
    QCOMPARE(window->dialogInitialFolder(), QStringLiteral("/home/ana/rotas"));
    QCOMPARE(window->edtChaveAPIGoogle->text(), QStringLiteral("  key with blanks  "));
    QCOMPARE(window->cmbxModo->currentIndex(), 1);
    QCOMPARE(window->cmbxModo->currentText(), QStringLiteral("Gehen"));
    QCOMPARE(window->cmbxIdioma->currentIndex(), int(German));
    QCOMPARE(window->cmbxIdioma->currentText(), QStringLiteral("Deutsch"));
    QCOMPARE(window->pgcPrincipal->tabText(0), QStringLiteral("Prozesswege"));
    QCOMPARE(window->messageSlots().msgdlgbtnProcessarSucesso,
             QStringLiteral("Verarbeitung ERFOLGREICH abgeschlossen."));
}

void TestStartup::integerErrorStopsTheSequence_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("mode");
    QTest::addRow("section line only")
        << QByteArray("[DADOS]\r\n") << "'' is not a valid integer value for Integer type." << -1;
    QTest::addRow("two numbers in the mode")
        << QByteArray("[DADOS]\r\nmododeslocamento=1 2\r\nidioma=1\r\naparencia=Carbon\r\n")
        << "'1 2' is not a valid integer value for Integer type." << -1;
    QTest::addRow("letter in the language")
        << QByteArray("[DADOS]\r\nmododeslocamento=2\r\nidioma=1a\r\naparencia=Carbon\r\n")
        << "'1a' is not a valid integer value for Integer type." << 2;
}

void TestStartup::integerErrorStopsTheSequence()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, error);
    QFETCH(int, mode);
    writeSettings(content);
    auto window = start(settingsFile);

    QCOMPARE(fakes->errorBox.texts, QStringList{error});
    // The window is there all the same, with the later steps not done: the mode as far
    // as it was set, no language selected, the system look, the designed texts and
    // empty message slots.
    QCOMPARE(window->cmbxModo->currentIndex(), mode);
    QCOMPARE(window->cmbxModo->itemText(0), QStringLiteral("Dirigindo"));
    QCOMPARE(window->cmbxIdioma->currentIndex(), -1);
    QCOMPARE(ThemeManager::instance().activeName(), QStringLiteral("Windows"));
    QCOMPARE(window->cmbxAparencia->currentText(), QStringLiteral("Windows"));
    QCOMPARE(window->pgcPrincipal->tabText(0), QStringLiteral("Processar rotas"));
    QVERIFY(window->messageSlots().msgdlgbtnProcessar.isEmpty());

    // The user can still choose a language, and the next close writes a clean file.
    userPicks(window->cmbxIdioma, English);
    QCOMPARE(window->pgcPrincipal->tabText(0), QStringLiteral("Process routes"));
    QVERIFY(window->close());
    const QByteArray written = settingsBytes();
    QVERIFY(
        written.contains(QByteArray("\r\nmododeslocamento=" + QByteArray::number(qMax(0, mode)) + "\r\n")));
    QVERIFY(written.contains("\r\nidioma=1\r\n"));
}

void TestStartup::modeValues_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("index");
    QTest::addRow("dollar hexadecimal") << QByteArray("$2") << 2;
    QTest::addRow("0x hexadecimal") << QByteArray("0x1") << 1;
    QTest::addRow("blanks around") << QByteArray("  2\t") << 2;
    QTest::addRow("mode 7 leaves no selection") << QByteArray("7") << -1;
    QTest::addRow("negative leaves no selection") << QByteArray("-1") << -1;
}

void TestStartup::modeValues()
{
    QFETCH(QByteArray, text);
    QFETCH(int, index);
    writeSettings("[DADOS]\r\nmododeslocamento=" + text + "\r\nidioma=1\r\n");
    auto window = start(settingsFile);
    QVERIFY(fakes->errorBox.texts.isEmpty());
    QCOMPARE(window->cmbxModo->currentIndex(), index);
    // The language step came after it and refilled the list in English.
    QCOMPARE(window->cmbxModo->itemText(0), QStringLiteral("Driving"));
    QVERIFY(window->close());
    QVERIFY(settingsBytes().contains(
        QByteArray("\r\nmododeslocamento=" + QByteArray::number(qMax(0, index)) + "\r\n")));
}

void TestStartup::languageOutOfRangeIsPortuguese()
{
    writeSettings("[DADOS]\r\nmododeslocamento=1\r\nidioma=9\r\n");
    auto window = start(settingsFile);
    QVERIFY(fakes->errorBox.texts.isEmpty());
    QCOMPARE(window->cmbxIdioma->currentIndex(), int(Portuguese));
    QCOMPARE(window->cmbxIdioma->count(), LanguageCount);
    QCOMPARE(window->cmbxModo->currentText(), QStringLiteral("Andando"));
    QCOMPARE(window->messageSlots().msglblTotalLinhas, messageSlots(Portuguese).msglblTotalLinhas);
    QVERIFY(window->close());
    QVERIFY(settingsBytes().contains("\r\nidioma=0\r\n"));
}

void TestStartup::themeByName_data()
{
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<QString>("active");
    QTest::addColumn<bool>("carried");
    QTest::addRow("lower case") << QByteArray("carbon") << "Carbon" << true;
    QTest::addRow("Windows10 is a carried theme") << QByteArray("Windows10") << "Windows10" << true;
    QTest::addRow("system look") << QByteArray("WINDOWS") << "Windows" << false;
}

void TestStartup::themeByName()
{
    QFETCH(QByteArray, saved);
    QFETCH(QString, active);
    QFETCH(bool, carried);
    writeSettings("[DADOS]\r\nmododeslocamento=0\r\nidioma=0\r\naparencia=" + saved + "\r\n");
    auto window = start(settingsFile);
    QVERIFY(themeErrors.reports.isEmpty());
    QCOMPARE(ThemeManager::instance().activeName(), active);
    QCOMPARE(ThemeManager::instance().carriedThemeActive(), carried);
    QCOMPARE(window->cmbxAparencia->currentText(), active);
    // Closing without choosing a theme writes the name as the list shows it, and the
    // next start-up finds the same theme.
    QVERIFY(window->close());
    QVERIFY(settingsBytes().contains(QByteArray("\r\naparencia=" + active.toUtf8() + "\r\n")));
    window.reset();
    ThemeManager::instance().apply(ThemeManager::systemName(), false);
    auto again = start(settingsFile);
    QCOMPARE(ThemeManager::instance().activeName(), active);
    QCOMPARE(again->cmbxAparencia->currentText(), active);
}

void TestStartup::unknownThemeIsReportedAndStartUpGoesOn()
{
    writeSettings("[DADOS]\r\nmododeslocamento=0\r\nidioma=1\r\naparencia=Marble\r\n");
    auto window = start(settingsFile);
    QCOMPARE(themeErrors.reports, QStringList{QStringLiteral("Style 'Marble' not found")});
    QVERIFY(fakes->errorBox.texts.isEmpty());
    QCOMPARE(ThemeManager::instance().activeName(), QStringLiteral("Windows"));
    QCOMPARE(window->cmbxAparencia->currentText(), QStringLiteral("Windows"));
    // The language step still ran.
    QCOMPARE(window->pgcPrincipal->tabText(1), QStringLiteral("Settings"));
}

// ---- Close ------------------------------------------------------------------

void TestStartup::closeWritesTheFiveKeysInOrder()
{
    auto window = start(settingsFile);
    window->show();
    QVERIFY(window->close());
    QVERIFY(!window->isVisible());
    QCOMPARE(settingsBytes(),
             QByteArray("[DADOS]\r\ncaminhoenderecos=\r\nmododeslocamento=0\r\nchaveapigoogle=\r\n"
                        "idioma=0\r\naparencia=Windows\r\n"));
    // Readable and writable by its owner only: it holds the API key.
    QCOMPARE(QFile::permissions(settingsFile) & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);

    // Every close writes all five again, with the values of the controls.
    auto second = start(settingsFile);
    second->edtChaveAPIGoogle->setText(QStringLiteral(" chave "));
    userPicks(second->cmbxModo, 2);
    userPicks(second->cmbxIdioma, French);
    QVERIFY(second->close());
    QCOMPARE(settingsBytes(), QByteArray("[DADOS]\r\ncaminhoenderecos=\r\nmododeslocamento=2\r\n"
                                         "chaveapigoogle= chave \r\nidioma=4\r\naparencia=Windows\r\n"));
}

void TestStartup::addressFolderWrittenAtClose_data()
{
    QTest::addColumn<QStringList>("confirmed"); // names confirmed in the dialog, one showing each
    QTest::addColumn<QByteArray>("written");
    QTest::addRow("nothing confirmed") << QStringList() << QByteArray("caminhoenderecos=\r\n");
    QTest::addRow("a file in a subfolder")
        << QStringList{u"/srv/rotas/janeiro.csv"_s} << QByteArray("caminhoenderecos=/srv/rotas\r\n");
    QTest::addRow("a file in the root")
        << QStringList{u"/rotas.csv"_s} << QByteArray("caminhoenderecos=/\r\n");
    // The last confirmed name counts, accepted or not.
    QTest::addRow("rejected extension")
        << QStringList{u"/srv/a/r.csv"_s, u"/srv/b/notes.txt"_s} << QByteArray("caminhoenderecos=/srv/b\r\n");
}

void TestStartup::addressFolderWrittenAtClose()
{
    QFETCH(QStringList, confirmed);
    QFETCH(QByteArray, written);
    writeSettings("[DADOS]\r\ncaminhoenderecos=/from/last/run\r\nmododeslocamento=0\r\nidioma=0\r\n");
    auto window = start(settingsFile);
    for (const QString &name : confirmed) {
        fakes->fileDialog.confirm({name});
        QTest::mouseClick(window->btbtnArquivoEnderecos, Qt::LeftButton);
    }
    QVERIFY(window->close());
    QVERIFY2(settingsBytes().contains(QByteArray("\r\n" + written)), settingsBytes().constData());
}

void TestStartup::savedFolderStartsTheDialog()
{
    writeSettings("[DADOS]\r\ncaminhoenderecos=/srv/rotas\r\nmododeslocamento=0\r\nidioma=0\r\n");
    auto window = start(settingsFile);
    fakes->fileDialog.cancel();
    QTest::mouseClick(window->btbtnArquivoEnderecos, Qt::LeftButton);
    QCOMPARE(fakes->fileDialog.requests.size(), 1);
    QCOMPARE(fakes->fileDialog.requests.at(0).initialFolder, QStringLiteral("/srv/rotas"));
}

void TestStartup::otherLinesSurviveTheClose()
{
    const QByteArray before =
        "; my notes\r\n[OUTRA]\r\nx=1\r\n[DADOS]\r\nmododeslocamento=$1\r\nidioma=0\r\nextra=keep\r\n";
    writeSettings(before);
    auto window = start(settingsFile);
    QCOMPARE(window->cmbxModo->currentIndex(), 1);
    QVERIFY(window->close());
    const QByteArray after = settingsBytes();
    QVERIFY(after.startsWith("; my notes\r\n[OUTRA]\r\nx=1\r\n[DADOS]\r\n"));
    QVERIFY(after.contains("\r\nmododeslocamento=1\r\n"));
    QVERIFY(after.contains("\r\nextra=keep\r\n"));
}

void TestStartup::failedWriteKeepsTheWindowOpen()
{
    // A settings file in a folder that does not exist cannot be written.
    const QString unwritable = dir->filePath(QStringLiteral("gone/config.ini"));
    auto window = start(unwritable);
    QVERIFY(fakes->errorBox.texts.isEmpty());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    const QString error = QStringLiteral("Unable to write to ") + unwritable + QStringLiteral(".");
    QVERIFY(!window->close());
    QVERIFY(window->isVisible());
    QCOMPARE(fakes->errorBox.texts, QStringList{error});
    // Every later close tries again and says so again.
    QVERIFY(!window->close());
    QCOMPARE(fakes->errorBox.texts, (QStringList{error, error}));
    // Once the folder is there, the close goes through.
    QVERIFY(QDir().mkpath(dir->filePath(QStringLiteral("gone"))));
    QVERIFY(window->close());
    QVERIFY(!window->isVisible());
    QCOMPARE(fakes->errorBox.texts.size(), 2);
}

void TestStartup::closeRefusedDuringARun()
{
    // A run that reports a message: the box's turn is the moment to try a close.
    class ClosingMessages : public trajetix::MessageSink {
      public:
        TfrmPrincipal *window = nullptr;
        bool closed = true;
        bool running = false;
        void showMessage(trajetix::MessageKind, const QString &) override
        {
            running = window->isRunning();
            closed = window->close();
        }
    };
    ClosingMessages messages;
    WindowOptions options = fakes->options();
    options.effects.messages = &messages;
    options.settingsFile = settingsFile;
    auto window = std::make_unique<TfrmPrincipal>(options);
    messages.window = window.get();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    // No key: the run warns at once; the close asked for meanwhile is refused.
    fakes->fileDialog.confirm({dir->filePath(QStringLiteral("r.csv"))});
    QFile file(dir->filePath(QStringLiteral("r.csv")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("a;b\r\n");
    file.close();
    QTest::mouseClick(window->btbtnArquivoEnderecos, Qt::LeftButton);
    QVERIFY(window->btbtnProcessar->isEnabled());
    window->btbtnProcessar->click();
    QVERIFY(messages.running);
    QVERIFY(!messages.closed);
    QVERIFY(window->isVisible());
    QVERIFY(!window->isRunning());
    QVERIFY(!QFile::exists(settingsFile));
}

// ---- The theme list -----------------------------------------------------------

void TestStartup::themeListOrderAndSelection()
{
    auto window = start(settingsFile);
    QStringList shown;
    for (int i = 0; i < window->cmbxAparencia->count(); ++i)
        shown.append(window->cmbxAparencia->itemText(i));
    QCOMPARE(shown, designedThemeOrder);
    QCOMPARE(window->cmbxAparencia->currentText(), QStringLiteral("Windows"));
    QVERIFY(!window->cmbxAparencia->isEditable());
}

void TestStartup::userPicksATheme()
{
    auto window = start(settingsFile);
    window->pgcPrincipal->setCurrentWidget(window->tbshtConfiguracao);
    window->edtChaveAPIGoogle->setText(QStringLiteral("typed"));
    userPicks(window->cmbxAparencia, designedThemeOrder.indexOf(QStringLiteral("Obsidian")));
    QCOMPARE(ThemeManager::instance().activeName(), QStringLiteral("Obsidian"));
    // The window keeps what it holds.
    QCOMPARE(window->edtChaveAPIGoogle->text(), QStringLiteral("typed"));
    QCOMPARE(window->cmbxAparencia->currentText(), QStringLiteral("Obsidian"));
    QCOMPARE(window->cmbxModo->currentIndex(), 0);
    QVERIFY(themeErrors.reports.isEmpty());
    // The coloured labels stay readable on the dark theme.
    QCoreApplication::processEvents();
    const QColor background = window->palette().color(QPalette::Window);
    QVERIFY(background.lightness() < 128);
    for (QWidget *label :
         {static_cast<QWidget *>(window->lblLeiame), static_cast<QWidget *>(window->lblTotalLinhas),
          static_cast<QWidget *>(window->lblVersaoWindows)}) {
        const QColor text = label->palette().color(QPalette::WindowText);
        QVERIFY2(contrast(text, background) >= 4.5, qPrintable(label->objectName()));
    }

    userPicks(window->cmbxAparencia, designedThemeOrder.indexOf(QStringLiteral("Windows")));
    QCOMPARE(ThemeManager::instance().activeName(), QStringLiteral("Windows"));
    QCoreApplication::processEvents();
    QCOMPARE(window->lblLeiame->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(window->lblTotalLinhas->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    QVERIFY(window->close());
    QVERIFY(settingsBytes().endsWith("\r\naparencia=Windows\r\n"));
}

void TestStartup::colouredTextReadsInEveryTheme_data()
{
    QTest::addColumn<QString>("theme");
    for (const QString &theme : designedThemeOrder)
        QTest::newRow(qPrintable(theme)) << theme;
}

// The labels with colours of their own and the flat edits' text stand on the tab page;
// they must read on the colour the page is actually painted with in every theme.
void TestStartup::colouredTextReadsInEveryTheme()
{
    QFETCH(QString, theme);
    auto window = start(settingsFile);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    userPicks(window->cmbxAparencia, designedThemeOrder.indexOf(theme));
    QCOMPARE(ThemeManager::instance().activeName(), theme);
    QCoreApplication::processEvents();

    // A spot of the routes tab that no control covers: its bottom right corner.
    QWidget *page = window->tbshtRoteamento;
    const QPoint blank = page->mapTo(window->pgcPrincipal, page->rect().bottomRight() - QPoint(10, 10));
    const QColor background = window->pgcPrincipal->grab().toImage().pixelColor(blank);

    struct Text {
        QWidget *widget;
        QColor colour;
        double minimum;
    };
    auto labelColour = [](QWidget *label) { return label->palette().color(QPalette::WindowText); };
    const QList<Text> texts = {
        {window->lblTotalLinhas, labelColour(window->lblTotalLinhas), 4.5},
        {window->lblKeyApi, labelColour(window->lblKeyApi), 4.5},
        {window->lblVersao, labelColour(window->lblVersao), 4.5},
        {window->lblVersaoWindows, labelColour(window->lblVersaoWindows), 4.5},
        {window->lblLeiame, labelColour(window->lblLeiame), 4.5},
        {window->lblEmail, labelColour(window->lblEmail), 4.5},
        {window->lblURLSite, labelColour(window->lblURLSite), 4.5},
        {window->lblLnkColaboracao, labelColour(window->lblLnkColaboracao), 4.5},
        {window->edtArquivoEnderecos,
         window->edtArquivoEnderecos->palette().color(QPalette::Active, QPalette::Text), 4.5},
        // Disabled for good: dimmer, but the result file's name must still be made out.
        {window->edtDiretorioDestino,
         window->edtDiretorioDestino->palette().color(QPalette::Disabled, QPalette::Text), 2.5},
    };
    for (const Text &text : texts) {
        const double ratio = contrast(text.colour, background);
        QVERIFY2(ratio >= text.minimum,
                 qPrintable(QStringLiteral("%1: %2 on %3, %4:1")
                                .arg(text.widget->objectName(), text.colour.name(), background.name())
                                .arg(ratio, 0, 'f', 2)));
    }
}

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
