#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "batch/RunPlan.h"
#include "batch/RunReport.h"
#include "routes/ServiceChoice.h"

namespace trajetix::cli {

// The most requests --jobs may keep in flight.
constexpr int MaxJobs = 32;

struct CommandOptions {
    std::optional<QString> key; // nullopt: the key saved by the window
    int modeIndex = 0;          // travel-mode index: 0 driving, 1 walking, 2 bicycling
    int language = 0;           // interface-language index; 0 Portuguese
    ServiceChoice service = ServiceChoice::DistanceMatrix;
    int rate = 0;     // elements a minute at most; 0: the service's default
    QString endpoint; // empty: the chosen service's own address
    QString caFile;
    bool quiet = false;
    int jobs = 1; // requests in flight at once
    // Long runs.
    bool estimate = false;                            // print the figures, send nothing
    qint64 pricePer1000 = money::DefaultPricePer1000; // in ten-thousandths of a dollar
    ResultMode resultMode = ResultMode::Replace;      // --resume, --retry-refused
    bool dedupe = false;
    bool retry = true;  // ask again after a passing refusal (--no-retry: not)
    QString reportPath; // --report: the run report as JSON
    QString addressPath;
    QString resultPath; // may be empty with --estimate alone
};

struct ParsedCommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Error;
    CommandOptions options;
    QString text; // the help text, or what is wrong with the command line
};

// arguments as from QCoreApplication::arguments(), the program name first.
ParsedCommandLine parseCommandLine(const QStringList &arguments);

} // namespace trajetix::cli
