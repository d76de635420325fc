#include "ui/dialogs/DlgDefMain.h"

#include "platform/Paths.h"
#include "platform/Text.h"
#include "res/StringIds.h"
#include "ui/FileDropEdit.h"
#include "ui/dialogs/SheetServices.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QLabel *BuddyLabel(const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

QPushButton *BrowseButton(const QString &accessibleName, QWidget *parent)
{
    auto *button = new QPushButton(QStringLiteral("..."), parent);
    button->setAccessibleName(accessibleName);
    // As narrow as its three dots allow, not as wide as a dialog's buttons.
    button->setMaximumWidth(button->sizeHint().height() * 2);
    return button;
}

} // namespace

CDlgDefMain::CDlgDefMain(SheetServices &services, QWidget *parent)
    : CDlgDefPage(services, parent)
    , m_name(new QLineEdit(this))
    , m_master(new CFileDropEdit(this))
    , m_browseMaster(BrowseButton(LoadResString(IDS_TITLE_CHOOSE_MASTER_FOLDER), this))
    , m_backup(new CFileDropEdit(this))
    , m_browseBackup(BrowseButton(LoadResString(IDS_TITLE_CHOOSE_BACKUP_FOLDER), this))
    , m_checkVolume(new QCheckBox(QStringLiteral(u"バックアップ開始時にボリュームラベルをチェックする(&C)"), this))
    , m_volume(new QLineEdit(this))
    , m_readLabel(new QPushButton(QStringLiteral(u"取得(&G)"), this))
    , m_volErrorSkip(new QCheckBox(QStringLiteral(u"一致しない場合はこのフォルダ設定をスキップ(&S)"), this))
    , m_autoExec(new QCheckBox(QStringLiteral(u"自動バックアップの対象にする(&A)"), this))
{

    auto *folders = new QGridLayout;
    folders->addWidget(BuddyLabel(QStringLiteral(u"名称(&N):"), m_name, this), 0, 0);
    folders->addWidget(m_name, 0, 1, 1, 2);
    folders->addWidget(BuddyLabel(QStringLiteral(u"マスター側(&M):"), m_master, this), 1, 0);
    folders->addWidget(m_master, 1, 1);
    folders->addWidget(m_browseMaster, 1, 2);
    folders->addWidget(BuddyLabel(QStringLiteral(u"バックアップ側(&B):"), m_backup, this), 2, 0);
    folders->addWidget(m_backup, 2, 1);
    folders->addWidget(m_browseBackup, 2, 2);
    folders->setColumnStretch(1, 1);

    auto *volumeGroup = new QGroupBox(QStringLiteral(u"ボリュームラベルのチェック"), this);
    auto *volumeRow = new QHBoxLayout;
    volumeRow->addWidget(BuddyLabel(QStringLiteral(u"ボリュームラベル(&V):"), m_volume, this));
    volumeRow->addWidget(m_volume, 1);
    volumeRow->addWidget(m_readLabel);
    auto *volumeLayout = new QVBoxLayout(volumeGroup);
    volumeLayout->addWidget(m_checkVolume);
    volumeLayout->addLayout(volumeRow);
    volumeLayout->addWidget(m_volErrorSkip);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(folders);
    layout->addWidget(volumeGroup);
    layout->addWidget(m_autoExec);
    layout->addStretch(1);

    m_bindings.Bind(m_autoExec, &CFolderSetting::AutoExec);
    m_bindings.Bind(m_name, &CFolderSetting::Name);
    m_bindings.Bind(m_master, &CFolderSetting::Master);
    m_bindings.Bind(m_backup, &CFolderSetting::Backup);
    m_bindings.Bind(m_checkVolume, &CFolderSetting::CheckVolume);
    m_bindings.Bind(m_volErrorSkip, &CFolderSetting::VolErrorSkip);
    m_bindings.Bind(m_volume, &CFolderSetting::Volume);

    connect(m_browseMaster, &QPushButton::clicked, this,
            [this] { Browse(m_master, IDS_TITLE_CHOOSE_MASTER_FOLDER); });
    connect(m_browseBackup, &QPushButton::clicked, this,
            [this] { Browse(m_backup, IDS_TITLE_CHOOSE_BACKUP_FOLDER); });
    connect(m_checkVolume, &QCheckBox::clicked, this, &CDlgDefMain::ApplyVolumeRule);
    connect(m_backup, &QLineEdit::textChanged, this, &CDlgDefMain::ApplyVolumeRule);
    connect(m_readLabel, &QPushButton::clicked, this, &CDlgDefMain::ReadVolumeLabel);
}

QString CDlgDefMain::Title() const
{
    return QStringLiteral(u"一般");
}

void CDlgDefMain::ShowValues()
{
    m_master->Drop().folderMode = true;
    m_backup->Drop().folderMode = true;
    {
        // The rule runs once below, with every field in place.
        const QSignalBlocker quiet(m_backup);
        CDlgDefPage::ShowValues();
    }
    ApplyVolumeRule();
}

void CDlgDefMain::ApplyVolumeRule()
{
    const bool check = m_checkVolume->isChecked();
    for (QWidget *control : std::initializer_list<QWidget *>{m_volume, m_readLabel, m_volErrorSkip})
        control->setEnabled(check);
    if (check && m_volume->text().isEmpty())
        ReadVolumeLabel();
}

void CDlgDefMain::ReadVolumeLabel()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
    m_volume->setText(m_services.volumeLabel(m_backup->text()));
}

void CDlgDefMain::Browse(CFileDropEdit *edit, int titleId)
{
    QString start = ExpandEnvironment(edit->text());
    if (start.size() > 1 && EndsWithSeparator(start))
        start.chop(1);
    const QString chosen = m_services.chooseFolder(this, LoadResString(titleId), start);
    if (!chosen.isEmpty())
        edit->setText(chosen);
}
