#pragma once

#include <QString>
#include <QtGlobal>

// One row of the report list: what a run did with one item.
struct ReportRow {
    QString operation;      // "作成", "更新", "削除", ...
    QString name;           // relative path, title or error text
    qint64 masterTime = 0;  // last-write time, seconds since 1970 UTC; 0 = none
    qint64 backupTime = 0;
    bool sizeShown = false;
    quint64 size = 0;
};
