#include "ui/Launches.h"

#include "model/FolderSetting.h"
#include "model/GlobalOptions.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/ProgramFiles.h"
#include "platform/Shell.h"
#include "platform/Text.h"
#include "res/StringIds.h"

#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Quoted(const QString &text)
{
    return u'"' + text + u'"';
}

} // namespace

CLaunches::CLaunches(MessageBoxPresenter &boxes, UrlOpener opener)
    : m_boxes(boxes), m_opener(opener ? std::move(opener) : UrlOpener([](const QUrl &url) {
          return QDesktopServices::openUrl(url);
      }))
{
}

CLaunches::~CLaunches() = default;

QString CLaunches::CompareCommandLine(const GlobalOptions &options, const CFolderSetting &setting)
{
    QString line = ExpandEnvironment(options.CompareToolPath) + u' ' + ExpandEnvironment(options.CompareToolParam);
    line.replace(QStringLiteral("%m"), Quoted(ExpandEnvironment(setting.Master)), Qt::CaseSensitive);
    line.replace(QStringLiteral("%b"), Quoted(ExpandEnvironment(setting.Backup)), Qt::CaseSensitive);
    return line;
}

QStringList CLaunches::SplitCommandLine(const QString &commandLine)
{
    return QProcess::splitCommand(commandLine);
}

QString CLaunches::CompareMenuText(const QString &toolPath, bool withShortcut)
{
    QString expanded = ExpandEnvironment(toolPath);
    // A path put in quotes so that its blanks hold together is named without them.
    if (expanded.size() >= 2 && expanded.startsWith(u'"') && expanded.endsWith(u'"'))
        expanded = expanded.mid(1, expanded.size() - 2);
    const QString name = SplitPath(expanded).name;
    if (name.isEmpty())
        return LoadResString(IDS_MENU_NO_COMPARE_TOOL);
    QString text = FormatPrintf(LoadResString(IDS_MENU_START_NAMED_COMPARE_TOOL), {name});
    if (withShortcut)
        text += QStringLiteral("\tCtrl+W");
    return text;
}

std::optional<QString> CLaunches::LogFileToOpen(const CFolderSetting *selected, const GlobalOptions &options)
{
    if (selected && selected->OutputLog)
        return ExpandEnvironment(selected->LogFileName);
    if (options.OutputLog)
        return ExpandEnvironment(options.LogFileName);
    return std::nullopt;
}

QString CLaunches::ManualPath()
{
    return ::ManualPath();
}

int CLaunches::ProgramStartError(const QString &program)
{
    if (program.isEmpty())
        return ENOENT;
    // A name without a folder is looked for along PATH, as the start itself does.
    const QString path = program.contains(PathSeparator) ? program : QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return ENOENT;
    const QByteArray encoded = QFile::encodeName(path);
    struct stat status {};
    if (::stat(encoded.constData(), &status) != 0)
        return errno;
    if (S_ISDIR(status.st_mode))
        return EACCES;
    return ::access(encoded.constData(), X_OK) == 0 ? 0 : errno;
}

bool CLaunches::StartCompareTool(const GlobalOptions &options, const CFolderSetting &setting)
{
    if (options.CompareToolPath.isEmpty()) {
        MessageBoxById(m_boxes, IDS_MSG_NO_COMPARE_TOOL, IDS_CAPTION_START_COMPARE_TOOL,
                       {.icon = MessageIcon::Warning, .topMost = true});
        return false;
    }
    QStringList words = SplitCommandLine(CompareCommandLine(options, setting));
    if (words.isEmpty()) {
        ShowStartFailure(SystemErrorText(ENOENT));
        return false;
    }
    QProcess process;
    process.setProgram(words.takeFirst());
    process.setArguments(words);
    if (process.startDetached())
        return true;
    // The system's reason where it can be told; else what the start itself reported.
    const int error = ProgramStartError(process.program());
    ShowStartFailure(error != 0 ? SystemErrorText(error) : process.errorString());
    return false;
}

void CLaunches::ShowStartFailure(const QString &text)
{
    m_boxes.ShowMessageBox({.text = text,
                            .caption = LoadResString(IDS_CAPTION_START_COMPARE_TOOL),
                            .icon = MessageIcon::Error,
                            .topMost = true});
}

void CLaunches::OpenMasterFolder(const CFolderSetting &setting)
{
    Open(ExpandEnvironment(setting.Master));
}

void CLaunches::OpenBackupFolder(const CFolderSetting &setting)
{
    Open(ExpandEnvironment(setting.Backup));
}

void CLaunches::OpenLogFile(const CFolderSetting *selected, const GlobalOptions &options)
{
    if (const std::optional<QString> path = LogFileToOpen(selected, options))
        Open(*path);
}

void CLaunches::OpenManual()
{
    Open(ManualPath());
}

void CLaunches::Open(const QString &path)
{
    m_opener(QUrl::fromLocalFile(path));
}
