#include "ui/dialogs/SheetServices.h"

#include "platform/Paths.h"
#include "platform/Volumes.h"

#include <QFileDialog>

namespace {

QString ChooseFolder(QWidget *parent, const QString &title, const QString &start)
{
    return QFileDialog::getExistingDirectory(parent, title, start);
}

QString ChooseSaveFile(QWidget *parent, const SaveFileRequest &request)
{
    QFileDialog dialog(parent, request.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(request.nameFilters);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.initialPath.isEmpty())
        dialog.selectFile(request.initialPath);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

} // namespace

void SheetServices::FillMissing()
{
    if (!chooseFolder)
        chooseFolder = ChooseFolder;
    if (!chooseSaveFile)
        chooseSaveFile = ChooseSaveFile;
    if (!volumeLabel)
        volumeLabel = BackupVolumeLabel;
}

QStringList NameFiltersOf(const QString &pipeSeparated)
{
    const QStringList parts = pipeSeparated.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString &description = parts[i];
        if (description.isEmpty())
            continue;
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString &pattern : patterns) {
            if (pattern == u"*.*")
                pattern = QStringLiteral("*");
        }
        // The description names its patterns itself; Qt reads them from the parentheses.
        const qsizetype open = description.lastIndexOf(u'(');
        const QString shown = open > 0 && description.endsWith(u')') ? description.left(open) : description;
        filters << shown + u'(' + patterns.join(u' ') + u')';
    }
    return filters;
}

QString BackupVolumeLabel(const QString &folder)
{
    const QString expanded = ExpandEnvironment(folder);
    if (expanded.isEmpty())
        return QString();
    const QString absolute = MakeFolderRoot(expanded).value_or(expanded);
    return VolumeLabelOf(VolumeRootOf(absolute));
}
