#pragma once

#include "engine/ChangeJournal.h"
#include "engine/FileOperations.h"
#include "engine/JournalingFileSystem.h"
#include "engine/RunEnvironment.h"
#include "engine/RunReporter.h"
#include "engine/RunState.h"
#include "engine/TargetFilter.h"
#include "engine/TreeWalk.h"
#include "platform/BRegExp.h"
#include "platform/VssBackup.h"

#include <QString>
#include <memory>
#include <optional>

struct CFolderSetting;
struct RunRequest;
class RunHost;

// The worker's procedure: builds the run object, runs it and returns the driver's result.
bool RunMirroringThread(RunRequest &request, RunEnvironment &environment);

// The engine object of one run: it lives on the worker from the start to the end of the run,
// processes the selected folder settings one after the other on its own copies of them, and
// publishes what changed through the host.
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

private:
    bool ProcessSelected(int index, bool &runSuccess);
    void PublishSetting(int index, const CFolderSetting &candidate);
    QString DateFolderOf(const QString &backup) const;
    bool PassesSchedule(const CFolderSetting &candidate, qint64 startTime) const;
    bool CompilePatterns(const CFolderSetting &candidate);
    QString SeparatorFor(const QString &title);
    void WriteHeader(const CFolderSetting &current);
    void FinishRun();
    void ShowMatcherError(const CBRegExp &matcher);

    bool ClearGlobalLog();
    bool OpenSettingLog(const CFolderSetting &current);

    std::optional<bool> CheckVolume();
    bool CheckMasterFolder(const QString &master);
    bool CheckBackupFolder(const QString &backup);
    bool CheckOverlap();
    bool EnsureBackupFolder(const QString &backup);
    bool RefuseSetting(int shortId, int messageId, int captionId, bool rowInLogoffMode = false);

    bool IsTest() const { return m_state.IsTest(); }
    bool IsStopped() const { return m_state.IsStopped(); }
    RunHost &Host() const { return m_reporter.Host(); }
    FileSystem &Disk() { return m_disk; }
    const QString &Text(int id) { return m_reporter.Text(id); }

    RunRequest &m_request;
    RunEnvironment &m_environment;
    CRunState m_state;
    CRunReporter m_reporter;
    CBRegExp m_fileMatcher;
    CBRegExp m_folderMatcher;
    CTargetFilter m_filter;
    // Everything of the run reaches the disk through m_disk, which records each change.
    CChangeJournal m_journal;
    JournalingFileSystem m_disk;
    std::unique_ptr<CVssBackup> m_shadowCopy;
    CFileOperations m_operations;
    CTreeWalk m_walk;
};
