#include "ui/dialogs/DlgDefTarget.h"

#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "res/StringIds.h"
#include "ui/FileDropListBox.h"
#include "ui/dialogs/DlgAddDirectory.h"
#include "ui/dialogs/DlgAddFile.h"
#include "ui/dialogs/DlgDefMain.h"
#include "ui/dialogs/NumberEdit.h"
#include "ui/dialogs/SheetServices.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <limits>

namespace {

using ListMode = CDlgDefTarget::ListMode;
using ListModes = CDlgDefTarget::ListModes;

// Indexed by TargetType.
constexpr std::array<ListModes, 4> TargetTypes = {{
    {ListMode::Include, ListMode::Include},   // 0
    {ListMode::Ignore, ListMode::Ignore},     // 1
    {ListMode::Include, ListMode::Ignore},    // 2
    {ListMode::Ignore, ListMode::Include},    // 3
}};

// The size units the list offers, in the order of TargetFileSizeUnit.
constexpr std::array<const char16_t *, 4> SizeUnits = {u"バイト", u"KB", u"MB", u"GB"};
constexpr qint32 TerabyteUnit = 4;

// Stored dates are unsigned 32-bit counts of seconds.
constexpr qint64 LatestStorableDate = std::numeric_limits<quint32>::max();

enum DateType : int { AllFiles = 0, SinceDate = 1, SinceLastRun = 2 };

QButtonGroup *ModeButtons(QWidget *parent)
{
    auto *group = new QButtonGroup(parent);
    group->addButton(new QRadioButton(QStringLiteral(u"処理対象"), parent), int(ListMode::Include));
    group->addButton(new QRadioButton(QStringLiteral(u"無視対象"), parent), int(ListMode::Ignore));
    return group;
}

// A pattern group: the two mode buttons in a row, the list, then add, delete and edit in a row.
QGroupBox *PatternGroup(const QString &title, QButtonGroup *mode, CFileDropListBox *list,
                        std::initializer_list<QPushButton *> buttons, QWidget *parent)
{
    auto *group = new QGroupBox(title, parent);
    auto *modeRow = new QHBoxLayout;
    for (QAbstractButton *button : mode->buttons())
        modeRow->addWidget(button);
    modeRow->addStretch(1);
    auto *buttonRow = new QHBoxLayout;
    for (QPushButton *button : buttons)
        buttonRow->addWidget(button);
    auto *layout = new QVBoxLayout(group);
    layout->addLayout(modeRow);
    layout->addWidget(list, 1);
    layout->addLayout(buttonRow);
    return group;
}

// Wide enough for the longest date of the format, whatever date it shows now.
void FitDateEdit(QDateEdit *edit)
{
    const QFontMetrics metrics(edit->font());
    const int frame = edit->sizeHint().width() - metrics.horizontalAdvance(edit->text());
    int widest = 0;
    for (QDate day(2000, 12, 24); day.day() <= 30; day = day.addDays(1))
        widest = std::max(widest, metrics.horizontalAdvance(QLocale().toString(day, edit->displayFormat())));
    edit->setMinimumWidth(frame + widest);
}

void CheckButton(QButtonGroup *group, int id)
{
    if (QAbstractButton *button = group->button(id))
        button->setChecked(true);
}

} // namespace

CDlgDefTarget::CDlgDefTarget(SheetServices &services, const CDlgDefMain &general, QWidget *parent)
    : CDlgDefPage(services, parent), m_general(general)
{
    // Created in the order of the page, which is the order of the keyboard focus.
    m_folderMode = ModeButtons(this);
    m_folderList = new CFileDropListBox(this);
    m_folderList->setAccessibleName(QStringLiteral(u"フォルダ指定"));
    QPushButton *addFolder = new QPushButton(QStringLiteral(u"追加(&A)"), this);
    QPushButton *removeFolders = new QPushButton(QStringLiteral(u"削除(&D)"), this);
    QPushButton *editFolder = new QPushButton(QStringLiteral(u"編集(&E)"), this);
    m_fileMode = ModeButtons(this);
    m_fileList = new CFileDropListBox(this);
    m_fileList->setAccessibleName(QStringLiteral(u"ファイル指定"));
    QPushButton *addFile = new QPushButton(QStringLiteral(u"追加(&P)"), this);
    QPushButton *removeFiles = new QPushButton(QStringLiteral(u"削除(&L)"), this);
    QPushButton *editFile = new QPushButton(QStringLiteral(u"編集(&T)"), this);
    m_deleteIgnoreTarget = new QCheckBox(
        QStringLiteral(u"ミラーリング時に処理対象外や無視対象のフォルダ・ファイルを削除する(&M)"), this);
    m_dateType = new QButtonGroup(this);
    auto *allFiles = new QRadioButton(QStringLiteral(u"すべてのファイル"), this);
    auto *sinceDate = new QRadioButton(QStringLiteral(u"日付指定"), this);
    m_date = new QDateEdit(this);
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(QLocale().dateFormat(QLocale::LongFormat));
    m_date->setDateRange(DayOfTargetDate(0), DayOfTargetDate(LatestStorableDate));
    m_date->setAccessibleName(QStringLiteral(u"日付"));
    FitDateEdit(m_date);
    auto *sinceDateText = new QLabel(QStringLiteral(u"以降のファイル"), this);
    sinceDateText->setBuddy(m_date);
    m_sinceLastRun = new QRadioButton(QStringLiteral(u"前回のバックアップ以降に更新されたファイル"), this);
    m_dateType->addButton(allFiles, AllFiles);
    m_dateType->addButton(sinceDate, SinceDate);
    m_dateType->addButton(m_sinceLastRun, SinceLastRun);
    m_skipBySize = new QCheckBox(QStringLiteral(u"指定サイズ以上のファイルをスキップ(&K)"), this);
    m_size = new CNumberEdit(0, 32767, this);
    m_size->setAccessibleName(QStringLiteral(u"サイズ"));
    m_sizeUnit = new QComboBox(this);
    m_sizeUnit->setAccessibleName(QStringLiteral(u"単位"));
    for (const char16_t *unit : SizeUnits)
        m_sizeUnit->addItem(QString::fromUtf16(unit));

    auto *lists = new QHBoxLayout;
    lists->addWidget(PatternGroup(QStringLiteral(u"フォルダ指定(&F)"), m_folderMode, m_folderList,
                                  {addFolder, removeFolders, editFolder}, this));
    lists->addWidget(PatternGroup(QStringLiteral(u"ファイル指定(&I)"), m_fileMode, m_fileList,
                                  {addFile, removeFiles, editFile}, this));

    auto *dateGroup = new QGroupBox(QStringLiteral(u"対象ファイルの日付指定(&S)"), this);
    auto *dateRow = new QHBoxLayout;
    dateRow->addWidget(sinceDate);
    dateRow->addWidget(m_date);
    dateRow->addWidget(sinceDateText);
    dateRow->addStretch(1);
    auto *dateLayout = new QVBoxLayout(dateGroup);
    dateLayout->addWidget(allFiles);
    dateLayout->addLayout(dateRow);
    dateLayout->addWidget(m_sinceLastRun);

    auto *sizeGroup = new QGroupBox(QStringLiteral(u"対象ファイルのサイズ指定"), this);
    auto *sizeLayout = new QHBoxLayout(sizeGroup);
    sizeLayout->addWidget(m_skipBySize);
    sizeLayout->addWidget(m_size);
    sizeLayout->addWidget(m_sizeUnit);
    sizeLayout->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addWidget(m_deleteIgnoreTarget);
    layout->addWidget(dateGroup);
    layout->addWidget(sizeGroup);

    m_bindings.Bind(m_deleteIgnoreTarget, &CFolderSetting::DeleteIgnoreTarget);
    m_bindings.Bind(m_skipBySize, &CFolderSetting::SkipTargetFileSize);
    // Any integer: a size outside the arrows' range is taken as typed.
    m_bindings.Bind(m_size, &CFolderSetting::TargetFileSize, false);

    m_fileList->Drop().nameMode = true;
    m_folderList->Drop().folderMode = true;
    m_folderList->Drop().relativeMode = true;

    connect(addFolder, &QPushButton::clicked, this, &CDlgDefTarget::AddFolder);
    connect(addFile, &QPushButton::clicked, this, &CDlgDefTarget::AddFile);
    connect(removeFolders, &QPushButton::clicked, m_folderList, &CFileDropListBox::RemoveSelected);
    connect(removeFiles, &QPushButton::clicked, m_fileList, &CFileDropListBox::RemoveSelected);
    connect(editFolder, &QPushButton::clicked, this, &CDlgDefTarget::EditFolder);
    connect(editFile, &QPushButton::clicked, this, &CDlgDefTarget::EditFile);
    connect(m_folderList, &QListWidget::itemDoubleClicked, this, &CDlgDefTarget::EditFolder);
    connect(m_fileList, &QListWidget::itemDoubleClicked, this, &CDlgDefTarget::EditFile);
    connect(m_dateType, &QButtonGroup::idToggled, this, &CDlgDefTarget::ApplyDateRule);
    connect(m_sinceLastRun, &QRadioButton::clicked, this, &CDlgDefTarget::WarnAboutSinceLastRun);
    connect(m_skipBySize, &QCheckBox::toggled, this, &CDlgDefTarget::ApplySizeRule);
}

QString CDlgDefTarget::Title() const
{
    return QStringLiteral(u"ターゲット指定");
}

QStringList CDlgDefTarget::SplitPatterns(const QString &text)
{
    return text.split(u';', Qt::SkipEmptyParts);
}

QString CDlgDefTarget::JoinPatterns(const QStringList &entries)
{
    QStringList reversed = entries;
    std::reverse(reversed.begin(), reversed.end());
    return reversed.join(u';');
}

CDlgDefTarget::ListModes CDlgDefTarget::ModesOfTargetType(qint32 targetType)
{
    const bool known = targetType >= 0 && targetType < qint32(TargetTypes.size());
    return known ? TargetTypes[targetType] : ListModes{ListMode::Ignore, ListMode::Ignore};
}

qint32 CDlgDefTarget::TargetTypeOf(ListModes modes)
{
    const auto found = std::find(TargetTypes.begin(), TargetTypes.end(), modes);
    return qint32(found - TargetTypes.begin());
}

QDate CDlgDefTarget::DayOfTargetDate(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds).date();
}

qint64 CDlgDefTarget::WithDay(qint64 seconds, QDate day)
{
    if (day == DayOfTargetDate(seconds))
        return seconds;
    const QDateTime moved(day, QDateTime::fromSecsSinceEpoch(seconds).time());
    return std::clamp<qint64>(moved.toSecsSinceEpoch(), 0, LatestStorableDate);
}

void CDlgDefTarget::ShowValues()
{
    CDlgDefPage::ShowValues();
    const ListModes modes = ModesOfTargetType(m_values.TargetType);
    CheckButton(m_fileMode, int(modes.files));
    CheckButton(m_folderMode, int(modes.folders));
    CheckButton(m_dateType, m_values.TargetDateType);
    m_date->setDate(DayOfTargetDate(m_values.TargetDate));
    // TB is not one of the units offered, but a setting that holds it keeps it.
    if (m_values.TargetFileSizeUnit == TerabyteUnit)
        m_sizeUnit->addItem(QStringLiteral("TB"));
    m_sizeUnit->setCurrentIndex(m_values.TargetFileSizeUnit);
    for (const QString &pattern : SplitPatterns(m_values.TargetDirectory))
        m_folderList->AddEntry(pattern);
    for (const QString &pattern : SplitPatterns(m_values.TargetFile))
        m_fileList->AddEntry(pattern);
    ApplyDateRule();
    ApplySizeRule();
}

void CDlgDefTarget::TakeValues()
{
    CDlgDefPage::TakeValues();
    m_values.TargetDirectory = JoinPatterns(m_folderList->Entries());
    m_values.TargetFile = JoinPatterns(m_fileList->Entries());
    m_values.TargetType = TargetTypeOf({ListMode(m_fileMode->checkedId()), ListMode(m_folderMode->checkedId())});
    // Without a choice (a stored mode the page does not know) the stored values stay.
    if (m_dateType->checkedId() >= 0)
        m_values.TargetDateType = m_dateType->checkedId();
    m_values.TargetDate = WithDay(m_values.TargetDate, m_date->date());
    if (m_sizeUnit->currentIndex() >= 0)
        m_values.TargetFileSizeUnit = m_sizeUnit->currentIndex();
}

void CDlgDefTarget::CopyOtherFields(const CFolderSetting &from, CFolderSetting &to) const
{
    to.TargetType = from.TargetType;
    to.TargetFile = from.TargetFile;
    to.TargetDirectory = from.TargetDirectory;
    to.TargetDateType = from.TargetDateType;
    to.TargetDate = from.TargetDate;
    to.TargetFileSizeUnit = from.TargetFileSizeUnit;
}

void CDlgDefTarget::Activated()
{
    m_folderList->Drop().basePath = BaseFolder();
}

QString CDlgDefTarget::BaseFolder() const
{
    const QString master = ExpandEnvironment(m_general.MasterText());
    return master.size() > 1 && EndsWithSeparator(master) ? master.chopped(1) : master;
}

void CDlgDefTarget::AddFolder()
{
    CDlgAddDirectory dialog(this);
    dialog.SetBaseFolder(BaseFolder());
    dialog.SetText(QString());
    if (dialog.exec() == QDialog::Accepted)
        m_folderList->AddEntry(dialog.Text());
}

void CDlgDefTarget::AddFile()
{
    CDlgAddFile dialog(this);
    dialog.SetText(QString());
    if (dialog.exec() == QDialog::Accepted)
        m_fileList->AddEntry(dialog.Text());
}

void CDlgDefTarget::EditFolder()
{
    CDlgAddDirectory dialog(this);
    dialog.SetBaseFolder(BaseFolder());
    EditEntry(m_folderList, dialog);
}

void CDlgDefTarget::EditFile()
{
    CDlgAddFile dialog(this);
    EditEntry(m_fileList, dialog);
}

void CDlgDefTarget::EditEntry(CFileDropListBox *list, CDlgAddPattern &dialog)
{
    QListWidgetItem *focused = list->currentItem();
    list->clearSelection();
    if (!focused)
        return;
    focused->setSelected(true);
    dialog.SetText(focused->text());
    if (dialog.exec() != QDialog::Accepted)
        return;
    delete list->takeItem(list->row(focused));
    list->AddEntry(dialog.Text());
}

void CDlgDefTarget::ApplyDateRule()
{
    m_date->setEnabled(m_dateType->checkedId() == SinceDate);
}

void CDlgDefTarget::ApplySizeRule()
{
    const bool skip = m_skipBySize->isChecked();
    m_size->setEnabled(skip);
    m_sizeUnit->setEnabled(skip);
}

// Shown each time the mode is clicked, also when it was chosen already.
void CDlgDefTarget::WarnAboutSinceLastRun()
{
    m_services.messages->ShowMessageBox({.text = LoadResString(IDS_MSG_NEWER_THAN_LAST_RUN_MODE),
                                         .caption = LoadResString(IDS_CAPTION_TARGET),
                                         .icon = MessageIcon::Warning});
}
