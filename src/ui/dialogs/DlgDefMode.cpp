#include "ui/dialogs/DlgDefMode.h"

#include "ui/dialogs/NumberEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QHBoxLayout *Row(std::initializer_list<QWidget *> widgets)
{
    auto *row = new QHBoxLayout;
    for (QWidget *widget : widgets)
        row->addWidget(widget);
    row->addStretch(1);
    return row;
}

// Controls that depend on the check box above them stand indented below it.
QVBoxLayout *Indented(QWidget *reference)
{
    auto *layout = new QVBoxLayout;
    const QStyle *style = reference->style();
    layout->setContentsMargins(style->pixelMetric(QStyle::PM_IndicatorWidth)
                                   + style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing), 0, 0, 0);
    return layout;
}

void SetEnabled(std::initializer_list<QWidget *> widgets, bool enabled)
{
    for (QWidget *widget : widgets)
        widget->setEnabled(enabled);
}

} // namespace

CDlgDefMode::CDlgDefMode(SheetServices &services, QWidget *parent)
    : CDlgDefPage(services, parent)
{
    auto *backupGroup = new QGroupBox(QStringLiteral(u"バックアップ"), this);
    m_subDir = new QCheckBox(QStringLiteral(u"サブフォルダを含めてバックアップする(&S)"), backupGroup);
    m_overWrite = new QCheckBox(QStringLiteral(u"バックアップ側のファイルが新しい場合も上書き(&U)"), backupGroup);
    m_makeDateDir = new QCheckBox(QStringLiteral(u"バックアップ側に日付のフォルダを作成する(&D)"), backupGroup);
    auto *backupLayout = new QVBoxLayout(backupGroup);
    for (QWidget *box : {m_subDir, m_overWrite, m_makeDateDir})
        backupLayout->addWidget(box);

    auto *mirroringGroup = new QGroupBox(QStringLiteral(u"ミラーリング"), this);
    m_mirroring = new QCheckBox(QStringLiteral(u"マスター側に無いファイルはバックアップ側から削除(&R)"), mirroringGroup);
    m_backupType = new QComboBox(mirroringGroup);
    m_backupType->addItems({QStringLiteral(u"[バックアップ] → [ミラーリング] の順で行う"),
                            QStringLiteral(u"[ミラーリング] → [バックアップ] の順で行う")});
    m_backupType->setAccessibleName(QStringLiteral(u"バックアップとミラーリングの順序"));
    m_deleteConf = new QCheckBox(QStringLiteral(u"ファイルを削除するときは確認ダイアログを表示(&C)"), mirroringGroup);
    m_deleteRecycleBin = new QCheckBox(QStringLiteral(u"可能ならごみ箱を使用する(&B)"), mirroringGroup);
    m_limitDeletions = new QCheckBox(QStringLiteral(u"削除の上限を設定する(&L)"), mirroringGroup);
    m_deleteLimit = new QSpinBox(mirroringGroup);
    m_deleteLimit->setRange(1, CFolderSetting::DeleteLimitMaximum);
    m_deleteLimit->setAccessibleName(QStringLiteral(u"削除の上限 (%)"));
    m_deleteLimitText = new QLabel(QStringLiteral(u"% を超えて削除する場合は中止する"), mirroringGroup);
    m_deleteLimitText->setBuddy(m_deleteLimit);
    QVBoxLayout *mirroringOptions = Indented(m_mirroring);
    mirroringOptions->addLayout(Row({m_backupType}));
    mirroringOptions->addWidget(m_deleteConf);
    mirroringOptions->addWidget(m_deleteRecycleBin);
    mirroringOptions->addLayout(Row({m_limitDeletions, m_deleteLimit, m_deleteLimitText}));
    auto *mirroringLayout = new QVBoxLayout(mirroringGroup);
    mirroringLayout->addWidget(m_mirroring);
    mirroringLayout->addLayout(mirroringOptions);

    auto *timeGroup = new QGroupBox(QStringLiteral(u"タイムスタンプ"), this);
    m_ntfsToFat = new QCheckBox(QStringLiteral(u"タイムスタンプの誤差対策を行う(NTFS=>FAT等)(&T)"), timeGroup);
    m_plusMinus = new QLabel(QStringLiteral(u"±"), timeGroup);
    m_leaveTime = new CNumberEdit(1, 999, timeGroup);
    m_leaveTime->setAccessibleName(QStringLiteral(u"タイムスタンプの誤差 (秒)"));
    m_plusMinus->setBuddy(m_leaveTime);
    m_leaveTimeText = new QLabel(QStringLiteral(u"秒以下の差は同一とみなす"), timeGroup);
    m_copyFileTimeAll = new QCheckBox(QStringLiteral(u"ファイルの作成日時もコピーする(&A)"), timeGroup);
    m_copyFolderTime = new QCheckBox(QStringLiteral(u"フォルダのタイムスタンプをコピーする(&O)"), timeGroup);
    auto *timeLayout = new QVBoxLayout(timeGroup);
    QVBoxLayout *toleranceRow = Indented(m_ntfsToFat);
    toleranceRow->addLayout(Row({m_plusMinus, m_leaveTime, m_leaveTimeText}));
    timeLayout->addWidget(m_ntfsToFat);
    timeLayout->addLayout(toleranceRow);
    timeLayout->addWidget(m_copyFileTimeAll);
    timeLayout->addWidget(m_copyFolderTime);

    auto *otherGroup = new QGroupBox(QStringLiteral(u"その他"), this);
    m_checkFileName = new QCheckBox(QStringLiteral(u"ファイル名のチェックを行う(不正なファイルは無視)(&F)"), otherGroup);
    m_renameCapital = new QCheckBox(QStringLiteral(u"大文字・小文字が異なる場合にリネームする(&N)"), otherGroup);
    m_errorLeave = new QCheckBox(QStringLiteral(u"エラーが出たファイルは無視する(&I)"), otherGroup);
    m_copyLockedFile = new QCheckBox(QStringLiteral(u"ロックされたファイルはボリュームシャドウコピーを使用する(&V)"), otherGroup);
    m_errorNetPathRetry = new QCheckBox(QStringLiteral(u"共有フォルダで存在チェックエラー発生時はリトライ(&Y)"), otherGroup);
    m_netPathRetryCount = new CNumberEdit(1, 99, otherGroup);
    m_netPathRetryCount->setAccessibleName(QStringLiteral(u"リトライ回数"));
    m_retryText = new QLabel(QStringLiteral(u"回"), otherGroup);
    m_retryText->setBuddy(m_netPathRetryCount);
    m_showSkipFile = new QCheckBox(QStringLiteral(u"スキップされたファイルを表示(&H)"), otherGroup);
    auto *otherLayout = new QVBoxLayout(otherGroup);
    for (QWidget *box : {m_checkFileName, m_renameCapital, m_errorLeave, m_copyLockedFile})
        otherLayout->addWidget(box);
    otherLayout->addLayout(Row({m_errorNetPathRetry, m_netPathRetryCount, m_retryText}));
    otherLayout->addWidget(m_showSkipFile);

    // Two columns keep the page low enough for small screens.
    auto *left = new QVBoxLayout;
    left->addWidget(backupGroup);
    left->addWidget(mirroringGroup);
    left->addStretch(1);
    auto *right = new QVBoxLayout;
    right->addWidget(timeGroup);
    right->addWidget(otherGroup);
    right->addStretch(1);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right);

    m_bindings.Bind(m_mirroring, &CFolderSetting::Mirroring);
    m_bindings.Bind(m_deleteConf, &CFolderSetting::DeleteConf);
    m_bindings.Bind(m_deleteRecycleBin, &CFolderSetting::DeleteRecycleBin);
    m_bindings.Bind(m_overWrite, &CFolderSetting::OverWrite);
    m_bindings.Bind(m_subDir, &CFolderSetting::SubDir);
    m_bindings.Bind(m_ntfsToFat, &CFolderSetting::NtfsToFat);
    m_bindings.Bind(m_makeDateDir, &CFolderSetting::MakeDateDir);
    m_bindings.Bind(m_errorLeave, &CFolderSetting::ErrorLeave);
    m_bindings.Bind(m_copyLockedFile, &CFolderSetting::CopyLockedFile);
    m_bindings.Bind(m_errorNetPathRetry, &CFolderSetting::ErrorNetPathRetry);
    m_bindings.Bind(m_checkFileName, &CFolderSetting::CheckFileName);
    m_bindings.Bind(m_copyFileTimeAll, &CFolderSetting::CopyFileTimeAll);
    m_bindings.Bind(m_copyFolderTime, &CFolderSetting::CopyFolderTime);
    m_bindings.Bind(m_renameCapital, &CFolderSetting::RenameCapital);
    m_bindings.Bind(m_showSkipFile, &CFolderSetting::ShowSkipFile);
    // In the order of the page, which is the order they are checked in.
    m_bindings.Bind(m_leaveTime, &CFolderSetting::LeaveTime);
    m_bindings.Bind(m_netPathRetryCount, &CFolderSetting::NetPathRetryCount);

    for (QCheckBox *governing : {m_mirroring, m_limitDeletions, m_ntfsToFat, m_errorNetPathRetry})
        connect(governing, &QCheckBox::toggled, this, &CDlgDefMode::ApplyEnablingRules);
}

QString CDlgDefMode::Title() const
{
    return QStringLiteral(u"動作設定");
}

void CDlgDefMode::ShowValues()
{
    CDlgDefPage::ShowValues();
    m_backupType->setCurrentIndex(int(m_values.BackupType));
    const bool limited = m_values.DeleteLimit > 0;
    m_limitDeletions->setChecked(limited);
    m_deleteLimit->setValue(limited ? m_values.DeleteLimit : SuggestedDeleteLimit);
    ApplyEnablingRules();
}

void CDlgDefMode::TakeValues()
{
    CDlgDefPage::TakeValues();
    // An order the list does not offer stays as it was.
    if (m_backupType->currentIndex() >= 0)
        m_values.BackupType = BackupOrder(m_backupType->currentIndex());
    m_values.DeleteLimit = m_limitDeletions->isChecked() ? m_deleteLimit->value() : 0;
}

void CDlgDefMode::CopyOtherFields(const CFolderSetting &from, CFolderSetting &to) const
{
    to.BackupType = from.BackupType;
    to.DeleteLimit = from.DeleteLimit;
}

void CDlgDefMode::ApplyEnablingRules()
{
    const bool mirroring = m_mirroring->isChecked();
    SetEnabled({m_backupType, m_deleteConf, m_deleteRecycleBin, m_limitDeletions}, mirroring);
    SetEnabled({m_deleteLimit, m_deleteLimitText}, mirroring && m_limitDeletions->isChecked());
    SetEnabled({m_plusMinus, m_leaveTime, m_leaveTimeText}, m_ntfsToFat->isChecked());
    SetEnabled({m_netPathRetryCount, m_retryText}, m_errorNetPathRetry->isChecked());
}
