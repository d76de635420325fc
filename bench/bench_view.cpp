// The main view's run against the command line's on the same tree, in one run of this program:
// a no-change rescan started from the real view (offscreen) and the same rescan with
// `orvane-cli mirror`, alternately, and the ratio of their medians.
//
//   bench_view [FILES] [--runs N] [--keep DIR]
//
// FILES defaults to 100 000; the tree is made with ../shared/bench/mktree.py in a temporary folder
// (or DIR, kept for the next time). Prints the medians and "view / cli"; exits 1 when the ratio
// is above 1.15.

#include "config/Configuration.h"
#include "model/AppFlags.h"
#include "model/FolderSetting.h"
#include "platform/MessageBox.h"
#include "platform/PosixFileSystem.h"
#include "ui/OrvaneView.h"
#include "ui/ReportList.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr double Allowed = 1.15;

class SilentBoxes : public MessageBoxPresenter {
public:
    MessageAnswer ShowMessageBox(const MessageBoxRequest &request) override
    {
        std::fprintf(stderr, "box: %s\n", qPrintable(request.text));
        return request.unattended;
    }
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool RunCli(const QString &master, const QString &backup)
{
    return QProcess::execute(QStringLiteral(ORVANE_CLI_PATH), {QStringLiteral("mirror"), QStringLiteral("--quiet"), master, backup}) == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QStringList arguments = QApplication::arguments().mid(1);
    int files = 100000;
    int runs = 5;
    QString keep;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QStringLiteral("--runs") && i + 1 < arguments.size())
            runs = std::max(1, arguments[++i].toInt());
        else if (arguments[i] == QStringLiteral("--keep") && i + 1 < arguments.size())
            keep = arguments[++i];
        else
            files = std::max(1, arguments[i].toInt());
    }

    QTemporaryDir scratch;
    const QString work = keep.isEmpty() ? scratch.path() : keep;
    QDir().mkpath(work);
    const QString master = work + QStringLiteral("/tree%1/").arg(files);
    const QString backup = work + QStringLiteral("/tree%1.backup/").arg(files);
    if (!QDir(master).exists()) {
        std::fprintf(stderr, "making %d files in %s\n", files, qPrintable(master));
        const QString size = QStringLiteral("%1M").arg(std::max(1, files / 100));
        if (QProcess::execute(QStringLiteral("python3"),
                              {QStringLiteral(ORVANE_MKTREE_PATH), QStringLiteral("gen"), master, QStringLiteral("--files"),
                               QString::number(files), QStringLiteral("--total-size"), size, QStringLiteral("--depth"),
                               QStringLiteral("5"), QStringLiteral("--fanout"), QStringLiteral("9"), QStringLiteral("--seed"),
                               QStringLiteral("1")}) != 0) {
            std::fprintf(stderr, "mktree.py failed\n");
            return 2;
        }
    }
    // The first backup, so that every timed run finds nothing to do.
    if (!RunCli(master, backup)) {
        std::fprintf(stderr, "orvane-cli mirror failed\n");
        return 2;
    }

    AppFlags flags;
    SilentBoxes boxes;
    CConfiguration config(flags, boxes, scratch.filePath(QStringLiteral("registry.sqlite3")));
    config.Store().SetIniPath(scratch.filePath(QStringLiteral("bench.ini")));
    config.Store().SetUseRegistry(false);
    config.LoadGlobalSettings();
    config.BringActiveProjectIntoRange();
    CFolderSetting setting;
    setting.Name = QStringLiteral("bench");
    setting.Master = master;
    setting.Backup = backup;
    if (!config.SaveProjectSettings(std::span(&setting, 1), 0)) {
        std::fprintf(stderr, "the configuration could not be saved\n");
        return 2;
    }
    PosixFileSystem disk;
    COrvaneView view(config, flags, disk);
    view.resize(1000, 700);
    view.show();
    view.FirstShown();
    QCoreApplication::processEvents();

    const auto runView = [&] {
        QEventLoop ended;
        QObject::connect(&view, &COrvaneView::RunningChanged, &ended, [&](bool running) {
            if (!running)
                ended.quit();
        });
        QElapsedTimer clock;
        clock.start();
        view.SelectRow(0);
        view.ExecuteCommand(CommandId::UpdateSelected);
        if (view.State().running)
            ended.exec();
        return clock.nsecsElapsed() / 1e9;
    };
    const auto runCli = [&] {
        QElapsedTimer clock;
        clock.start();
        RunCli(master, backup);
        return clock.nsecsElapsed() / 1e9;
    };

    runView();   // warm both paths once
    std::vector<double> viewTimes;
    std::vector<double> cliTimes;
    for (int run = 0; run < runs; ++run) {
        // Alternate which goes first, so that neither always finds the other's caches.
        if (run % 2 == 0) {
            viewTimes.push_back(runView());
            cliTimes.push_back(runCli());
        } else {
            cliTimes.push_back(runCli());
            viewTimes.push_back(runView());
        }
    }
    const double viewMedian = Median(viewTimes);
    const double cliMedian = Median(cliTimes);
    const double ratio = viewMedian / cliMedian;
    std::printf("No-change rescan of %d files, %d runs each (median)\n", files, runs);
    std::printf("  view: %.3f s   orvane-cli mirror: %.3f s\n", viewMedian, cliMedian);
    std::printf("  ratio view / cli: %.3f (allowed %.2f): %s\n", ratio, Allowed, ratio <= Allowed ? "ok" : "TOO SLOW");
    std::printf("  report rows of the last view run: %d, last result: %s\n", view.ReportList().model()->rowCount(),
                qPrintable(view.Setting(0).Errors == 0 ? QStringLiteral("no errors") : QString::number(view.Setting(0).Errors)));
    return ratio <= Allowed ? 0 : 1;
}
