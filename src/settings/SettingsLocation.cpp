#include "settings/SettingsLocation.h"

#include "settings/ProfileFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace trajetix {

namespace {

QString configIniIn(const QString &folder)
{
    return QDir(folder).absoluteFilePath(QStringLiteral("config.ini"));
}

QString userConfigFolder()
{
    // The generic location, not the per-application one, so the window and the
    // command (two executables of different names) share one file.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/trajetix");
}

} // namespace

bool folderIsWritable(const QString &folder)
{
    QByteArray probe = QFile::encodeName(QDir(folder).absoluteFilePath(QStringLiteral(".write-test.XXXXXX")));
    const int fd = ::mkostemp(probe.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.constData());
    return true;
}

QString settingsFileNameFor(const QString &exeDir, const QString &userConfigDir,
                            const std::function<bool(const QString &)> &isWritable)
{
    const QString besideExecutable = configIniIn(exeDir);
    if (QFileInfo::exists(besideExecutable) || isWritable(exeDir))
        return besideExecutable;

    // Owner-only folder: the file in it holds the API key. A failure here shows
    // later as the write error naming this file.
    QDir().mkpath(QFileInfo(userConfigDir).absolutePath());
    QDir().mkdir(userConfigDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return configIniIn(userConfigDir);
}

QString settingsFileNameFor(const QString &exeDir, const QString &userConfigDir)
{
    return settingsFileNameFor(exeDir, userConfigDir, folderIsWritable);
}

QString settingsFileName()
{
    return settingsFileNameFor(QCoreApplication::applicationDirPath(), userConfigFolder());
}

QString savedApiKey(const QString &settingsFile)
{
    return ProfileFile(settingsFile).readString(settingsSection, keyChaveApiGoogle);
}

QString savedApiKey()
{
    return savedApiKey(settingsFileName());
}

} // namespace trajetix
