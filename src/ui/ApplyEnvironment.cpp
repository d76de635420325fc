#include "ui/ApplyEnvironment.h"

#include "config/Configuration.h"
#include "model/GlobalOptions.h"
#include "model/ProjectList.h"
#include "platform/InstanceLock.h"
#include "platform/MessageBox.h"
#include "ui/WaitCursor.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString SwitchFailedCaption = QStringLiteral(u"フォルダ設定の保存先変更");
const QString SwitchFailedText = QStringLiteral(
    u"フォルダ設定を新しい保存先に書き込めなかったため、保存先は変更しませんでした。\n\n"
    u"フォルダ設定はこれまでどおり%1に保存されます。");
const QString StoreInUseText = QStringLiteral(
    u"新しい保存先は別のプログラム (orvane-cli run など) が使用しているため、\n保存先は変更しませんでした。\n"
    u"そのプログラムが終わってから、もう一度変更してください。\n\n%1\n\n"
    u"フォルダ設定はこれまでどおり%2に保存されます。");

QString StoreName(bool useRegistry)
{
    return useRegistry ? QStringLiteral(u"レジストリ") : QStringLiteral(u"INI ファイル");
}

// The lock beside the store at storePath, taken; none while another program holds it. Where no
// lock file can be made, no other program can lock that store either, and the switch goes on
// without one, as a start does.
std::unique_ptr<CInstanceLock> ClaimStore(const QString &storePath)
{
    // The user database's folder may not be there before its first use; the switch makes it
    // a moment later anyway.
    QDir().mkpath(QFileInfo(storePath).absolutePath());
    auto lock = std::make_unique<CInstanceLock>(CInstanceLock::LockPathFor(storePath));
    return lock->TryLock() == CInstanceLock::Result::HeldElsewhere ? nullptr : std::move(lock);
}

void TakeOver(GlobalOptions &to, const GlobalOptions &from)
{
    to.MinimizeOnTrayOnly = from.MinimizeOnTrayOnly;
    to.AutoExitWhenError = from.AutoExitWhenError;
    to.OutputLog = from.OutputLog;
    to.OutputErrorOnly = from.OutputErrorOnly;
    to.OutputSkipLog = from.OutputSkipLog;
    to.ClearLog = from.ClearLog;
    to.WriteLogImmediately = from.WriteLogImmediately;
    to.LogFileName = from.LogFileName;
    to.CompareToolPath = from.CompareToolPath;
    to.CompareToolParam = from.CompareToolParam;
}

} // namespace

bool ApplyEnvironment(CConfiguration &config, const GlobalOptions &options, bool useRegistry,
                      const std::function<bool()> &saveActiveProject, MessageBoxPresenter &boxes,
                      std::unique_ptr<CInstanceLock> *lock)
{
    CWaitCursor wait;
    CSettingsStore &store = config.Store();
    bool switching = useRegistry != store.UseRegistry();
    std::unique_ptr<CInstanceLock> claimed;
    if (switching && lock) {
        const QString newStore = store.FilePath(useRegistry);
        claimed = ClaimStore(newStore);
        if (!claimed) {
            boxes.ShowMessageBox({.text = StoreInUseText.arg(CInstanceLock::LockPathFor(newStore), StoreName(store.UseRegistry())),
                                  .caption = SwitchFailedCaption,
                                  .icon = MessageIcon::Error,
                                  .topMost = true});
            switching = false;
            useRegistry = store.UseRegistry();
        }
    }

    // Everything of the old store, read while it is still the one in use (its project loads
    // also reread the options, which are taken over only afterwards).
    CProjectList carried;
    if (switching)
        config.LoadAllProjects(carried);

    TakeOver(config.Options(), options);
    store.SetUseRegistry(useRegistry);
    config.ConvertIniToUnicode();

    bool saved;
    {
        CSettingsStore::Batch batch(store);
        if (switching) {
            for (int p = 0; p < carried.Count(); ++p)
                config.SaveProjectSettings(carried.FolderSettings(p), p);
        }
        // The view's table last: it is newer than the old store's copy of the active project
        // whenever its last save there did not arrive.
        saveActiveProject();
        saved = batch.Commit();
    }
    if (saved && switching && claimed)
        *lock = std::move(claimed);
    if (saved || !switching)
        return saved;

    store.SetUseRegistry(!useRegistry);
    saveActiveProject();
    boxes.ShowMessageBox({.text = SwitchFailedText.arg(StoreName(!useRegistry)),
                          .caption = SwitchFailedCaption,
                          .icon = MessageIcon::Error,
                          .topMost = true});
    return false;
}
