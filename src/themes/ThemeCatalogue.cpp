#include "themes/ThemeCatalogue.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaEnum>

namespace trajetix {

namespace {

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

// A colour is "#rrggbb" or "#aarrggbb"; named colours are refused so that every theme
// file says exactly what it draws with.
bool readColour(const QJsonValue &value, QColor *colour)
{
    const QString text = value.toString();
    if (!text.startsWith(u'#') || (text.size() != 7 && text.size() != 9))
        return false;
    *colour = QColor::fromString(text);
    return colour->isValid();
}

bool readGroup(const QJsonObject &palette, QPalette::ColorGroup group, QPalette *out, QString *error)
{
    const QMetaEnum groups = QMetaEnum::fromType<QPalette::ColorGroup>();
    const QMetaEnum roles = QMetaEnum::fromType<QPalette::ColorRole>();
    const QString groupName = QString::fromLatin1(groups.valueToKey(group));
    const QJsonValue groupValue = palette.value(groupName);
    if (!groupValue.isObject())
        return fail(error, u"palette has no group " + groupName);
    const QJsonObject colours = groupValue.toObject();
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        if (role == QPalette::NoRole)
            continue;
        const QString roleName = QString::fromLatin1(roles.valueToKey(role));
        if (!colours.contains(roleName))
            return fail(error, groupName + u" lacks the role " + roleName);
        QColor colour;
        if (!readColour(colours.value(roleName), &colour))
            return fail(error, groupName + u'.' + roleName + u" is not a colour of the form #rrggbb");
        out->setColor(group, QPalette::ColorRole(role), colour);
    }
    for (auto it = colours.begin(); it != colours.end(); ++it) {
        bool known = false;
        roles.keyToValue(it.key().toLatin1().constData(), &known);
        if (!known || it.key() == u"NoRole" || it.key() == u"NColorRoles")
            return fail(error, groupName + u" has the unknown role " + it.key());
    }
    return true;
}

} // namespace

std::optional<Theme> parseTheme(const QByteArray &data, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        fail(error,
             u"not JSON: " + parseError.errorString() + u" at offset " + QString::number(parseError.offset));
        return std::nullopt;
    }
    if (!document.isObject()) {
        fail(error, QStringLiteral("not a JSON object"));
        return std::nullopt;
    }
    const QJsonObject root = document.object();

    Theme theme;
    theme.name = root.value(u"name").toString();
    if (theme.name.trimmed().isEmpty() || theme.name != theme.name.trimmed()) {
        fail(error, QStringLiteral("name missing, empty or with blanks at either end"));
        return std::nullopt;
    }
    theme.styleName = root.value(u"style").toString();
    if (theme.styleName.isEmpty()) {
        fail(error, QStringLiteral("style missing"));
        return std::nullopt;
    }

    const QJsonValue paletteValue = root.value(u"palette");
    if (!paletteValue.isObject()) {
        fail(error, QStringLiteral("palette missing"));
        return std::nullopt;
    }
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        if (!readGroup(paletteValue.toObject(), group, &theme.palette, error))
            return std::nullopt;
    }

    // The sheet may be one string or, easier to read in the file, a list of lines.
    const QJsonValue sheet = root.value(u"styleSheet");
    if (sheet.isString()) {
        theme.styleSheet = sheet.toString();
    } else if (sheet.isArray()) {
        QStringList lines;
        for (const QJsonValue &line : sheet.toArray()) {
            if (!line.isString()) {
                fail(error, QStringLiteral("styleSheet holds a line that is not a string"));
                return std::nullopt;
            }
            lines << line.toString();
        }
        theme.styleSheet = lines.join(u'\n');
    } else if (!sheet.isUndefined() && !sheet.isNull()) {
        fail(error, QStringLiteral("styleSheet is neither a string nor a list of lines"));
        return std::nullopt;
    }
    return theme;
}

ThemeCatalogue::ThemeCatalogue(const QString &folder) : m_folder(folder) {}

const QList<Theme> &ThemeCatalogue::themes()
{
    load();
    return m_themes;
}

const Theme *ThemeCatalogue::find(const QString &name)
{
    load();
    for (const Theme &theme : std::as_const(m_themes)) {
        if (theme.name.compare(name, Qt::CaseInsensitive) == 0)
            return &theme;
    }
    return nullptr;
}

QStringList ThemeCatalogue::loadErrors()
{
    load();
    return m_errors;
}

void ThemeCatalogue::load()
{
    if (m_loaded)
        return;
    m_loaded = true;

    const QDir folder(m_folder);
    const QStringList files =
        folder.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString &file : files) {
        QFile in(folder.filePath(file));
        if (!in.open(QIODevice::ReadOnly)) {
            m_errors << file + u": " + in.errorString();
            continue;
        }
        QString error;
        std::optional<Theme> theme = parseTheme(in.readAll(), &error);
        if (!theme) {
            m_errors << file + u": " + error;
            continue;
        }
        // The system look answers to this name; a carried theme of that name could never be chosen.
        if (theme->name.compare(u"Windows", Qt::CaseInsensitive) == 0) {
            m_errors << file + u": the name \"" + theme->name + u"\" belongs to the system look";
            continue;
        }
        if (const Theme *earlier = find(theme->name)) {
            m_errors << file + u": the name \"" + theme->name + u"\" is already taken by " +
                            QFileInfo(earlier->source).fileName();
            continue;
        }
        theme->source = in.fileName();
        m_themes << *theme;
    }
}

} // namespace trajetix
