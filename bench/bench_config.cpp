// Times of the configuration in both back-ends: saving and loading one project of 1000 folder
// settings, and loading all of 1000 projects of 10 settings each (the project list dialog).
// Run: build/bench/bench_config [rounds]

#include "config/Configuration.h"
#include "model/AppFlags.h"
#include "model/MirroringDefine.h"
#include "model/ProjectList.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include <sys/resource.h>

namespace {

class SilentBoxes : public MessageBoxPresenter {
public:
    MessageAnswer ShowMessageBox(const MessageBoxRequest &) override { return MessageAnswer::Ok; }
};

struct Setup {
    QTemporaryDir dir;
    AppFlags flags;
    SilentBoxes boxes;
    bool registry;

    explicit Setup(bool useRegistry) : registry(useRegistry) { QDir().mkpath(dir.filePath("program")); }
    std::unique_ptr<CConfiguration> Start()
    {
        auto config = std::make_unique<CConfiguration>(flags, boxes, dir.filePath("config/registry.sqlite3"));
        config->Store().SetIniPath(dir.filePath("program/orvane.ini"));
        config->Store().SetUseRegistry(registry);
        return config;
    }
    qint64 StoreSize() const
    {
        return QFileInfo(dir.filePath(registry ? "config/registry.sqlite3" : "program/orvane.ini")).size();
    }
};

CFolderSetting Sample(int i)
{
    CFolderSetting record;
    record.Name = QStringLiteral(u"設定 %1").arg(i);
    record.Master = QStringLiteral("/home/user/data/folder%1/").arg(i);
    record.Backup = QStringLiteral("/media/backup/folder%1/").arg(i);
    record.TargetFile = QStringLiteral("*.tmp;*.bak;~*");
    record.LastExec = 1700000000 + i;
    record.Errors = i % 3;
    return record;
}

// Best of a few rounds, in milliseconds.
double Best(int rounds, const std::function<void()> &work)
{
    double best = 1e300;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

void Run(bool registry, int rounds)
{
    const char *name = registry ? "registry (SQLite)" : "INI file";
    std::vector<CFolderSetting> big;
    for (int i = 0; i < 1000; ++i)
        big.push_back(Sample(i));

    Setup one(registry);
    auto config = one.Start();
    const double save1000 = Best(rounds, [&] { config->SaveProjectSettings(big, 0); });
    CMirroringDefine table;
    const double loadCold = Best(rounds, [&] {
        auto fresh = one.Start();   // a new start: the file is opened and read again
        fresh->LoadProjectSettings(table, 0);
    });
    const double loadWarm = Best(rounds, [&] { config->LoadProjectSettings(table, 0); });
    std::printf("%-18s save 1 project x 1000 settings: %8.1f ms   load (new start): %8.1f ms   load again: %8.1f ms   (%lld KB)\n",
                name, save1000, loadCold, loadWarm, one.StoreSize() / 1024);

    Setup all(registry);
    {
        auto writer = all.Start();
        writer->LoadGlobalSettings();
        CProjectList working;
        for (int p = 0; p < CProjectList::MaxProjects; ++p) {
            working.AddProject(QStringLiteral("Project %1").arg(p));
            std::vector<CFolderSetting> ten(big.begin(), big.begin() + 10);
            working.SetProject(p, std::move(ten));
        }
        QElapsedTimer timer;
        timer.start();
        writer->ApplyToStore(working);
        writer->SaveGlobalSettings();
        std::printf("%-18s apply 1000 projects x 10 settings + global save: %8.1f ms   (%lld KB)\n", name,
                    timer.nsecsElapsed() / 1e6, all.StoreSize() / 1024);
    }
    const double globalOnly = Best(rounds, [&] {
        auto fresh = all.Start();
        fresh->LoadGlobalSettings();
    });
    std::printf("%-18s new start, global load only (%s): %8.1f ms\n", name,
                registry ? "opens the database" : "reads and parses the whole file", globalOnly);
    int loaded = 0;
    const double loadAll = Best(rounds, [&] {
        auto fresh = all.Start();
        fresh->LoadGlobalSettings();
        CProjectList list;
        fresh->LoadAllProjects(list);
        loaded = 0;
        for (int p = 0; p < list.Count(); ++p)
            loaded += list.FolderSettingCount(p);
    });
    std::printf("%-18s new start, global load + load all 1000 projects x 10 settings: %8.1f ms   (%d settings)\n",
                name, loadAll, loaded);
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    for (bool registry : {false, true})
        Run(registry, rounds);
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory of the whole benchmark: %ld MB (one folder setting record: %zu bytes)\n",
                usage.ru_maxrss / 1024, sizeof(CFolderSetting));
    return 0;
}
