#pragma once

#include <QString>
#include <QtGlobal>

struct CFolderSetting;

// The columns of the folder-setting list, in the order they are shown.
enum class SettingListColumn { Auto, Name, Master, Backup, LastResult };
inline constexpr int SettingListColumnCount = 5;

// The texts the folder-setting list shows for a record, for the window and the command line
// alike, taken from the string table.
class CSettingListText {
public:
    virtual ~CSettingListText() = default;

    // "自動", "名称", "マスターフォルダ", "バックアップフォルダ", "最終実行結果".
    static QString Header(SettingListColumn column);
    // A column's text for a record. The auto column has none: its check box shows AutoExec.
    // The folders are shown as entered, their variables not expanded.
    static QString Text(const CFolderSetting &setting, SettingListColumn column);
    // From LastExec and Errors: "01/31 23:05:09 正常終了", "--/-- --:--:-- 不明", "現在実行中!!" ...
    static QString LastResult(const CFolderSetting &setting);
    // LastExec in local time as month, day and time ("01/31 23:05:09"); "--/-- --:--:--" when
    // it never ran.
    static QString LastRunTime(qint64 lastExec);
};
