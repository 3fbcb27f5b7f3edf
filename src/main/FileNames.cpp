#include "main/FileNames.h"

namespace filenames {

QString extension(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || fileName.indexOf(QLatin1Char('/'), dot) >= 0)
        return QString();
    return fileName.mid(dot);
}

bool hasCsvExtension(const QString &fileName)
{
    return extension(fileName).toLower() == QLatin1String(".csv");
}

QString resultBase(const QString &fileName)
{
    const QString name = fileName.mid(fileName.lastIndexOf(QLatin1Char('/')) + 1);
    if (name.size() < 4)
        return QString();
    return name.left(name.size() - 4);
}

QString folderOf(const QString &fileName)
{
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QString();
    // The separator stays when it directly follows another one or stands first.
    if (slash == 0 || fileName.at(slash - 1) == QLatin1Char('/'))
        return fileName.left(slash + 1);
    return fileName.left(slash);
}

QString resultName(const QString &addressFileName, const QString &marker, const QString &modeText)
{
    return resultBase(addressFileName) + marker + modeText + QLatin1String(".csv");
}

QString inFolder(const QString &folder, const QString &name)
{
    return folder + QLatin1Char('/') + name;
}

QString withFullStop(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + QLatin1Char('.');
    return message;
}

} // namespace filenames
