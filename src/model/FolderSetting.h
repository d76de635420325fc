#pragma once

#include <QString>
#include <QtGlobal>

// Which pass of a setting runs first.
enum class BackupOrder : qint32 { BackupFirst = 0, MirroringFirst = 1 };
// When an unattended run takes a setting; any other stored value means every time.
enum class ScheduleKind : qint32 { Always = 0, OncePerDay = 1, EveryHours = 2 };

// One folder setting: which master folder is backed up into which backup folder, and how.
// A plain record; every field bears the name of its settings key and starts with the value
// of a newly created setting.
struct CFolderSetting {
    qint64 LastExec = 0;          // start of the last completed real run, seconds since 1970 UTC; 0 = never
    bool AutoExec = true;         // part of runs of all settings and of unattended runs
    QString Name = QStringLiteral(u"新しい設定");
    QString Master;               // as entered; may hold %VARIABLES%
    QString Backup;               // as entered; may hold %VARIABLES%
    QString Target;               // carried and stored, never interpreted
    QString Volume;               // expected volume label of the backup drive
    bool Mirroring = true;        // delete from the backup what the master no longer has
    BackupOrder BackupType = BackupOrder::BackupFirst;
    bool DeleteConf = false;      // ask before each deletion
    bool DeleteRecycleBin = false;
    bool OverWrite = true;        // overwrite a backup file that is newer than its master
    bool SubDir = true;
    bool CheckVolume = false;
    bool VolErrorSkip = false;
    qint32 TargetType = 1;        // 0 files+folders include, 1 both ignore, 2 files include/folders ignore, 3 the reverse
    QString TargetFile;           // file-name patterns joined by ";"
    QString TargetDirectory;      // folder patterns joined by ";"
    bool DeleteIgnoreTarget = false;
    bool SkipTargetFileSize = false;
    qint32 TargetFileSize = 0;    // threshold in TargetFileSizeUnit; 0 or less = off
    qint32 TargetFileSizeUnit = 0; // 0 bytes, 1 KB, 2 MB, 3 GB, 4 TB; stored together with TargetFileSize
    bool NtfsToFat = true;        // last-write times within LeaveTime seconds count as equal
    qint32 LeaveTime = 2;
    bool ErrorLeave = false;      // ignore failed operations without asking
    bool CopyLockedFile = false;
    bool ErrorNetPathRetry = false;
    qint32 NetPathRetryCount = 3;
    bool CheckFileName = false;
    bool CopyFileTimeAll = false;
    bool CopyFolderTime = false;
    bool RenameCapital = false;
    bool ShowSkipFile = true;
    bool MakeDateDir = false;
    qint32 TargetDateType = 0;    // 0 all, 1 since TargetDate, 2 since LastExec
    qint64 TargetDate = 0;
    ScheduleKind ScheduleType = ScheduleKind::Always;
    qint32 ScheduleTime = 1;
    bool OutputLog = false;       // own log instead of the global one
    bool OutputErrorOnly = false;
    bool OutputSkipLog = true;
    QString LogFileName;
    bool ClearLog = true;
    bool WriteLogImmediately = false;
    qint32 Errors = -1;           // -1 never run, -2 running, -3 skipped by the volume check, else error count
    // The largest share (percent) of the backup's files one mirroring pass may delete; 0 = no limit.
    qint32 DeleteLimit = 0;

    static constexpr qint32 DeleteLimitMaximum = 100;
    // A pass that deletes fewer files than this is never held back by the limit.
    static constexpr qint32 DeleteLimitMinimumFiles = 10;

    static constexpr qint32 ErrorsUnknown = -1;
    static constexpr qint32 ErrorsRunning = -2;
    static constexpr qint32 ErrorsVolumeSkipped = -3;

    // The record a store starts from when it reads a setting: the values of missing keys.
    static CFolderSetting WithLoadDefaults();

    // Brings values read from a store into their valid ranges.
    void ApplyLoadRules();

    friend bool operator==(const CFolderSetting &, const CFolderSetting &) = default;
};
