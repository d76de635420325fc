#pragma once

#include "ui/dialogs/DlgAddPattern.h"

// 対象ファイル指定: one file-name pattern; a file dropped on the field gives its name.
class CDlgAddFile : public CDlgAddPattern {
    Q_OBJECT

public:
    explicit CDlgAddFile(QWidget *parent = nullptr);
};
