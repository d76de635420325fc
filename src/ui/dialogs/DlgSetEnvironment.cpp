#include "ui/dialogs/DlgSetEnvironment.h"

#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "platform/Text.h"
#include "res/StringIds.h"
#include "ui/FileDropEdit.h"
#include "ui/dialogs/FileDialogChooser.h"
#include "ui/dialogs/OkCancelButtons.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QString StorageNoticeCaption = QStringLiteral(u"フォルダ設定の保存先変更");
const QString StorageNoticeRegistry = QStringLiteral(
    u"フォルダ設定がレジストリに行う設定に変更されます。\n\n現在設定されている内容はそのまま引き継がれます。");
const QString StorageNoticeIni = QStringLiteral(
    u"フォルダ設定が INI ファイルに行う設定に変更されます。\n\n現在設定されている内容はそのまま引き継がれます。");

QCheckBox *CheckBox(QWidget *parent, const char16_t *text, const char *name, bool checked)
{
    auto *box = new QCheckBox(QString::fromUtf16(text), parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(checked);
    return box;
}

template <class EditClass = QLineEdit>
EditClass *Edit(QWidget *parent, const char *name, const QString &text)
{
    auto *edit = new EditClass(parent);
    edit->setText(text);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * 44);
    return edit;
}

QPushButton *BrowseButton(QWidget *parent, const char *name)
{
    auto *button = new QPushButton(QStringLiteral("..."), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    return button;
}

QLabel *Label(QWidget *parent, const char16_t *text, QWidget *buddy = nullptr)
{
    auto *label = new QLabel(QString::fromUtf16(text), parent);
    if (buddy)
        label->setBuddy(buddy);
    return label;
}

// Empties a file, creating it when it is gone: true when it now exists with nothing in it.
bool TruncateFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    return ::close(fd) == 0;
}

} // namespace

CDlgSetEnvironment::CDlgSetEnvironment(const GlobalOptions &options, bool useRegistry, MessageBoxPresenter &boxes,
                                       QWidget *parent)
    : QDialog(parent), m_options(options), m_boxes(boxes), m_ownFiles(std::make_unique<CFileDialogChooser>())
{
    m_files = m_ownFiles.get();
    setWindowTitle(QStringLiteral(u"オプション"));

    auto *general = new QGroupBox(QStringLiteral(u"一般"), this);
    m_useRegistry = CheckBox(general, u"フォルダ設定情報をレジストリに保存する(&R)", "useRegistry", useRegistry);
    auto *iniNote = Label(general, u"※チェックを外すと INI ファイルに保存します。");
    iniNote->setIndent(m_useRegistry->fontMetrics().averageCharWidth() * 3);
    m_minimizeOnTrayOnly = CheckBox(general, u"最小化時はタスクトレイのみに表示(&M)", "minimizeOnTrayOnly",
                                    options.MinimizeOnTrayOnly);
    auto *generalLayout = new QVBoxLayout(general);
    generalLayout->addWidget(m_useRegistry);
    generalLayout->addWidget(iniNote);
    generalLayout->addWidget(m_minimizeOnTrayOnly);

    auto *unattended = new QGroupBox(QStringLiteral(u"自動起動"), this);
    m_autoExitWhenError = CheckBox(unattended, u"エラーが発生した場合もメッセージを表示しない(&H)", "autoExitWhenError",
                                   options.AutoExitWhenError);
    auto *unattendedLayout = new QVBoxLayout(unattended);
    unattendedLayout->addWidget(m_autoExitWhenError);

    auto *log = new QGroupBox(QStringLiteral(u"ログファイル"), this);
    m_outputLog = CheckBox(log, u"ログを記録する(&L)", "outputLog", options.OutputLog);
    // A file dragged from the file manager gives its full path, in place of the whole text.
    m_logFileName = Edit<CFileDropEdit>(log, "logFileName", options.LogFileName);
    m_browseLog = BrowseButton(log, "browseLog");
    m_writeLogImmediately = CheckBox(log, u"ログをすぐに書き込む(&I)", "writeLogImmediately", options.WriteLogImmediately);
    m_outputErrorOnly = CheckBox(log, u"エラーログのみ出力(&E)", "outputErrorOnly", options.OutputErrorOnly);
    m_outputSkipLog = CheckBox(log, u"スキップログを出力(&S)", "outputSkipLog", options.OutputSkipLog);
    m_clearLog = CheckBox(log, u"バックアップ実行前にログをクリアする(&C)", "clearLog", options.ClearLog);
    m_clearLogNow = new QPushButton(QStringLiteral(u"今すぐログをクリア(&N)"), log);
    m_clearLogNow->setObjectName(QStringLiteral("clearLogNow"));
    m_clearLogNow->setAutoDefault(false);
    auto *logLayout = new QGridLayout(log);
    logLayout->addWidget(m_outputLog, 0, 0, 1, 3);
    logLayout->addWidget(Label(log, u"ファイル名(&F)：", m_logFileName), 1, 0);
    logLayout->addWidget(m_logFileName, 1, 1);
    logLayout->addWidget(m_browseLog, 1, 2);
    logLayout->addWidget(m_writeLogImmediately, 2, 0, 1, 3);
    logLayout->addWidget(m_outputErrorOnly, 3, 0, 1, 3);
    logLayout->addWidget(m_outputSkipLog, 4, 0, 1, 3);
    logLayout->addWidget(m_clearLog, 5, 0, 1, 3);
    logLayout->addWidget(m_clearLogNow, 6, 0, 1, 3, Qt::AlignRight);
    logLayout->setColumnStretch(1, 1);

    auto *tool = new QGroupBox(QStringLiteral(u"フォルダ比較ツール"), this);
    m_compareToolPath = Edit(tool, "compareToolPath", options.CompareToolPath);
    m_browseTool = BrowseButton(tool, "browseTool");
    m_compareToolParam = Edit(tool, "compareToolParam", options.CompareToolParam);
    auto *toolNote = Label(tool, u"%m = マスター側フォルダ\t%b = バックアップ側フォルダ");
    toolNote->setTextFormat(Qt::PlainText);
    auto *toolLayout = new QGridLayout(tool);
    toolLayout->addWidget(Label(tool, u"実行ファイル(&T)：", m_compareToolPath), 0, 0);
    toolLayout->addWidget(m_compareToolPath, 0, 1);
    toolLayout->addWidget(m_browseTool, 0, 2);
    toolLayout->addWidget(Label(tool, u"パラメータ(&P)：", m_compareToolParam), 1, 0);
    toolLayout->addWidget(m_compareToolParam, 1, 1, 1, 2);
    toolLayout->addWidget(toolNote, 2, 1, 1, 2);
    toolLayout->setColumnStretch(1, 1);

    QDialogButtonBox *buttons = OkCancelButtons(this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(general);
    layout->addWidget(unattended);
    layout->addWidget(log);
    layout->addWidget(tool);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_useRegistry, &QCheckBox::clicked, this, &CDlgSetEnvironment::ShowStorageNotice);
    connect(m_outputLog, &QCheckBox::clicked, this, &CDlgSetEnvironment::UpdateEnabled);
    connect(m_outputErrorOnly, &QCheckBox::clicked, this, &CDlgSetEnvironment::UpdateEnabled);
    connect(m_browseLog, &QPushButton::clicked, this, &CDlgSetEnvironment::BrowseLogFile);
    connect(m_browseTool, &QPushButton::clicked, this, &CDlgSetEnvironment::BrowseCompareTool);
    connect(m_clearLogNow, &QPushButton::clicked, this, &CDlgSetEnvironment::ClearLogNow);
    connect(m_logFileName, &CFileDropEdit::FocusLeft, this, &CDlgSetEnvironment::UpdateEnabled);
    connect(m_logFileName, &CFileDropEdit::Dropped, this, &CDlgSetEnvironment::UpdateEnabled);
    UpdateEnabled();
}

CDlgSetEnvironment::~CDlgSetEnvironment() = default;

GlobalOptions CDlgSetEnvironment::Options() const
{
    GlobalOptions options = m_options;
    options.MinimizeOnTrayOnly = m_minimizeOnTrayOnly->isChecked();
    options.AutoExitWhenError = m_autoExitWhenError->isChecked();
    options.OutputLog = m_outputLog->isChecked();
    options.OutputErrorOnly = m_outputErrorOnly->isChecked();
    options.OutputSkipLog = m_outputSkipLog->isChecked();
    options.ClearLog = m_clearLog->isChecked();
    options.WriteLogImmediately = m_writeLogImmediately->isChecked();
    options.LogFileName = m_logFileName->text();
    options.CompareToolPath = m_compareToolPath->text();
    options.CompareToolParam = m_compareToolParam->text();
    return options;
}

bool CDlgSetEnvironment::UseRegistry() const
{
    return m_useRegistry->isChecked();
}

QString CDlgSetEnvironment::ExpandedLogFileName() const
{
    return ExpandEnvironment(m_logFileName->text());
}

void CDlgSetEnvironment::UpdateEnabled()
{
    const bool log = m_outputLog->isChecked();
    for (QWidget *control : std::initializer_list<QWidget *>{m_writeLogImmediately, m_outputErrorOnly, m_outputSkipLog,
                                                             m_clearLog, m_logFileName, m_browseLog})
        control->setEnabled(log);
    if (m_outputErrorOnly->isChecked())
        m_outputSkipLog->setEnabled(false);

    const QString path = ExpandedLogFileName();
    const QFileInfo file(path);
    m_clearLogNow->setEnabled(log && !path.isEmpty() && file.exists() && !file.isDir() && file.size() != 0);
}

void CDlgSetEnvironment::ShowStorageNotice(bool registry)
{
    m_boxes.ShowMessageBox({.text = registry ? StorageNoticeRegistry : StorageNoticeIni,
                            .caption = StorageNoticeCaption,
                            .icon = MessageIcon::Information,
                            .topMost = true});
}

void CDlgSetEnvironment::BrowseLogFile()
{
    const std::optional<QString> chosen = m_files->ChooseFile({.kind = FileChooserRequest::Kind::Save,
                                                               .title = LoadResString(IDS_TITLE_CHOOSE_LOG_FILE),
                                                               .filter = LoadResString(IDS_FILTER_LOG_FILE),
                                                               .defaultExtension = LoadResString(IDS_DEFEXT_LOG_FILE),
                                                               .initialPath = ExpandedLogFileName()},
                                                              this);
    if (!chosen)
        return;
    m_logFileName->setText(*chosen);
    UpdateEnabled();
}

void CDlgSetEnvironment::BrowseCompareTool()
{
    const std::optional<QString> chosen = m_files->ChooseFile({.kind = FileChooserRequest::Kind::Open,
                                                               .title = LoadResString(IDS_TITLE_CHOOSE_COMPARE_TOOL),
                                                               .filter = LoadResString(IDS_FILTER_PROGRAM),
                                                               .defaultExtension = LoadResString(IDS_DEFEXT_PROGRAM),
                                                               .initialPath = ExpandEnvironment(m_compareToolPath->text())},
                                                              this);
    if (!chosen)
        return;
    m_compareToolPath->setText(*chosen);
    UpdateEnabled();
}

void CDlgSetEnvironment::ClearLogNow()
{
    const QString path = ExpandedLogFileName();
    const MessageBoxRequest box{.topMost = true};
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        MessageBoxRequest notFound = box;
        notFound.icon = MessageIcon::Error;
        MessageBoxById(m_boxes, IDS_MSG_LOG_NOT_FOUND, IDS_CAPTION_CLEAR_LOG, notFound);
    } else {
        MessageBoxRequest question = box;
        question.buttons = MessageButtons::OkCancel;
        question.icon = MessageIcon::Question;
        question.unattended = MessageAnswer::Cancel;
        if (MessageBoxById(m_boxes, IDS_ASK_CLEAR_LOG, IDS_CAPTION_CLEAR_LOG, question) == MessageAnswer::Ok) {
            MessageBoxRequest result = box;
            const bool cleared = TruncateFile(path);
            result.icon = cleared ? MessageIcon::Information : MessageIcon::Error;
            MessageBoxById(m_boxes, cleared ? IDS_MSG_LOG_CLEARED : IDS_MSG_CLEAR_LOG_FAILED, IDS_CAPTION_CLEAR_LOG, result);
        }
    }
    UpdateEnabled();
}
