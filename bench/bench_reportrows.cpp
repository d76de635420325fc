// A run that reports a million rows into the real main view (offscreen), fed by a stand-in for
// the engine on the worker thread through the real host: how many bytes each row of the report
// list takes beyond its texts' characters, and the longest time the interface thread spent
// away from its event loop during the run.
//
//   bench_reportrows [ROWS]

#include "config/Configuration.h"
#include "engine/RunEnvironment.h"
#include "engine/RunHost.h"
#include "engine/RunRequest.h"
#include "model/AppFlags.h"
#include "platform/MessageBox.h"
#include "platform/PosixFileSystem.h"
#include "ui/OrvaneView.h"
#include "ui/ReportList.h"
#include "ui/ReportListModel.h"
#include "ui/RunController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

constexpr double AllowedBytesPerRow = 250;
constexpr qint64 AllowedGapMs = 50;

class SilentBoxes : public MessageBoxPresenter {
public:
    MessageAnswer ShowMessageBox(const MessageBoxRequest &request) override { return request.unattended; }
};

qint64 ResidentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * ::sysconf(_SC_PAGESIZE) : 0;
}

qint64 ThreadCpuNanoseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

QString NameOf(int i)
{
    return QStringLiteral("folder%1/sub%2/file%3.txt").arg(i % 97).arg(i % 13).arg(i, 7, 10, QLatin1Char('0'));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int rowCount = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 1000000;

    QTemporaryDir scratch;
    AppFlags flags;
    SilentBoxes boxes;
    CConfiguration config(flags, boxes, scratch.filePath(QStringLiteral("registry.sqlite3")));
    config.Store().SetIniPath(scratch.filePath(QStringLiteral("bench.ini")));
    config.Store().SetUseRegistry(false);
    config.LoadGlobalSettings();
    CFolderSetting setting;
    setting.Name = QStringLiteral("bench");
    config.SaveProjectSettings(std::span(&setting, 1), 0);
    PosixFileSystem disk;
    COrvaneView view(config, flags, disk);
    view.resize(1000, 700);
    view.show();
    view.FirstShown();

    const QStringList operations{QStringLiteral(u"作成"), QStringLiteral(u"更新"), QStringLiteral(u"削除"),
                                 QStringLiteral(u"スキップ"), QStringLiteral(u"名前変更")};
    view.Runs().SetProcedure([&](RunRequest &request, RunEnvironment &) {
        request.running = true;
        RunHost &host = *request.host;
        host.EnableClose(false);
        host.ClearReport();
        for (int i = 0; i < rowCount; ++i) {
            if (i % 64 == 0)
                host.StatusText(QStringLiteral(u"バックアップ中"), NameOf(i));
            host.AddReportRow({.operation = operations[i % operations.size()], .name = NameOf(i),
                               .masterTime = 1700000000 + i, .backupTime = i % 3 ? 1600000000 : 0,
                               .sizeShown = true, .size = quint64(i) * 37});
        }
        host.EnableClose(true);
        host.RunFinished();
        request.running = false;
        return true;
    });
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
        usleep(5000);
    }

    qint64 characters = 0;
    for (int i = 0; i < rowCount; ++i)
        characters += NameOf(i).size();
    const qint64 residentBefore = ResidentBytes();

    // A timer of 0 ms fires whenever the event loop is free: the longest time between two of
    // its shots is the longest the interface thread was away.
    QElapsedTimer clock;
    QElapsedTimer sinceShot;
    qint64 longestGap = 0;
    // The same on the interface thread's own clock: the work it did, without the time other
    // threads and programs had the processor.
    qint64 cpuAtShot = ThreadCpuNanoseconds();
    qint64 longestWork = 0;
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceShot.elapsed());
        sinceShot.restart();
        const qint64 cpu = ThreadCpuNanoseconds();
        longestWork = std::max(longestWork, cpu - cpuAtShot);
        cpuAtShot = cpu;
    });
    QEventLoop ended;
    QObject::connect(&view, &COrvaneView::RunningChanged, &ended, [&](bool running) {
        if (!running)
            ended.quit();
    });
    clock.start();
    sinceShot.start();
    cpuAtShot = ThreadCpuNanoseconds();
    probe.start();
    view.ExecuteCommand(CommandId::UpdateAll);
    ended.exec();
    probe.stop();
    const double seconds = clock.nsecsElapsed() / 1e9;
    const qint64 residentAfter = ResidentBytes();

    const CReportListModel &rows = view.ReportList().Rows();
    const double residentPerRow = double(residentAfter - residentBefore - characters * 2) / rowCount;
    const double modelPerRow = double(rows.StorageBytes() - rows.NameBytes()) / rowCount;
    std::printf("%d rows reported in %.2f s; the list holds %d\n", rowCount, seconds, rows.rowCount());
    std::printf("  bytes per row beyond the names' characters: %.1f by resident memory, %.1f counted in the model (allowed %.0f)\n",
                residentPerRow, modelPerRow, AllowedBytesPerRow);
    std::printf("  longest time away from the event loop: %lld ms (allowed %lld); longest work of the interface thread "
                "between two returns: %.1f ms\n",
                longestGap, AllowedGapMs, longestWork / 1e6);
    const bool ok = rows.rowCount() == rowCount && residentPerRow <= AllowedBytesPerRow && longestGap <= AllowedGapMs;
    std::printf("  %s\n", ok ? "ok" : "OUT OF BOUNDS");
    return ok ? 0 : 1;
}
