#pragma once

#include "batch/RunProgress.h"

class QProgressBar;

// The run's progress shown on the window's two bars.
class WindowRunProgress : public trajetix::RunProgress {
  public:
    WindowRunProgress(QProgressBar *general, QProgressBar *current) : m_general(general), m_current(current)
    {
    }

    bool setMaximum(Bar bar, int maximum) override;
    // Below the minimum the bar is emptied; above the maximum it stands full.
    void setPosition(Bar bar, int position) override;

  private:
    QProgressBar *barOf(Bar bar) const { return bar == Bar::General ? m_general : m_current; }

    QProgressBar *m_general;
    QProgressBar *m_current;
};
