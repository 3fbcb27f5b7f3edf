#pragma once

#include <QString>

#include "batch/Dedupe.h"
#include "batch/ResultFile.h"

namespace trajetix {

// What a run does with an existing result file.
enum class ResultMode {
    Replace,      // the file is created, or emptied (the window's only way)
    Resume,       // its complete rows stay, an incomplete last row goes, the rest is appended
    RetryRefused, // only its refused rows are asked again; a new file replaces it at the end
};

// Which lines a run asks about, worked out by reading the address file (and the result file
// where the mode needs it) once before the run, so that a run that cannot go on is refused
// before it sends anything or touches the result file.
struct RunPlan {
    ResultMode mode = ResultMode::Replace;
    bool unicode = false;          // the address file has a byte-order mark: the result file is UTF-8
    qint64 addressLines = 0;       // the lines a run reads (up to an unreadable line, if any)
    bool addressReadError = false; // reading stopped at a line that cannot be read
    ResultFileScan result;         // Resume and RetryRefused: the existing result file
    qint64 keptRows = 0;           // rows of the existing file that stay as they are
    qint64 linesToAsk = 0;         // lines the run asks the service about (before --dedupe)
    DuplicateLines duplicates;     // the lines to ask, when counted
    QString problem;               // why the run is refused; empty when it may go on
};

// countDuplicates: fill plan.duplicates with the lines to ask. False when the address file
// cannot be opened (errorNumber tells why; the run's own open reports it); plan.problem is
// set when the result file does not fit the mode.
bool makeRunPlan(const QString &addressPath, const QString &resultPath, ResultMode mode, bool countDuplicates,
                 RunPlan &plan, int &errorNumber);

} // namespace trajetix
