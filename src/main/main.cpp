#include <QApplication>
#include <QIcon>
#include <QScreen>
#include <QStringList>

#include "main/untPrincipal.h"

namespace {

// The launcher's show request. Qt takes its own arguments (-qwindowgeometry and the
// like) out of the list first; of the rest only these two requests are looked at.
Qt::WindowState requestedState(const QStringList &arguments)
{
    for (const QString &argument : arguments.mid(1)) {
        if (argument == QLatin1String("--maximized"))
            return Qt::WindowMaximized;
        if (argument == QLatin1String("--minimized"))
            return Qt::WindowMinimized;
    }
    return Qt::WindowNoState;
}

void centreOnScreen(QWidget *window)
{
    const QScreen *screen = window->screen();
    if (!screen)
        return;
    QRect place = window->geometry();
    place.moveCenter(screen->availableGeometry().center());
    window->move(place.topLeft());
}

} // namespace

int main(int argc, char **argv)
{
    // 1. The application and its toolkit.
    QApplication app(argc, argv);
    // 2. The main window is the program's own entry in the task bar: the desktop
    //    matches it to the menu entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("trajetix"));
    // 3. The application title.
    QApplication::setApplicationName(QStringLiteral("Trajetix"));
    QApplication::setApplicationDisplayName(QStringLiteral("Trajetix"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/trajetix.svg")));

    // 4. The main window; creating it runs the start-up sequence.
    frmPrincipal = new TfrmPrincipal;

    // 5. Shown normal and centred, or as the launcher asked; then the event loop.
    centreOnScreen(frmPrincipal);
    switch (requestedState(QApplication::arguments())) {
    case Qt::WindowMaximized:
        frmPrincipal->showMaximized();
        break;
    case Qt::WindowMinimized:
        frmPrincipal->showMinimized();
        break;
    default:
        frmPrincipal->show();
        break;
    }
    const int result = app.exec();

    // 6. Leave.
    delete frmPrincipal;
    frmPrincipal = nullptr;
    return result;
}
