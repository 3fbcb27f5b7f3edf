#pragma once

#include <QLatin1String>
#include <QString>

#include <functional>

namespace trajetix {

// The section and the five keys of the settings file, in the order they are read
// and written.
inline constexpr QLatin1String settingsSection("DADOS");
inline constexpr QLatin1String keyCaminhoEnderecos("caminhoenderecos");
inline constexpr QLatin1String keyModoDeslocamento("mododeslocamento");
inline constexpr QLatin1String keyChaveApiGoogle("chaveapigoogle");
inline constexpr QLatin1String keyIdioma("idioma");
inline constexpr QLatin1String keyAparencia("aparencia");
// A sixth key after them: the route service chosen (0 Distance Matrix, 1 Routes API).
// Written only when it is not 0 or is already in the file, so the file of a user who
// never chooses a service keeps the five keys alone.
inline constexpr QLatin1String keyServico("servico");

// Full name of the settings file: "config.ini" in the folder of the running
// executable. When that folder cannot be written and holds no config.ini (a
// program installed in a system folder), "config.ini" in the user's configuration
// folder for this program ($XDG_CONFIG_HOME/trajetix, normally
// ~/.config/trajetix), which is then created, so the settings can always be
// saved. A config.ini beside the executable that is itself read-only is still
// the one used: the user made it so.
QString settingsFileName();

// The same choice for given folders; settingsFileName() passes the executable's
// folder and the user's configuration folder for this program. The second form
// takes the test for "this folder can be written".
QString settingsFileNameFor(const QString &exeDir, const QString &userConfigDir);
QString settingsFileNameFor(const QString &exeDir, const QString &userConfigDir,
                            const std::function<bool(const QString &folder)> &folderIsWritable);

// Whether a file can be created in `folder`, found by creating (and removing) one.
bool folderIsWritable(const QString &folder);

// The API key saved by the window (`chaveapigoogle` of section "DADOS" of the
// settings file), read the way the window reads it; empty when there is no file or
// no key.
QString savedApiKey();
QString savedApiKey(const QString &settingsFile);

} // namespace trajetix
