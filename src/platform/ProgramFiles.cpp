#include "platform/ProgramFiles.h"

#include "InstallLayout.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString InstalledDataFolder(const QString &programFolder)
{
    const QString folder = EndsWithSeparator(programFolder) ? programFolder : programFolder + PathSeparator;
    return QDir::cleanPath(folder + QStringLiteral(ORVANE_DATA_FROM_PROGRAM)) + PathSeparator;
}

QString ManualPath(const QString &programFolder)
{
    const QString folder = EndsWithSeparator(programFolder) ? programFolder : programFolder + PathSeparator;
    const QString beside = folder + ManualFileName;
    if (QFileInfo(beside).isFile())
        return beside;
    const QString installed = InstalledDataFolder(folder) + ManualFileName;
    return QFileInfo(installed).isFile() ? installed : beside;
}

QString ManualPath()
{
    return ManualPath(ModulePathParts().folder);
}
