#include "ui/dialogs/FileDialogChooser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

QStringList PatternsOf(const QString &nameFilter)
{
    const qsizetype open = nameFilter.lastIndexOf(u'(');
    if (open < 0 || !nameFilter.endsWith(u')'))
        return {};
    return nameFilter.mid(open + 1, nameFilter.size() - open - 2).split(u' ', Qt::SkipEmptyParts);
}

} // namespace

CFileDialogChooser::~CFileDialogChooser() = default;

QStringList CFileDialogChooser::NameFilters(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString &text = parts[i];
        const QString &pattern = parts[i + 1];
        if (text.isEmpty() || pattern.isEmpty())
            continue;
        QStringList patterns = pattern.split(u';', Qt::SkipEmptyParts);
        for (QString &one : patterns) {
            if (one == u"*.*")
                one = QStringLiteral("*");   // names without a dot are files too
        }
        // The text already names its patterns, "ログファイル(*.log)": the dialog reads them there.
        const QString shown = u'(' + pattern + u')';
        const QString base = text.endsWith(shown) ? text.chopped(shown.size()) : text + u' ';
        result << base + u'(' + patterns.join(u' ') + u')';
    }
    return result;
}

QString CFileDialogChooser::InitialFilter(const QStringList &nameFilters, const QString &initialPath)
{
    if (nameFilters.isEmpty())
        return QString();
    const QString name = QFileInfo(initialPath).fileName();
    if (!name.isEmpty()) {
        for (const QString &nameFilter : nameFilters) {
            for (const QString &pattern : PatternsOf(nameFilter)) {
                const QRegularExpression wildcard(QRegularExpression::wildcardToRegularExpression(pattern));
                if (wildcard.match(name).hasMatch())
                    return nameFilter;
            }
        }
    }
    return nameFilters.front();
}

std::optional<QString> CFileDialogChooser::ChooseFile(const FileChooserRequest &request, QWidget *parent)
{
    const bool save = request.kind == FileChooserRequest::Kind::Save;
    QFileDialog dialog(parent, request.title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = NameFilters(request.filter);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(InitialFilter(filters, request.initialPath));
    // Programs here seldom have an extension, and the dialog would add one even to the name
    // of an existing file; only a new file to be saved gets it.
    if (save)
        dialog.setDefaultSuffix(request.defaultExtension);
    if (!request.initialPath.isEmpty()) {
        const QFileInfo initial(request.initialPath);
        dialog.setDirectory(initial.absolutePath());
        dialog.selectFile(initial.fileName());
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty())
        return std::nullopt;
    return chosen.front();
}
