#include "cli/CliApplication.h"

#include "cli/HandoverClient.h"
#include "cli/TerminalRunHost.h"
#include "config/Configuration.h"
#include "engine/RunEnvironment.h"
#include "engine/RunRequest.h"
#include "engine/ThreadMirroring.h"
#include "model/MirroringDefine.h"
#include "model/SettingListText.h"
#include "platform/InstanceLock.h"
#include "platform/Paths.h"
#include "platform/ProgramFiles.h"
#include "platform/PosixFileSystem.h"
#include "platform/Text.h"
#include "res/StringIds.h"

#include <QFileInfo>

#include <algorithm>

namespace {

// The INI file without --ini is the main program's, not one named after this front end.
const QString MainProgramName = QStringLiteral("orvane");

// The highest result code of a run; the codes above it are the front end's own refusals.
constexpr int MaxRunResult = 4;

constexpr SettingListColumn ListedColumns[] = {SettingListColumn::Name, SettingListColumn::Master,
                                               SettingListColumn::Backup, SettingListColumn::LastResult};

QString Line(const QString &text)
{
    return text.endsWith(u'\n') ? text : text + u'\n';
}

} // namespace

CCliApplication::CCliApplication(FILE *out, FILE *err) : m_out(out), m_err(err) {}

CCliApplication::~CCliApplication() = default;

int CCliApplication::Main(const QStringList &arguments)
{
    const CCommandLine::Result parsed = CCommandLine::Parse(arguments);
    if (!parsed.Ok()) {
        m_err.Write(QStringLiteral("orvane-cli: %1\n\n%2").arg(parsed.error, CCommandLine::HelpText()));
        return CheckOutput(ExitUsage);
    }
    return CheckOutput(Execute(parsed.options));
}

int CCliApplication::CheckOutput(int code)
{
    const bool outWritten = m_out.Flush();
    const bool errWritten = m_err.Flush();
    if (outWritten && errWritten)
        return code;
    if (!outWritten) {
        const QString reason = SystemErrorText(m_out.Error()).trimmed();
        m_err.Write(QStringLiteral(u"orvane-cli: 出力を書き込めませんでした: %1\n"
                                   u"            The output could not be written: %1\n").arg(reason));
        m_err.Flush();
    }
    return code > MaxRunResult ? code : ExitIoError;
}

int CCliApplication::Execute(const CliOptions &options)
{
    switch (options.command) {
    case CliOptions::Command::Run: return RunStored(options);
    case CliOptions::Command::Mirror: return Mirror(options);
    case CliOptions::Command::List: return List(options);
    case CliOptions::Command::Help: break;
    }
    m_out.Write(CCommandLine::HelpText() + FilesText());
    return 0;
}

QString CCliApplication::FilesText()
{
    const QString manual = ManualPath();
    const QString missing = QFileInfo(manual).isFile() ? QString() : QStringLiteral(u" (見つかりません / not found)");
    return QStringLiteral(u"\n"
                          u"ファイル / Files:\n"
                          u"  説明書 / manual\n"
                          u"      %1%2\n"
                          u"  INI ファイルのフォルダ / folder of the INI files\n"
                          u"      %3\n"
                          u"  ユーザーの設定データベース (レジストリ) / user database\n"
                          u"      %4\n")
        .arg(manual, missing, ProgramFolder(), CRegistryDatabase::DefaultPath());
}

int CCliApplication::Refuse(int code, const QString &japanese, const QString &english)
{
    Complain(japanese, english);
    return code;
}

int CCliApplication::RefuseInUse(const QString &lockPath)
{
    return Refuse(ExitInUse,
                  QStringLiteral(u"この設定は Orvane Unicode のウィンドウ (または別のプログラム) が開いています。"
                                 u"閉じてから実行してください (%1)。").arg(lockPath),
                  QStringLiteral("The configuration is open in the Orvane Unicode window (or another program); "
                                 "close it and run again (%1).").arg(lockPath));
}

int CCliApplication::HandOverToWindow(const CliOptions &options, const QString &lockPath)
{
    const CTerminalRunHost::Streams streams = CTerminalRunHost::StandardStreams(m_out, m_err, options.quiet, options.interactive);
    const HandoverRequest request{.lockPath = lockPath,
                                  .project = options.project,
                                  .settings = options.settings,
                                  .test = options.test,
                                  .autoMode = options.autoMode,
                                  .interactive = streams.interactive,
                                  .statusWanted = streams.statusShown};
    const QString window = m_windowName.isEmpty() ? InstanceName(LoadResString(IDS_APP_TITLE)) : m_windowName;
    CTerminalRunHost host(streams);
    const CHandoverClient::Result result = CHandoverClient(window).Run(request, host);
    host.Finish();
    using Outcome = CHandoverClient::Outcome;
    switch (result.outcome) {
    case Outcome::Ran:
        return result.runResult;
    case Outcome::NoWindow:
        return RefuseInUse(lockPath);
    case Outcome::Refused:
        return HandoverRefused(result.refusal, result.details, lockPath, options);
    case Outcome::Lost:
        break;
    }
    const bool silent = result.lostReason == CHandoverClient::LostReason::Silent;
    return Refuse(ExitWindowLost,
                  silent ? QStringLiteral(u"ウィンドウが応答しなくなりました。実行の結果はわかりません。")
                         : QStringLiteral(u"実行の途中でウィンドウとの接続が切れました。実行の結果はわかりません。"),
                  silent ? QStringLiteral("The window stopped answering; the result of the run is unknown.")
                         : QStringLiteral("The window went away during the run; the result of the run is unknown."));
}

int CCliApplication::HandoverRefused(HandoverRefusal refusal, const QStringList &details, const QString &lockPath,
                                     const CliOptions &options)
{
    const auto number = [&details](qsizetype i) { return i < details.size() ? details[i].toInt() : 0; };
    switch (refusal) {
    case HandoverRefusal::Busy:
        return Refuse(ExitInUse,
                      QStringLiteral(u"Orvane Unicode のウィンドウで実行中です。終わってから実行してください (%1)。").arg(lockPath),
                      QStringLiteral("A run is active in the Orvane Unicode window; run again when it has ended (%1).").arg(lockPath));
    case HandoverRefusal::DialogOpen:
        return Refuse(ExitInUse,
                      QStringLiteral(u"Orvane Unicode のウィンドウでダイアログが開いています。閉じてから実行してください (%1)。").arg(lockPath),
                      QStringLiteral("A dialog is open in the Orvane Unicode window; close it and run again (%1).").arg(lockPath));
    case HandoverRefusal::NoWorker:
        return Refuse(ExitInUse, QStringLiteral(u"ウィンドウが実行を始められませんでした (%1)。").arg(lockPath),
                      QStringLiteral("The window could not start the run (%1).").arg(lockPath));
    case HandoverRefusal::NoProject:
        return Refuse(ExitUsage,
                      QStringLiteral(u"プロジェクト %1 はありません (1 から %2)").arg(options.project.value_or(0) + 1).arg(number(0)),
                      QStringLiteral("There is no project %1 (1 to %2).").arg(options.project.value_or(0) + 1).arg(number(0)));
    case HandoverRefusal::NoSetting:
        return Refuse(ExitUsage,
                      QStringLiteral(u"フォルダ設定 %1 はありません (プロジェクト %2 には %3 件)").arg(number(0) + 1).arg(number(1) + 1).arg(number(2)),
                      QStringLiteral("There is no folder setting %1 (project %2 has %3).").arg(number(0) + 1).arg(number(1) + 1).arg(number(2)));
    case HandoverRefusal::OtherConfiguration:
    case HandoverRefusal::NotReady:
    case HandoverRefusal::BadRequest:
        break;
    }
    return RefuseInUse(lockPath);
}

void CCliApplication::Complain(const QString &japanese, const QString &english)
{
    m_out.Flush();
    m_err.Write(QStringLiteral("orvane-cli: %1\n            %2\n").arg(japanese, english));
    m_err.Flush();
}

bool CCliApplication::SaveRunResults(CConfiguration &config, const CMirroringDefine &table, int count, int project)
{
    m_savingRunResults = true;
    const bool saved = config.SaveProjectSettings(table, count, project);
    m_savingRunResults = false;
    if (saved)
        return true;
    const std::optional<StoreFailure> &failure = config.Store().LastFailure();
    const QString where = failure ? failure->path : QString();
    const QString why = failure ? failure->errorText.trimmed() : QString();
    Complain(QStringLiteral(u"実行結果 (Errors, LastExec) を保存できませんでした。保存されている内容は古いままです: %1 (%2)")
                 .arg(where, why),
             QStringLiteral("The run's results (Errors, LastExec) could not be saved; the stored ones are stale: %1 (%2)")
                 .arg(where, why));
    return false;
}

MessageAnswer CCliApplication::ShowMessageBox(const MessageBoxRequest &request)
{
    if (m_savingRunResults)
        return MessageAnswer::None;
    m_err.Write(QStringLiteral("[%1] %2").arg(request.caption, Line(request.text)));
    return request.Asks() ? MessageAnswer::None : MessageAnswer::Ok;
}

std::optional<int> CCliApplication::OpenConfiguration(CConfiguration &config, const CliOptions &options)
{
    CSettingsStore &store = config.Store();
    m_flags.ForceIni = options.ini.has_value();
    ModulePath program;
    program.folder = ProgramFolder();
    program.name = MainProgramName;
    store.SetIniPath(CSettingsStore::BuildIniPath(program, options.ini));

    if (!m_flags.ForceIni) {
        const std::optional<bool> stored = store.StoredChoice();
        if (!stored)
            return Refuse(ExitNoConfiguration,
                          QStringLiteral(u"設定がまだありません。プログラムを一度起動するか、--ini=NAME を指定してください。"),
                          QStringLiteral("No configuration exists yet: start the program once, or pass --ini=NAME."));
        store.SetUseRegistry(*stored);
    }
    // A mistyped --ini must not look like an empty configuration.
    if ((m_flags.ForceIni || !store.UseRegistry()) && !store.IniFileExists())
        return Refuse(ExitNoConfiguration, QStringLiteral(u"設定ファイルがありません: %1").arg(store.IniPath()),
                      QStringLiteral("The INI file does not exist: %1").arg(store.IniPath()));
    return std::nullopt;
}

std::optional<int> CCliApplication::CheckProject(const CConfiguration &config, const CliOptions &options)
{
    const int count = config.Projects().Count();
    if (!options.project || *options.project < count)
        return std::nullopt;
    return Refuse(ExitUsage, QStringLiteral(u"プロジェクト %1 はありません (1 から %2)").arg(*options.project + 1).arg(count),
                  QStringLiteral("There is no project %1 (1 to %2).").arg(*options.project + 1).arg(count));
}

int CCliApplication::RunOnce(CTerminalRunHost &host, RunEnvironment &environment, std::vector<CFolderSetting> settings,
                             int first, bool autoOnly, bool test, bool &stopped)
{
    RunRequest request;
    request.test = test;
    request.autoOnly = autoOnly;
    request.settings = std::move(settings);
    request.first = first;
    request.host = &host;
    request.running = true;
    RunMirroringThread(request, environment);
    stopped = request.stop;
    return m_flags.LastRunResult;
}

int CCliApplication::RefuseUnlockable(const CInstanceLock &lock, bool ini)
{
    // Nobody holds it: waiting will not help, so this is not the code of a configuration in use.
    const QString reason = SystemErrorText(lock.Error()).trimmed();
    const QString folder = QFileInfo(lock.Path()).absolutePath();
    QString japanese = QStringLiteral(u"設定をロックできません: %1 (%2)。フォルダ %3 に書き込めるか確かめてください。")
                           .arg(lock.Path(), reason, folder);
    QString english = QStringLiteral("The configuration cannot be locked: %1 (%2). Check that the folder %3 is writable.")
                          .arg(lock.Path(), reason, folder);
    if (ini) {
        japanese += QStringLiteral(u"INI ファイルは書き込めるフォルダにコピーしたプログラム (ポータブル版) で使うか、"
                                   u"ユーザーの設定データベース (レジストリ) を使ってください。");
        english += QStringLiteral(" Use an INI file with a copy of the program in a writable folder (a portable copy), "
                                  "or use the user database.");
    }
    return Refuse(ExitCannotLock, japanese, english);
}

int CCliApplication::RunStored(const CliOptions &options)
{
    CConfiguration config(m_flags, *this);
    if (const std::optional<int> code = OpenConfiguration(config, options))
        return *code;

    CSettingsStore &store = config.Store();
    const bool ini = m_flags.ForceIni || !store.UseRegistry();
    CInstanceLock lock(CInstanceLock::LockPathFor(store.FilePath(!ini)));
    switch (lock.TryLock()) {
    case CInstanceLock::Result::Acquired: break;
    case CInstanceLock::Result::HeldElsewhere:
        return HandOverToWindow(options, lock.Path());
    case CInstanceLock::Result::Failed:
        return RefuseUnlockable(lock, ini);
    }

    m_flags.AutoMode = options.autoMode;
    config.SetActiveProject(options.project.value_or(-1));
    config.LoadGlobalSettings();
    config.ConvertIniToUnicode();
    if (const std::optional<int> code = CheckProject(config, options))
        return *code;
    config.BringActiveProjectIntoRange();
    const int project = config.ActiveProject();
    CMirroringDefine table;
    const int count = config.LoadProjectSettings(table, project);
    for (int index : options.settings) {
        if (index >= count)
            return Refuse(ExitUsage,
                          QStringLiteral(u"フォルダ設定 %1 はありません (プロジェクト %2 には %3 件)").arg(index + 1).arg(project + 1).arg(count),
                          QStringLiteral("There is no folder setting %1 (project %2 has %3).").arg(index + 1).arg(project + 1).arg(count));
    }

    const CTerminalRunHost::Streams streams = CTerminalRunHost::StandardStreams(m_out, m_err, options.quiet, options.interactive);
    CTerminalRunHost host(streams);
    // As the main view does at every setting update: the whole active project is saved. A
    // save that fails does not stop the run, but the exit code tells that the stored results
    // are stale.
    bool resultsLost = false;
    host.onSettingUpdate = [&](const SettingState &state) {
        CFolderSetting &record = table.Records()[state.index];
        record.Errors = state.Errors;
        record.LastExec = state.LastExec;
        if (!SaveRunResults(config, table, count, project))
            resultsLost = true;
    };
    PosixFileSystem disk;
    RunEnvironment environment{.fileSystem = disk, .flags = m_flags, .options = config.Options(), .snapshotProvider = {}};

    int worst = 0;
    bool stopped = false;
    if (options.settings.isEmpty()) {
        worst = RunOnce(host, environment, {table.Records(), table.Records() + count}, 0, true, options.test, stopped);
    } else {
        // One run per listed setting, as separate 更新 commands would. A stop the user chose on
        // the terminal ends them all; the unattended Abort of a failed setting ends only its own.
        for (int index : options.settings) {
            worst = std::max(worst, RunOnce(host, environment, {table.Records()[index]}, index, false, options.test, stopped));
            if (stopped && streams.interactive)
                break;
        }
    }
    host.Finish();
    return resultsLost ? ExitIoError : worst;
}

int CCliApplication::Mirror(const CliOptions &options)
{
    CTerminalRunHost host(CTerminalRunHost::StandardStreams(m_out, m_err, options.quiet, options.interactive));
    PosixFileSystem disk;
    RunEnvironment environment{.fileSystem = disk, .flags = m_flags, .options = GlobalOptions{}, .snapshotProvider = {}};
    bool stopped = false;
    const int result = RunOnce(host, environment, {options.adHoc}, 0, false, options.test, stopped);
    host.Finish();
    return result;
}

int CCliApplication::List(const CliOptions &options)
{
    CConfiguration config(m_flags, *this);
    if (const std::optional<int> code = OpenConfiguration(config, options))
        return *code;
    config.SetActiveProject(options.project.value_or(-1));
    config.LoadGlobalSettings();
    if (const std::optional<int> code = CheckProject(config, options))
        return *code;

    QString text;
    if (!options.project) {
        for (int p = 0; p < config.Projects().Count(); ++p)
            text += config.Projects().DisplayName(p) + u'\n';
    } else {
        CMirroringDefine table;
        const int count = config.LoadProjectSettings(table, *options.project);
        for (int i = 0; i < count; ++i) {
            const CFolderSetting &s = table.Records()[i];
            // The list's check box as a mark, then its text columns.
            QStringList columns{QString::number(i + 1), s.AutoExec ? QStringLiteral("*") : QStringLiteral("-")};
            for (SettingListColumn column : ListedColumns)
                columns << CTerminalRunHost::OneLine(CSettingListText::Text(s, column));
            text += columns.join(u'\t') + u'\n';
        }
    }
    m_out.Write(text);
    return 0;
}
