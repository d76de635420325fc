#pragma once

#include "ScriptedRunHost.h"
#include "TestSupport.h"

#include "engine/RunEnvironment.h"
#include "engine/RunRequest.h"
#include "engine/ThreadMirroring.h"
#include "model/AppFlags.h"
#include "model/FolderSetting.h"
#include "platform/PosixFileSystem.h"

#include <QDir>
#include <QList>
#include <QTemporaryDir>

// A master and a backup folder in a temporary directory, and everything a run needs around them.
class RunFixture {
public:
    RunFixture()
        : master(dir.path() + QStringLiteral("/master/"))
        , backup(dir.path() + QStringLiteral("/backup/"))
    {
        QDir().mkpath(master);
    }

    CFolderSetting Setting(const QString &name = QStringLiteral("設定")) const
    {
        CFolderSetting s;
        s.Name = name;
        s.Master = master;
        s.Backup = backup;
        return s;
    }

    // Runs the settings as the main view would; true when the driver reported success.
    bool Run(QList<CFolderSetting> &settings, bool test = false, bool autoOnly = false, FileSystem *disk = nullptr)
    {
        RunRequest request;
        request.test = test;
        request.autoOnly = autoOnly;
        request.settings.assign(settings.begin(), settings.end());
        request.host = &host;
        host.table = &settings;
        request.running = true;
        if (stopAtStart)
            request.stop = true;
        stopFlag = &request.stop;
        RunEnvironment environment{.fileSystem = disk ? *disk : posix, .flags = flags, .options = options,
                                   .snapshotProvider = {}, .readers = readers};
        if (now.isValid())
            environment.now = [this] { return now; };
        const bool success = RunMirroringThread(request, environment);
        stopFlag = nullptr;
        running = request.running;
        host.table = nullptr;
        return success;
    }

    bool RunOne(CFolderSetting &one, bool test = false, FileSystem *disk = nullptr)
    {
        QList<CFolderSetting> settings{one};
        const bool success = Run(settings, test, false, disk);
        one = settings.front();
        return success;
    }

    int Result() const { return flags.LastRunResult; }

    QString MasterPath(const QString &relative) const { return master + relative; }
    QString BackupPath(const QString &relative) const { return backup + relative; }

    QTemporaryDir dir;
    QString master;
    QString backup;
    PosixFileSystem posix;
    AppFlags flags;
    GlobalOptions options;
    ScriptedRunHost host;
    QDateTime now;
    bool stopAtStart = false;
    // Threads that read ahead of the walk; none: as the run decides (and ORVANE_READ_AHEAD says).
    std::optional<int> readers;
    bool running = false;
    std::atomic<bool> *stopFlag = nullptr;
};
