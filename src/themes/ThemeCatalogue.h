#pragma once

#include <QByteArray>
#include <QList>
#include <QPalette>
#include <QString>
#include <QStringList>

#include <optional>

namespace trajetix {

// One look carried inside the program. Only the name is seen outside the theme engine.
struct Theme {
    QString name;       // as written in the theme's own data; unique without regard to case
    QString styleName;  // the Qt style the look is drawn with (Fusion for all carried themes)
    QPalette palette;   // every colour role set for the Active, Inactive and Disabled groups
    QString styleSheet; // what a palette cannot say; may be empty
    QString source;     // the file it was read from
};

// Reads one theme data file (a JSON object, see resources/themes/README.md). A file that
// lacks any part of the look is refused as a whole, so a theme is never half applied.
// On failure returns nothing and, when error is given, says what is wrong.
std::optional<Theme> parseTheme(const QByteArray &data, QString *error = nullptr);

// The carried themes: every "*.json" file of one folder, by default the themes compiled
// into the program. The folder is read at the first query, not before.
class ThemeCatalogue {
  public:
    explicit ThemeCatalogue(const QString &folder = QStringLiteral(":/themes"));

    // In the order of their file names.
    const QList<Theme> &themes();
    // The theme whose name equals name without regard to case, or nullptr.
    const Theme *find(const QString &name);
    // One line per file that was left out ("FILE: reason"): unreadable, malformed,
    // carrying a name an earlier file already holds, or the system look's name "Windows".
    QStringList loadErrors();

  private:
    void load();

    QString m_folder;
    bool m_loaded = false;
    QList<Theme> m_themes;
    QStringList m_errors;
};

} // namespace trajetix
