#pragma once

#include "engine/FileOperations.h"
#include "engine/RunEnvironment.h"
#include "engine/RunLog.h"
#include "engine/TargetFilter.h"
#include "engine/TreeWalk.h"
#include "platform/BRegExp.h"
#include "platform/MessageBox.h"
#include "platform/VssBackup.h"

#include <QString>
#include <memory>
#include <optional>
#include <unordered_map>

struct CFolderSetting;
struct RunRequest;
struct FileTime;
class RunHost;

// Where a report goes: the report list, the log, or both.
enum ReportWhere { ReportToLog = 1, ReportToList = 2, ReportToBoth = 3 };

// The worker's procedure: builds the run object, runs it and returns the driver's result.
bool RunMirroringThread(RunRequest &request, RunEnvironment &environment);

// The engine object of one run: it lives on the worker from the start to the end of the run,
// processes the selected folder settings one after the other and publishes the result.
class CThreadMirroring {
public:
    CThreadMirroring(RunRequest &request, RunEnvironment &environment);
    CThreadMirroring(const CThreadMirroring &) = delete;
    CThreadMirroring &operator=(const CThreadMirroring &) = delete;
    virtual ~CThreadMirroring();

    // The run driver: true when every considered setting was processed or passed over.
    bool Run();
    // Checks the setting can be carried out, then runs its passes. True when it completed
    // (ignored errors included) or the volume check chose to skip it.
    bool ProcessSetting(CFolderSetting *current);

    // Every failure of a run passes through here; returns the answer that counts.
    enum ReportMode { ReportNormal = 0, ReportResolvedByRetry = 1 };
    MessageAnswer ReportError(int level, const QString &detail, const MessageBoxRequest &box,
                              ReportMode mode = ReportNormal);
    // Counts an error into the setting and adds its row: what callers do after any answer but Retry.
    void CountError();

    // Reporting of operations, rows and status texts.
    void AddReportRow(const QString &operation, const QString &name, qint64 masterTime = 0,
                      qint64 backupTime = 0, bool sizeShown = false, quint64 size = 0);
    void ReportOperation(const QString &operation, qint64 masterTime, const QString &relative,
                         qint64 backupTime, bool sizeShown, quint64 size, int where);
    void AddErrorRow();
    void StatusText(const QString &text, const QString &path = QString());
    int SkipPolicy() const;
    void WriteLogLine(int level, const QString &text, bool flush);
    void WriteOperationLine(const QString &operation, const QString &relative);

    bool IsTest() const;
    bool IsStopped() const;
    void RequestStop();
    RunHost &Host() const;
    FileSystem &Disk() const { return environment.fileSystem; }
    const QString &Text(int id);   // a string-table text, loaded once per run

    // Members of the run, in the order the rest of the engine knows them.
    RunRequest *request;
    CFolderSetting *setting = nullptr;  // the working copy when MakeDateDir is set
    QString masterRoot;                 // full path ending in "/"
    QString backupRoot;
    bool mirrorPass = false;
    int deleteDepth = 0;
    int folderTimePending = 0;
    CBRegExp fileMatcher;
    CBRegExp folderMatcher;
    bool confirmDelete = false;
    CRunLog logFile;                    // with its threshold and flush flag
    int result = 0;                     // 0..4, only rises
    QString lastError;
    std::unique_ptr<CVssBackup> shadowCopy;
    QString currentPath;
    QString walkRoot;
    QString searchPattern = QStringLiteral("*.*");
    int walkFlags = 0x30;

    RunEnvironment &environment;
    CTargetFilter filter;
    CFileOperations operations;
    CTreeWalk walk;

private:
    bool ProcessSelected(int index, bool &runSuccess);
    void PublishSetting(int index, const CFolderSetting &candidate);
    QString DateFolderOf(const QString &backup) const;
    bool PassesSchedule(const CFolderSetting &candidate, qint64 startTime) const;
    bool CompilePatterns(const CFolderSetting &candidate);
    QString SeparatorFor(const QString &title);
    void WriteHeader(const CFolderSetting &current);
    void FinishRun();
    bool MessagesSuppressedForExit() const;
    void ShowRunMessage(const QString &text, const QString &caption, MessageIcon icon);

    bool ClearGlobalLog();
    bool OpenSettingLog(const CFolderSetting &current);
    bool SkipsGoToLog() const;

    std::optional<bool> CheckVolume();
    bool CheckMasterFolder(const QString &master);
    bool CheckBackupFolder(const QString &backup);
    bool CheckOverlap();
    bool EnsureBackupFolder(const QString &backup);
    bool RefuseSetting(int shortId, int messageId, int captionId, bool rowInLogoffMode = false);
    void ShowMatcherError(const CBRegExp &matcher);

    std::unordered_map<int, QString> m_texts;   // references stay valid as it grows
};
