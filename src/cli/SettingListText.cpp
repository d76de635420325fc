#include "cli/SettingListText.h"

#include "model/FolderSetting.h"
#include "platform/Text.h"

#include <ctime>

QString CSettingListText::LastResult(const CFolderSetting &setting)
{
    switch (setting.Errors) {
    case CFolderSetting::ErrorsVolumeSkipped: return QStringLiteral(u"スキップ");
    case CFolderSetting::ErrorsRunning: return QStringLiteral(u"現在実行中!!");
    default: break;
    }
    QString time = QStringLiteral("--/-- --:--:--");
    const time_t last = static_cast<time_t>(setting.LastExec);
    struct tm local;
    if (setting.LastExec != 0 && localtime_r(&last, &local))
        time = QString::asprintf("%02d/%02d %02d:%02d:%02d", local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                 local.tm_min, local.tm_sec);
    switch (setting.Errors) {
    case CFolderSetting::ErrorsUnknown: return FormatPrintf(QStringLiteral(u"%s 不明"), {time});
    case 0: return FormatPrintf(QStringLiteral(u"%s 正常終了"), {time});
    default: return FormatPrintf(QStringLiteral(u"%s %d件のエラー"), {time, QString::number(setting.Errors)});
    }
}
