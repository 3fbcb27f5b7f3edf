#include "main/WindowRunProgress.h"

#include <QProgressBar>

bool WindowRunProgress::setMaximum(Bar bar, int maximum)
{
    if (maximum < Minimum)
        return false;
    barOf(bar)->setMaximum(maximum);
    return true;
}

void WindowRunProgress::setPosition(Bar bar, int position)
{
    QProgressBar *progress = barOf(bar);
    if (position < progress->minimum())
        progress->reset(); // value becomes minimum - 1: an empty bar
    else
        progress->setValue(qMin(position, progress->maximum()));
}
