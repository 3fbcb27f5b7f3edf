#include "main/RunInputFilter.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

bool RunInputFilter::isUserInput(int eventType)
{
    switch (eventType) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

namespace {
// True when the object is (part of) the given top-level widget's window.
bool belongsTo(QObject *object, QWidget *topLevel)
{
    if (auto *widget = qobject_cast<QWidget *>(object))
        return widget->window() == topLevel;
    if (auto *window = qobject_cast<QWindow *>(object))
        return window == topLevel->windowHandle();
    return false;
}
} // namespace

bool RunInputFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (!isUserInput(event->type()))
        return false;
    QWidget *modal = QApplication::activeModalWidget();
    if (modal && belongsTo(watched, modal))
        return false;
    return true;
}

RunInputBlock::RunInputBlock()
{
    qApp->installEventFilter(&m_filter);
}

RunInputBlock::~RunInputBlock()
{
    qApp->removeEventFilter(&m_filter);
}
