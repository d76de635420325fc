#include "model/SettingListText.h"

#include "model/FolderSetting.h"
#include "platform/Text.h"
#include "res/StringIds.h"

#include <ctime>

namespace {

constexpr StringId HeaderIds[SettingListColumnCount] = {
    IDS_LIST_HEADER_AUTO, IDS_LIST_HEADER_NAME, IDS_LIST_HEADER_MASTER, IDS_LIST_HEADER_BACKUP,
    IDS_LIST_HEADER_LAST_RESULT,
};

// The result texts by Errors; any other value is an error count. A text without "%s" is shown
// without the time of the last run.
struct ResultText {
    qint32 errors;
    StringId id;
};
constexpr ResultText ResultTexts[] = {
    {CFolderSetting::ErrorsVolumeSkipped, IDS_LIST_RESULT_SKIPPED},
    {CFolderSetting::ErrorsRunning, IDS_LIST_RESULT_RUNNING},
    {CFolderSetting::ErrorsUnknown, IDS_LIST_RESULT_UNKNOWN},
    {0, IDS_LIST_RESULT_NO_ERRORS},
};

StringId ResultTextId(qint32 errors)
{
    for (const ResultText &entry : ResultTexts) {
        if (entry.errors == errors)
            return entry.id;
    }
    return IDS_LIST_RESULT_ERRORS;
}

} // namespace

QString CSettingListText::Header(SettingListColumn column)
{
    return LoadResString(HeaderIds[int(column)]);
}

QString CSettingListText::Text(const CFolderSetting &setting, SettingListColumn column)
{
    switch (column) {
    case SettingListColumn::Auto: return QString();
    case SettingListColumn::Name: return setting.Name;
    case SettingListColumn::Master: return setting.Master;
    case SettingListColumn::Backup: return setting.Backup;
    case SettingListColumn::LastResult: return LastResult(setting);
    }
    return QString();
}

QString CSettingListText::LastResult(const CFolderSetting &setting)
{
    return FormatPrintf(LoadResString(ResultTextId(setting.Errors)),
                        {LastRunTime(setting.LastExec), QString::number(setting.Errors)});
}

QString CSettingListText::LastRunTime(qint64 lastExec)
{
    const time_t time = static_cast<time_t>(lastExec);
    struct tm local;
    // A time without a calendar date cannot be shown either; it reads as never.
    if (lastExec == 0 || localtime_r(&time, &local) == nullptr)
        return LoadResString(IDS_LIST_TIME_NEVER);
    const auto n = [](int value) { return QString::number(value); };
    return FormatPrintf(LoadResString(IDS_LIST_TIME),
                        {n(local.tm_mon + 1), n(local.tm_mday), n(local.tm_hour), n(local.tm_min), n(local.tm_sec)});
}
