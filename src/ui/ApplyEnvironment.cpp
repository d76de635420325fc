#include "ui/ApplyEnvironment.h"

#include "config/Configuration.h"
#include "model/GlobalOptions.h"
#include "model/ProjectList.h"
#include "platform/MessageBox.h"
#include "ui/WaitCursor.h"

namespace {

const QString SwitchFailedCaption = QStringLiteral(u"フォルダ設定の保存先変更");
const QString SwitchFailedText = QStringLiteral(
    u"フォルダ設定を新しい保存先に書き込めなかったため、保存先は変更しませんでした。\n\n"
    u"フォルダ設定はこれまでどおり%1に保存されます。");

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
                      const std::function<bool()> &saveActiveProject, MessageBoxPresenter &boxes)
{
    CWaitCursor wait;
    CSettingsStore &store = config.Store();
    const bool switching = useRegistry != store.UseRegistry();

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
    if (saved || !switching)
        return saved;

    store.SetUseRegistry(!useRegistry);
    saveActiveProject();
    boxes.ShowMessageBox({.text = SwitchFailedText.arg(useRegistry ? QStringLiteral(u"INI ファイル")
                                                                   : QStringLiteral(u"レジストリ")),
                          .caption = SwitchFailedCaption,
                          .icon = MessageIcon::Error,
                          .topMost = true});
    return false;
}
