#include "themes/ThemeManager.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTextDocument>

#include "i18n/Messages.h"

namespace trajetix {

namespace {

// A palette with every role of every group marked as set, so that giving it back to the
// application restores these colours and not whatever the style of the moment proposes.
QPalette everyRoleSet(const QPalette &palette)
{
    QPalette full = palette;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            if (role != QPalette::NoRole)
                full.setBrush(group, QPalette::ColorRole(role),
                              palette.brush(group, QPalette::ColorRole(role)));
        }
    }
    return full;
}

} // namespace

ThemeManager &ThemeManager::instance()
{
    static ThemeManager manager;
    return manager;
}

ThemeManager::ThemeManager()
    : m_systemStyleName(QApplication::style()->name()), m_systemPalette(everyRoleSet(QApplication::palette()))
{
}

QStringList ThemeManager::names()
{
    QStringList all{systemName()};
    for (const Theme &theme : m_catalogue.themes())
        all << theme.name;
    return all;
}

QString ThemeManager::activeName() const
{
    return m_active ? m_active->name : systemName();
}

bool ThemeManager::carriedThemeActive() const
{
    return m_active != nullptr;
}

void ThemeManager::setErrorReporter(ThemeErrorReporter *reporter)
{
    m_reporter = reporter;
}

bool ThemeManager::apply(const QString &name, bool reportError)
{
    const bool system = name.compare(systemName(), Qt::CaseInsensitive) == 0;
    const Theme *theme = system ? nullptr : m_catalogue.find(name);
    if (!system && !theme) {
        if (reportError)
            reportMissing(name);
        return false;
    }
    if (theme == m_active)
        return true;

    if (theme)
        restyle(theme->styleName, theme->palette, theme->styleSheet);
    else
        restyle(m_systemStyleName, m_systemPalette, QString());
    m_active = theme;
    return true;
}

void ThemeManager::restyle(const QString &styleName, const QPalette &palette, const QString &styleSheet)
{
    // The old sheet goes first: while one is set the application style is a wrapper around
    // the real one, and replacing the style underneath it would leave the wrapper stale.
    qApp->setStyleSheet(QString());
    QStyle *style = QStyleFactory::create(styleName);
    if (!style) // a style this Qt does not offer: Fusion is everywhere
        style = QStyleFactory::create(QStringLiteral("Fusion"));
    QApplication::setStyle(style);
    // After the style, which would otherwise put its own standard palette in place.
    QApplication::setPalette(palette);
    // Before the event loop runs, Qt hands a new application palette to existing widgets
    // only once events are processed; a window that is not shown yet must have it now.
    QEvent paletteChange(QEvent::ApplicationPaletteChange);
    const QWidgetList widgets = QApplication::allWidgets();
    for (QWidget *widget : widgets)
        QCoreApplication::sendEvent(widget, &paletteChange);
    if (!styleSheet.isEmpty())
        qApp->setStyleSheet(styleSheet);
    // Rich text takes its link colour from the palette when it is parsed; set the same
    // text again so links follow the new palette.
    for (QWidget *widget : widgets) {
        auto *label = qobject_cast<QLabel *>(widget);
        if (!label)
            continue;
        const QString text = label->text();
        const bool rich = label->textFormat() == Qt::RichText ||
                          (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
        if (rich && text.contains(u"<a", Qt::CaseInsensitive)) {
            label->setText(QString());
            label->setText(text);
        }
    }
}

void ThemeManager::reportMissing(const QString &name)
{
    const QString message = u"Style '" + name + u"' not found";
    if (m_reporter) {
        m_reporter->reportMissingTheme(message);
        return;
    }
    // Like the program's other error boxes (parentless, so centred on the screen, and
    // drawn with the application's style, palette and sheet), but closed with "Close".
    QMessageBox box(QMessageBox::Critical, messageKindTitle(MessageKind::Error), message);
    QPushButton *close = box.addButton(QMessageBox::Close);
    close->setText(QStringLiteral("Close")); // the platform theme may add a mnemonic
    box.setDefaultButton(close);
    box.setEscapeButton(close);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace trajetix
