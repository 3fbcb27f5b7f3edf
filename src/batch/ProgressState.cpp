#include "batch/ProgressState.h"

namespace trajetix {

bool ProgressState::setMaximum(Bar bar, int maximum)
{
    if (maximum < Minimum)
        return false;
    m_bars[index(bar)].maximum = maximum;
    return true;
}

void ProgressState::setPosition(Bar bar, int position)
{
    m_bars[index(bar)].position = position;
}

} // namespace trajetix
