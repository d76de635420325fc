// Runs the engine headless on one master/backup pair, with a host that only counts, and prints
// what it did and how long it took. Used by bench/run.sh next to rsync and cp.
//
//   bench_engine MASTER BACKUP [--test] [--no-mirroring]

#include "engine/RunEnvironment.h"
#include "engine/RunHost.h"
#include "engine/RunRequest.h"
#include "engine/ThreadMirroring.h"
#include "model/AppFlags.h"
#include "model/FolderSetting.h"
#include "platform/PosixFileSystem.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

class CountingHost : public RunHost {
public:
    void StatusText(const QString &, const QString &) override { ++statusTexts; }
    void ClearReport() override {}
    void AddReportRow(const ReportRow &row) override
    {
        ++rows;
        if (row.sizeShown)
            bytes += row.size;
    }
    void SettingUpdate(const SettingState &) override {}
    MessageAnswer MessageBox(const MessageBoxRequest &request) override
    {
        std::fprintf(stderr, "%s\n", request.text.toLocal8Bit().constData());
        return request.unattended;
    }
    DeleteChoice ConfirmDelete(const QString &, const QString &, const QString &) override { return DeleteChoice::DeleteThis; }
    int TextWidth(const QString &text) override { return int(text.size()); }
    void EnableClose(bool) override {}
    void RunFinished() override {}
    void RequestClose() override {}

    long long statusTexts = 0;
    long long rows = 0;
    unsigned long long bytes = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 3) {
        std::fprintf(stderr, "usage: bench_engine MASTER BACKUP [--test]\n");
        return 64;
    }
    CFolderSetting setting;
    setting.Name = QStringLiteral("bench");
    setting.Master = arguments[1];
    setting.Backup = arguments[2];
    setting.Mirroring = !arguments.contains(QStringLiteral("--no-mirroring"));

    CountingHost host;
    PosixFileSystem disk;
    AppFlags flags;
    RunRequest request;
    request.test = arguments.contains(QStringLiteral("--test"));
    request.settings = {setting};
    request.host = &host;
    RunEnvironment environment{.fileSystem = disk, .flags = flags, .options = GlobalOptions{}, .snapshotProvider = {}};

    QElapsedTimer timer;
    timer.start();
    RunMirroringThread(request, environment);
    std::printf("files considered %lld, rows %lld, bytes %llu, %.3f s, result %d\n", host.statusTexts, host.rows,
                host.bytes, timer.nsecsElapsed() / 1e9, int(flags.LastRunResult));
    return flags.LastRunResult;
}
