#pragma once

#include <QPalette>
#include <QString>
#include <QStringList>

#include "themes/ThemeCatalogue.h"

namespace trajetix {

// Where "Style '...' not found" goes. Without one the manager shows its own error box.
class ThemeErrorReporter {
  public:
    virtual ~ThemeErrorReporter() = default;
    virtual void reportMissingTheme(const QString &message) = 0;
};

// The program's look: the system look "Windows" and the themes carried inside the program.
// One per process; it needs the QApplication to exist at its first use, and records the
// application's style and palette at that moment as the system look.
class ThemeManager {
  public:
    static ThemeManager &instance();

    // The name of the system look, a theme that needs no data.
    static QString systemName() { return QStringLiteral("Windows"); }

    // "Windows" first, then the carried themes. Reads the carried themes at the first call.
    QStringList names();
    // The active theme's name as its data spell it; "Windows" until another is applied.
    QString activeName() const;
    // Looks the name up without regard to case. Unknown (the empty name included): reports
    // "Style '<name>' not found" when asked to, changes nothing and returns false. Already
    // active: returns true and changes nothing. Otherwise restyles every window of the
    // program, shown or not, before returning true.
    bool apply(const QString &name, bool reportError = true);
    // True while one of the carried themes, not the system look, is active; then only Qt's
    // own dialogs follow the theme, so callers avoid native ones.
    bool carriedThemeActive() const;
    // nullptr gives back the real error box. The reporter is not owned.
    void setErrorReporter(ThemeErrorReporter *reporter);

    ThemeManager(const ThemeManager &) = delete;
    ThemeManager &operator=(const ThemeManager &) = delete;

  private:
    ThemeManager();
    void reportMissing(const QString &name);
    static void restyle(const QString &styleName, const QPalette &palette, const QString &styleSheet);

    ThemeCatalogue m_catalogue;
    // The system look as the program found it; QStyle::name() cannot be asked later, since
    // it reads empty while a style sheet is set.
    QString m_systemStyleName;
    QPalette m_systemPalette;
    const Theme *m_active = nullptr; // nullptr: the system look
    ThemeErrorReporter *m_reporter = nullptr;
};

} // namespace trajetix
