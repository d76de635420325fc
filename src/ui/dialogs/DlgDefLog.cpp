#include "ui/dialogs/DlgDefLog.h"

#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "res/StringIds.h"
#include "ui/FileDropEdit.h"
#include "ui/dialogs/SheetServices.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CDlgDefLog::CDlgDefLog(SheetServices &services, QWidget *parent)
    : CDlgDefPage(services, parent)
    , m_outputLog(new QCheckBox(QStringLiteral(u"専用でログファイルを指定する(&L)"), this))
    , m_logFileName(new CFileDropEdit(this))
    , m_browse(new QPushButton(QStringLiteral("..."), this))
    , m_writeLogImmediately(new QCheckBox(QStringLiteral(u"ログをすぐに書き込む(&I)"), this))
    , m_outputErrorOnly(new QCheckBox(QStringLiteral(u"エラーログのみ出力(&E)"), this))
    , m_outputSkipLog(new QCheckBox(QStringLiteral(u"スキップログを出力(&S)"), this))
    , m_clearLog(new QCheckBox(QStringLiteral(u"バックアップ毎にログをクリア(&C)"), this))
    , m_clearNow(new QPushButton(QStringLiteral(u"今すぐログをクリア(&N)"), this))
{
    m_browse->setAccessibleName(LoadResString(IDS_TITLE_CHOOSE_LOG_FILE));
    m_browse->setMaximumWidth(m_browse->sizeHint().height() * 2);
    auto *fileLabel = new QLabel(QStringLiteral(u"ファイル名(&F):"), this);
    fileLabel->setBuddy(m_logFileName);

    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(fileLabel);
    fileRow->addWidget(m_logFileName, 1);
    fileRow->addWidget(m_browse);
    auto *clearRow = new QHBoxLayout;
    clearRow->addWidget(m_clearNow);
    clearRow->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_outputLog);
    layout->addLayout(fileRow);
    for (QWidget *box : {m_writeLogImmediately, m_outputErrorOnly, m_outputSkipLog, m_clearLog})
        layout->addWidget(box);
    layout->addLayout(clearRow);
    layout->addStretch(1);

    m_bindings.Bind(m_outputLog, &CFolderSetting::OutputLog);
    m_bindings.Bind(m_outputErrorOnly, &CFolderSetting::OutputErrorOnly);
    m_bindings.Bind(m_outputSkipLog, &CFolderSetting::OutputSkipLog);
    m_bindings.Bind(m_logFileName, &CFolderSetting::LogFileName);
    m_bindings.Bind(m_clearLog, &CFolderSetting::ClearLog);
    m_bindings.Bind(m_writeLogImmediately, &CFolderSetting::WriteLogImmediately);

    connect(m_outputLog, &QCheckBox::toggled, this, &CDlgDefLog::ApplyEnablingRule);
    connect(m_outputErrorOnly, &QCheckBox::toggled, this, &CDlgDefLog::ApplyEnablingRule);
    connect(m_logFileName, &CFileDropEdit::FocusLeft, this, &CDlgDefLog::ApplyEnablingRule);
    connect(m_logFileName, &CFileDropEdit::Dropped, this, &CDlgDefLog::ApplyEnablingRule);
    connect(m_browse, &QPushButton::clicked, this, &CDlgDefLog::Browse);
    connect(m_clearNow, &QPushButton::clicked, this, &CDlgDefLog::ClearNow);
}

QString CDlgDefLog::Title() const
{
    return QStringLiteral(u"ログファイル");
}

bool CDlgDefLog::IsClearableLog(const QString &path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && info.size() != 0;
}

void CDlgDefLog::ShowValues()
{
    CDlgDefPage::ShowValues();
    ApplyEnablingRule();
}

void CDlgDefLog::ApplyEnablingRule()
{
    const bool ownLog = m_outputLog->isChecked();
    for (QWidget *control : std::initializer_list<QWidget *>{m_writeLogImmediately, m_outputErrorOnly, m_outputSkipLog,
                                                             m_clearLog, m_logFileName, m_browse})
        control->setEnabled(ownLog);
    if (m_outputErrorOnly->isChecked())
        m_outputSkipLog->setEnabled(false);
    m_clearNow->setEnabled(ownLog && IsClearableLog(ExpandEnvironment(m_logFileName->text())));
}

void CDlgDefLog::Browse()
{
    const SaveFileRequest request{.title = LoadResString(IDS_TITLE_CHOOSE_LOG_FILE),
                                  .nameFilters = NameFiltersOf(LoadResString(IDS_FILTER_LOG_FILE)),
                                  .defaultSuffix = LoadResString(IDS_DEFEXT_LOG_FILE),
                                  .initialPath = ExpandEnvironment(m_logFileName->text())};
    const QString chosen = m_services.chooseSaveFile(this, request);
    if (!chosen.isEmpty())
        m_logFileName->setText(chosen);
    ApplyEnablingRule();
}

// Empties the file named in the box now, without a question and whatever becomes of the sheet.
void CDlgDefLog::ClearNow()
{
    const QString path = ExpandEnvironment(m_logFileName->text());
    int messageId = IDS_MSG_LOG_NOT_FOUND;
    if (!path.isEmpty() && QFileInfo(path).isFile()) {
        QFile file(path);
        messageId = file.open(QIODevice::WriteOnly | QIODevice::Truncate) ? IDS_MSG_LOG_CLEARED
                                                                           : IDS_MSG_CLEAR_LOG_FAILED;
    }
    m_services.messages->ShowMessageBox({.text = LoadResString(messageId),
                                         .caption = LoadResString(IDS_CAPTION_CLEAR_LOG),
                                         .icon = MessageIcon::Error});
    ApplyEnablingRule();
}
