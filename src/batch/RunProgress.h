#pragma once

namespace trajetix {

// The two progress bars a run drives: the overall one (lines done) and the one of
// the line in work (three steps). Both have their lowest value at 1.
class RunProgress {
public:
    enum class Bar { General, Current };
    static constexpr int Minimum = 1;

    virtual ~RunProgress() = default;
    // Returns false, changing nothing, when the maximum lies below the minimum 1.
    virtual bool setMaximum(Bar bar, int maximum) = 0;
    // A position below the minimum shows an empty bar.
    virtual void setPosition(Bar bar, int position) = 0;
};

} // namespace trajetix
