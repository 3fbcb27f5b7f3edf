#include <QtTest>
#include <QtWidgets>

#include "themes/ThemeCatalogue.h"
#include "themes/ThemeManager.h"

#define S(text) QStringLiteral(text)

using namespace trajetix;

namespace {

class RecordingReporter : public ThemeErrorReporter {
  public:
    void reportMissingTheme(const QString &message) override { messages << message; }
    QStringList messages;
};

// Counts the events a restyle sends to a widget.
class StyleEventCounter : public QObject {
  public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::StyleChange || event->type() == QEvent::PaletteChange)
            ++count;
        return false;
    }
    int count = 0;
};

QStringList theFortyNames()
{
    return {S("Amakrits"),
            S("Amethyst Kamri"),
            S("Aqua Graphite"),
            S("Aqua Light Slate"),
            S("Auric"),
            S("Carbon"),
            S("Charcoal Dark Slate"),
            S("Cobalt XEMedia"),
            S("Cyan Dusk"),
            S("Cyan Night"),
            S("Emerald Light Slate"),
            S("Glossy"),
            S("Glow"),
            S("Golden Graphite"),
            S("Iceberg Classico"),
            S("Lavender Classico"),
            S("Light"),
            S("Luna"),
            S("Metropolis UI Black"),
            S("Metropolis UI Blue"),
            S("Metropolis UI Dark"),
            S("Metropolis UI Green"),
            S("Obsidian"),
            S("Onyx Blue"),
            S("Ruby Graphite"),
            S("Sapphire Kamri"),
            S("Silver"),
            S("Sky"),
            S("Slate Classico"),
            S("Smokey Quartz Kamri"),
            S("Tablet Dark"),
            S("Tablet Light"),
            S("Turquoise Gray"),
            S("Windows"),
            S("Windows10"),
            S("Windows10 Blue"),
            S("Windows10 Dark"),
            S("Windows10 Green"),
            S("Windows10 Purple"),
            S("Windows10 SlateGray")};
}

bool samePalette(const QPalette &a, const QPalette &b)
{
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            if (role != QPalette::NoRole &&
                a.color(group, QPalette::ColorRole(role)) != b.color(group, QPalette::ColorRole(role)))
                return false;
        }
    }
    return true;
}

// WCAG 2 contrast ratio.
double contrastRatio(const QColor &a, const QColor &b)
{
    auto luminance = [](const QColor &c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

class TestThemeManager : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void cleanup();
    void startsWithTheSystemLook();
    void applyIgnoresCase_data();
    void applyIgnoresCase();
    void unknownNameChangesNothing_data();
    void unknownNameChangesNothing();
    void unknownNameWithoutReportIsSilent();
    void realErrorBox();
    void reapplyingTheActiveThemeChangesNothing();
    void systemLookIsRestoredExactly();
    void restyleKeepsContentsAndFocus();
    void windowNotYetShownIsRestyledAtOnce();
    void everyThemeApplies_data();
    void everyThemeApplies();
    void linksFollowTheTheme();
    void textReadsOnTabPages_data();
    void textReadsOnTabPages();

  private:
    QString m_startStyleName;
    QPalette m_startPalette;
    RecordingReporter m_reporter;
    ThemeCatalogue m_catalogue;
    // Shown all along, so that every theme's style sheet is put to work on real widgets.
    std::unique_ptr<QWidget> m_window;
};

void TestThemeManager::initTestCase()
{
    // The start-up look, taken before the manager is first used.
    m_startStyleName = QApplication::style()->name();
    m_startPalette = QApplication::palette();
    QVERIFY(!m_startStyleName.isEmpty());

    m_window = std::make_unique<QWidget>();
    auto *layout = new QVBoxLayout(m_window.get());
    auto *tabs = new QTabWidget;
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    grid->addWidget(new QGroupBox(S("Address file")), 0, 0);
    grid->addWidget(new QPushButton(S("Choose")), 0, 1);
    grid->addWidget(new QLineEdit(S("routes.csv")), 1, 0);
    grid->addWidget(new QComboBox, 1, 1);
    grid->addWidget(new QProgressBar, 2, 0);
    grid->addWidget(new QCheckBox(S("Check")), 2, 1);
    tabs->addTab(page, S("Routes"));
    tabs->addTab(new QWidget, S("Settings"));
    layout->addWidget(tabs);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

    ThemeManager::instance().setErrorReporter(&m_reporter);
}

void TestThemeManager::cleanup()
{
    ThemeManager::instance().setErrorReporter(&m_reporter);
    QVERIFY(ThemeManager::instance().apply(S("Windows")));
    m_reporter.messages.clear();
}

// Runs first: nothing has been applied yet.
void TestThemeManager::startsWithTheSystemLook()
{
    ThemeManager &manager = ThemeManager::instance();
    QCOMPARE(manager.activeName(), S("Windows"));
    QVERIFY(!manager.carriedThemeActive());

    const QStringList names = manager.names();
    QCOMPARE(names.first(), S("Windows"));
    QStringList sorted = names;
    sorted.sort(Qt::CaseInsensitive);
    QCOMPARE(sorted, theFortyNames());
    QCOMPARE(QApplication::style()->name(), m_startStyleName);
}

void TestThemeManager::applyIgnoresCase_data()
{
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("active");
    QTest::newRow("lower") << S("carbon") << S("Carbon");
    QTest::newRow("upper") << S("CARBON") << S("Carbon");
    QTest::newRow("mixed, with blanks") << S("wINDOWS10 dARK") << S("Windows10 Dark");
    QTest::newRow("Windows10 is not Windows") << S("windows10") << S("Windows10");
    QTest::newRow("the system look") << S("WINDOWS") << S("Windows");
}

void TestThemeManager::applyIgnoresCase()
{
    QFETCH(QString, asked);
    QFETCH(QString, active);
    ThemeManager &manager = ThemeManager::instance();
    // Start from another carried theme, so that the system look is a real change too.
    QVERIFY(manager.apply(S("Luna")));

    QVERIFY(manager.apply(asked));
    QCOMPARE(manager.activeName(), active);
    QVERIFY(m_reporter.messages.isEmpty());
    if (active == u"Windows") {
        QVERIFY(!manager.carriedThemeActive());
        QVERIFY(qApp->styleSheet().isEmpty());
        return;
    }
    QVERIFY(manager.carriedThemeActive());
    const Theme *theme = m_catalogue.find(active);
    QVERIFY(theme);
    QVERIFY(samePalette(QApplication::palette(), theme->palette));
    QCOMPARE(qApp->styleSheet(), theme->styleSheet);
}

void TestThemeManager::unknownNameChangesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << QString() << S("Style '' not found");
    QTest::newRow("unknown") << S("x") << S("Style 'x' not found");
    QTest::newRow("leading blank") << S(" Carbon") << S("Style ' Carbon' not found");
    QTest::newRow("longer than a theme") << S("Carbon2") << S("Style 'Carbon2' not found");
    QTest::newRow("placeholder-like") << S("%1 %s") << S("Style '%1 %s' not found");
}

void TestThemeManager::unknownNameChangesNothing()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    ThemeManager &manager = ThemeManager::instance();
    QVERIFY(manager.apply(S("Carbon")));
    const QStyle *style = QApplication::style();
    const QPalette palette = QApplication::palette();
    const QString sheet = qApp->styleSheet();

    QVERIFY(!manager.apply(name));
    QCOMPARE(m_reporter.messages, QStringList{message});
    QCOMPARE(manager.activeName(), S("Carbon"));
    QVERIFY(manager.carriedThemeActive());
    QCOMPARE(QApplication::style(), style);
    QVERIFY(samePalette(QApplication::palette(), palette));
    QCOMPARE(qApp->styleSheet(), sheet);
}

void TestThemeManager::unknownNameWithoutReportIsSilent()
{
    ThemeManager &manager = ThemeManager::instance();
    QVERIFY(!manager.apply(S("nothing like it"), false));
    QVERIFY(!manager.apply(QString(), false));
    QVERIFY(m_reporter.messages.isEmpty());
    QCOMPARE(manager.activeName(), S("Windows"));
}

void TestThemeManager::realErrorBox()
{
    ThemeManager &manager = ThemeManager::instance();
    QVERIFY(manager.apply(S("Metropolis UI Dark")));
    manager.setErrorReporter(nullptr);

    QString title, text, buttonText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    qsizetype buttons = -1;
    bool defaultIsClose = false;
    Qt::WindowModality modality = Qt::NonModal;
    QPalette boxPalette;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->buttons().size();
        if (!box->buttons().isEmpty())
            buttonText = box->buttons().first()->text();
        defaultIsClose = box->defaultButton() && box->defaultButton()->text() == u"Close";
        modality = box->windowModality();
        boxPalette = box->palette();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    QVERIFY(!manager.apply(QString()));

    QCOMPARE(title, S("Error"));
    QCOMPARE(text, S("Style '' not found"));
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(buttons, 1);
    QCOMPARE(buttonText, S("Close"));
    QVERIFY(defaultIsClose);
    QCOMPARE(modality, Qt::ApplicationModal);
    // Drawn in the theme in force.
    QCOMPARE(boxPalette.color(QPalette::Window),
             m_catalogue.find(S("Metropolis UI Dark"))->palette.color(QPalette::Window));
    QCOMPARE(manager.activeName(), S("Metropolis UI Dark"));
}

void TestThemeManager::reapplyingTheActiveThemeChangesNothing()
{
    ThemeManager &manager = ThemeManager::instance();
    QVERIFY(manager.apply(S("Ruby Graphite")));
    QApplication::processEvents();
    const QStyle *style = QApplication::style();

    QLineEdit probe(S("text"));
    probe.show();
    QApplication::processEvents();
    StyleEventCounter counter;
    probe.installEventFilter(&counter);

    QVERIFY(manager.apply(S("ruby graphite")));
    QVERIFY(manager.apply(S("Ruby Graphite")));
    QApplication::processEvents();
    QCOMPARE(counter.count, 0);
    QCOMPARE(QApplication::style(), style);
    QVERIFY(m_reporter.messages.isEmpty());

    // The same holds for the system look.
    QVERIFY(manager.apply(S("Windows")));
    QApplication::processEvents();
    counter.count = 0;
    style = QApplication::style();
    QVERIFY(manager.apply(S("windows")));
    QApplication::processEvents();
    QCOMPARE(counter.count, 0);
    QCOMPARE(QApplication::style(), style);
}

void TestThemeManager::systemLookIsRestoredExactly()
{
    ThemeManager &manager = ThemeManager::instance();
    QVERIFY(manager.apply(S("Carbon")));
    QVERIFY(!samePalette(QApplication::palette(), m_startPalette));
    QVERIFY(!qApp->styleSheet().isEmpty());

    QVERIFY(manager.apply(S("Windows")));
    QCOMPARE(manager.activeName(), S("Windows"));
    QVERIFY(!manager.carriedThemeActive());
    QCOMPARE(QApplication::style()->name(), m_startStyleName);
    QVERIFY(samePalette(QApplication::palette(), m_startPalette));
    QVERIFY(qApp->styleSheet().isEmpty());
    // Already on the widgets, before any event is processed.
    QCOMPARE(m_window->palette().color(QPalette::Window), m_startPalette.color(QPalette::Window));
}

void TestThemeManager::restyleKeepsContentsAndFocus()
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *combo = new QComboBox;
    combo->addItems({S("Driving"), S("Walking"), S("Bicycling")});
    combo->setCurrentIndex(2);
    auto *edit = new QLineEdit(S("C:\\routes.csv"));
    auto *list = new QListWidget;
    list->addItems({S("one"), S("two"), S("three")});
    list->setCurrentRow(1);
    auto *label = new QLabel(S("12 addresses to be processed"));
    layout->addWidget(combo);
    layout->addWidget(edit);
    layout->addWidget(list);
    layout->addWidget(label);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    edit->setSelection(3, 6);
    QCOMPARE(QApplication::focusWidget(), edit);

    QSignalSpy comboChanges(combo, &QComboBox::currentIndexChanged);
    for (const QString &name : {S("Carbon"), S("Metropolis UI Blue"), S("Windows")}) {
        QVERIFY(ThemeManager::instance().apply(name));
        QApplication::processEvents();
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->currentIndex(), 2);
        QCOMPARE(edit->text(), S("C:\\routes.csv"));
        QCOMPARE(edit->selectionStart(), 3);
        QCOMPARE(edit->selectedText(), S("routes"));
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->currentRow(), 1);
        QCOMPARE(label->text(), S("12 addresses to be processed"));
        QCOMPARE(QApplication::focusWidget(), edit);
    }
    QCOMPARE(comboChanges.count(), 0);
}

void TestThemeManager::windowNotYetShownIsRestyledAtOnce()
{
    QDialog dialog;
    auto *edit = new QLineEdit(&dialog);
    QVERIFY(!dialog.isVisible());

    QVERIFY(ThemeManager::instance().apply(S("Metropolis UI Green")));
    const QPalette &green = m_catalogue.find(S("Metropolis UI Green"))->palette;
    QCOMPARE(dialog.palette().color(QPalette::Window), green.color(QPalette::Window));
    QCOMPARE(edit->palette().color(QPalette::Base), green.color(QPalette::Base));

    QVERIFY(ThemeManager::instance().apply(S("Tablet Dark")));
    const QPalette &dark = m_catalogue.find(S("Tablet Dark"))->palette;
    QCOMPARE(dialog.palette().color(QPalette::Window), dark.color(QPalette::Window));
    QCOMPARE(edit->palette().color(QPalette::Text), dark.color(QPalette::Text));

    QVERIFY(ThemeManager::instance().apply(S("Windows")));
    QCOMPARE(dialog.palette().color(QPalette::Window), m_startPalette.color(QPalette::Window));
    QCOMPARE(edit->palette().color(QPalette::Base), m_startPalette.color(QPalette::Base));
}

void TestThemeManager::everyThemeApplies_data()
{
    QTest::addColumn<QString>("name");
    for (const Theme &theme : m_catalogue.themes())
        QTest::newRow(qPrintable(theme.name)) << theme.name;
}

void TestThemeManager::everyThemeApplies()
{
    QFETCH(QString, name);
    const Theme *theme = m_catalogue.find(name);
    QVERIFY(theme);
    // The style must exist here: otherwise the theme would silently fall back to Fusion.
    QVERIFY(QStyleFactory::keys().contains(theme->styleName, Qt::CaseInsensitive));
    // Qt only warns about a sheet it cannot parse; here that fails the test.
    QTest::failOnWarning(QRegularExpression(S("style ?sheet"), QRegularExpression::CaseInsensitiveOption));

    QVERIFY(ThemeManager::instance().apply(name));
    QCOMPARE(ThemeManager::instance().activeName(), name);
    QVERIFY(samePalette(QApplication::palette(), theme->palette));
    QCOMPARE(qApp->styleSheet(), theme->styleSheet);
    const QImage picture = m_window->grab().toImage();
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.pixelColor(1, 1), theme->palette.color(QPalette::Window));
}

void TestThemeManager::linksFollowTheTheme()
{
    QLabel label(S("<a href=\"https://example.com/\">a link to follow</a>"));
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));

    for (const QString &name : {S("Carbon"), S("Glow"), S("Windows")}) {
        QVERIFY(ThemeManager::instance().apply(name));
        QApplication::processEvents();
        const QColor link = name == u"Windows" ? m_startPalette.color(QPalette::Link)
                                               : m_catalogue.find(name)->palette.color(QPalette::Link);
        // The underline is drawn in the link colour itself.
        const QImage picture = label.grab().toImage().convertToFormat(QImage::Format_RGB32);
        bool found = false;
        for (int y = 0; y < picture.height() && !found; ++y) {
            for (int x = 0; x < picture.width() && !found; ++x)
                found = picture.pixelColor(x, y) == link;
        }
        QVERIFY2(found, qPrintable(name + u": no pixel in " + link.name()));
    }
}

void TestThemeManager::textReadsOnTabPages_data()
{
    QTest::addColumn<QString>("name");
    for (const Theme &theme : m_catalogue.themes())
        QTest::newRow(qPrintable(theme.name)) << theme.name;
}

// Labels and group box titles stand on a tab page, which Fusion paints in a colour of its
// own, worked out from Button: the window's text must read on that colour, not only on
// Window.
void TestThemeManager::textReadsOnTabPages()
{
    QFETCH(QString, name);
    const Theme *theme = m_catalogue.find(name);
    QVERIFY(theme);
    QVERIFY(ThemeManager::instance().apply(name));
    auto *tabs = m_window->findChild<QTabWidget *>();
    QVERIFY(tabs);
    tabs->setCurrentIndex(1); // an empty page
    QApplication::processEvents();
    QWidget *page = tabs->currentWidget();
    const QColor pageColour = tabs->grab().toImage().pixelColor(page->mapTo(tabs, page->rect().center()));
    tabs->setCurrentIndex(0);

    struct Text {
        const char *what;
        QColor colour;
        double minimum;
    };
    QList<Text> texts = {
        {"WindowText", theme->palette.color(QPalette::Active, QPalette::WindowText), 4.5},
        {"Inactive WindowText", theme->palette.color(QPalette::Inactive, QPalette::WindowText), 4.5},
        {"Disabled WindowText", theme->palette.color(QPalette::Disabled, QPalette::WindowText), 2.5},
    };
    const QRegularExpression title(S("QGroupBox::title\\s*\\{[^}]*\\bcolor\\s*:\\s*(#[0-9a-fA-F]{6})"));
    const QRegularExpressionMatch titleColour = title.match(theme->styleSheet);
    if (titleColour.hasMatch())
        texts.append({"group box title", QColor::fromString(titleColour.captured(1)), 4.5});

    for (const Text &text : texts) {
        const double ratio = contrastRatio(text.colour, pageColour);
        QVERIFY2(ratio >= text.minimum,
                 qPrintable(QStringLiteral("%1 %2 on the page's %3: %4:1")
                                .arg(QLatin1String(text.what), text.colour.name(), pageColour.name())
                                .arg(ratio, 0, 'f', 2)));
    }
}

QTEST_MAIN(TestThemeManager)
#include "test_theme_manager.moc"
