#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "themes/ThemeCatalogue.h"

using namespace trajetix;

#define S(text) QStringLiteral(text)

namespace {

// Written out here rather than taken from Qt's enum, so that a role the loader forgets
// shows up as a missing entry.
const char *const roleNames[] = {
    "WindowText",  "Button",        "Light",       "Midlight",        "Dark",
    "Mid",         "Text",          "BrightText",  "ButtonText",      "Base",
    "Window",      "Shadow",        "Highlight",   "HighlightedText", "Link",
    "LinkVisited", "AlternateBase", "ToolTipBase", "ToolTipText",     "PlaceholderText"};
const char *const groupNames[] = {"Active", "Inactive", "Disabled"};

// Resource item and the theme name its data must carry.
struct EmbeddedItem {
    const char *item;
    const char *name;
};
const QList<EmbeddedItem> &embeddedItems()
{
    static const QList<EmbeddedItem> items = {
        {"AMAKRITS", "Amakrits"},
        {"AMETHYSTKAMRI", "Amethyst Kamri"},
        {"AQUAGRAPHITE", "Aqua Graphite"},
        {"AQUALIGHTSLATE", "Aqua Light Slate"},
        {"AURIC", "Auric"},
        {"CARBON", "Carbon"},
        {"CHARCOALDARKSLATE", "Charcoal Dark Slate"},
        {"COBALTXEMEDIA", "Cobalt XEMedia"},
        {"CYANDUSK", "Cyan Dusk"},
        {"CYANNIGHT", "Cyan Night"},
        {"EMERALDLIGHTSLATE", "Emerald Light Slate"},
        {"GLOSSY", "Glossy"},
        {"GLOW", "Glow"},
        {"GOLDENGRAPHITE", "Golden Graphite"},
        {"ICEBERGCLASSICO", "Iceberg Classico"},
        {"LAVENDERCLASSICO", "Lavender Classico"},
        {"LIGHT", "Light"},
        {"LUNA", "Luna"},
        {"METROPOLISUIBLACK", "Metropolis UI Black"},
        {"METROPOLISUIBLUE", "Metropolis UI Blue"},
        {"METROPOLISUIDARK", "Metropolis UI Dark"},
        {"METROPOLISUIGREEN", "Metropolis UI Green"},
        {"OBSIDIAN", "Obsidian"},
        {"ONYXBLUE", "Onyx Blue"},
        {"RUBYGRAPHITE", "Ruby Graphite"},
        {"SAPPHIREKAMRI", "Sapphire Kamri"},
        {"SILVER", "Silver"},
        {"SKY", "Sky"},
        {"SLATECLASSICO", "Slate Classico"},
        {"SMOKEYQUARTZKAMRI", "Smokey Quartz Kamri"},
        {"TABLETDARK", "Tablet Dark"},
        {"TABLETLIGHT", "Tablet Light"},
        {"TURQUOISEGRAY", "Turquoise Gray"},
        {"WINDOWS", "Windows10"},
        {"WINDOWSBLUE", "Windows10 Blue"},
        {"WINDOWSDARK", "Windows10 Dark"},
        {"WINDOWSGREEN", "Windows10 Green"},
        {"WINDOWSPURPLE", "Windows10 Purple"},
        {"WINDOWSSLATEGRAY", "Windows10 SlateGray"},
    };
    return items;
}

// WCAG 2 relative luminance and contrast ratio.
double luminance(const QColor &colour)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A complete, valid theme; each group gets its own window colour so that a mix-up of
// groups shows.
QJsonObject validTheme()
{
    QJsonObject palette;
    int shade = 0x10;
    for (const char *group : groupNames) {
        QJsonObject colours;
        for (const char *role : roleNames)
            colours.insert(QLatin1String(role), QStringLiteral("#203040"));
        colours.insert(QStringLiteral("Window"),
                       QStringLiteral("#%1%1%1").arg(shade, 2, 16, QLatin1Char('0')));
        shade += 0x30;
        palette.insert(QLatin1String(group), colours);
    }
    return QJsonObject{{S("name"), S("Test Theme")}, {S("style"), S("Fusion")}, {S("palette"), palette}};
}

QJsonObject withRole(QJsonObject theme, const QString &group, const QString &role, const QJsonValue &value)
{
    QJsonObject palette = theme.value(u"palette").toObject();
    QJsonObject colours = palette.value(group).toObject();
    if (value.isUndefined())
        colours.remove(role);
    else
        colours.insert(role, value);
    palette.insert(group, colours);
    theme.insert(QStringLiteral("palette"), palette);
    return theme;
}

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), data.size());
}

} // namespace

class TestThemeCatalogue : public QObject {
    Q_OBJECT
  private slots:
    void embeddedCatalogueLoadsCleanly();
    void embeddedItemCarriesItsName_data();
    void embeddedItemCarriesItsName();
    void contrast_data();
    void contrast();
    void sheetColoursContrast_data();
    void sheetColoursContrast();
    void themesAreDistinct();
    void findIgnoresCase();
    void parseReadsEveryGroup();
    void parseJoinsSheetLines();
    void parseRefuses_data();
    void parseRefuses();
    void folderIsReadAtFirstQuery();
    void duplicateAndBrokenFilesAreLeftOut();
};

void TestThemeCatalogue::embeddedCatalogueLoadsCleanly()
{
    ThemeCatalogue catalogue;
    QCOMPARE(catalogue.loadErrors(), QStringList());
    QStringList names;
    for (const Theme &theme : catalogue.themes())
        names << theme.name;
    QStringList expected;
    for (const auto &item : embeddedItems())
        expected << QString::fromLatin1(item.name);
    names.sort();
    expected.sort();
    QCOMPARE(names, expected);
}

void TestThemeCatalogue::embeddedItemCarriesItsName_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("name");
    for (const auto &item : embeddedItems())
        QTest::newRow(item.item) << QString::fromLatin1(item.item) << QString::fromLatin1(item.name);
}

// Reads the compiled-in file itself, not through the loader, so the check does not
// share the loader's faults.
void TestThemeCatalogue::embeddedItemCarriesItsName()
{
    QFETCH(QString, item);
    QFETCH(QString, name);

    QFile file(u":/themes/" + item + u".json");
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(root.value(u"name").toString(), name);
    QCOMPARE(root.value(u"style").toString(), QStringLiteral("Fusion"));

    const QJsonObject palette = root.value(u"palette").toObject();
    for (const char *group : groupNames) {
        const QJsonObject colours = palette.value(QLatin1String(group)).toObject();
        for (const char *role : roleNames) {
            const QString value = colours.value(QLatin1String(role)).toString();
            QVERIFY2(
                QColor::fromString(value).isValid(),
                qPrintable(
                    QStringLiteral("%1.%2 = '%3'").arg(QLatin1String(group), QLatin1String(role), value)));
        }
    }

    ThemeCatalogue catalogue;
    const Theme *theme = catalogue.find(name);
    QVERIFY(theme);
    QCOMPARE(QFileInfo(theme->source).fileName(), item + u".json");
}

void TestThemeCatalogue::contrast_data()
{
    QTest::addColumn<QColor>("foreground");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<double>("minimum");
    // Disabled text must also stay dimmer than enabled text (0 when that does not apply).
    QTest::addColumn<double>("maximum");

    struct Pair {
        QPalette::ColorRole foreground, background;
        const char *label;
        bool inDisabled;
    };
    const Pair pairs[] = {
        {QPalette::WindowText, QPalette::Window, "WindowText/Window", true},
        {QPalette::ButtonText, QPalette::Button, "ButtonText/Button", true},
        {QPalette::Text, QPalette::Base, "Text/Base", true},
        {QPalette::HighlightedText, QPalette::Highlight, "HighlightedText/Highlight", true},
        {QPalette::Text, QPalette::AlternateBase, "Text/AlternateBase", false},
        {QPalette::Link, QPalette::Window, "Link/Window", false},
        {QPalette::ToolTipText, QPalette::ToolTipBase, "ToolTipText/ToolTipBase", false},
    };

    ThemeCatalogue catalogue;
    for (const Theme &theme : catalogue.themes()) {
        const QPalette &p = theme.palette;
        for (const Pair &pair : pairs) {
            for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
                QTest::addRow("%s %s %s", qPrintable(theme.name),
                              group == QPalette::Active ? "Active" : "Inactive", pair.label)
                    << p.color(group, pair.foreground) << p.color(group, pair.background) << 4.5 << 0.0;
            }
            if (!pair.inDisabled)
                continue;
            // Disabled text is dimmer on purpose but stays legible: at least 2.5:1.
            const bool text = pair.foreground != QPalette::HighlightedText;
            QTest::addRow("%s Disabled %s", qPrintable(theme.name), pair.label)
                << p.color(QPalette::Disabled, pair.foreground)
                << p.color(QPalette::Disabled, pair.background) << 2.5
                << (text ? contrastRatio(p.color(QPalette::Active, pair.foreground),
                                         p.color(QPalette::Active, pair.background))
                         : 0.0);
        }
    }
}

void TestThemeCatalogue::contrast()
{
    QFETCH(QColor, foreground);
    QFETCH(QColor, background);
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    const double ratio = contrastRatio(foreground, background);
    const QByteArray detail = QStringLiteral("%1 on %2: %3:1")
                                  .arg(foreground.name(), background.name())
                                  .arg(ratio, 0, 'f', 2)
                                  .toLatin1();
    QVERIFY2(ratio >= minimum, detail.constData());
    if (maximum > 0)
        QVERIFY2(ratio < maximum, QByteArray("no dimmer than enabled text, " + detail).constData());
}

// Where a sheet gives push buttons (or group box titles) colours of their own, their text
// must read as well as the palette's, in every state the sheet names.
void TestThemeCatalogue::sheetColoursContrast_data()
{
    QTest::addColumn<QColor>("foreground");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<double>("minimum");

    const QRegularExpression blockPattern(S("([^{}]+)\\{([^}]*)\\}"));
    const QRegularExpression propertyPattern(S("([a-z-]+)\\s*:\\s*([^;]+);"));
    const QRegularExpression colourPattern(S("#[0-9a-fA-F]{6}\\b"));
    auto colours = [&](const QString &value) {
        QList<QColor> found;
        for (const QRegularExpressionMatch &m : colourPattern.globalMatch(value))
            found << QColor::fromString(m.captured());
        return found;
    };

    ThemeCatalogue catalogue;
    for (const Theme &theme : catalogue.themes()) {
        // selector state ("", ":hover", ...) -> property -> value
        QMap<QString, QMap<QString, QString>> buttons;
        for (const QRegularExpressionMatch &block : blockPattern.globalMatch(theme.styleSheet)) {
            QMap<QString, QString> properties;
            for (const QRegularExpressionMatch &p : propertyPattern.globalMatch(block.captured(2)))
                properties.insert(p.captured(1), p.captured(2).trimmed());
            for (QString selector : block.captured(1).split(u',')) {
                selector = selector.trimmed();
                if (selector == u"QGroupBox::title" && properties.contains(S("color"))) {
                    QTest::addRow("%s group box title", qPrintable(theme.name))
                        << colours(properties.value(S("color"))).value(0)
                        << theme.palette.color(QPalette::Window) << 4.5;
                } else if (selector.startsWith(u"QPushButton")) {
                    QMap<QString, QString> &state = buttons[selector.mid(11)];
                    for (auto it = properties.cbegin(); it != properties.cend(); ++it)
                        state.insert(it.key(), it.value());
                }
            }
        }
        const QMap<QString, QString> plain = buttons.value(QString());
        for (auto it = buttons.cbegin(); it != buttons.cend(); ++it) {
            QMap<QString, QString> effective = plain;
            for (auto p = it.value().cbegin(); p != it.value().cend(); ++p) {
                if (p.key() == u"background" || p.key() == u"background-color") {
                    effective.remove(S("background"));
                    effective.remove(S("background-color"));
                }
                effective.insert(p.key(), p.value());
            }
            const QList<QColor> text = colours(effective.value(S("color")));
            const QList<QColor> fills =
                colours(effective.value(S("background")) + effective.value(S("background-color")));
            if (text.isEmpty() || fills.isEmpty())
                continue; // drawn from the palette, covered by the contrast table
            const bool disabled = it.key() == u":disabled";
            for (const QColor &fill : fills) {
                QTest::addRow("%s button%s on %s", qPrintable(theme.name), qPrintable(it.key()),
                              qPrintable(fill.name()))
                    << text.first() << fill << (disabled ? 2.5 : 4.5);
            }
        }
    }
}

void TestThemeCatalogue::sheetColoursContrast()
{
    QFETCH(QColor, foreground);
    QFETCH(QColor, background);
    QFETCH(double, minimum);
    QVERIFY(foreground.isValid());
    const double ratio = contrastRatio(foreground, background);
    QVERIFY2(ratio >= minimum, qPrintable(QStringLiteral("%1 on %2: %3:1")
                                              .arg(foreground.name(), background.name())
                                              .arg(ratio, 0, 'f', 2)));
}

// Two themes look alike when their window, button and highlight colours are all close.
void TestThemeCatalogue::themesAreDistinct()
{
    auto distance = [](const QColor &a, const QColor &b) {
        return std::max(
            {std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
    };
    ThemeCatalogue catalogue;
    const QList<Theme> &themes = catalogue.themes();
    QVERIFY(themes.size() > 1);
    for (int i = 0; i < themes.size(); ++i) {
        for (int j = i + 1; j < themes.size(); ++j) {
            const QPalette &a = themes[i].palette, &b = themes[j].palette;
            const int apart =
                std::max({distance(a.color(QPalette::Window), b.color(QPalette::Window)),
                          distance(a.color(QPalette::Button), b.color(QPalette::Button)),
                          distance(a.color(QPalette::Highlight), b.color(QPalette::Highlight))});
            QVERIFY2(apart >= 24, qPrintable(themes[i].name + u" and " + themes[j].name + u" look alike"));
        }
    }
}

void TestThemeCatalogue::findIgnoresCase()
{
    ThemeCatalogue catalogue;
    for (const QString &name : {QStringLiteral("windows10 dark"), QStringLiteral("WINDOWS10 DARK"),
                                QStringLiteral("Windows10 Dark")}) {
        const Theme *theme = catalogue.find(name);
        QVERIFY2(theme, qPrintable(name));
        QCOMPARE(theme->name, QStringLiteral("Windows10 Dark"));
    }
    QVERIFY(!catalogue.find(QStringLiteral("Windows10 Dar")));
    QVERIFY(!catalogue.find(QString()));
    // The system look is not a carried theme.
    QVERIFY(!catalogue.find(QStringLiteral("Windows")));
}

void TestThemeCatalogue::parseReadsEveryGroup()
{
    QString error;
    const std::optional<Theme> theme = parseTheme(json(validTheme()), &error);
    QVERIFY2(theme, qPrintable(error));
    QCOMPARE(theme->name, QStringLiteral("Test Theme"));
    QCOMPARE(theme->styleName, QStringLiteral("Fusion"));
    QCOMPARE(theme->palette.color(QPalette::Active, QPalette::Window), QColor(0x10, 0x10, 0x10));
    QCOMPARE(theme->palette.color(QPalette::Inactive, QPalette::Window), QColor(0x40, 0x40, 0x40));
    QCOMPARE(theme->palette.color(QPalette::Disabled, QPalette::Window), QColor(0x70, 0x70, 0x70));
    QCOMPARE(theme->palette.color(QPalette::Disabled, QPalette::PlaceholderText), QColor(0x20, 0x30, 0x40));
    QVERIFY(theme->styleSheet.isEmpty());
}

void TestThemeCatalogue::parseJoinsSheetLines()
{
    QJsonObject object = validTheme();
    object.insert(QStringLiteral("styleSheet"),
                  QJsonArray{S("QPushButton {"), S("    color: #ffffff;"), S("}")});
    std::optional<Theme> theme = parseTheme(json(object));
    QVERIFY(theme);
    QCOMPARE(theme->styleSheet, QStringLiteral("QPushButton {\n    color: #ffffff;\n}"));

    object.insert(QStringLiteral("styleSheet"), QStringLiteral("QLabel { color: red; }"));
    theme = parseTheme(json(object));
    QVERIFY(theme);
    QCOMPARE(theme->styleSheet, QStringLiteral("QLabel { color: red; }"));
}

void TestThemeCatalogue::parseRefuses_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("reason");

    const QJsonObject valid = validTheme();
    auto without = [&](const char *key) {
        QJsonObject object = valid;
        object.remove(QLatin1String(key));
        return json(object);
    };
    auto with = [&](const char *key, const QJsonValue &value) {
        QJsonObject object = valid;
        object.insert(QLatin1String(key), value);
        return json(object);
    };
    QJsonObject noDisabled = valid;
    QJsonObject palette = noDisabled.value(u"palette").toObject();
    palette.remove(QStringLiteral("Disabled"));
    noDisabled.insert(QStringLiteral("palette"), palette);

    QTest::newRow("not JSON") << QByteArray("{\"name\": ") << S("not JSON");
    QTest::newRow("array") << QByteArray("[]") << S("not a JSON object");
    QTest::newRow("no name") << without("name") << S("name");
    QTest::newRow("blank name") << with("name", S("   ")) << S("name");
    QTest::newRow("name with trailing blank") << with("name", S("Carbon ")) << S("name");
    QTest::newRow("no style") << without("style") << S("style");
    QTest::newRow("no palette") << without("palette") << S("palette");
    QTest::newRow("no disabled group") << json(noDisabled) << S("Disabled");
    QTest::newRow("inactive link missing")
        << json(withRole(valid, S("Inactive"), S("Link"), QJsonValue::Undefined))
        << S("Inactive lacks the role Link");
    QTest::newRow("named colour") << json(withRole(valid, S("Active"), S("Window"), S("red")))
                                  << S("Active.Window");
    QTest::newRow("short colour") << json(withRole(valid, S("Active"), S("Base"), S("#12345")))
                                  << S("Active.Base");
    QTest::newRow("not hex") << json(withRole(valid, S("Disabled"), S("Text"), S("#12345g")))
                             << S("Disabled.Text");
    QTest::newRow("colour as number") << json(withRole(valid, S("Active"), S("Mid"), 42)) << S("Active.Mid");
    QTest::newRow("unknown role") << json(withRole(valid, S("Active"), S("Accent"), S("#000000")))
                                  << S("Accent");
    QTest::newRow("NoRole") << json(withRole(valid, S("Active"), S("NoRole"), S("#000000"))) << S("NoRole");
    QTest::newRow("sheet a number") << with("styleSheet", 3) << S("styleSheet");
    QTest::newRow("sheet line a number")
        << with("styleSheet", QJsonArray{S("QLabel {"), 1, S("}")}) << S("styleSheet");
}

void TestThemeCatalogue::parseRefuses()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, reason);
    QString error;
    QVERIFY(!parseTheme(data, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
}

void TestThemeCatalogue::folderIsReadAtFirstQuery()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ThemeCatalogue catalogue(dir.path());
    writeFile(dir.filePath(QStringLiteral("ANY.json")), json(validTheme()));
    QVERIFY(catalogue.find(QStringLiteral("test theme")));
    // Known from then on: later files are not picked up.
    QJsonObject other = validTheme();
    other.insert(QStringLiteral("name"), QStringLiteral("Later"));
    writeFile(dir.filePath(QStringLiteral("LATER.json")), json(other));
    QVERIFY(!catalogue.find(QStringLiteral("Later")));
    QCOMPARE(catalogue.themes().size(), 1);
}

void TestThemeCatalogue::duplicateAndBrokenFilesAreLeftOut()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QJsonObject first = validTheme();
    first.insert(QStringLiteral("name"), QStringLiteral("Ocean"));
    QJsonObject second = validTheme();
    second.insert(QStringLiteral("name"), QStringLiteral("OCEAN"));
    writeFile(dir.filePath(QStringLiteral("A.json")), json(first));
    writeFile(dir.filePath(QStringLiteral("B.json")), json(second));
    writeFile(dir.filePath(QStringLiteral("C.json")), QByteArray("{ broken"));
    writeFile(dir.filePath(QStringLiteral("D.json")), json(validTheme()));
    writeFile(dir.filePath(QStringLiteral("notes.txt")), QByteArray("not a theme"));
    QJsonObject system = validTheme();
    system.insert(QStringLiteral("name"), QStringLiteral("windows"));
    writeFile(dir.filePath(QStringLiteral("E.json")), json(system));

    ThemeCatalogue catalogue(dir.path());
    QCOMPARE(catalogue.themes().size(), 2);
    QCOMPARE(catalogue.themes().at(0).name, QStringLiteral("Ocean"));
    QCOMPARE(catalogue.themes().at(1).name, QStringLiteral("Test Theme"));
    const QStringList errors = catalogue.loadErrors();
    QCOMPARE(errors.size(), 3);
    QVERIFY2(errors.at(0).startsWith(u"B.json: ") && errors.at(0).contains(u"A.json"),
             qPrintable(errors.at(0)));
    QVERIFY2(errors.at(1).startsWith(u"C.json: not JSON"), qPrintable(errors.at(1)));
    QVERIFY2(errors.at(2).startsWith(u"E.json: ") && errors.at(2).contains(u"system look"),
             qPrintable(errors.at(2)));
}

QTEST_MAIN(TestThemeCatalogue)
#include "test_theme_catalogue.moc"
