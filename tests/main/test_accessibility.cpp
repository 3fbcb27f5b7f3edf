// The window as assistive technology reads it: Qt's accessible interfaces of its
// controls, which the AT-SPI bridge hands to screen readers on Linux.
#include <QtTest>

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>

#include <memory>

#include "WindowFakes.h"
#include "i18n/Texts.h"
#include "main/untPrincipal.h"

using namespace trajetix;

namespace {

// The caption a control shows: a button's text, a group box's title, a label's text.
QString captionOf(QWidget *widget)
{
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        return button->text();
    if (auto *group = qobject_cast<QGroupBox *>(widget))
        return group->title();
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->text();
    return QString();
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();

    void controlsAreNamedByTheirCaptions_data();
    void controlsAreNamedByTheirCaptions();
    void listsAreLabelledByTheirHeadings_data();
    void listsAreLabelledByTheirHeadings();
    void tabsAreNamedByTheirCaptions();
    void theWindowIsAWindow();

  private:
    std::unique_ptr<Fakes> fakes;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TfrmPrincipal> window;
};

void TestAccessibility::init()
{
    fakes = std::make_unique<Fakes>();
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    WindowOptions options = fakes->options();
    options.settingsFile = dir->filePath(QStringLiteral("config.ini"));
    window = std::make_unique<TfrmPrincipal>(options);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestAccessibility::cleanup()
{
    window.reset();
    fakes.reset();
    dir.reset();
}

void TestAccessibility::controlsAreNamedByTheirCaptions_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("role");
    // The control whose caption names it: itself, or the heading of an edit or a bar.
    QTest::addColumn<QString>("namedBy");

    const int button = QAccessible::Button, edit = QAccessible::EditableText, bar = QAccessible::ProgressBar,
              text = QAccessible::StaticText;
    QTest::newRow("address button") << "btbtnArquivoEnderecos" << button << "btbtnArquivoEnderecos";
    QTest::newRow("address edit") << "edtArquivoEnderecos" << edit << "grpbxEnderecos";
    QTest::newRow("destination button") << "btbtnDiretorioDestino" << button << "btbtnDiretorioDestino";
    QTest::newRow("destination edit") << "edtDiretorioDestino" << edit << "grpbxEnderecosDestino";
    QTest::newRow("process button") << "btbtnProcessar" << button << "btbtnProcessar";
    QTest::newRow("line bar") << "prgBarAtual" << bar << "lblEnderecoAtual";
    QTest::newRow("overall bar") << "prgBarGeral" << bar << "lblProgressogeral";
    QTest::newRow("key edit") << "edtChaveAPIGoogle" << edit << "lblChaveApiGoogle";
    QTest::newRow("key help link") << "lblKeyApi" << text << "lblKeyApi";
    QTest::newRow("read-me link") << "lblLeiame" << text << "lblLeiame";
    QTest::newRow("e-mail link") << "lblEmail" << text << "lblEmail";
    QTest::newRow("site link") << "lblURLSite" << text << "lblURLSite";
    QTest::newRow("collaboration link") << "lblLnkColaboracao" << text << "lblLnkColaboracao";
}

// In every language: the name follows the caption as it is translated.
void TestAccessibility::controlsAreNamedByTheirCaptions()
{
    QFETCH(QString, control);
    QFETCH(int, role);
    QFETCH(QString, namedBy);
    auto *widget = window->findChild<QWidget *>(control);
    auto *caption = window->findChild<QWidget *>(namedBy);
    QVERIFY(widget);
    QVERIFY(caption);

    for (int language : {int(Portuguese), int(Chinese), int(Ukrainian)}) {
        window->Traduzir(language);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(accessible);
        QCOMPARE(int(accessible->role()), role);
        QVERIFY(!captionOf(caption).trimmed().isEmpty());
        QCOMPARE(accessible->text(QAccessible::Name), captionOf(caption));
        // Whatever can be acted on is reached with the keyboard.
        if (role != QAccessible::ProgressBar)
            QVERIFY(accessible->state().focusable);
    }
}

void TestAccessibility::listsAreLabelledByTheirHeadings_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("heading");
    QTest::newRow("travel mode") << "cmbxModo"
                                 << "lblParametroModoDeslocamento";
    QTest::newRow("language") << "cmbxIdioma"
                              << "lblIdiomaAplicativo";
    QTest::newRow("theme") << "cmbxAparencia"
                           << "lblAparenciaAplicativo";
    QTest::newRow("route service") << "cmbxServico"
                                   << "lblServicoRotas";
}

// Qt on Linux names a list by its value and gives its heading as a label relation, which
// screen readers read before the value; elsewhere the heading is the name itself.
void TestAccessibility::listsAreLabelledByTheirHeadings()
{
    QFETCH(QString, list);
    QFETCH(QString, heading);
    auto *combo = window->findChild<QComboBox *>(list);
    auto *label = window->findChild<QLabel *>(heading);
    QVERIFY(combo);
    QVERIFY(label);

    for (int language : {int(Portuguese), int(German)}) {
        window->Traduzir(language);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(combo);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::ComboBox);
        QVERIFY(accessible->state().focusable);
        QCOMPARE(combo->accessibleName(), label->text());
        QStringList labels;
        for (const auto &relation : accessible->relations(QAccessible::Label))
            labels << relation.first->text(QAccessible::Name);
        QVERIFY2(labels.contains(label->text()), qPrintable(labels.join(u'|')));
    }
}

void TestAccessibility::tabsAreNamedByTheirCaptions()
{
    QAccessibleInterface *tabBar = QAccessible::queryAccessibleInterface(window->pgcPrincipal->tabBar());
    QVERIFY(tabBar);
    for (int language : {int(Portuguese), int(French)}) {
        window->Traduzir(language);
        QStringList names;
        for (int i = 0; i < tabBar->childCount(); ++i) {
            QAccessibleInterface *tab = tabBar->child(i);
            if (tab->role() == QAccessible::PageTab)
                names << tab->text(QAccessible::Name);
        }
        QStringList captions;
        for (int i = 0; i < window->pgcPrincipal->count(); ++i)
            captions << window->pgcPrincipal->tabText(i);
        QCOMPARE(names.size(), 3);
        QCOMPARE(names, captions);
    }
}

// A top-level widget is a mere filler to Qt; screen readers announce a window by its
// title only when it is a frame.
void TestAccessibility::theWindowIsAWindow()
{
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(window.get());
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::Window);
    QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Trajetix"));
    QVERIFY(accessible->childCount() > 0);
}

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
