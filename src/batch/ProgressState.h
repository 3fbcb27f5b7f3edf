#pragma once

#include "batch/RunProgress.h"

namespace trajetix {

// The two bars as plain numbers, with the rule of a real bar: a maximum below the
// minimum 1 is refused and changes nothing. The command draws from it; tests read it.
class ProgressState : public RunProgress {
  public:
    bool setMaximum(Bar bar, int maximum) override;
    void setPosition(Bar bar, int position) override;

    int maximum(Bar bar) const { return m_bars[index(bar)].maximum; }
    int position(Bar bar) const { return m_bars[index(bar)].position; }

  private:
    struct State {
        int maximum = 100;
        int position = 0; // below the minimum: an empty bar
    };
    static int index(Bar bar) { return bar == Bar::General ? 0 : 1; }
    State m_bars[2];
};

} // namespace trajetix
