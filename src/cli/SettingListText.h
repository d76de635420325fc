#pragma once

#include <QString>

struct CFolderSetting;

// The texts the folder-setting list shows for a record.
class CSettingListText {
public:
    virtual ~CSettingListText() = default;

    // From LastExec and Errors: "01/31 23:05:09 正常終了", "--/-- --:--:-- 不明", "現在実行中!!" ...
    static QString LastResult(const CFolderSetting &setting);
};
