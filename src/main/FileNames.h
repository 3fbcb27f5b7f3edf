#pragma once

#include <QString>

// Pieces of the address file's name and the result file's name. "/" is the only
// separator; the root of the file tree is "/".
namespace filenames {

// The part from the last "." to the end, provided no "/" follows that "."; empty
// when there is none. ".csv" alone has the extension ".csv".
QString extension(const QString &fileName);

// True when the extension, lower-cased, is ".csv".
bool hasCsvExtension(const QString &fileName);

// The part after the last "/", without its last four characters (the ".csv");
// empty for a name of fewer than four characters.
QString resultBase(const QString &fileName);

// Everything before the last "/": the root keeps its separator ("/"), any other
// folder has none at its end. A name without "/" has an empty folder.
QString folderOf(const QString &fileName);

// base + marker + mode text + ".csv", nothing in between.
QString resultName(const QString &addressFileName, const QString &marker, const QString &modeText);

// The folder, a "/" and the name. In the root this gives two separators in a row,
// which still names a file in the root.
QString inFolder(const QString &folder, const QString &name);

// The message of an error that escaped a handler, as its box shows it: a full stop
// is appended when the last character's code lies above that of the full stop.
QString withFullStop(const QString &message);

} // namespace filenames
