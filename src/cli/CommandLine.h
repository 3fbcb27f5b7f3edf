#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "routes/ServiceChoice.h"

namespace trajetix::cli {

struct CommandOptions {
    std::optional<QString> key; // nullopt: the key saved by the window
    int modeIndex = 0;          // travel-mode index: 0 driving, 1 walking, 2 bicycling
    int language = 0;           // interface-language index; 0 Portuguese
    ServiceChoice service = ServiceChoice::DistanceMatrix;
    int rate = 0;     // elements a minute at most; 0: the service's default
    QString endpoint; // empty: the chosen service's own address
    QString caFile;
    bool quiet = false;
    QString addressPath;
    QString resultPath;
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
