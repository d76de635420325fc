#include "ui/dialogs/DlgAbout.h"

#include "app/AppIcons.h"
#include "platform/ProgramFiles.h"
#include "platform/RegistryDatabase.h"
#include "platform/Text.h"
#include "res/StringIds.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

CDlgAbout::CDlgAbout(QWidget *parent) : QDialog(parent), m_version(new QLabel(this)), m_files(new QLabel(this))
{
    setWindowTitle(QStringLiteral(u"バージョン情報"));
    m_version->setObjectName(QStringLiteral("version"));
    m_version->setText(VersionLine());
    m_version->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_files->setObjectName(QStringLiteral("files"));
    m_files->setText(FilesText());
    m_files->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *icon = new QLabel(this);
    icon->setPixmap(CAppIcons::Icon(CAppIcons::AppIcon).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    auto *text = new QVBoxLayout;
    text->addWidget(m_version);
    text->addWidget(new QLabel(QStringLiteral(u"フォルダをファイル単位でバックアップするツールです。"), this));
    text->addWidget(new QLabel(QStringLiteral(u"本ソフトウェアは無保証です。ご利用は各自の責任でお願いします。"), this));
    text->addSpacing(8);
    text->addWidget(m_files);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *layout = new QGridLayout(this);
    layout->setHorizontalSpacing(16);
    layout->addWidget(icon, 0, 0);
    layout->addLayout(text, 0, 1);
    layout->addWidget(buttons, 1, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

CDlgAbout::~CDlgAbout() = default;

QString CDlgAbout::VersionLine()
{
    return FormatPrintf(QStringLiteral("%s Ver.%s%s"),
                        {LoadResString(IDS_APP_TITLE), ProgramVersionText(), LoadResString(IDS_ABOUT_BUILD_SUFFIX)});
}

QString CDlgAbout::ShownVersionLine() const
{
    return m_version->text();
}

QString CDlgAbout::FilesText()
{
    return QStringLiteral(u"レジストリ (ユーザーごとの設定データベース):\n%1\n説明書:\n%2")
        .arg(CRegistryDatabase::DefaultPath(), ManualPath());
}

QString CDlgAbout::ShownFilesText() const
{
    return m_files->text();
}
