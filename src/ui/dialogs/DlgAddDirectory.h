#pragma once

#include "ui/dialogs/DlgAddPattern.h"

// 対象フォルダ指定: one folder pattern, relative to the base folder; a folder dropped on the
// field becomes its path below the base folder.
class CDlgAddDirectory : public CDlgAddPattern {
    Q_OBJECT

public:
    explicit CDlgAddDirectory(QWidget *parent = nullptr);

    // The master folder, without a trailing separator.
    void SetBaseFolder(const QString &baseFolder);
};
